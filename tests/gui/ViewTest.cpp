#include <gtest/gtest.h>

#include "gui/CView.h"
#include "gui/CViewContainer.h"

namespace {

// A view that reports its destruction.
class ProbeView : public CView {
 public:
  ProbeView(const CRect& size, bool* destroyed) : CView(size), m_pDestroyed(destroyed) {}
  ~ProbeView() override {
    if (m_pDestroyed) *m_pDestroyed = true;
  }

 private:
  bool* m_pDestroyed;
};

TEST(ViewTest, HitTestIsInclusiveOnAllEdges) {
  CView view(CRect(10, 20, 30, 40));
  EXPECT_TRUE(view.hitTest(CPoint(10, 20)));
  EXPECT_TRUE(view.hitTest(CPoint(30, 40)));
  EXPECT_FALSE(view.hitTest(CPoint(31, 40)));
  EXPECT_FALSE(view.hitTest(CPoint(9, 30)));
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
}

}  // namespace
