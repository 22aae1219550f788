// Containers: child list and references, event dispatch, dirty state,
// drawing order, clipping, coordinates and partial updates.
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "ViewTestViews.h"
#include "gui/CViewContainer.h"

namespace {

// Containers and their children are owned by the container under test,
// which the fixture releases.
class ViewContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    container = new CViewContainer(CRect(0, 0, 40, 30), nullptr);
    container->setBackgroundColor(kWhiteCColor);
  }
  void TearDown() override { container->forget(); }

  ColourView* Add(const CRect& r, CColor colour, const char* name = "") {
    ColourView* view = new ColourView(r, colour, &log, name);
    container->addView(view);
    return view;
  }

  CViewContainer* container = nullptr;
  std::vector<std::string> log;
};

TEST_F(ViewContainerTest, ListKeepsOrderAndReferences) {
  ColourView* a = Add(CRect(0, 0, 5, 5), kRedCColor);
  ColourView* b = Add(CRect(5, 5, 9, 9), kBlueCColor);
  EXPECT_EQ(container->getNbViews(), 2);
  EXPECT_EQ(container->getView(0), a);
  EXPECT_EQ(container->getView(1), b);
  EXPECT_EQ(container->getView(2), nullptr);
  EXPECT_EQ(container->getView(-1), nullptr);
  EXPECT_TRUE(container->isChild(b));
  EXPECT_EQ(a->getParentView(), container);
  EXPECT_TRUE(a->isDirty()) << "added views are dirty";
  container->addView(nullptr);
  EXPECT_EQ(container->getNbViews(), 2);

  // Without forget the creator's reference survives the removal.
  a->remember();
  container->removeView(a, false);
  EXPECT_EQ(a->getNbReference(), 2);
  EXPECT_FALSE(container->isChild(a));
  EXPECT_EQ(container->getView(0), b);
  a->forget();
  a->forget();

  // A nested child is not a direct child; removing a stranger changes nothing.
  CViewContainer* inner = new CViewContainer(CRect(10, 10, 20, 20), nullptr);
  ColourView* deep = new ColourView(CRect(0, 0, 2, 2), kRedCColor);
  inner->addView(deep);
  container->addView(inner);
  EXPECT_FALSE(container->isChild(deep));
  container->removeView(deep, true);
  EXPECT_EQ(container->getNbViews(), 2);
  EXPECT_TRUE(container->isTypeOf("CViewContainer"));
  EXPECT_TRUE(container->isTypeOf("CView"));
  EXPECT_FALSE(container->isTypeOf("CFrame"));
  EXPECT_EQ(container->notify(nullptr, kMsgCheckIfViewContainer), 1);
  const char sameText[] = "kMsgCheckIfViewContainer";
  EXPECT_EQ(container->notify(nullptr, sameText), 0) << "the message is recognised by its pointer";
  EXPECT_EQ(deep->notify(nullptr, kMsgCheckIfViewContainer), 0);
}

TEST_F(ViewContainerTest, MouseGoesToTheTopmostEnabledChildInLocalCoordinates) {
  CRect moved(100, 50, 140, 80);
  container->setViewSize(moved);
  ColourView* below = Add(CRect(0, 0, 20, 20), kRedCColor, "below");
  ColourView* above = Add(CRect(10, 10, 30, 30), kBlueCColor, "above");
  CPoint where(115, 65);
  container->mouse(nullptr, where, 1);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "above.mouse");
  EXPECT_EQ(above->lastMouse, CPoint(15, 15));
  EXPECT_EQ(above->lastButtons, 1);

  above->setMouseEnabled(false);
  container->mouse(nullptr, where, 1);
  EXPECT_EQ(log.back(), "below.mouse");

  CPoint outside(135, 75);
  const size_t before = log.size();
  container->mouse(nullptr, outside, 1);
  EXPECT_EQ(log.size(), before);
  EXPECT_EQ(below->lastMouse, CPoint(15, 15));
}

TEST_F(ViewContainerTest, KeysStopAtTheFirstHandlerFromTheTop) {
  ColourView* first = Add(CRect(0, 0, 5, 5), kRedCColor, "first");
  ColourView* second = Add(CRect(0, 0, 5, 5), kRedCColor, "second");
  VstKeyCode key{'a', 0, 0};
  EXPECT_EQ(container->onKeyDown(key), -1);
  EXPECT_EQ(log, (std::vector<std::string>{"second.key", "first.key"}));
  first->keyResult = 1;
  second->keyResult = -1;
  log.clear();
  EXPECT_EQ(container->onKeyDown(key), 1);
  second->keyResult = 7;
  log.clear();
  EXPECT_EQ(container->onKeyDown(key), 7);
  EXPECT_EQ(log, std::vector<std::string>{"second.key"});
  EXPECT_EQ(container->onKeyUp(key), -1);
}

TEST_F(ViewContainerTest, DirtyChildrenCountOnlyInsideTheContainer) {
  ColourView* inside = Add(CRect(5, 5, 10, 10), kRedCColor);
  ColourView* outside = Add(CRect(50, 5, 60, 10), kRedCColor);
  container->setDirty(false);
  inside->setDirty(false);
  outside->setDirty(true);
  EXPECT_FALSE(container->isDirty());
  inside->setDirty(true);
  EXPECT_TRUE(container->isDirty());
}

TEST_F(ViewContainerTest, DrawPaintsBackgroundThenChildrenInOrderClippedToThemselves) {
  Add(CRect(5, 5, 15, 15), kRedCColor, "red");
  Add(CRect(10, 10, 20, 20), kBlueCColor, "blue");
  container->setBackgroundColor(kGreenCColor);
  TestSurface target(50, 40);
  container->draw(target.context());
  EXPECT_EQ(target.pixel(7, 7), kRedWord);
  EXPECT_EQ(target.pixel(12, 12), kBlueWord) << "the later child is on top";
  EXPECT_EQ(target.pixel(4, 7), kGreenWord) << "no paint outside the child";
  EXPECT_EQ(target.pixel(20, 12), kGreenWord);
  EXPECT_EQ(target.pixel(38, 28), kGreenWord);
  EXPECT_EQ(target.pixel(39, 29), kWhiteWord) << "the background fill leaves the last column";
  EXPECT_EQ(target.pixel(45, 5), kWhiteWord);
  EXPECT_EQ(log, (std::vector<std::string>{"red.draw", "blue.draw"}));
  EXPECT_FALSE(container->isDirty());
}

TEST_F(ViewContainerTest, NestedContainersOffsetTheirChildren) {
  CViewContainer* middle = new CViewContainer(CRect(5, 5, 35, 25), nullptr);
  middle->setBackgroundColor(kWhiteCColor);
  middle->setTransparency(true);
  CViewContainer* inner = new CViewContainer(CRect(10, 10, 20, 18), nullptr);
  inner->setTransparency(true);
  inner->addView(new ColourView(CRect(2, 2, 6, 6), kRedCColor));
  middle->addView(inner);
  container->addView(middle);
  TestSurface target(40, 30);
  container->draw(target.context());
  EXPECT_EQ(target.count(0, 0, 40, 30, kRedWord), 16);
  EXPECT_EQ(target.count(17, 17, 21, 21, kRedWord), 16);
  EXPECT_EQ(target.context()->getOffset(), CPoint(0, 0)) << "offsets restored";
  CRect clip;
  target.context()->getClipRect(clip);
  EXPECT_EQ(clip, CRect(0, 0, 1000, 1000)) << "clip restored";

  CPoint p(0, 0);
  inner->localToFrame(p);
  EXPECT_EQ(p, CPoint(15, 15));
  inner->frameToLocal(p);
  EXPECT_EQ(p, CPoint(0, 0));
}

TEST_F(ViewContainerTest, BackgroundDrawCountLimitsBackgroundPaints) {
  container->setBackgroundColor(kGreenCColor);
  container->setBackgroundDrawCount(2);
  const CRect whole(0, 0, 40, 30);
  for (int call = 0; call < 3; ++call) {
    TestSurface target(40, 30);
    container->drawRect(target.context(), whole);
    EXPECT_EQ(target.pixel(10, 10), call < 2 ? kGreenWord : kWhiteWord) << "call " << call;
  }
  container->setBackgroundDrawCount(-1);
  for (int call = 0; call < 3; ++call) {
    TestSurface target(40, 30);
    container->drawRect(target.context(), whole);
    EXPECT_EQ(target.pixel(10, 10), kGreenWord) << "call " << call;
  }
}

TEST_F(ViewContainerTest, PartlyUpdatedDirtyChildStaysDirty) {
  ColourView* partly = Add(CRect(0, 0, 20, 20), kRedCColor);
  ColourView* wholly = Add(CRect(25, 2, 30, 8), kBlueCColor);
  TestSurface target(40, 30);
  container->drawRect(target.context(), CRect(10, 0, 40, 30));
  EXPECT_EQ(partly->draws, 1);
  EXPECT_TRUE(partly->isDirty());
  EXPECT_FALSE(wholly->isDirty());
  EXPECT_EQ(target.pixel(5, 5), kWhiteWord) << "outside the update rectangle";
  EXPECT_EQ(target.pixel(15, 5), kRedWord);
  EXPECT_FALSE(container->CView::isDirty());
}

TEST_F(ViewContainerTest, OnlyDirtyChildrenInsideAreUpdatedInModeOne) {
  ColourView* visible = Add(CRect(2, 2, 8, 8), kRedCColor);
  ColourView* away = Add(CRect(60, 2, 70, 8), kBlueCColor);
  ColourView* clean = Add(CRect(20, 2, 28, 8), kGreenCColor);
  container->setDirty(false);
  clean->setDirty(false);
  visible->setDirty(false);
  TestSurface target(80, 30);
  container->update(target.context());
  EXPECT_EQ(target.count(0, 0, 80, 30, kWhiteWord), 80 * 30) << "nothing inside is dirty";
  EXPECT_FALSE(container->isDirty());

  visible->setDirty(true);
  container->update(target.context());
  EXPECT_EQ(visible->draws, 1);
  EXPECT_EQ(away->draws, 0);
  EXPECT_EQ(clean->draws, 0);
  EXPECT_EQ(target.pixel(4, 4), kRedWord);

  // Mode 0 redraws the whole container when anything in it is dirty.
  container->setMode(0);
  visible->setDirty(true);
  container->update(target.context());
  EXPECT_EQ(clean->draws, 1);
  EXPECT_EQ(target.pixel(24, 4), kGreenWord);
}

TEST_F(ViewContainerTest, OffscreenContainerPaintsThroughItsBuffer) {
  // Direct fills ignore the clip, so the children paint through Cairo here.
  g_bCanDoPntFillRectQuartzOptimisations = false;
  CRect moved(10, 10, 30, 30);
  container->setViewSize(moved);
  container->useOffscreen(true);
  container->setBackgroundColor(kGreenCColor);
  Add(CRect(5, 5, 10, 10), kRedCColor);
  TestSurface target(50, 50);
  container->draw(target.context());
  // The buffer is copied from one row above the container.
  EXPECT_EQ(target.pixel(17, 14), kRedWord);
  EXPECT_EQ(target.count(15, 14, 20, 19, kRedWord), 25);
  EXPECT_EQ(target.pixel(12, 20), kGreenWord);
  EXPECT_EQ(target.pixel(29, 15), kBlackWord) << "the buffer's own last column, never filled";
  EXPECT_EQ(target.pixel(5, 5), kWhiteWord);
  container->useOffscreen(false);
  g_bCanDoPntFillRectQuartzOptimisations = true;
}

}  // namespace
