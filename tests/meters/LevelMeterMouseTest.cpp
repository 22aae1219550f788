// The level meter's mouse: the "RESET" hover over the label strip, the
// scale strip's hover, and the scale zoom dragged on a frame in a headless
// window.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <vector>

#include "MeterTestSupport.h"
#include "framework/FrameworkTestSupport.h"
#include "freqgraphs/EditorBaseTestSupport.h"
#include "gui/CFrame.h"
#include "gui_frame/FrameTestSupport.h"
#include "prefs/TempConfigFolder.h"

using namespace metertest;

namespace {

// White pixels of `s`'s off-screen in [x0, x1) x [y0, y1).
int WhitePixels(MeterOnSurface& s, long x0, long y0, long x1, long y1) {
  int n = 0;
  for (long y = y0; y < y1; ++y)
    for (long x = x0; x < x1; ++x)
      if (s.At(x, y) == 0xFFFFFFFFu) ++n;
  return n;
}

TEST(LevelMeterHoverTest, LabelStripGivesWayToResetWhileTheMouseIsOverIt) {
  MeterOnSurface s;
  ConfigureAsProduct(*s.meter, false);
  CLevelMeter& m = *s.meter;
  s.Draw();
  // Silent channels show "-" in the middle of each half; the middle of the
  // strip stays clear.
  EXPECT_EQ(WhitePixels(s, 19, 1, 24, 12), 0);

  CPoint overStrip(kProductRect.left + 20, kProductRect.top + 5);
  m.mouseMove(s.screen.context(), overStrip, 0);
  EXPECT_TRUE(m.bOverTopStrip);
  EXPECT_TRUE(m.isDirty());
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, static_cast<CMouseMoveAwayHook*>(&m));
  s.Draw();
  EXPECT_GT(WhitePixels(s, 19, 1, 24, 12), 0) << "\"RESET\" across the strip";

  CPoint overBars(kProductRect.left + 8, kProductRect.top + 100);
  m.mouseMove(s.screen.context(), overBars, 0);
  EXPECT_FALSE(m.bOverTopStrip);
  m.mouseMove(s.screen.context(), overStrip, 0);
  m.MouseMovedAway(s.screen.context());
  EXPECT_FALSE(m.bOverTopStrip);
  s.Draw();
  EXPECT_EQ(WhitePixels(s, 19, 1, 24, 12), 0);
}

TEST(LevelMeterHoverTest, ScaleStripLightsWhileHoveredWhenTheDragIsEnabled) {
  MeterOnSurface s;
  CLevelMeter& m = *s.meter;
  CPoint overScale(kProductRect.left + 36, kProductRect.top + 150);
  m.mouseMove(s.screen.context(), overScale, 0);
  EXPECT_EQ(m.nScaleStripState, 1);
  EXPECT_EQ(g_MousePointerID, 2);
  s.Draw();
  // A half-transparent grey over the strip (written as it is).
  EXPECT_EQ(s.At(38, 150) >> 24, 100u);
  EXPECT_EQ(s.At(28, 150) >> 24, 255u);

  m.MouseMovedAway(s.screen.context());
  EXPECT_EQ(m.nScaleStripState, 0);
  s.Draw();
  EXPECT_EQ(s.At(38, 150) >> 24, 255u);

  // The product meter has no scale drag: the strip does not react.
  m.bScaleDragEnabled = false;
  m.mouseMove(s.screen.context(), overScale, 0);
  EXPECT_EQ(m.nScaleStripState, 0);
}

// A clock of the test's own: presses lie far apart on it, so they never
// pair into a double click.
std::atomic<unsigned int> g_nNow{100000};
unsigned int AdvancingClock() { return g_nNow.fetch_add(30) + 30; }

// Takes modifier clicks when asked to, and counts them.
class ModifierListener : public CControlListener {
 public:
  void valueChanged(CDrawContext*, CControl*) override {}
  long controlModifierClicked(CDrawContext*, CControl*, long) override {
    ++asked;
    return take;
  }
  long take = 0;
  int asked = 0;
};

constexpr CRect kOnFrame(20, 20, 63, 248);  // 43 x 228
constexpr int kScaleX = 55;                 // local 35: the scale strip
constexpr int kPressY = 130;                // local 110

class LevelMeterDragTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effect = std::make_unique<fxtest::TestEffect>();
    editor = new displaytest::ScriptedEditor(effect.get());  // owned by the effect
    ASSERT_TRUE(editor->open(frametest::HostWindow()));
    editor->pWindow = LastHeadlessWindow();
    ASSERT_NE(editor->pWindow, nullptr);
    frame = editor->getFrame();
    meter = new CLevelMeter(kOnFrame, 12, editor, &listener);
    frame->addView(meter);
    frame->draw(static_cast<CView*>(nullptr));
    SetTickCountSourceForTesting(&AdvancingClock);
  }
  void TearDown() override {
    editor->close();
    SetTickCountSourceForTesting(nullptr);
  }

  // A press at frame point (x, y), then the pointer's states of `script`
  // as events, each in a host idle call of its own.
  void Click(int x, int y, long buttons, const std::vector<displaytest::PointerState>& script = {}) {
    g_nNow += 1000;
    editor->reports.clear();
    editor->Drag(x, y, buttons, script);
  }
  void Deliver(EPlatformEvent type, int x, int y, long buttons) {
    editor->Deliver(frametest::MakeEvent(type, x, y, buttons));
  }

  // The range after a zoom by exp(across / 100 * k) and a shift of `up`
  // rows about the level under the press, from -60..0 dB.
  static void Expected(double across, double up, double k, double& bottom, double& top) {
    const double anchor = -60.0 * 110.0 / 228.0;
    const double zoom = std::exp(across * 0.01 * k);
    const double shift = up / 228.0 * 60.0 * k;
    bottom = std::clamp((-60.0 - anchor) * zoom + anchor - shift, -120.0, -2.0);
    top = std::clamp((0.0 - anchor) * zoom + anchor - shift, -118.0, 0.0);
  }

  frametest::HeadlessScope headless;
  FakeHost host;
  TempConfigFolder prefs;
  ModifierListener listener;
  std::unique_ptr<fxtest::TestEffect> effect;
  displaytest::ScriptedEditor* editor = nullptr;
  CFrame* frame = nullptr;
  CLevelMeter* meter = nullptr;  // owned by the frame
};

TEST_F(LevelMeterDragTest, DragAcrossTheScaleZoomsAboutTheLevelUnderThePress) {
  Click(kScaleX, kPressY, kMouseLeft);
  EXPECT_EQ(meter->nScaleStripState, 2);
  const unsigned long draws = frame->getDrawCount();
  Deliver(EPlatformEvent::kMouseMove, kScaleX + 50, kPressY, kMouseLeft);
  EXPECT_GT(frame->getDrawCount(), draws) << "the meter redraws while dragged";
  Deliver(EPlatformEvent::kMouseUp, kScaleX + 50, kPressY, 0);
  double bottom, top;
  Expected(50, 0, 1.0, bottom, top);
  EXPECT_NEAR(meter->fBottomDb, bottom, 1e-3);
  EXPECT_NEAR(meter->fTopDb, top, 1e-3);
  EXPECT_EQ(meter->fTopDb, 0.0f) << "the top never passes full scale";
  EXPECT_EQ(meter->nScaleStripState, 0);
  // A dB zoom report per pass, then the final one, each as an edit from
  // the editor.
  ASSERT_GE(editor->reports.size(), 3u);
  for (size_t i = 0; i < editor->reports.size(); ++i) {
    const displaytest::ScriptedEditor::Report& r = editor->reports[i];
    EXPECT_EQ(r.kind, DivuVazize::eCC_DbZoom);
    EXPECT_EQ(r.control, meter);
    EXPECT_TRUE(r.fromGui);
    EXPECT_EQ(r.a, i + 1 == editor->reports.size() ? 1.0f : 0.0f) << i;
  }
}

// A drag cut short (the meter removed with the panel, the editor closed)
// ends as a release does, once: the strip unlit and the final report.
TEST_F(LevelMeterDragTest, ADragCutShortEndsOnceWithItsFinalReport) {
  for (const bool closed : {false, true}) {
    SCOPED_TRACE(closed ? "editor closed" : "meter removed");
    meter->remember();
    Click(kScaleX, kPressY, kMouseLeft, {{kScaleX + 20, kPressY, kMouseLeft}});
    if (closed)
      editor->close();
    else
      frame->removeView(meter);
    EXPECT_EQ(meter->nScaleStripState, 0);
    ASSERT_FALSE(editor->reports.empty());
    EXPECT_EQ(editor->reports.back().a, 1.0f);
    int finals = 0;
    for (const auto& r : editor->reports) finals += r.a == 1.0f;
    EXPECT_EQ(finals, 1);
    meter->forget();
    if (closed) return;
    meter = new CLevelMeter(kOnFrame, 12, editor, &listener);
    frame->addView(meter);
  }
}

TEST_F(LevelMeterDragTest, DragAlongTheScaleShiftsItAndShiftMakesItFiner) {
  Click(kScaleX, kPressY, kMouseLeft,
        {{kScaleX, kPressY - 20, kMouseLeft}, {kScaleX, kPressY - 20, 0}});
  double bottom, top;
  Expected(0, 20, 1.0, bottom, top);
  EXPECT_NEAR(meter->fBottomDb, bottom, 1e-3);
  EXPECT_NEAR(meter->fTopDb, top, 1e-3);

  meter->fBottomDb = -60.0f;
  meter->fTopDb = 0.0f;
  const long shiftLeft = kMouseLeft | kModifierShift;
  Click(kScaleX, kPressY, shiftLeft,
        {{kScaleX, kPressY - 20, shiftLeft}, {kScaleX, kPressY - 20, 0}});
  Expected(0, 20, 0.1, bottom, top);
  EXPECT_NEAR(meter->fBottomDb, bottom, 1e-3);
  EXPECT_NEAR(meter->fTopDb, top, 1e-3);
}

TEST_F(LevelMeterDragTest, ZoomStaysWithinTheLimitsAndNeverNarrowerThanTwoDecibels) {
  // exp(-5) would leave 0.4 dB of the 60.
  Click(kScaleX, kPressY, kMouseLeft,
        {{kScaleX - 500, kPressY, kMouseLeft}, {kScaleX - 500, kPressY, 0}});
  EXPECT_NEAR(meter->fTopDb - meter->fBottomDb, 2.0f, 1e-4);
  Click(kScaleX, kPressY, kMouseLeft,
        {{kScaleX - 100, kPressY, kMouseLeft}, {kScaleX - 100, kPressY, 0}});
  EXPECT_NEAR(meter->fTopDb - meter->fBottomDb, 2.0f, 1e-4) << "no further in";

  Click(kScaleX, kPressY, kMouseLeft,
        {{kScaleX + 900, kPressY, kMouseLeft}, {kScaleX + 900, kPressY, 0}});
  EXPECT_EQ(meter->fBottomDb, -120.0f);
  EXPECT_EQ(meter->fTopDb, 0.0f);
}

TEST_F(LevelMeterDragTest, DefaultClickRestoresTheRangeAndModifierClicksGoToTheListener) {
  meter->fBottomDb = -30.0f;
  meter->fTopDb = -5.0f;
  Click(kScaleX, kPressY, kMouseLeft | kModifierCommand);
  EXPECT_EQ(meter->fBottomDb, -60.0f);
  EXPECT_EQ(meter->fTopDb, 0.0f);
  ASSERT_EQ(editor->reports.size(), 1u);
  EXPECT_EQ(editor->reports[0].a, 1.0f);

  listener.take = 1;
  listener.asked = 0;
  meter->fBottomDb = -30.0f;
  Click(kScaleX, kPressY, kMouseLeft | kModifierShift, {{kScaleX + 50, kPressY, kMouseLeft}});
  EXPECT_EQ(meter->fBottomDb, -30.0f);
  EXPECT_EQ(listener.asked, 1);
  EXPECT_TRUE(editor->reports.empty());
}

}  // namespace
