// The owner-drawn control base: drawing through its off-screen surface, the
// black stand-in, the surfaces' life with attaching and removal, and the
// pacing of idle redraws from inside mouse loops.
#include <gtest/gtest.h>

#include "OwnerDrawTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "gui/CViewContainer.h"
#include "gui_frame/FrameTestSupport.h"

using namespace drawtest;

namespace {

constexpr CRect kControlRect(10, 20, 30, 35);  // 20 x 15

class OwnerDrawControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_Draws = DrawRecord();
    container = new CViewContainer(CRect(0, 0, 60, 60), nullptr, nullptr);
    control = new RecordingControl(kControlRect);
  }
  void TearDown() override {
    if (!added) control->forget();
    container->forget();
  }
  void Attach() {
    container->addView(control);
    added = true;
  }

  TestSurface screen{60, 60};
  CViewContainer* container = nullptr;
  RecordingControl* control = nullptr;
  bool added = false;
};

TEST_F(OwnerDrawControlTest, CarriesNoParameterTagAndIsDirtyUntilDrawn) {
  EXPECT_EQ(control->getTag(), -1);
  EXPECT_TRUE(control->isDirty());
  EXPECT_EQ(control->pOffscreen, nullptr) << "no surface before attaching";
}

TEST_F(OwnerDrawControlTest, FrameIsDrawnIntoTheOffscreenAndCopiedOverTheControl) {
  Attach();
  ASSERT_NE(control->pOffscreen, nullptr);
  EXPECT_EQ(control->pOffscreen->getWidth(), 20);
  EXPECT_EQ(control->pOffscreen->getHeight(), 15);

  control->draw(screen.context());
  ASSERT_EQ(g_Draws.calls, 1);
  EXPECT_EQ(g_Draws.rect, CRect(0, 0, 20, 15)) << "off-screen coordinates";
  EXPECT_EQ(g_Draws.control, control);
  EXPECT_EQ(g_Draws.offscreen, control->pOffscreen);
  EXPECT_EQ(control->postDraws, 1);
  EXPECT_FALSE(control->isDirty());

  // The copy lands one row higher than the control: off-screen rows 1 to
  // 14, all that the direct fill paints, cover the control's rows but its
  // last, as a fill straight onto the screen would. The off-screen's first
  // row lands above the control and its last column (beyond the fill) on the
  // control's last column; every other pixel keeps the screen's white.
  for (long y = 0; y < 60; ++y) {
    for (long x = 0; x < 60; ++x) {
      const bool columns = x >= kControlRect.left && x < kControlRect.right;
      const bool inside = columns && x < kControlRect.right - 1 && y >= kControlRect.top &&
                          y < kControlRect.bottom - 1;
      const bool copyEdge = columns && (y == kControlRect.top - 1 || x == kControlRect.right - 1) &&
                            y < kControlRect.bottom - 1;
      if (copyEdge) continue;
      ASSERT_EQ(screen.pixel(x, y), inside ? Word(kPaint) : kWhiteWord) << x << ", " << y;
    }
  }
}

TEST_F(OwnerDrawControlTest, WithoutADrawFunctionOrASurfaceNothingIsDrawnAndTheControlStaysDirty) {
  control->draw(screen.context());  // not attached: no surface
  EXPECT_EQ(g_Draws.calls, 0);
  EXPECT_TRUE(control->isDirty());

  Attach();
  control->pDrawFunction = nullptr;
  control->draw(screen.context());
  EXPECT_EQ(control->postDraws, 0);
  EXPECT_TRUE(control->isDirty());
  EXPECT_EQ(screen.count(0, 0, 60, 60, kWhiteWord), 60 * 60);
}

TEST_F(OwnerDrawControlTest, DrawBlackShowsABlackRectangleWithoutDrawingOrPostDrawing) {
  Attach();
  control->bDrawBlack = true;
  control->draw(screen.context());
  EXPECT_EQ(g_Draws.calls, 0);
  EXPECT_EQ(control->postDraws, 0);
  EXPECT_FALSE(control->isDirty());
  EXPECT_EQ(screen.pixel(kControlRect.left, kControlRect.top), kBlackWord);
  EXPECT_EQ(screen.pixel(kControlRect.left + 10, kControlRect.top + 7), kBlackWord);
  EXPECT_EQ(screen.count(0, 0, 60, 60, Word(kPaint)), 0);
  EXPECT_EQ(screen.pixel(kControlRect.left - 1, kControlRect.top), kWhiteWord);
}

TEST_F(OwnerDrawControlTest, AttachingAgainReplacesTheSurfaceAndRemovalDeletesIt) {
  Attach();
  control->remember();  // kept across the removal below
  control->attached(container);
  ASSERT_NE(control->pOffscreen, nullptr);
  EXPECT_EQ(control->pOffscreen->getNbReference(), 1);
  container->removeView(control, true);
  added = false;
  EXPECT_EQ(control->pOffscreen, nullptr);
  control->draw(screen.context());
  EXPECT_EQ(g_Draws.calls, 0);
}

// Idle redraws inside a frame: the editor counts the frame's idle passes,
// checks that direct fills are off meanwhile, and tries to re-enter.
class CountingEditor : public frametest::TestEditor {
 public:
  using TestEditor::TestEditor;
  void doIdleStuff() override {
    ++passes;
    fillsWereOff = fillsWereOff && !g_bCanDoPntFillRectQuartzOptimisations;
    // Once, and late enough that only the re-entry guard can stop it.
    if (COwnerDrawControl* control = reenter) {
      reenter = nullptr;
      g_Now += 40;
      control->doIdleStuff();
    }
  }
  int passes = 0;
  bool fillsWereOff = true;
  COwnerDrawControl* reenter = nullptr;
};

TEST(OwnerDrawIdleTest, RedrawsAtMostOnceEvery20MsAndNeverReentrant) {
  frametest::HeadlessScope headless;
  ClockScope clock;
  FakeHost host;
  frametest::MinimalEffect effect(FakeHost::Callback);
  auto* editor = new CountingEditor(&effect);  // owned by the effect
  ASSERT_TRUE(editor->open(frametest::HostWindow()));
  auto* control = new RecordingControl(CRect(5, 5, 25, 25), editor);
  editor->getFrame()->addView(control);

  g_Now = 100000;
  control->doIdleStuff();
  EXPECT_EQ(editor->passes, 1);
  EXPECT_TRUE(g_bCanDoPntFillRectQuartzOptimisations) << "direct fills on again";
  g_Now += 19;
  control->doIdleStuff();
  EXPECT_EQ(editor->passes, 1) << "19 ms later";
  g_Now += 1;
  control->doIdleStuff();
  EXPECT_EQ(editor->passes, 2) << "20 ms after the first";
  g_Now += 20;
  editor->reenter = control;
  control->doIdleStuff();
  EXPECT_EQ(editor->passes, 3) << "the inner call returned at once";
  EXPECT_TRUE(editor->fillsWereOff);
  EXPECT_FALSE(control->bInIdle);
  editor->close();
}

TEST(OwnerDrawIdleTest, PacingSurvivesTheClockWrapping) {
  ClockScope clock;
  RecordingControl control(CRect(0, 0, 10, 10));  // no frame: only the pacing runs
  g_Now = 0xFFFFFFF0u;
  control.doIdleStuff();
  EXPECT_EQ(control.nLastIdleTicks, 0xFFFFFFF0u);
  g_Now = 3;  // 19 ms later, across the wrap
  control.doIdleStuff();
  EXPECT_EQ(control.nLastIdleTicks, 0xFFFFFFF0u);
  g_Now = 4;
  control.doIdleStuff();
  EXPECT_EQ(control.nLastIdleTicks, 4u);
}

}  // namespace
