// The editor while the user holds a gesture, driven through the window's own
// event loop: a curve drag shows the curve of the bands as they stand, a
// moving spectrum and a moving meter before the release; and clicks while
// another thread changes the quality mode get through without giving the
// host its idle call, which a host may answer by calling back into the
// effect.
#include <chrono>
#include <cmath>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "product_editor/EditorSupport.h"

using namespace edtest2;
using Clock = std::chrono::steady_clock;

namespace {

// Generous: the sanitizer builds draw many times slower.
constexpr auto kPatience = std::chrono::seconds(30);

class GestureThreadTest : public EditorFixture {
 protected:
  // What the window shows now, read under the frame lock: the pixels of the
  // curve's fill, and a digest of the graph's and of the meter's area.
  struct Sample {
    long fill = 0;
    uint64_t graph = 1469598103934665603ull, meter = graph;
  };
  Sample Take() {
    CScopedLock hold(m_pEditor->Frame()->getFrameLock());
    const CColor& c = Graph()->m_colLinkedCurve;
    const uint32_t fill = (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
    CRect meter;
    m_pEditor->m_pLevelMeter.load()->getViewSize(meter);
    Sample s;
    for (const auto& [r, digest] : {std::pair{g_rectCompositeGraph, &s.graph}, std::pair{meter, &s.meter}})
      for (long y = r.top; y < r.bottom; ++y)
        for (long x = r.left; x < r.right; ++x) {
          const uint32_t p = Pixel(static_cast<int>(x), static_cast<int>(y));
          s.fill += digest == &s.graph && p == fill;
          *digest = (*digest ^ p) * 1099511628211ull;
        }
    return s;
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
  // as it does for a user.
  SetTickCountSourceForTesting(nullptr);
  NoisePlayer audio(m_pEffect->getAeffect());
  Idle();
  const Sample before = Take();

  // A drag across two thirds of the bands at +14 dB, then held still there:
  // the press and each motion come in a host idle call of their own.
  const QVX2CompositeGraph& g = *Graph();
  const float db = 14.0f;
  const int row = static_cast<int>(g_rectCompositeGraph.top + 228 - 228 * (db - g.m_fDbMin) / (g.m_fDbMax - g.m_fDbMin));
  const int lastBand = 24;
  const int from = static_cast<int>(g.m_Handles[4].h), to = static_cast<int>(g.m_Handles[lastBand].h);
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, from, row, kMouseLeft));
  Idle();
  for (int i = 1; i <= 8; ++i) {
    m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseMove, from + (to - from) * i / 8, row, kMouseLeft));
    Idle();
  }

  // The host idles the editor with the button held and watches the window
  // after each call; once the curve is up to date, it lets go after the
  // spectrum and the meter have each shown four different pictures.
  Sample mid;
  std::set<uint64_t> graphs, meters;
  std::vector<double> curve;
  ASSERT_NEAR(m_pEffect->getParameter(nParamG[lastBand]), GainValue(db), 0.02f) << "the bands follow the motions";
  for (const auto deadline = Clock::now() + kPatience;
       (graphs.size() < 4 || meters.size() < 4) && Clock::now() < deadline;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Idle();
    mid = Take();
    if (!m_pEffect->GetFiltersNeedUpdating() && !m_pEditor->IsCurveStale()) {
      graphs.insert(mid.graph);
      meters.insert(mid.meter);
      curve.assign(m_pEditor->Curve(0), m_pEditor->Curve(0) + 472);
    }
  }
  EXPECT_EQ(m_pEditor->Frame()->getMouseCapture(), Graph()) << "the drag is still under way";
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseUp, to, row, 0));
  Settle();
  const Sample after = Take();

  ASSERT_FALSE(curve.empty()) << "the curve was never brought up to date during the drag";
  EXPECT_GE(graphs.size(), 4u) << "the spectrum stood still during the drag";
  EXPECT_GE(meters.size(), 4u) << "the meter stood still during the drag";
  // The raised bands fill thousands of pixels more than the flat curve; the
  // curve shown during the drag is the one the release shows (the moving
  // spectrum covers a little of its fill).
  EXPECT_GT(mid.fill, before.fill + 3000);
  EXPECT_NEAR(static_cast<double>(mid.fill), static_cast<double>(after.fill), 0.1 * after.fill);
  for (size_t i = 0; i < curve.size(); ++i) ASSERT_NEAR(curve[i], m_pEditor->Curve(0)[i], 1e-9) << i;
}

TEST_F(GestureThreadTest, QVX2_SUITE(ClicksWhileAnotherThreadChangesQualityFinishWithoutTheHostsIdle)) {
  Settle();
  auto resume = [&] {
    Dispatch(*m_pEffect, effMainsChanged, 0, 0);
    Dispatch(*m_pEffect, effMainsChanged, 0, 1);
  };
  // The editor never asks the host for its idle (audioMasterIdle): a host
  // that answered by its own idle and a suspend and resume of the effect
  // would do so from inside the editor's event.
  int hostIdles = 0;
  fxtest::HostLog::Get().m_OnIdle = [&] {
    ++hostIdles;
    Dispatch(*m_pEffect, effIdle);
    resume();
  };
  std::atomic<int> changes{0};
  int clicks = 0;
  {
    const fxtest::Watchdog watchdog(2 * kPatience);  // a hang ends the program
    // Another thread of the host switches between the two lowest modes, each
    // applied by a suspend and resume.
    std::atomic<bool> stop{false};
    std::thread quality([&] {
      for (int i = 0; !stop.load(); ++i, ++changes) {
        m_pEffect->setParameter(kQvx2QualityRating, (i % 2 ? 10.0f : 20.0f) / 999.0f);
        resume();
      }
    });
    // Meanwhile the user clicks the HPF switch. While the other thread's
    // rebuild has removed the panel (under the frame lock), the next idle
    // builds it again.
    for (int pass = 0; (clicks < 40 || changes.load() < 6) && pass < 4000; ++pass) {
      {
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
    fxtest::HostLog::Get().m_OnIdle = nullptr;
  }

  EXPECT_GE(clicks, 40);
  EXPECT_EQ(hostIdles, 0) << "the editor gave the host its idle call";
  // Nothing was lost: the last mode asked for is applied at the next quiet
  // idle, and the front panel is whole again.
  resume();
  Settle();
  EXPECT_EQ(m_pEffect->GetFFTSize(), (changes.load() - 1) % 2 ? 1024 : 2048);
  ASSERT_NE(Graph(), nullptr);
  EXPECT_EQ(Graph()->GetDataStore(0), m_pEffect->GetDataStore(0));
}
