// Scroll views: where their bars go, how bar values become offsets of the
// content, and the bars' scroller, dragging, paging and wheel.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "Helpers/Assert.h"
#include "TextTestSupport.h"
#include "gui/CScrollContainer.h"
#include "gui/CScrollView.h"
#include "gui/CScrollbar.h"
#include "gui/GuiTestSupport.h"

using namespace texttest;

namespace {

constexpr CRect kViewRect(0, 0, 200, 100);
constexpr CRect kContent(0, 0, 400, 300);
constexpr long kBar = 16;

// A view that only marks where it is.
class Plain : public CView {
 public:
  using CView::CView;
  void draw(CDrawContext*) override { setDirty(false); }
};

CRect SizeOf(const CView* view) {
  CRect r;
  view->getViewSize(r);
  return r;
}

CRect MouseAreaOf(const CView* view) {
  CRect r;
  view->getMouseableArea(r);
  return r;
}

}  // namespace

TEST(ScrollViewTest, BarsTakeTheirEdgesAndTheContentTheRest) {
  CScrollView* both = new CScrollView(kViewRect, kContent, nullptr, 2 | 4, kBar);
  EXPECT_EQ(SizeOf(both->getHorizontalScrollbar()), CRect(0, 84, 185, 100));
  EXPECT_EQ(SizeOf(both->getVerticalScrollbar()), CRect(184, 0, 200, 85));
  EXPECT_EQ(SizeOf(both->getScrollContainer()), CRect(0, 0, 184, 84));
  EXPECT_EQ(both->getHorizontalScrollbar()->getTag(), 0);
  EXPECT_EQ(both->getVerticalScrollbar()->getTag(), 1);
  EXPECT_EQ(both->getNbViews(), 3);
  both->forget();

  CScrollView* across = new CScrollView(kViewRect, kContent, nullptr, 2, kBar);
  EXPECT_EQ(across->getVerticalScrollbar(), nullptr);
  EXPECT_EQ(SizeOf(across->getHorizontalScrollbar()), CRect(0, 84, 200, 100));
  EXPECT_EQ(SizeOf(across->getScrollContainer()), CRect(0, 0, 200, 84));
  across->forget();

  CScrollView* down = new CScrollView(kViewRect, kContent, nullptr, 4, kBar);
  EXPECT_EQ(down->getHorizontalScrollbar(), nullptr);
  EXPECT_EQ(SizeOf(down->getVerticalScrollbar()), CRect(184, 0, 200, 100));
  EXPECT_TRUE(down->isTypeOf("CScrollView"));
  EXPECT_TRUE(down->getScrollContainer()->isTypeOf("CScrollContainer"));
  EXPECT_TRUE(down->getVerticalScrollbar()->isTypeOf("CScrollbar"));
  EXPECT_TRUE(down->getVerticalScrollbar()->isTypeOf("CControl"));
  down->forget();
}

TEST(ScrollViewTest, BarValuesMoveTheContent) {
  CScrollView* view = new CScrollView(kViewRect, kContent, nullptr, 2 | 4, kBar);
  Plain* child = new Plain(CRect(10, 10, 50, 30));
  view->addView(child);
  EXPECT_TRUE(view->getScrollContainer()->isChild(child)) << "views go into the content";

  CScrollbar* across = view->getHorizontalScrollbar();
  across->setValue(0.5f);
  view->valueChanged(nullptr, across);
  // 400 wide content in a 184 wide window: half way is 108 pixels.
  EXPECT_EQ(view->getScrollContainer()->getScrollOffset(), CPoint(-108, 0));
  EXPECT_EQ(SizeOf(child), CRect(-98, 10, -58, 30));
  EXPECT_EQ(MouseAreaOf(child), CRect(-98, 10, -58, 30));

  CScrollbar* down = view->getVerticalScrollbar();
  down->setValue(1.0f);
  view->valueChanged(nullptr, down);
  EXPECT_EQ(view->getScrollContainer()->getScrollOffset(), CPoint(-108, 216));
  EXPECT_EQ(SizeOf(child), CRect(-98, -206, -58, -186));

  across->setValue(0.0f);
  view->valueChanged(nullptr, across);
  down->setValue(0.0f);
  view->valueChanged(nullptr, down);
  EXPECT_EQ(SizeOf(child), CRect(10, 10, 50, 30)) << "back where it started";
  view->forget();
}

TEST(ScrollViewTest, OffsetIsClampedToTheContent) {
  CScrollContainer* sc = new CScrollContainer(CRect(0, 0, 100, 100), CRect(0, 0, 400, 300), nullptr);
  Plain* child = new Plain(CRect(0, 0, 10, 10));
  sc->addView(child);
  sc->setDirty(false);
  sc->setScrollOffset(CPoint(-1000, 1000));
  EXPECT_EQ(sc->getScrollOffset(), CPoint(-400, 300));
  EXPECT_EQ(SizeOf(child), CRect(-400, -300, -390, -290));
  EXPECT_TRUE(sc->isDirty());
  sc->setDirty(false);
  child->setDirty(false);
  sc->setScrollOffset(CPoint(-400, 300));
  EXPECT_FALSE(sc->isDirty()) << "no change, no redraw";
  sc->setScrollOffset(CPoint(1000, -5));
  EXPECT_EQ(sc->getScrollOffset(), CPoint(400, 0));
  sc->setContainerSize(CRect(0, 0, 100, 100));
  EXPECT_EQ(sc->getScrollOffset(), CPoint(100, 0)) << "a smaller content clamps the offset again";
  sc->forget();
}

TEST(ScrollViewTest, ContainerIsDirtyOnlyForChildrenItShows) {
  CScrollContainer* sc = new CScrollContainer(CRect(20, 20, 120, 120), kContent, nullptr);
  Plain* inside = new Plain(CRect(10, 10, 30, 30));
  Plain* outside = new Plain(CRect(150, 150, 170, 170));
  sc->addView(inside);
  sc->addView(outside);
  sc->setDirty(false);
  inside->setDirty(false);
  EXPECT_FALSE(sc->isDirty()) << "a dirty child scrolled out of sight";
  inside->setDirty(true);
  EXPECT_TRUE(sc->isDirty());
  sc->forget();
}

TEST(ScrollViewTest, ScrollerShowsTheVisibleShare) {
  CScrollbar* bar = new CScrollbar(CRect(0, 84, 185, 100), nullptr, 0, CScrollbar::kHorizontal, kContent);
  // 185 of 400: a scroller of 85 pixels in an area of 181.
  EXPECT_EQ(bar->getScrollerLength(), 85);
  EXPECT_EQ(bar->getScrollerArea(), CRect(2, 86, 183, 98));
  EXPECT_EQ(bar->getScrollerRect(), CRect(2, 86, 87, 98));
  bar->setValue(0.5f);
  EXPECT_EQ(bar->getScrollerRect(), CRect(50, 86, 135, 98));
  bar->setValue(1.0f);
  EXPECT_EQ(bar->getScrollerRect().right, 183);

  bar->setDirty(false);
  bar->setScrollSize(CRect(0, 0, 150, 100));
  EXPECT_EQ(bar->getScrollerLength(), 0) << "everything shows: no scroller";
  EXPECT_TRUE(bar->isDirty());

  TestSurface target(200, 110);
  bar->setScrollSize(kContent);
  bar->setValue(0.0f);
  bar->draw(target.context());
  EXPECT_EQ(target.pixel(40, 92), kBlueWord) << "the scroller";
  EXPECT_EQ(target.pixel(0, 90), kBlackWord) << "the frame";
  EXPECT_NE(target.pixel(150, 92), kBlueWord) << "the bar beyond the scroller";
  bar->forget();
}

TEST(ScrollViewTest, WheelStepsTheBarOfItsAxis) {
  CScrollView* view = new CScrollView(kViewRect, kContent, nullptr, 2 | 4, kBar);
  TestSurface target(10, 10);
  EXPECT_TRUE(view->onWheel(target.context(), CPoint(50, 50), kWheelVertical, -2.0f));
  EXPECT_FLOAT_EQ(view->getVerticalScrollbar()->getValue(), 0.1f) << "down two steps of 0.05";
  EXPECT_EQ(view->getScrollContainer()->getScrollOffset().v, 21);
  EXPECT_TRUE(view->onWheel(target.context(), CPoint(50, 50), kWheelHorizontal, -1.0f));
  EXPECT_FLOAT_EQ(view->getHorizontalScrollbar()->getValue(), 0.0f) << "horizontal bars take it negated";
  EXPECT_TRUE(view->onWheel(target.context(), CPoint(50, 50), kWheelHorizontal, 4.0f));
  EXPECT_FLOAT_EQ(view->getHorizontalScrollbar()->getValue(), 0.2f);
  EXPECT_TRUE(view->onWheel(target.context(), CPoint(50, 50), kWheelVertical, 10.0f));
  EXPECT_FLOAT_EQ(view->getVerticalScrollbar()->getValue(), 0.0f) << "held at the end";
  view->getVerticalScrollbar()->setMouseEnabled(false);
  EXPECT_FALSE(view->onWheel(target.context(), CPoint(50, 50), kWheelVertical, -1.0f));
  view->forget();

  CScrollView* across = new CScrollView(kViewRect, kContent, nullptr, 2, kBar);
  EXPECT_FALSE(across->onWheel(target.context(), CPoint(50, 50), kWheelVertical, -1.0f)) << "no bar for it";
  across->forget();
}

namespace {
std::atomic<unsigned int> g_ScrollNow{0};  // a test clock, ms
unsigned int ScrollNow() { return g_ScrollNow.load(); }
}  // namespace

TEST(ScrollViewTest, DraggingTheScrollerAndPagingInAFrame) {
  FrameFixture fixture;
  CScrollView* view = new CScrollView(kViewRect, kContent, fixture.frame, 2 | 4, kBar);
  fixture.frame->addView(view);
  CScrollbar* across = view->getHorizontalScrollbar();

  // Press on the scroller at x 20, drag 48 pixels right, release.
  fixture.Press(20, 90);
  EXPECT_EQ(across->getValue(), 0.0f) << "the press alone moves nothing";
  fixture.Move(68, 90);
  EXPECT_FLOAT_EQ(across->getValue(), 0.5f) << "scroller from x 2 to x 50 of a travel of 96";
  EXPECT_EQ(view->getScrollContainer()->getScrollOffset().h, -108);
  fixture.Release(68, 90);

  // A press beyond the scroller pages once toward it: one scroller length.
  fixture.Click(170, 90);
  EXPECT_NEAR(across->getValue(), 0.5f + 85.0f / 181.0f, 1e-6);
  fixture.Click(182, 90);
  EXPECT_FLOAT_EQ(across->getValue(), 1.0f) << "held at the end";
  fixture.Click(5, 90);
  EXPECT_NEAR(across->getValue(), 1.0f - 85.0f / 181.0f, 1e-6);
  fixture.Click(100, 90, kMouseRight);
  EXPECT_NEAR(across->getValue(), 1.0f - 85.0f / 181.0f, 1e-6) << "only the left button";

  // Held beyond the scroller it pages on, every 100 ms of the host's passes,
  // until the scroller reaches the pointer.
  g_ScrollNow = 5000;
  SetTickCountSourceForTesting(&ScrollNow);
  fixture.Click(5, 90);
  fixture.Click(5, 90);
  ASSERT_EQ(across->getValue(), 0.0f);
  fixture.Press(182, 90);
  const std::vector<float> pages = {85.0f / 181.0f, 85.0f / 181.0f, 170.0f / 181.0f, 170.0f / 181.0f, 1.0f};
  for (size_t i = 0; i < pages.size(); ++i) {
    EXPECT_NEAR(across->getValue(), pages[i], 1e-6) << "pass " << i;
    g_ScrollNow += 60;
    fixture.editor->idle();
  }
  fixture.Release(182, 90);
  SetTickCountSourceForTesting(nullptr);
}

TEST(ScrollViewTest, NewContentSizeReachesContentAndBars) {
  CScrollView* view = new CScrollView(kViewRect, kContent, nullptr, 2 | 4, kBar);
  CScrollbar* down = view->getVerticalScrollbar();
  down->setValue(1.0f);
  view->valueChanged(nullptr, down);
  view->setContainerSize(CRect(0, 0, 400, 184));
  EXPECT_EQ(view->getScrollContainer()->getContainerSize(), CRect(0, 0, 400, 184));
  EXPECT_EQ(down->getScrollSize(), CRect(0, 0, 400, 184));
  EXPECT_EQ(view->getScrollContainer()->getScrollOffset().v, 100) << "the bar's value applied to the new size";
  view->forget();
}
