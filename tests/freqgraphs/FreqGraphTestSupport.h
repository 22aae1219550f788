// Doubles for the frequency graph tests: an effect at a known sample rate
// behind a toolkit editor (the graphs take their frequency axis from it),
// spectrum stores filled with chosen bins, and a settable clock.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <vector>

#include "Helpers/Assert.h"
#include "Helpers/FreqGraphs.h"
#include "Helpers/FrequencyDataStore.h"
#include "framework/FrameworkTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "gui_frame/FrameTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace freqtest {

constexpr int kFftSize = 4096;
constexpr int kHalf = kFftSize / 2;
constexpr float kRate = 44100.0f;

// The test clock; each reading can move it on by `step` ms, so that paced
// idle passes inside modal loops keep running.
inline std::atomic<unsigned int> g_nNow{100000};
inline std::atomic<unsigned int> g_nStep{0};
inline unsigned int TestClock() { return g_nNow.fetch_add(g_nStep.load()); }

class ClockScope {
 public:
  ClockScope() {
    g_nNow = 100000;
    SetTickCountSourceForTesting(TestClock);
  }
  ~ClockScope() {
    SetTickCountSourceForTesting(nullptr);
    g_nStep = 0;
  }
  ClockScope(const ClockScope&) = delete;
  ClockScope& operator=(const ClockScope&) = delete;
};

// Powers of bins 0..N/2 as one frame: bins not given are 0.
class Spectrum {
 public:
  Spectrum() : m_Bins(kHalf + 1, Complex<double>{0.0, 0.0}) {}
  // Bin k with amplitude a (all in the real part).
  Spectrum& Set(int k, double a) {
    m_Bins[static_cast<size_t>(k)] = {a, 0.0};
    return *this;
  }
  // Stores the frame; no reader is inside, so it is published at once.
  void StoreInto(CFrequencyDataStore& store) { store.StoreValuesForGraph(m_Bins.data(), kHalf + 1); }

 private:
  std::vector<Complex<double>> m_Bins;
};

// Frequency of bin k at the test rate.
inline double BinFreq(int k) { return k * static_cast<double>(kRate) / kFftSize; }

// An effect at kRate with a toolkit editor; the graph under test is made by
// the test with `editor`.
class GraphFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    effect = std::make_unique<fxtest::TestEffect>();
    effect->setSampleRate(kRate);
    editor = new frametest::TestEditor(effect.get());  // owned by the effect
  }

  // A composite graph of width x height at (0, 0) with stores 0 and 1
  // bound, over 20 Hz to 22 kHz on -100..0 dB.
  std::unique_ptr<CCompositeGraph> MakeGraph(long width = 400, long height = 200) {
    auto graph = std::make_unique<CCompositeGraph>(CRect(0, 0, width, height), editor, nullptr);
    graph->SetDataStore(0, &left);
    graph->SetDataStore(1, &right);
    return graph;
  }

  // One read of the slot's store as the composite graph does it.
  static void Extract(CFreqGraph& graph, int slot, bool smooth = false, bool keepTail = false,
                      bool force = false) {
    CFrequencyDataStore* store = graph.GetDataStore(slot);
    store->BeginRead();
    graph.ExtractGraphFromDataStore(slot, smooth, keepTail, force);
    store->EndRead();
  }

  frametest::HeadlessScope headless;
  FakeHost host;
  TempConfigFolder prefs;
  ClockScope clock;
  std::unique_ptr<fxtest::TestEffect> effect;
  frametest::TestEditor* editor = nullptr;
  CFrequencyDataStore left{kFftSize};
  CFrequencyDataStore right{kFftSize};
};

}  // namespace freqtest
