// Tab views: the strip of tab buttons, switching the shown view by click,
// index or drag, removing tabs, and who holds the views.
#include <gtest/gtest.h>

#include "TextTestSupport.h"
#include "gui/CBitmap.h"
#include "gui/CTabButton.h"
#include "gui/CTabView.h"
#include "gui/GuiTestSupport.h"

using namespace texttest;

namespace {

constexpr CRect kTabsRect(0, 0, 240, 160);
constexpr CRect kTabSize(0, 0, 60, 40);  // buttons 60 x 20

class Page : public CView {
 public:
  explicit Page(const CRect& size) : CView(size) {}
  void draw(CDrawContext*) override { setDirty(false); }
};

CRect SizeOf(const CView* view) {
  CRect r;
  view->getViewSize(r);
  return r;
}

// The button of tab `index`.
CTabButton* ButtonAt(const CTabView* tabs, long index) {
  CTabChildView* child = tabs->getCurrentChild();
  while (child && child->previous) child = child->previous;
  for (long i = 0; child && i < index; ++i) child = child->next;
  return child ? child->button : nullptr;
}

// A tab view in the frame with three pages; the test keeps a reference to
// each page so it can see when the tab view lets go.
class TabViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tabs = new CTabView(kTabsRect, fixture.frame, kTabSize, nullptr, CTabView::kPositionTop);
    fixture.frame->addView(tabs);
    for (Page*& page : pages) {
      page = new Page(CRect(0, 20, 240, 160));
      page->remember();
    }
    ASSERT_TRUE(tabs->addTab(pages[0], "One"));
    ASSERT_TRUE(tabs->addTab(pages[1], "Two"));
    ASSERT_TRUE(tabs->addTab(pages[2], "Three"));
  }
  void TearDown() override {
    for (Page* page : pages) page->forget();
  }
  CTabButton* ButtonOf(long index) const { return ButtonAt(tabs, index); }

  FrameFixture fixture;
  CTabView* tabs = nullptr;  // the frame's
  Page* pages[3] = {};
};

}  // namespace

TEST_F(TabViewTest, TabsLineUpAlongTheStripAndTheFirstIsShown) {
  EXPECT_FALSE(tabs->addTab(nullptr, "none"));
  EXPECT_EQ(tabs->getNbTabs(), 3);
  for (long i = 0; i < 3; ++i) {
    EXPECT_EQ(SizeOf(ButtonOf(i)), CRect(i * 60, 0, i * 60 + 60, 20)) << i;
    EXPECT_EQ(ButtonOf(i)->getTag(), CTabView::kTabButtonTagStart + i);
    EXPECT_TRUE(ButtonOf(i)->getTransparency());
  }
  EXPECT_EQ(tabs->getCurrentTab(), 0);
  EXPECT_TRUE(tabs->isChild(pages[0]));
  EXPECT_FALSE(tabs->isChild(pages[1]));
  EXPECT_FLOAT_EQ(ButtonOf(0)->getValue(), 1.0f);
  EXPECT_FLOAT_EQ(ButtonOf(1)->getValue(), 0.0f);
  EXPECT_TRUE(tabs->isTypeOf("CTabView"));
  EXPECT_TRUE(ButtonOf(0)->isTypeOf("CTabButton"));
  EXPECT_TRUE(ButtonOf(0)->isTypeOf("COnOffButton"));
}

TEST_F(TabViewTest, ClickingATabShowsItsView) {
  fixture.Click(70, 10);
  EXPECT_EQ(tabs->getCurrentTab(), 1);
  EXPECT_TRUE(tabs->isChild(pages[1]));
  EXPECT_FALSE(tabs->isChild(pages[0]));
  EXPECT_EQ(pages[0]->getNbReference(), 2) << "a hidden page is kept, not released";
  EXPECT_FLOAT_EQ(ButtonOf(0)->getValue(), 0.0f);
  EXPECT_FLOAT_EQ(ButtonOf(1)->getValue(), 1.0f);

  fixture.Click(70, 10);  // the current tab again
  EXPECT_EQ(tabs->getCurrentTab(), 1);
  EXPECT_FLOAT_EQ(ButtonOf(1)->getValue(), 1.0f) << "it stays on";

  fixture.Click(130, 10, kMouseRight);
  EXPECT_EQ(tabs->getCurrentTab(), 1) << "only the left button";
}

TEST_F(TabViewTest, SelectByIndexAndByDraggingOver) {
  EXPECT_TRUE(tabs->selectTab(2));
  EXPECT_EQ(tabs->getCurrentTab(), 2);
  EXPECT_FALSE(tabs->selectTab(3)) << "past the last tab";
  EXPECT_FALSE(tabs->selectTab(4));
  EXPECT_FALSE(tabs->selectTab(-1));
  EXPECT_EQ(tabs->getCurrentTab(), 2);

  ButtonOf(0)->onDragEnter(nullptr, nullptr, CPoint(5, 5));
  EXPECT_EQ(tabs->getCurrentTab(), 0) << "dragging over a tab opens it";
}

TEST_F(TabViewTest, RemovingTabsReleasesTheirViews) {
  tabs->selectTab(1);
  ASSERT_TRUE(tabs->removeTab(pages[1]));
  EXPECT_EQ(tabs->getNbTabs(), 2);
  EXPECT_EQ(pages[1]->getNbReference(), 1) << "only the test's reference is left";
  EXPECT_EQ(tabs->getCurrentChild()->view, pages[0]) << "the tab before takes over";
  EXPECT_TRUE(tabs->isChild(pages[0]));
  EXPECT_FALSE(tabs->removeTab(pages[1]));

  // The last tab's button still opens the last tab.
  fixture.Click(130, 10);
  EXPECT_EQ(tabs->getCurrentChild()->view, pages[2]);

  tabs->selectTab(0);
  ASSERT_TRUE(tabs->removeTab(pages[0]));
  EXPECT_EQ(tabs->getCurrentChild()->view, pages[2]) << "without one before, the one after";

  ASSERT_TRUE(tabs->removeAllTabs());
  EXPECT_EQ(tabs->getNbTabs(), 0);
  EXPECT_EQ(tabs->getCurrentChild(), nullptr);
  EXPECT_EQ(tabs->getNbViews(), 0) << "buttons and pages gone";
  for (Page* page : pages) EXPECT_EQ(page->getNbReference(), 1);
}

TEST_F(TabViewTest, ClosingTheFrameReleasesEverything) {
  tabs->selectTab(2);
  fixture.editor->close();
  for (Page* page : pages) EXPECT_EQ(page->getNbReference(), 1);
}

TEST(TabViewLayoutTest, StripPositionDecidesButtonsAndPageArea) {
  struct Case {
    long position;
    CRect second;
    CRect area;
  };
  const Case cases[] = {
      {CTabView::kPositionLeft, CRect(0, 20, 60, 40), CRect(60, 0, 240, 160)},
      {CTabView::kPositionRight, CRect(180, 20, 240, 40), CRect(0, 0, 180, 160)},
      {CTabView::kPositionTop, CRect(60, 0, 120, 20), CRect(0, 20, 240, 160)},
      {CTabView::kPositionBottom, CRect(60, 140, 120, 160), CRect(0, 0, 240, 140)},
  };
  for (const Case& c : cases) {
    CTabView* tabs = new CTabView(kTabsRect, nullptr, kTabSize, nullptr, c.position);
    tabs->addTab(new Page(CRect(0, 0, 10, 10)));
    tabs->addTab(new Page(CRect(0, 0, 10, 10)));
    CRect area;
    EXPECT_EQ(tabs->getTabViewSize(area), c.area) << c.position;
    EXPECT_EQ(SizeOf(ButtonAt(tabs, 1)), c.second) << c.position;
    tabs->forget();
  }
}

TEST(TabViewLayoutTest, AlignTabsPlacesTheRowOnTheStrip) {
  CTabView* tabs = new CTabView(kTabsRect, nullptr, kTabSize, nullptr, CTabView::kPositionTop);
  tabs->addTab(new Page(CRect(0, 0, 10, 10)));
  tabs->addTab(new Page(CRect(0, 0, 10, 10)));
  CView* first = ButtonAt(tabs, 0);
  CView* second = ButtonAt(tabs, 1);
  tabs->alignTabs(CTabView::kAlignTabsCenter);
  EXPECT_EQ(SizeOf(first), CRect(60, 0, 120, 20)) << "(240 - 2 * 60) / 2";
  EXPECT_EQ(SizeOf(second), CRect(120, 0, 180, 20));
  tabs->alignTabs(CTabView::kAlignTabsEnd);
  EXPECT_EQ(SizeOf(first), CRect(120, 0, 180, 20));
  CRect mouse;
  first->getMouseableArea(mouse);
  EXPECT_EQ(mouse, CRect(120, 0, 180, 20)) << "clicks follow the button";
  tabs->alignTabs(CTabView::kAlignTabsStart);
  EXPECT_EQ(SizeOf(second), CRect(60, 0, 120, 20));
  tabs->forget();
}

TEST(TabViewLayoutTest, TabBitmapGivesTheTabSizeAndNamesTakeTheirColours) {
  FrameFixture fixture;
  TestSurface target(100, 40);
  CBitmap* bitmap = new CBitmap(*fixture.frame, 50, 30);  // both halves 50 x 15
  CTabView* tabs = new CTabView(kTabsRect, nullptr, bitmap, nullptr, CTabView::kPositionLeft);
  EXPECT_EQ(bitmap->getNbReference(), 2) << "the tab view remembers its bitmap";
  tabs->addTab(new Page(CRect(0, 0, 10, 10)));
  tabs->addTab(new Page(CRect(0, 0, 10, 10)));
  EXPECT_EQ(SizeOf(ButtonAt(tabs, 1)), CRect(0, 15, 50, 30));
  CRect area;
  EXPECT_EQ(tabs->getTabViewSize(area), CRect(50, 0, 240, 160));
  EXPECT_EQ(ButtonAt(tabs, 1)->getBackground(), bitmap) << "the default bitmap";
  tabs->forget();
  EXPECT_EQ(bitmap->getNbReference(), 1);
  bitmap->forget();

  CTabButton* button = new CTabButton(CRect(0, 0, 100, 40), nullptr, 0, nullptr, "Tab");
  button->setActiveTextColor(kRedCColor);
  button->setInactiveTextColor(kBlueCColor);
  button->setValue(1.0f);
  button->draw(target.context());
  long reddish = 0, bluish = 0;
  for (long y = 0; y < 40; ++y)
    for (long x = 0; x < 100; ++x) {
      const uint32_t p = target.pixel(x, y);
      const long r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (r > g + 60 && r > b + 60) ++reddish;
      if (b > g + 60 && b > r + 60) ++bluish;
    }
  EXPECT_GT(reddish, 5) << "on: the active colour";
  EXPECT_EQ(bluish, 0);
  EXPECT_STREQ(button->getName(), "Tab");
  button->forget();
}
