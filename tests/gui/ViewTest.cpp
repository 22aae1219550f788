// The view base: hit testing, update checks, reference counting, the
// background bitmap's references, dirty handling and the attribute store.
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "gui/CBitmap.h"
#include "gui/CView.h"
#include "gui/CViewContainer.h"

namespace {

// A view that reports its destruction and its wheel calls.
class ProbeView : public CView {
 public:
  ProbeView(const CRect& size, bool* destroyed) : CView(size), m_pDestroyed(destroyed) {}
  ~ProbeView() override {
    if (m_pDestroyed) *m_pDestroyed = true;
  }
  bool onWheel(CDrawContext*, const CPoint&, float distance) override {
    lastDistance = distance;
    return true;
  }
  float lastDistance = 0.0f;

 private:
  bool* m_pDestroyed;
};

TEST(ViewTest, HitTestIsInclusiveOnAllEdgesAndFollowsTheMouseableArea) {
  CView view(CRect(10, 20, 30, 40));
  EXPECT_TRUE(view.hitTest(CPoint(10, 20)));
  EXPECT_TRUE(view.hitTest(CPoint(30, 40)));
  EXPECT_FALSE(view.hitTest(CPoint(31, 40)));
  EXPECT_FALSE(view.hitTest(CPoint(9, 30)));

  CRect moved(50, 50, 60, 60);
  view.setViewSize(moved);
  EXPECT_TRUE(view.hitTest(CPoint(15, 25))) << "the mouseable area stays at the old place";
  EXPECT_FALSE(view.hitTest(CPoint(55, 55)));
  view.setMouseableArea(moved);
  EXPECT_TRUE(view.hitTest(CPoint(55, 55)));
  CRect size;
  EXPECT_EQ(view.getViewSize(size), moved);
  EXPECT_TRUE(view.isDirty());
}

TEST(ViewTest, CheckUpdateCountsTouchingEdges) {
  CView view(CRect(10, 10, 20, 20));
  CRect touchingLeft(0, 0, 10, 15);
  CRect touchingBottom(12, 20, 18, 30);
  CRect apart(0, 0, 9, 9);
  CRect right(21, 10, 30, 20);
  EXPECT_TRUE(view.checkUpdate(touchingLeft));
  EXPECT_TRUE(view.checkUpdate(touchingBottom));
  EXPECT_FALSE(view.checkUpdate(apart));
  EXPECT_FALSE(view.checkUpdate(right));
}

TEST(ViewTest, ForgetOnLastReferenceDeletes) {
  bool destroyed = false;
  ProbeView* view = new ProbeView(CRect(0, 0, 5, 5), &destroyed);
  view->remember();
  view->forget();
  EXPECT_FALSE(destroyed);
  view->forget();
  EXPECT_TRUE(destroyed);
}

TEST(ViewTest, ContainerTakesOverTheCreatorsReference) {
  bool destroyed = false;
  CViewContainer* container = new CViewContainer(CRect(0, 0, 50, 50), nullptr);
  ProbeView* child = new ProbeView(CRect(0, 0, 5, 5), &destroyed);
  container->addView(child);
  EXPECT_EQ(child->getNbReference(), 2);
  container->forget();
  EXPECT_TRUE(destroyed);

  bool removed = false;
  CViewContainer* other = new CViewContainer(CRect(0, 0, 50, 50), nullptr);
  ProbeView* view = new ProbeView(CRect(0, 0, 5, 5), &removed);
  other->addView(view);
  other->removeView(view, true);
  EXPECT_TRUE(removed) << "removal with forget drops both references";
  other->forget();
}

TEST(ViewTest, BackgroundBitmapIsHeldOnce) {
  CBitmap* bitmap = new CBitmap();
  {
    CView view(CRect(0, 0, 5, 5));
    view.setBackground(bitmap);
    EXPECT_EQ(bitmap->getNbReference(), 2);
    view.setBackground(bitmap);
    EXPECT_EQ(bitmap->getNbReference(), 2) << "setting the same bitmap keeps it";
    EXPECT_EQ(view.getBackground(), bitmap);
    view.setBackground(nullptr);
    EXPECT_EQ(bitmap->getNbReference(), 1);
    view.setBackground(bitmap);
  }
  EXPECT_EQ(bitmap->getNbReference(), 1) << "the destructor releases it";
  bitmap->forget();
}

TEST(ViewTest, DrawClearsDirtyAndUpdateDrawsOnlyDirtyViews) {
  TestSurface target(10, 10);
  CView view(CRect(0, 0, 5, 5));
  view.setDirty(true);
  view.draw(target.context());
  EXPECT_FALSE(view.isDirty());
  view.update(target.context());
  view.update(nullptr);
  EXPECT_FALSE(view.isDirty());
  view.setDirty(true);
  view.update(nullptr);
  EXPECT_FALSE(view.isDirty()) << "no frame to draw through, but the request is used up";
}

TEST(ViewTest, BackgroundBitmapIsDrawnOverTheViewsRectangle) {
  CBitmap* bitmap = new CBitmap(99901);
  CView view(CRect(3, 4, 27, 20));
  view.setBackground(bitmap);
  bitmap->forget();
  TestSurface target(40, 40);
  view.draw(target.context());
  EXPECT_EQ(target.pixel(3, 4), kWhiteWord) << "transparent margin";
  EXPECT_EQ(target.pixel(10, 10), 0xFF404040u);
  EXPECT_EQ(target.pixel(10, 21), kWhiteWord) << "limited to the view";
}

TEST(ViewTest, WheelWithAxisFallsBackToThePlainWheel) {
  ProbeView view(CRect(0, 0, 5, 5), nullptr);
  CView& base = view;
  EXPECT_TRUE(base.onWheel(nullptr, CPoint(1, 1), kWheelHorizontal, 2.5f));
  EXPECT_FLOAT_EQ(view.lastDistance, 2.5f);
}

TEST(ViewTest, AttributesStoreCopiesAndKeepTheirSize) {
  CView view(CRect(0, 0, 1, 1));
  const int value = 42;
  EXPECT_TRUE(view.setAttribute(7, sizeof(value), &value));
  long size = 0;
  EXPECT_TRUE(view.getAttributeSize(7, size));
  EXPECT_EQ(size, static_cast<long>(sizeof(value)));
  int out = 0;
  long outSize = 0;
  EXPECT_TRUE(view.getAttribute(7, sizeof(out), &out, outSize));
  EXPECT_EQ(out, 42);
  const double larger = 1.0;
  EXPECT_FALSE(view.setAttribute(7, sizeof(larger), &larger)) << "larger than the entry";
  EXPECT_TRUE(view.getAttribute(7, sizeof(out), &out, outSize));
  EXPECT_EQ(out, 42) << "the old data stays";
  char small = 0;
  EXPECT_FALSE(view.getAttribute(7, sizeof(small), &small, outSize));
  EXPECT_FALSE(view.getAttributeSize(8, size));
}

}  // namespace
