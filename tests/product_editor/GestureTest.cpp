// The editor while the user holds a gesture, driven through the window's own
// event loop: a curve drag shows the curve of the bands as they stand, a
// moving spectrum and a moving meter before the release; and a host that
// answers the editor's idle call by calling back into the effect, while
// another thread changes the quality mode, gets through.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "Helpers/Assert.h"
#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "product_editor/EditorSupport.h"

using namespace edtest2;
using Clock = std::chrono::steady_clock;

namespace {

// Generous: the sanitizer builds draw many times slower.
constexpr auto kPatience = std::chrono::seconds(30);

// What the host does when the editor gives it its idle call (test thread).
std::function<void()> g_OnHostIdle;

VstIntPtr HookedHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  const VstIntPtr answer = fxtest::RecordingHostCallback(effect, opcode, index, value, ptr, opt);
  static bool s_bInHook = false;
  if (opcode == audioMasterIdle && g_OnHostIdle && !s_bInHook) {
    s_bInHook = true;
    g_OnHostIdle();
    s_bInHook = false;
  }
  return answer;
}

// Noise at the pace of a 48 kHz device, its level rising and falling from
// block to block between -47 and -27 dB (below full scale after the drag's
// boost), on an audio thread of its own until destroyed.
class NoisePlayer {
 public:
  explicit NoisePlayer(AQVX2& fx) : m_Thread([this, &fx] { Run(fx); }) {}
  ~NoisePlayer() {
    m_bStop = true;
    m_Thread.join();
  }
  NoisePlayer(const NoisePlayer&) = delete;
  NoisePlayer& operator=(const NoisePlayer&) = delete;

 private:
  void Run(AQVX2& fx) {
    constexpr int kBlock = 512;
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    std::minstd_rand random(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    auto due = Clock::now();
    for (int block = 0; !m_bStop.load(); ++block) {
      const float level = 0.003f + 0.04f * std::fabs(std::sin(0.4f * static_cast<float>(block)));
      for (int i = 0; i < kBlock; ++i) {
        inL[static_cast<size_t>(i)] = level * noise(random);
        inR[static_cast<size_t>(i)] = level * noise(random);
      }
      fx.processReplacing(in, out, kBlock);
      due += std::chrono::microseconds(kBlock * 1000000 / 48000);
      std::this_thread::sleep_until(due);
    }
  }

  std::atomic<bool> m_bStop{false};
  std::thread m_Thread;
};

uint32_t Rgb(const CColor& c) { return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue; }

class GestureThreadTest : public EditorFixture {
 protected:
  GestureThreadTest() { m_HostCallback = HookedHost; }
  void TearDown() override {
    g_OnHostIdle = nullptr;
    // A resume through the dispatcher starts the effect's idle worker; the
    // host's close request stops it before the effect goes.
    if (m_pEffect) m_pEffect->StopIdleWorker();
    EditorFixture::TearDown();
  }

  // What the window shows now, read under the frame lock: the pixels of the
  // curve's fill, and a digest of the graph's and of the meter's area.
  struct Sample {
    long fill = 0;
    uint64_t graph = 0;
    uint64_t meter = 0;
  };
  Sample Take() {
    CScopedLock hold(m_pEditor->Frame()->getFrameLock());
    Sample s;
    const uint32_t fill = Rgb(Graph()->m_colLinkedCurve);
    CRect meter;
    m_pEditor->m_pLevelMeter.load()->getViewSize(meter);
    s.graph = Digest(g_rectCompositeGraph, fill, &s.fill);
    s.meter = Digest(meter, 0, nullptr);
    return s;
  }
  uint64_t Digest(const CRect& r, uint32_t counted, long* count) {
    uint64_t h = 1469598103934665603ull;
    for (long y = r.top; y < r.bottom; ++y)
      for (long x = r.left; x < r.right; ++x) {
        const uint32_t p = Pixel(static_cast<int>(x), static_cast<int>(y));
        if (count && p == counted) ++*count;
        h = (h ^ p) * 1099511628211ull;
      }
    return h;
  }
  void Dispatch(VstInt32 opcode, VstIntPtr value = 0) {
    AEffect* record = m_pEffect->getAeffect();
    record->dispatcher(record, opcode, 0, value, nullptr, 0.0f);
  }
};

}  // namespace

TEST_F(GestureThreadTest, QVX2_SUITE(ACurveDragShowsTheNewCurveAndLiveDisplaysBeforeTheRelease)) {
  m_pEffect->setParameter(kQvx2BandType, 2.0f / 99.0f);  // Thirds: 31 bands
  m_pEffect->setParameter(kQvx2ShowFft, 1.0f);
  m_pEffect->SetPersistantParam(QVX2Editor::kGraphFillParam, 1.0f);
  m_pEffect->FinishUpdate();
  Reopen();
  // From here the clock is the machine's: the editor's idle paces itself
  // inside the drag loop as it does for a user.
  SetTickCountSourceForTesting(nullptr);
  NoisePlayer audio(*m_pEffect);
  Idle();
  const Sample before = Take();

  // A drag across two thirds of the bands at +14 dB, then held still there.
  const QVX2CompositeGraph& g = *Graph();
  const float db = 14.0f;
  const long row = g_rectCompositeGraph.top +
                   static_cast<long>(228 - 228 * (db - g.m_fDbMin) / (g.m_fDbMax - g.m_fDbMin));
  const int lastBand = 24;
  const CPoint from(g.m_Handles[4].h, row), to(g.m_Handles[lastBand].h, row);
  m_pWindow->SetPointer(static_cast<int>(from.h), static_cast<int>(from.v), kMouseLeft);
  for (int i = 0; i <= 8; ++i)
    m_pWindow->QueuePointer(static_cast<int>(from.h + (to.h - from.h) * i / 8), static_cast<int>(row), kMouseLeft);
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, static_cast<int>(from.h),
                                        static_cast<int>(from.v), kMouseLeft));

  // The host watches the window at each idle call the loop gives it; once
  // the pointer rests and the curve is up to date, it lets go after the
  // spectrum and the meter have each shown four different pictures.
  struct Mid {
    Sample last;
    std::set<uint64_t> graphs, meters;
    std::vector<double> curve;
  } mid;
  const auto deadline = Clock::now() + kPatience;
  g_OnHostIdle = [&] {
    const bool resting = std::fabs(m_pEffect->getParameter(nParamG[lastBand]) - GainValue(db)) < 0.02f;
    const bool upToDate = resting && !m_pEffect->GetFiltersNeedUpdating() && !m_pEditor->IsCurveStale();
    if (resting) mid.last = Take();
    if (upToDate) {
      mid.graphs.insert(mid.last.graph);
      mid.meters.insert(mid.last.meter);
      mid.curve.assign(m_pEditor->Curve(0), m_pEditor->Curve(0) + 472);
    }
    if ((mid.graphs.size() >= 4 && mid.meters.size() >= 4) || Clock::now() > deadline)
      m_pWindow->SetPointer(static_cast<int>(to.h), static_cast<int>(to.v), 0);
  };
  Idle();  // the press: the loop runs until the host lets go
  g_OnHostIdle = nullptr;
  Settle();
  const Sample after = Take();
  std::printf("curve fill pixels: %ld before the drag, %ld during it, %ld after the release\n", before.fill,
              mid.last.fill, after.fill);

  ASSERT_FALSE(mid.curve.empty()) << "the curve was never brought up to date during the drag";
  EXPECT_GE(mid.graphs.size(), 4u) << "the spectrum stood still during the drag";
  EXPECT_GE(mid.meters.size(), 4u) << "the meter stood still during the drag";
  // The raised bands fill thousands of pixels more than the flat curve; the
  // curve shown during the drag is the one the release shows (the moving
  // spectrum covers a little of its fill).
  EXPECT_GT(mid.last.fill, before.fill + 3000);
  EXPECT_NEAR(static_cast<double>(mid.last.fill), static_cast<double>(after.fill), 0.1 * after.fill);
  for (size_t i = 0; i < mid.curve.size(); ++i) ASSERT_NEAR(mid.curve[i], m_pEditor->Curve(0)[i], 1e-9) << i;
}

TEST_F(GestureThreadTest, QVX2_SUITE(HostCallingBackFromItsIdleWhileAnotherThreadChangesQualityFinishes)) {
  Settle();
  // A host whose answer to the editor's idle call is its own idle and a
  // suspend and resume of the effect.
  g_OnHostIdle = [&] {
    Dispatch(effIdle);
    Dispatch(effMainsChanged, 0);
    Dispatch(effMainsChanged, 1);
  };
  // Everything below must end well before this; a hang ends the program.
  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    const auto deadline = Clock::now() + 2 * kPatience;
    while (!finished.load() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (finished.load()) return;
    std::fprintf(stderr, "the host's idle call and the quality change on another thread hang\n");
    std::fflush(stderr);
    std::_Exit(1);
  });
  // Another thread of the host switches between the two lowest modes, each
  // applied by a suspend and resume.
  std::atomic<bool> stop{false};
  std::atomic<int> changes{0};
  std::thread quality([&] {
    for (int i = 0; !stop.load(); ++i) {
      m_pEffect->setParameter(kQvx2QualityRating, (i % 2 ? 10.0f : 20.0f) / 999.0f);
      Dispatch(effMainsChanged, 0);
      Dispatch(effMainsChanged, 1);
      ++changes;
    }
  });
  // Meanwhile the user clicks the HPF switch: the click gives the host its
  // idle call from inside the event. While a rebuild has removed the panel,
  // the next idle builds it again.
  int clicks = 0;
  for (int pass = 0; (clicks < 40 || changes.load() < 6) && pass < 4000; ++pass) {
    {
      // The other thread's rebuild removes the panel under the frame lock.
      CScopedLock hold(m_pEditor->Frame()->getFrameLock());
      if (CControl* button = m_pEditor->m_pHpfOnButton) {
        CRect at;
        button->getViewSize(at);
        m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, static_cast<int>(at.left + 2),
                                              static_cast<int>(at.top + 2), kMouseLeft));
        ++clicks;
      }
    }
    Idle();
  }
  stop = true;
  quality.join();
  g_OnHostIdle = nullptr;
  finished = true;
  watchdog.join();

  EXPECT_GE(clicks, 40);
  // Nothing was lost: the last mode asked for is applied at the next quiet
  // idle, and the front panel is whole again.
  Dispatch(effMainsChanged, 0);
  Dispatch(effMainsChanged, 1);
  Settle();
  const int rating = (changes.load() - 1) % 2 ? 10 : 20;
  EXPECT_EQ(m_pEffect->GetFFTSize(), rating == 10 ? 1024 : 2048);
  ASSERT_NE(Graph(), nullptr);
  EXPECT_EQ(Graph()->GetDataStore(0), m_pEffect->GetDataStore(0));
}
