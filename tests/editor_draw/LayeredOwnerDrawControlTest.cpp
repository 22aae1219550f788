// The layered owner-drawn control: the cached background layer under each
// frame's foreground, when the layer is redrawn, the effect it reaches, and
// its part as a hover hook.
#include <gtest/gtest.h>

#include <memory>

#include "OwnerDrawTestSupport.h"
#include "framework/FrameworkTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "gui/CViewContainer.h"
#include "gui_frame/FrameTestSupport.h"
#include "prefs/TempConfigFolder.h"

using namespace drawtest;

namespace {

constexpr CRect kRect(8, 6, 24, 18);  // 16 x 12

class LayeredControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    container = new CViewContainer(CRect(0, 0, 40, 40), nullptr, nullptr);
    control = new TestLayeredControl(kRect);
    control->SetBackground(10, 20, 200);
    container->addView(control);
  }
  void TearDown() override { container->forget(); }

  TestSurface screen{40, 40};
  CViewContainer* container = nullptr;
  TestLayeredControl* control = nullptr;
};

TEST_F(LayeredControlTest, BackgroundIsDrawnOnceAndCopiedUnderEveryFrame) {
  control->draw(screen.context());
  EXPECT_EQ(control->backgrounds, 1);
  EXPECT_EQ(control->foregrounds, 1);
  EXPECT_EQ(control->rectDraw, CRect(0, 0, 16, 12));
  ASSERT_NE(control->pBackgroundLayer, nullptr);

  // The foreground moves; the old square must give way to the background.
  control->square = CPoint(9, 5);
  control->draw(screen.context());
  EXPECT_EQ(control->backgrounds, 1) << "the layer is reused";
  EXPECT_EQ(control->foregrounds, 2);

  // Row for row and column for column the off-screen shows the layer, but
  // under the square. (The last row and column of either surface lie beyond
  // what the fills reach.)
  Pixels layer(control->pBackgroundLayer);
  Pixels frame(control->pOffscreen);
  const CColor blue = {10, 20, 200, 255};
  EXPECT_EQ(layer.at(0, 0), Word(blue));
  EXPECT_EQ(layer.at(1, 1), Word(TestLayeredControl::kMarker));
  for (long y = 0; y < 11; ++y) {
    for (long x = 0; x < 15; ++x) {
      const bool square = x >= 9 && x < 12 && y >= 5 && y < 8;
      ASSERT_EQ(frame.at(x, y), square ? Word(TestLayeredControl::kSquare) : layer.at(x, y))
          << x << ", " << y;
    }
  }
}

TEST_F(LayeredControlTest, SetBackgroundRedrawsTheLayerOnceButClearBackgroundDoesNot) {
  control->draw(screen.context());
  control->SetBackground(300, 40, -1);  // each value's low byte
  EXPECT_EQ(control->colBackground, (CColor{44, 40, 255, 255}));
  control->draw(screen.context());
  control->draw(screen.context());
  EXPECT_EQ(control->backgrounds, 2);
  EXPECT_EQ(Pixels(control->pBackgroundLayer).at(3, 3), Word({44, 40, 255, 255}));

  control->ClearBackground(control->pOffscreen, 1, 2, 3);
  EXPECT_EQ(control->colBackground, (CColor{1, 2, 3, 255}));
  EXPECT_FALSE(control->bBackgroundDirty);
  control->draw(screen.context());
  EXPECT_EQ(control->backgrounds, 2);
}

TEST_F(LayeredControlTest, AttachingAgainGivesFreshSurfacesWithADirtyLayer) {
  control->draw(screen.context());
  EXPECT_FALSE(control->bBackgroundDirty);
  control->attached(container);
  EXPECT_TRUE(control->bBackgroundDirty);
  ASSERT_NE(control->pOffscreen, nullptr);
  ASSERT_NE(control->pBackgroundLayer, nullptr);
  EXPECT_EQ(control->pBackgroundLayer->getNbReference(), 1);
  EXPECT_EQ(control->pBackgroundLayer->getWidth(), 16);
  control->draw(screen.context());
  EXPECT_EQ(control->backgrounds, 2);

  control->remember();
  container->removeView(control, true);
  EXPECT_EQ(control->pOffscreen, nullptr);
  EXPECT_EQ(control->pBackgroundLayer, nullptr);
  control->forget();
}

TEST(LayeredControlEffectTest, SampleRateComesFromTheEditorsEffectOrIsZero) {
  frametest::HeadlessScope headless;
  FakeHost host;
  {
    frametest::MinimalEffect plain(FakeHost::Callback);  // not a framework effect
    auto* editor = new frametest::TestEditor(&plain);
    TestLayeredControl control(kRect, editor);
    EXPECT_EQ(control.GetSampleRate(), 0.0);
    EXPECT_EQ(control.pEffect, nullptr);
  }
  TestLayeredControl orphan(kRect);
  EXPECT_EQ(orphan.GetSampleRate(), 0.0);

  TempConfigFolder prefs;
  fxtest::TestEffect effect;
  effect.setSampleRate(48000.0f);
  auto* editor = new frametest::TestEditor(&effect);
  TestLayeredControl control(kRect, editor);
  EXPECT_EQ(control.GetSampleRate(), 48000.0);
  EXPECT_EQ(control.pEffect, &effect);
}

// Two layered displays side by side in a frame, as hover hooks.
TEST(LayeredControlHoverTest, MovingFromOneDisplayToAnotherTellsTheFirstOnce) {
  frametest::HeadlessScope headless;
  FakeHost host;
  frametest::MinimalEffect effect(FakeHost::Callback);
  auto* editor = new frametest::TestEditor(&effect);
  ASSERT_TRUE(editor->open(frametest::HostWindow()));
  CHeadlessWindow* window = LastHeadlessWindow();
  ASSERT_NE(window, nullptr);
  auto* a = new TestLayeredControl(CRect(10, 10, 60, 50), editor);
  auto* b = new TestLayeredControl(CRect(60, 10, 110, 50), editor);
  editor->getFrame()->addView(a);
  editor->getFrame()->addView(b);
  auto move = [&](int x, int y) {
    window->Queue(frametest::MakeEvent(EPlatformEvent::kMouseMove, x, y));
    editor->idle();
  };

  move(20, 20);
  move(25, 20);
  EXPECT_EQ(a->movedAway, 0);
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, static_cast<CMouseMoveAwayHook*>(a));
  move(70, 20);
  EXPECT_EQ(a->movedAway, 1);
  EXPECT_EQ(b->movedAway, 0);
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, static_cast<CMouseMoveAwayHook*>(b));

  // The current display goes: no hook is left, and the next move tells no one.
  b->remember();
  editor->getFrame()->removeView(b, true);
  b->forget();
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, nullptr);
  move(5, 5);
  EXPECT_EQ(a->movedAway, 1);

  // A hover handler's pointer request registers on request only.
  g_MousePointerID = 3;
  a->SetMousePointer(2, false);
  EXPECT_EQ(g_MousePointerID, 1) << "the standard pointer, whatever was asked";
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, nullptr);
  a->SetMousePointer(2, true);
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, static_cast<CMouseMoveAwayHook*>(a));
  editor->close();
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, nullptr);
}

}  // namespace
