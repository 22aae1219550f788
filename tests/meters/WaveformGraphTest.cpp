// The waveform graph: the period found from the spectrum's harmonics, the
// trace held still by the zero-crossing trigger, and the frequency text.
#include <gtest/gtest.h>

#include <memory>

#include "Helpers/Complex.h"
#include "Helpers/FrequencyDataStore.h"
#include "Helpers/OwnerDrawControlsWaveform.h"
#include "ScopeTestSupport.h"

using namespace scopetest;

namespace {

constexpr int kFft = 1024;  // half size 512
constexpr CRect kRect(0, 0, 200, 100);
using Graph = ScopeOnSurface<CWaveFormGraph>;

class WaveformGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto& store : stores) {
      store = std::make_unique<CFrequencyDataStore>(kFft);
      store->SetSampleRate(48000.0f);
    }
    g.scope->SetDataStore(0, stores[0].get());
    g.scope->SetDataStore(1, stores[1].get());
  }
  // One frame with unit amplitude in each listed bin, into both stores.
  void Spectrum(std::initializer_list<int> bins) {
    std::vector<Complex<float>> s(kFft / 2 + 1);
    for (int b : bins) s[static_cast<size_t>(b)].re = 1.0f;
    for (auto& store : stores) store->StoreValuesForGraph(s.data(), kFft);
  }

  std::unique_ptr<CFrequencyDataStore> stores[2];
  Graph g{kRect};
};

TEST_F(WaveformGraphTest, PeriodComesFromTheStrongestHarmonicSeries) {
  CWaveFormGraph& w = *g.scope;
  EXPECT_EQ(w.GetPeriod(), 0);
  Spectrum({16});
  w.AttemptToDetectFreq();
  EXPECT_EQ(w.GetPeriod(), 64);  // (512 / 16) x 2
  EXPECT_FLOAT_EQ(w.GetDetectedFreq(), 750.0f);

  // A fundamental with its harmonics beats a louder single partial an
  // octave up: bin 10 scores 1/2 + 1/3 + 1/4, bin 20 alone 1.2 x (1/2 + 1/3).
  std::vector<Complex<float>> s(kFft / 2 + 1);
  s[10].re = s[20].re = s[30].re = 1.0f;
  s[20].re = std::sqrt(1.2f);
  for (auto& store : stores) store->StoreValuesForGraph(s.data(), kFft);
  w.AttemptToDetectFreq();
  EXPECT_EQ(w.GetPeriod(), 102);  // (512 / 10) x 2 in integers

  // Without a new frame of the right store nothing is detected again.
  w.nPeriod = 7;
  w.AttemptToDetectFreq();
  EXPECT_EQ(w.GetPeriod(), 7);
}

TEST_F(WaveformGraphTest, TraceStartsAtAFallingZeroCrossingOfTheLeftChannel) {
  CWaveFormGraph& w = *g.scope;
  Spectrum({16});
  g.Draw();  // detects the period of 64 samples
  ASSERT_EQ(w.GetPeriod(), 64);
  const std::vector<float> left = Sine(300, 64.0, 0.8f, 5.0);
  g.Feed(left, Negated(left));
  g.Draw();
  const CWaveFormGraph::Trace& t = w.Shown();
  ASSERT_EQ(t.nColumns, 64) << "one sample per column for a period shorter than the width";
  // From the crossing on: a falling sine, its trough a quarter period on.
  EXPECT_LE(t.left[0], 0.0f);
  EXPECT_GT(t.left[0], -0.08f);
  EXPECT_NEAR(t.left[16], -0.8f, 0.01f);
  EXPECT_NEAR(t.left[48], 0.8f, 0.01f);
  EXPECT_NEAR(t.right[16], 0.8f, 0.01f);

  // Whatever the phase, the next trace looks the same.
  const std::vector<float> later = Sine(300, 64.0, 0.8f, 41.0);
  g.Feed(later, Negated(later));
  g.Draw();
  EXPECT_NEAR(w.Shown().left[16], -0.8f, 0.01f);
  EXPECT_NEAR(w.Shown().left[48], 0.8f, 0.01f);
}

TEST_F(WaveformGraphTest, LongPeriodsSpreadOverTheWidthAndNoPeriodShowsNothing) {
  CWaveFormGraph& w = *g.scope;
  const std::vector<float> sine = Sine(2000, 10.0, 0.5f);
  g.Feed(sine, sine);
  g.Draw();
  EXPECT_EQ(w.Shown().nColumns, 0);

  w.nPeriod = 1000;  // five samples per column
  const std::vector<float> slow = Sine(4000, 1000.0, 0.5f);
  g.Feed(slow, slow);
  g.Draw();
  ASSERT_EQ(w.Shown().nColumns, 200);
  // Column 50 holds the sample a quarter period after the crossing.
  EXPECT_NEAR(w.Shown().left[50], -0.5f, 0.01f);
}

TEST_F(WaveformGraphTest, TracesAreDrawnAroundTheMiddleRow) {
  CWaveFormGraph& w = *g.scope;
  Spectrum({16});
  g.Draw();
  const std::vector<float> left = Sine(300, 64.0, 0.8f, 5.0);
  g.Feed(left, std::vector<float>(300, 0.0f));
  g.Draw();
  ASSERT_EQ(w.Shown().nColumns, 64);
  // The left trace's trough at column 16 lies 0.8 x 46 rows below the
  // middle (row 50); the silent right channel runs along the middle.
  const long trough = 50 + static_cast<long>(0.8f * 46.0f);
  bool found = false;
  for (long y = trough - 2; y <= trough + 2; ++y)
    if (g.At(16, y) == Word({120, 220, 120, 255})) found = true;
  EXPECT_TRUE(found);
  EXPECT_EQ(g.At(40, 50), Word({220, 120, 120, 255}));
  EXPECT_EQ(g.At(16, 20), Word(kBlackCColor));
}

}  // namespace
