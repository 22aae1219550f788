// The view core inside a frame on a headless window: hit testing and the
// wheel, drag and focus dispatch that need a frame, the mouse position
// through nested containers, contexts on the frame's back buffer, and blank
// bitmaps drawn into through an off-screen context.
#include <gtest/gtest.h>

#include <thread>

#include "GuiTestSupport.h"
#include "Helpers/HostInfo.h"
#include "ViewTestViews.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"
#include "gui/CViewContainer.h"
#include "platform/HeadlessWindow.h"

namespace {

// Records what the drag and wheel dispatch hands it.
class DragView : public ColourView {
 public:
  DragView(const CRect& size, std::vector<std::string>* log, const char* name)
      : ColourView(size, kRedCColor, log, name), m_pLog(log), m_Name(name) {}
  void onDragEnter(CDrawContext*, CDragContainer*, const CPoint& where) override {
    m_pLog->push_back(m_Name + ".enter");
    lastWhere = where;
  }
  void onDragMove(CDrawContext*, CDragContainer*, const CPoint&) override {
    m_pLog->push_back(m_Name + ".move");
  }
  void onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) override {
    m_pLog->push_back(m_Name + ".leave");
  }
  bool onDrop(CDrawContext*, CDragContainer*, const CPoint&) override {
    m_pLog->push_back(m_Name + ".drop");
    return true;
  }
  bool onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis,
               float) override {
    lastWhere = where;
    lastAxis = axis;
    offsetDuringCall = context ? context->getOffset() : CPoint(-1, -1);
    return true;
  }
  CPoint lastWhere{-100, -100};
  CMouseWheelAxis lastAxis = kWheelHorizontal;
  CPoint offsetDuringCall{-1, -1};

 private:
  std::vector<std::string>* m_pLog;
  std::string m_Name;
};

class FocusView : public CView {
 public:
  explicit FocusView(const CRect& size) : CView(size) { setWantsFocus(true); }
};

class ViewInFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseHeadlessWindows();
    g_bVST_WantTimerCallbackForIdle = false;
    frame = new CFrame(CRect(0, 0, 100, 80), reinterpret_cast<void*>(uintptr_t{0x4200001}), nullptr);
    window = LastHeadlessWindow();
    ASSERT_NE(window, nullptr);
    panel = new CViewContainer(CRect(10, 10, 90, 70), frame);
    frame->addView(panel);
  }
  void TearDown() override {
    frame->forget();
    SetPlatformWindowFactoryForTesting(nullptr);
    ResetHostInfoForTesting();
  }

  CFrame* frame = nullptr;
  CHeadlessWindow* window = nullptr;
  CViewContainer* panel = nullptr;
  std::vector<std::string> log;
};

TEST_F(ViewInFrameTest, ViewAtAPointDescendsOnlyWhenAsked) {
  CViewContainer* inner = new CViewContainer(CRect(20, 20, 60, 50), frame);
  FocusView* leaf = new FocusView(CRect(5, 5, 15, 15));
  inner->addView(leaf);
  panel->addView(inner);
  EXPECT_EQ(panel->getViewAt(CPoint(35, 35)), inner);
  EXPECT_EQ(panel->getViewAt(CPoint(35, 35), true), leaf);
  EXPECT_EQ(panel->getViewAt(CPoint(31, 31), true), nullptr) << "inside the container, over nothing";
  EXPECT_EQ(panel->getViewAt(CPoint(5, 5)), nullptr);
  EXPECT_EQ(panel->getViewAt(CPoint(30, 30)), inner) << "edges are inclusive";
}

TEST_F(ViewInFrameTest, WheelReachesTheChildWithLocalPointAndMovedOffsets) {
  DragView* child = new DragView(CRect(5, 5, 25, 25), &log, "child");
  panel->addView(child);
  TestSurface target(100, 80);
  EXPECT_TRUE(panel->onWheel(target.context(), CPoint(20, 20), 1.0f));
  EXPECT_EQ(child->lastWhere, CPoint(10, 10));
  EXPECT_EQ(child->lastAxis, kWheelVertical) << "a wheel without an axis is vertical";
  EXPECT_EQ(child->offsetDuringCall, CPoint(10, 10));
  EXPECT_EQ(target.context()->getOffset(), CPoint(0, 0));
  EXPECT_FALSE(panel->onWheel(target.context(), CPoint(80, 60), 1.0f)) << "over no child";
}

TEST_F(ViewInFrameTest, DragEventsFollowTheChildUnderThePoint) {
  DragView* left = new DragView(CRect(0, 0, 20, 20), &log, "left");
  DragView* right = new DragView(CRect(40, 0, 60, 20), &log, "right");
  panel->addView(left);
  panel->addView(right);
  TestSurface target(100, 80);
  CDrawContext* context = target.context();
  panel->onDragEnter(context, nullptr, CPoint(15, 15));
  panel->onDragMove(context, nullptr, CPoint(16, 15));
  panel->onDragMove(context, nullptr, CPoint(55, 15));
  EXPECT_EQ(log, (std::vector<std::string>{"left.enter", "left.move", "left.leave", "right.enter"}));
  EXPECT_EQ(right->lastWhere, CPoint(45, 5));

  // A drop over no child after entering one: that child is left, nothing dropped.
  log.clear();
  EXPECT_FALSE(panel->onDrop(context, nullptr, CPoint(85, 65)));
  EXPECT_EQ(log, std::vector<std::string>{"right.leave"});

  log.clear();
  panel->onDragEnter(context, nullptr, CPoint(15, 15));
  EXPECT_TRUE(panel->onDrop(context, nullptr, CPoint(15, 15)));
  EXPECT_EQ(log, (std::vector<std::string>{"left.enter", "left.drop", "left.leave"}));

  // Removing the view a drag is over forgets it there.
  log.clear();
  panel->onDragEnter(context, nullptr, CPoint(55, 15));
  panel->removeView(right, true);
  panel->onDragLeave(context, nullptr, CPoint(55, 15));
  EXPECT_EQ(log, std::vector<std::string>{"right.enter"});
}

TEST_F(ViewInFrameTest, FocusMovesToTheNextViewThatWantsIt) {
  FocusView* first = new FocusView(CRect(0, 0, 5, 5));
  CViewContainer* inner = new CViewContainer(CRect(10, 10, 40, 40), frame);
  FocusView* nested = new FocusView(CRect(0, 0, 5, 5));
  inner->addView(nested);
  panel->addView(first);
  panel->addView(new CView(CRect(6, 0, 9, 5)));
  panel->addView(inner);

  EXPECT_TRUE(panel->advanceNextFocusView(nullptr));
  EXPECT_EQ(frame->getFocusView(), first);
  EXPECT_TRUE(panel->advanceNextFocusView(first));
  EXPECT_EQ(frame->getFocusView(), nested) << "containers are searched too";
  EXPECT_FALSE(panel->advanceNextFocusView(inner));
  EXPECT_TRUE(panel->advanceNextFocusView(inner, true));
  EXPECT_EQ(frame->getFocusView(), first) << "backwards from the container";

  panel->removeView(first, true);
  EXPECT_EQ(frame->getFocusView(), nullptr) << "a removed view loses the focus";
}

// Removal takes the frame's lock before the container's, as events and idle
// do: while the view loses the focus and hears of its removal, another thread
// can take neither.
TEST_F(ViewInFrameTest, RemovalHoldsTheFrameLockBeforeTheContainers) {
  class Probe : public FocusView {
   public:
    Probe(const CRect& size, CFrame* frame) : FocusView(size), m_pFrame(frame) {}
    void looseFocus(CDrawContext* context) override {
      frameFreeAtFocusLoss = FrameFreeElsewhere();
      FocusView::looseFocus(context);
    }
    bool removed(CView* parent) override {
      frameFreeAtRemoval = FrameFreeElsewhere();
      return FocusView::removed(parent);
    }
    bool FrameFreeElsewhere() {
      bool free = false;
      std::thread([&] {
        free = m_pFrame->getFrameLock().TryHoldLock();
        if (free) m_pFrame->getFrameLock().ReleaseLock();
      }).join();
      return free;
    }
    CFrame* m_pFrame;
    bool frameFreeAtFocusLoss = true;
    bool frameFreeAtRemoval = true;
  };
  Probe* probe = new Probe(CRect(0, 0, 5, 5), frame);
  panel->addView(probe);
  frame->setFocusView(probe);
  probe->remember();
  panel->removeView(probe, true);
  EXPECT_FALSE(probe->frameFreeAtFocusLoss);
  EXPECT_FALSE(probe->frameFreeAtRemoval);
  probe->forget();
}

TEST_F(ViewInFrameTest, MouseLocationEndsInTheInnermostContainersCoordinates) {
  CViewContainer* inner = new CViewContainer(CRect(5, 5, 60, 50), frame);
  CView* leaf = new CView(CRect(0, 0, 5, 5));
  inner->addView(leaf);
  panel->addView(inner);
  window->SetPointer(40, 30, 0);
  CDrawContext* context = frame->createDrawContext();
  CPoint where;
  leaf->getMouseLocation(context, where);
  EXPECT_EQ(where, CPoint(25, 15));
  EXPECT_EQ(context->getScreenOffset(), CPoint(0, 0));
  CPoint direct;
  context->getMouseLocation(direct);
  EXPECT_EQ(direct, CPoint(40, 30));
  context->forget();

  EXPECT_EQ(panel->getCurrentView(), inner);
  window->SetPointer(95, 75, 0);
  EXPECT_EQ(panel->getCurrentView(), nullptr);
}

TEST_F(ViewInFrameTest, ControlClickReadsAsTheRightButton) {
  CDrawContext* context = frame->createDrawContext();
  window->SetPointer(1, 1, kMouseLeft | kModifierControl | kModifierShift);
  EXPECT_EQ(context->getMouseButtons(), kMouseRight | kModifierShift);
  window->SetPointer(1, 1, kMouseLeft | kModifierCommand);
  EXPECT_EQ(context->getMouseButtons(), kMouseLeft | kModifierCommand);
  context->forget();
}

TEST_F(ViewInFrameTest, ContextsOnTheFrameDrawIntoItsWindowAndRegisterThemselves) {
  CDrawContext* older = new CDrawContext(frame, nullptr, frame->getSystemWindow());
  ASSERT_NE(older->getCairo(), nullptr) << "drawn on the frame's back buffer";
  EXPECT_EQ(frame->getCurrentDrawContext(), older);
  CRect clip;
  older->getClipRect(clip);
  EXPECT_EQ(clip, CRect(0, 0, 100, 80));
  CDrawContext* newer = new CDrawContext(frame, nullptr, frame->getSystemWindow());
  EXPECT_EQ(frame->getCurrentDrawContext(), newer);
  older->forget();
  EXPECT_EQ(frame->getCurrentDrawContext(), newer) << "the older context leaves the newer in place";

  const int presents = window->PresentCount();
  newer->setFillColor(kBlueCColor);
  newer->fillRect(CRect(0, 0, 11, 11));
  newer->synchronizeCairo();
  EXPECT_GT(window->PresentCount(), presents);
  EXPECT_EQ(window->PixelAt(5, 5) & 0xFFFFFFu, 0x0000FFu);
  newer->forget();
  EXPECT_EQ(frame->getCurrentDrawContext(), nullptr);
}

TEST_F(ViewInFrameTest, DirtyViewUpdatedWithoutAContextDrawsThroughTheFrame) {
  ColourView* view = new ColourView(CRect(5, 5, 15, 15), kGreenCColor, &log, "view");
  frame->addView(view);
  view->update(nullptr);
  EXPECT_EQ(view->draws, 1);
  EXPECT_FALSE(view->isDirty());
  EXPECT_EQ(window->PixelAt(8, 8) & 0xFFFFFFu, 0x00FF00u);
  view->update(nullptr);
  EXPECT_EQ(view->draws, 1) << "a clean view is not drawn";
  EXPECT_EQ(view->getEditor(), nullptr);
}

TEST_F(ViewInFrameTest, BlankBitmapTakesDrawingAndItsColourKey) {
  CBitmap* bitmap = new CBitmap(*frame, 6, 4);
  EXPECT_TRUE(bitmap->isLoaded());
  EXPECT_FALSE(bitmap->hasAlpha());
  TestSurface target(20, 10);
  {
    COffscreenContext* painter = new COffscreenContext(target.context(), bitmap, true);
    ASSERT_NE(painter->getCairo(), nullptr);
    painter->fillRect(CRect(0, 0, 7, 5), kWhiteCColor);
    painter->drawPoint(CPoint(0, 0), kRedCColor);
    painter->drawPoint(CPoint(1, 1), kRedCColor);
    painter->forget();
  }
  // Row 0 holds red at (0, 0); rows 1 to 3 are white but for red at (1, 1).
  TestSurface grey(20, 10);
  cairo_t* cr = cairo_create(grey.surface());
  cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
  cairo_paint(cr);
  cairo_destroy(cr);
  const uint32_t greyWord = grey.pixel(0, 0);
  CRect r(0, 0, 6, 4);
  bitmap->drawTransparent(grey.context(), r);
  EXPECT_EQ(grey.pixel(1, 1), kRedWord);
  EXPECT_EQ(grey.pixel(3, 2), greyWord) << "white is the key: see-through";

  // A new key rebuilds the image: now red is see-through and white shows.
  bitmap->setTransparentColor(kRedCColor);
  TestSurface second(20, 10);
  cairo_t* cr2 = cairo_create(second.surface());
  cairo_set_source_rgb(cr2, 0.5, 0.5, 0.5);
  cairo_paint(cr2);
  cairo_destroy(cr2);
  bitmap->drawTransparent(second.context(), r);
  EXPECT_EQ(second.pixel(1, 1), greyWord);
  EXPECT_EQ(second.pixel(3, 2), kWhiteWord);
  bitmap->forget();
}

}  // namespace
