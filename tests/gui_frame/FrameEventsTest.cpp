// The frame in a headless window: embedding, drawing and presenting, and
// every kind of window event on its way to the views.
#include <gtest/gtest.h>

#include "FrameTestSupport.h"

using namespace frametest;

namespace {

class FrameEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effect = std::make_unique<MinimalEffect>(FakeHost::Callback);
    editor = new TestEditor(effect.get());  // owned by the effect
    ASSERT_TRUE(editor->open(HostWindow()));
    frame = editor->getFrame();
    window = LastHeadlessWindow();
    ASSERT_NE(window, nullptr);
    left = new RecordingView(CRect(10, 10, 60, 50), kRedCColor);
    right = new HoverView(CRect(100, 10, 150, 50), kBlueCColor);
    frame->setBackgroundColor(kGreenCColor);
    frame->addView(left);
    frame->addView(right);
  }
  void TearDown() override { editor->close(); }

  // Events as the window hands them over on the host's idle call.
  void Deliver(const PlatformEvent& event) {
    window->Queue(event);
    editor->idle();
  }

  HeadlessScope scope;
  FakeHost host;
  std::unique_ptr<MinimalEffect> effect;
  TestEditor* editor = nullptr;
  CFrame* frame = nullptr;
  CHeadlessWindow* window = nullptr;
  RecordingView* left = nullptr;
  HoverView* right = nullptr;
};

}  // namespace

TEST_F(FrameEventsTest, WindowIsMadeInTheHostsWindowAtTheEditorsSize) {
  EXPECT_EQ(window->Parent(), HostWindow());
  EXPECT_EQ(window->Width(), kWidth);
  EXPECT_EQ(window->Height(), kHeight);
  EXPECT_TRUE(window->DropTarget());
  EXPECT_FALSE(window->KeyInput()) << "keys go to the host while no view holds the focus";
  CRect size;
  ASSERT_TRUE(frame->getSize(size));
  EXPECT_EQ(size, CRect(0, 0, kWidth, kHeight));
}

TEST_F(FrameEventsTest, ExposePaintsBackgroundAndViewsOntoTheWindow) {
  frame->idle();
  EXPECT_EQ(window->PresentCount(), 0) << "nothing is drawn before the first expose";
  Deliver(ExposeAll());
  EXPECT_GE(window->PresentCount(), 1);
  EXPECT_EQ(Shown(window, 0, 0), 0x00FF00u) << "frame background";
  EXPECT_EQ(Shown(window, 10, 10), 0xFF0000u) << "left view";
  EXPECT_EQ(Shown(window, 59, 49), 0xFF0000u);
  EXPECT_EQ(Shown(window, 60, 30), 0x00FF00u) << "right edge of the left view lies outside it";
  EXPECT_EQ(Shown(window, 120, 30), 0x0000FFu) << "right view";
  EXPECT_FALSE(frame->isDirty());
}

TEST_F(FrameEventsTest, IdleRedrawsOnlyDirtyViewsAndPresentsTheirArea) {
  Deliver(ExposeAll());
  const int presents = window->PresentCount();
  const int rightDraws = right->draws;
  left->colour = kYellowCColor;
  left->setDirty(true);
  editor->idle();
  EXPECT_GT(window->PresentCount(), presents);
  EXPECT_EQ(Shown(window, 30, 30), 0xFFFF00u);
  EXPECT_EQ(right->draws, rightDraws) << "a clean view is not redrawn";
  const PlatformRect area = window->LastPresented();
  EXPECT_LE(area.left, 10);
  EXPECT_LE(area.top, 10);
  EXPECT_GE(area.right, 60);
  EXPECT_GE(area.bottom, 50);
  EXPECT_LT(area.Width(), kWidth) << "only the drawn area goes onto the window";
}

TEST_F(FrameEventsTest, PartialExposeKeepsADirtyFrameDirty) {
  Deliver(ExposeAll());
  frame->setDirty(true);
  PlatformEvent part = MakeEvent(EPlatformEvent::kExpose);
  part.rect = {0, 0, 50, 50};
  window->Queue(part);
  frame->handlePlatformEvents();
  EXPECT_TRUE(frame->isDirty()) << "only part of the frame was drawn";
  window->Queue(ExposeAll());
  frame->handlePlatformEvents();
  EXPECT_FALSE(frame->isDirty());
}

TEST_F(FrameEventsTest, ClicksReachTheViewUnderThePointInItsParentsCoordinates) {
  Deliver(MakeEvent(EPlatformEvent::kMouseDown, 20, 30, kMouseLeft | kModifierShift));
  ASSERT_EQ(left->mice.size(), 1u);
  EXPECT_EQ(left->mice[0].where, CPoint(20, 30));
  EXPECT_EQ(left->mice[0].buttons, kMouseLeft | kModifierShift);
  Deliver(MakeEvent(EPlatformEvent::kMouseDown, 120, 20, kMouseRight));
  ASSERT_EQ(right->mice.size(), 1u);
  EXPECT_EQ(right->mice[0].buttons, kMouseRight);
  Deliver(MakeEvent(EPlatformEvent::kMouseDown, 80, 80, kMouseLeft));
  EXPECT_EQ(left->mice.size() + right->mice.size(), 2u) << "a click on the background reaches nobody";
}

TEST_F(FrameEventsTest, AClickTakesTheToolkitsFocusAwayAndNeitherTakesTheKeyboard) {
  left->setWantsFocus(true);
  frame->setFocusView(left);
  EXPECT_FALSE(window->KeyInput()) << "a focused view that edits no text leaves the keys to the host";
  Deliver(MakeEvent(EPlatformEvent::kMouseDown, 120, 20, kMouseLeft));
  EXPECT_EQ(frame->getFocusView(), nullptr);
  EXPECT_FALSE(window->KeyInput());
  EXPECT_EQ(right->mice.size(), 1u);
}

TEST_F(FrameEventsTest, ModalViewTakesAllClicksAndOnlyOneIsAllowed) {
  auto* modal = new RecordingView(CRect(0, 60, 40, 90), kWhiteCColor);
  auto* second = new RecordingView(CRect(50, 60, 90, 90), kWhiteCColor);
  ASSERT_TRUE(frame->setModalView(modal));
  EXPECT_FALSE(frame->setModalView(second));
  Deliver(MakeEvent(EPlatformEvent::kMouseDown, 20, 30, kMouseLeft));
  EXPECT_TRUE(left->mice.empty()) << "outside the modal view a click reaches nobody";
  EXPECT_TRUE(modal->mice.empty());
  Deliver(MakeEvent(EPlatformEvent::kMouseDown, 20, 70, kMouseLeft));
  EXPECT_EQ(modal->mice.size(), 1u);
  ASSERT_TRUE(frame->setModalView(nullptr));
  EXPECT_FALSE(frame->isChild(modal));
  modal->forget();
  second->forget();
}

TEST_F(FrameEventsTest, WheelGoesToTheViewUnderThePointWithItsAxis) {
  PlatformEvent wheel = MakeEvent(EPlatformEvent::kWheel, 30, 30);
  wheel.wheelAxis = 1;
  wheel.wheelDistance = -1.0f;
  Deliver(wheel);
  wheel.buttons = kModifierCommand;
  Deliver(wheel);
  wheel.buttons = 0;
  wheel.wheelAxis = 0;
  wheel.wheelDistance = 1.0f;
  Deliver(wheel);
  ASSERT_EQ(left->wheels.size(), 3u);
  EXPECT_EQ(left->wheels[0].axis, kWheelVertical);
  EXPECT_EQ(left->wheels[0].distance, -1.0f);
  EXPECT_EQ(left->wheels[0].where, CPoint(30, 30)) << "the point is passed in frame coordinates";
  EXPECT_EQ(left->wheels[1].axis, kWheelHorizontal) << "Command turns the vertical wheel";
  EXPECT_EQ(left->wheels[2].axis, kWheelHorizontal);
}

TEST_F(FrameEventsTest, HostWheelCallGoesToTheViewUnderThePointer) {
  window->SetPointer(120, 20, 0);
  EXPECT_TRUE(editor->onWheel(2.0f));
  ASSERT_EQ(right->wheels.size(), 1u);
  EXPECT_EQ(right->wheels[0].axis, kWheelVertical);
  EXPECT_EQ(right->wheels[0].distance, 2.0f);
  window->SetPointer(80, 80, 0);
  EXPECT_FALSE(editor->onWheel(1.0f)) << "nobody under the pointer";
}

TEST_F(FrameEventsTest, HoverHookHearsOnceWhenTheMouseMovesAwayOrLeaves) {
  window->SetPointer(120, 20, 0);
  Deliver(MakeEvent(EPlatformEvent::kMouseMove, 120, 20));
  Deliver(MakeEvent(EPlatformEvent::kMouseMove, 121, 21));
  EXPECT_EQ(right->movedAway, 0) << "moves over the same view";
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, right);
  Deliver(MakeEvent(EPlatformEvent::kMouseMove, 30, 30));
  EXPECT_EQ(right->movedAway, 1);
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, nullptr);
  ASSERT_FALSE(left->moves.empty());
  EXPECT_EQ(left->moves.back().where, CPoint(30, 30));
  Deliver(MakeEvent(EPlatformEvent::kMouseMove, 120, 20));
  Deliver(MakeEvent(EPlatformEvent::kMouseLeave, 220, 20));
  EXPECT_EQ(right->movedAway, 2) << "leaving the window counts as moving away";
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, nullptr);
}

TEST_F(FrameEventsTest, HostKeysReachTheFocusViewAndCountOnlyWhenHandledWithOne) {
  VstKeyCode key{'a', 0, 0};
  EXPECT_FALSE(editor->onKeyDown(key)) << "no view handles it";
  left->setWantsFocus(true);
  frame->setFocusView(left);
  left->keyAnswer = 1;
  EXPECT_TRUE(editor->onKeyDown(key));
  left->keyAnswer = 0;
  EXPECT_FALSE(editor->onKeyDown(key)) << "0 is neither handled (1) nor not handled (-1)";
  EXPECT_EQ(left->keys.size(), 2u);
}

TEST_F(FrameEventsTest, WindowKeysReachTheFocusView) {
  left->setWantsFocus(true);
  frame->setFocusView(left);
  left->keyAnswer = 1;
  PlatformEvent key = MakeEvent(EPlatformEvent::kKeyDown);
  key.key.character = 'q';
  key.key.modifier = 8;
  Deliver(key);
  ASSERT_EQ(left->keys.size(), 1u);
  EXPECT_EQ(left->keys[0].character, 'q');
  EXPECT_EQ(left->keys[0].modifier, 8);
}

TEST_F(FrameEventsTest, KeysNoViewTakesGoBackToTheHostOnBothPaths) {
  left->setWantsFocus(true);
  frame->setFocusView(left);
  // 0 is neither taken (1) nor refused (-1): it counts as not taken.
  for (long answer : {1L, -1L, 0L}) {
    left->keyAnswer = answer;
    PlatformEvent key = MakeEvent(EPlatformEvent::kKeyDown, 5, 6);
    key.key.character = 'k';
    key.native.code = 45;
    const size_t forwarded = window->Forwarded().size();
    Deliver(key);
    EXPECT_EQ(window->Forwarded().size() - forwarded, answer == 1 ? 0u : 1u) << "window key, answer " << answer;
    VstKeyCode hostKey{'k', 0, 0};
    EXPECT_EQ(editor->onKeyDown(hostKey), answer == 1) << "dispatcher key, answer " << answer;
  }
  ASSERT_FALSE(window->Forwarded().empty());
  EXPECT_EQ(window->Forwarded().back().native.code, 45u) << "sent on as it came";
  EXPECT_EQ(left->keys.size(), 6u) << "both paths reach the view";
}

namespace {
// Takes itself out of its container while it handles a key or a drag, then
// goes on using itself, as a handler that rebuilds the panel it sits in does.
class SelfRemovingView : public RecordingView {
 public:
  using RecordingView::RecordingView;
  ~SelfRemovingView() override { destroyedAfter = handled; }
  long onKeyDown(VstKeyCode& key) override {
    RemoveSelf();
    keys.push_back(key);
    return keyAnswer;
  }
  void onDragMove(CDrawContext*, CDragContainer*, const CPoint&) override { RemoveSelf(); }
  bool onDrop(CDrawContext*, CDragContainer*, const CPoint&) override {
    RemoveSelf();
    return true;
  }
  void RemoveSelf() {
    static_cast<CViewContainer*>(getParentView())->removeView(this);
    ++handled;
  }
  int handled = 0;
  static int destroyedAfter;  // calls handled before the view was deleted
};
int SelfRemovingView::destroyedAfter = 0;
}  // namespace

TEST_F(FrameEventsTest, AViewRemovingItselfInItsKeyOrDragHandlerLivesUntilTheHandlerEnds) {
  auto* focused = new SelfRemovingView(CRect(0, 60, 40, 90), kWhiteCColor);
  focused->keyAnswer = 1;
  focused->setWantsFocus(true);
  frame->addView(focused);
  frame->setFocusView(focused);
  SelfRemovingView::destroyedAfter = 0;
  VstKeyCode key{'x', 0, 0};
  EXPECT_TRUE(editor->onKeyDown(key));
  EXPECT_EQ(SelfRemovingView::destroyedAfter, 1) << "deleted once its handler returned";

  auto* target = new SelfRemovingView(CRect(0, 60, 40, 90), kWhiteCColor);
  frame->addView(target);
  SelfRemovingView::destroyedAfter = 0;
  PlatformEvent enter = MakeEvent(EPlatformEvent::kDragEnter, 20, 70);
  enter.items = {{PlatformDragItem::kText, "x"}};
  Deliver(enter);
  Deliver(MakeEvent(EPlatformEvent::kDragMove, 21, 71));
  EXPECT_EQ(SelfRemovingView::destroyedAfter, 1) << "deleted once its handler returned";
  Deliver(MakeEvent(EPlatformEvent::kDragLeave, 21, 71));
  EXPECT_EQ(gDragContainer, nullptr);

  // The same inside a nested container, which dispatches on its own: a drop
  // and a key the view does not take after removing itself.
  auto* box = new CViewContainer(CRect(0, 55, 100, 95), frame);
  frame->addView(box);
  for (const bool byKey : {false, true}) {
    auto* nested = new SelfRemovingView(CRect(0, 0, 40, 30), kWhiteCColor);
    nested->keyAnswer = -1;
    box->addView(nested);
    SelfRemovingView::destroyedAfter = 0;
    if (byKey) {
      VstKeyCode nestedKey{'y', 0, 0};
      EXPECT_EQ(box->onKeyDown(nestedKey), -1);
    } else {
      PlatformEvent nestedEnter = MakeEvent(EPlatformEvent::kDragEnter, 20, 70);
      nestedEnter.items = {{PlatformDragItem::kText, "x"}};
      Deliver(nestedEnter);
      Deliver(MakeEvent(EPlatformEvent::kDrop, 20, 70));
    }
    EXPECT_EQ(SelfRemovingView::destroyedAfter, 1) << (byKey ? "key" : "drop");
    EXPECT_FALSE(box->isChild(nested));
  }
}

TEST_F(FrameEventsTest, NothingIsDrawnWhileHiddenAndEverythingWhenShownAgain) {
  Deliver(ExposeAll());
  const unsigned long drawn = frame->getDrawCount();
  EXPECT_GT(drawn, 0u);
  Deliver(MakeEvent(EPlatformEvent::kHidden));
  left->colour = kYellowCColor;
  left->setDirty(true);
  editor->idle();
  frame->draw(left);  // drawing by other ways reaches the window no more
  EXPECT_EQ(frame->getDrawCount(), drawn);
  EXPECT_EQ(Shown(window, 30, 30), 0xFF0000u);

  const int rightDraws = right->draws;
  Deliver(MakeEvent(EPlatformEvent::kShown));
  EXPECT_GT(frame->getDrawCount(), drawn);
  EXPECT_EQ(Shown(window, 30, 30), 0xFFFF00u);
  EXPECT_GT(right->draws, rightDraws) << "clean views too: all of it is redrawn";
}

TEST_F(FrameEventsTest, TabWalksFocusableViewsAndFailsWithoutAny) {
  VstKeyCode tab{0, 2, 0};
  EXPECT_EQ(frame->onKeyDown(tab), -1) << "nothing can take the focus";
  left->setWantsFocus(true);
  right->setWantsFocus(true);
  EXPECT_EQ(frame->onKeyDown(tab), 1);
  EXPECT_EQ(frame->getFocusView(), left);
  EXPECT_EQ(frame->onKeyDown(tab), 1);
  EXPECT_EQ(frame->getFocusView(), right);
  VstKeyCode shiftTab{0, 2, 1};
  EXPECT_EQ(frame->onKeyDown(shiftTab), 1);
  EXPECT_EQ(frame->getFocusView(), left) << "Shift-Tab walks backwards";
}

TEST_F(FrameEventsTest, TabLeavesANestedContainerForTheFramesNextChild) {
  auto* box = new CViewContainer(CRect(0, 55, 100, 95), frame);
  auto* inner = new RecordingView(CRect(0, 0, 20, 20), kWhiteCColor);
  inner->setWantsFocus(true);
  box->addView(inner);
  frame->removeView(right, false);
  frame->addView(box);
  frame->addView(right);
  right->setWantsFocus(true);
  frame->setFocusView(inner);
  VstKeyCode tab{0, 2, 0};
  EXPECT_EQ(frame->onKeyDown(tab), 1);
  EXPECT_EQ(frame->getFocusView(), right);
}

TEST_F(FrameEventsTest, DraggedFilesReachTheViewsAndTheContainerEndsWithTheDrop) {
  PlatformEvent enter = MakeEvent(EPlatformEvent::kDragEnter, 20, 20);
  enter.items = {{PlatformDragItem::kFile, "/tmp/a.wav"}, {PlatformDragItem::kText, "hello"}};
  Deliver(enter);
  EXPECT_EQ(window->CursorType(), kCursorNotAllowed);
  ASSERT_NE(gDragContainer, nullptr);
  EXPECT_EQ(gDragContainer->getCount(), 2);
  EXPECT_EQ(gDragContainer->getType(1), CDragContainer::kText);
  EXPECT_EQ(left->firstItem, "/tmp/a.wav");
  EXPECT_EQ(left->firstType, CDragContainer::kFile);
  Deliver(MakeEvent(EPlatformEvent::kDragMove, 25, 25));
  Deliver(MakeEvent(EPlatformEvent::kDrop, 25, 25));
  EXPECT_EQ(left->drags, (std::vector<std::string>{"enter", "move", "drop", "leave"}));
  EXPECT_EQ(gDragContainer, nullptr);
  EXPECT_EQ(window->CursorType(), kCursorDefault);
}

TEST_F(FrameEventsTest, DragThatLeavesAndReturnsGetsAFreshContainer) {
  PlatformEvent enter = MakeEvent(EPlatformEvent::kDragEnter, 20, 20);
  enter.items = {{PlatformDragItem::kFile, "/tmp/a.wav"}};
  Deliver(enter);
  Deliver(MakeEvent(EPlatformEvent::kDragLeave, 20, 20));
  EXPECT_EQ(gDragContainer, nullptr);
  enter.items = {{PlatformDragItem::kFile, "/tmp/b.wav"}};
  Deliver(enter);
  EXPECT_EQ(left->firstItem, "/tmp/b.wav");
  Deliver(MakeEvent(EPlatformEvent::kDragLeave, 20, 20));
}

TEST_F(FrameEventsTest, DragContainerIteratesItemsWithTheirSizes) {
  CDragContainer drag({{PlatformDragItem::kFile, "/x/y.wav"}, {PlatformDragItem::kUnknown, "zz"}});
  long size = -1, type = -2;
  EXPECT_STREQ(static_cast<const char*>(drag.first(size, type)), "/x/y.wav");
  EXPECT_EQ(size, 8) << "a file's size is its path's length";
  EXPECT_EQ(type, CDragContainer::kFile);
  EXPECT_STREQ(static_cast<const char*>(drag.next(size, type)), "zz");
  EXPECT_EQ(type, CDragContainer::kUnknown);
  EXPECT_EQ(drag.next(size, type), nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(drag.getType(5), CDragContainer::kUnknown);
  EXPECT_STREQ(static_cast<const char*>(drag.first(size, type)), "/x/y.wav") << "first starts again";
}

TEST_F(FrameEventsTest, AfterTheWindowIsDestroyedNoEventTouchesTheViews) {
  Deliver(ExposeAll());
  window->Destroy();
  editor->idle();
  EXPECT_FALSE(frame->isAlive());
  Deliver(MakeEvent(EPlatformEvent::kMouseDown, 20, 30, kMouseLeft));
  EXPECT_TRUE(left->mice.empty());
  const int presents = window->PresentCount();
  left->setDirty(true);
  editor->idle();
  EXPECT_EQ(window->PresentCount(), presents) << "nothing is drawn into a dead window";
}

namespace {
// A view that tracks every left press and records what the tracking hears,
// painting itself white while it tracks.
class TrackingView : public RecordingView {
 public:
  using RecordingView::RecordingView;
  void mouse(CDrawContext* context, CPoint& where, long buttons) override {
    RecordingView::mouse(context, where, buttons);
    if (buttons & kMouseLeft) getFrame()->beginMouseCapture(this, buttons);
  }
  void onMouseTrack(CDrawContext*, CPoint& where, long buttons) override {
    tracks.push_back({where, buttons});
    colour = kWhiteCColor;
    setDirty(true);
  }
  void onMouseTrackEnd(CDrawContext*, CPoint& where, long buttons) override { ends.push_back({where, buttons}); }
  std::vector<Press> tracks, ends;
};
}  // namespace

TEST_F(FrameEventsTest, ADragArrivesAsEventsOfItsOwnAndEndsOnceHoweverItEnds) {
  // The view sits in a container at (30, 55), so its parent's coordinates
  // are the frame's less that offset.
  const CPoint off(30, 55);
  auto frameEvent = [&](EPlatformEvent type, int x, int y, long buttons) {
    return MakeEvent(type, x + off.h, y + off.v, buttons);
  };
  enum class End { kRelease, kReleaseOutside, kLostRelease, kPressAgain, kRemoved, kBoxRemoved, kDestroyed, kClosed };
  for (const End end : {End::kRelease, End::kReleaseOutside, End::kLostRelease, End::kPressAgain, End::kRemoved,
                        End::kBoxRemoved, End::kDestroyed, End::kClosed}) {
    SCOPED_TRACE(static_cast<int>(end));
    if (end == End::kDestroyed || end == End::kClosed) {
      TearDown();
      SetUp();
    }
    auto* box = new CViewContainer(CRect(off.h, off.v, off.h + 100, off.v + 40), frame);
    frame->addView(box);
    auto* view = new TrackingView(CRect(10, 5, 60, 35), kRedCColor);
    view->remember();
    box->addView(view);
    Deliver(ExposeAll());
    const unsigned long draws = frame->getDrawCount();

    // Press and first motion come in one host call, each later motion in
    // its own; none of them waits for the release.
    window->Queue(frameEvent(EPlatformEvent::kMouseDown, 20, 10, kMouseLeft));
    window->Queue(frameEvent(EPlatformEvent::kMouseMove, 22, 11, kMouseLeft | kModifierShift));
    editor->idle();
    ASSERT_EQ(view->mice.size(), 1u);
    EXPECT_EQ(view->mice[0].where, CPoint(20, 10));
    EXPECT_EQ(frame->getMouseCapture(), view);
    // Outside the view and the window the drag stays the view's, hover and
    // crossings included.
    Deliver(frameEvent(EPlatformEvent::kMouseLeave, 500, 11, kMouseLeft));
    Deliver(frameEvent(EPlatformEvent::kMouseMove, 500, -80, kMouseLeft));
    Deliver(frameEvent(EPlatformEvent::kMouseDown, 24, 12, kMouseRight));
    ASSERT_EQ(view->tracks.size(), 2u);
    EXPECT_EQ(view->tracks[0].where, CPoint(22, 11)) << "in the parent's coordinates";
    EXPECT_EQ(view->tracks[0].buttons, kMouseLeft | kModifierShift);
    EXPECT_EQ(view->tracks[1].where, CPoint(500, -80));
    EXPECT_TRUE(view->moves.empty()) << "no hover during a drag";
    EXPECT_EQ(view->mice.size(), 1u) << "another button's press belongs to the drag";
    EXPECT_GT(frame->getDrawCount(), draws) << "the view is redrawn while the button is held";
    EXPECT_TRUE(view->ends.empty());

    CPoint endsAt(500, -80);
    switch (end) {
      case End::kRelease:
        Deliver(frameEvent(EPlatformEvent::kMouseUp, 26, 13, 0));
        endsAt = CPoint(26, 13);
        break;
      case End::kReleaseOutside:
        Deliver(frameEvent(EPlatformEvent::kMouseUp, 26, 13, kMouseLeft));  // the right one; the left is held
        EXPECT_TRUE(view->ends.empty());
        Deliver(frameEvent(EPlatformEvent::kMouseUp, -40, 300, 0));
        endsAt = CPoint(-40, 300);
        break;
      case End::kLostRelease:
        Deliver(frameEvent(EPlatformEvent::kMouseMove, 27, 14, 0));
        endsAt = CPoint(27, 14);
        EXPECT_EQ(view->moves.size(), 1u) << "the motion goes on as hover";
        break;
      case End::kPressAgain:
        Deliver(frameEvent(EPlatformEvent::kMouseDown, 28, 15, kMouseLeft));
        EXPECT_EQ(view->mice.size(), 2u) << "the new press starts afresh";
        EXPECT_EQ(frame->getMouseCapture(), view);
        Deliver(frameEvent(EPlatformEvent::kMouseUp, 28, 15, 0));
        break;
      case End::kRemoved:
        box->removeView(view);
        break;
      case End::kBoxRemoved:
        frame->removeView(box);
        box = nullptr;
        break;
      case End::kDestroyed:
        window->Destroy();
        editor->idle();
        break;
      case End::kClosed:
        editor->close();
        break;
    }
    const size_t wantEnds = end == End::kPressAgain ? 2u : 1u;
    ASSERT_EQ(view->ends.size(), wantEnds);
    EXPECT_EQ(view->ends[0].where, endsAt) << "at the last place seen";
    EXPECT_EQ(view->ends[0].buttons & kMouseLeft, 0);
    // A closed editor's window is gone with its frame.
    if (end != End::kClosed) {
      EXPECT_EQ(frame->getMouseCapture(), nullptr);
      Deliver(frameEvent(EPlatformEvent::kMouseMove, 29, 16, kMouseLeft));
    }
    EXPECT_EQ(view->tracks.size(), 2u) << "nothing reaches the view after its end";
    EXPECT_EQ(view->ends.size(), wantEnds);
    if (box && end != End::kClosed && end != End::kDestroyed) frame->removeView(box);
    view->forget();
  }
}

TEST_F(FrameEventsTest, InvalidateMarksTouchingChildrenOnly) {
  Deliver(ExposeAll());
  frame->invalidate(CRect(60, 50, 70, 60));
  EXPECT_TRUE(left->isDirty()) << "touching at the corner counts";
  EXPECT_FALSE(right->isDirty());
}

namespace {

// A transparent view that paints a half-opaque veil: drawn over what it drew
// before, without the background under it, the veil thickens.
class VeilView : public RecordingView {
 public:
  explicit VeilView(const CRect& size) : RecordingView(size, CColor{255, 255, 255, 128}) { setTransparency(true); }
};

}  // namespace

TEST_F(FrameEventsTest, ATransparentViewIsRedrawnOverTheBackgroundHoweverTheFrameDrawsIt) {
  struct Case {
    const char* name;
    long count;                      // the panel's background draws
    void (*redraw)(VeilView* veil);  // one redraw of the veil alone
  };
  const Case cases[] = {
      {"a back panel's idle redraws after an expose", -1, [](VeilView* v) { v->setDirty(true); }},
      {"a front panel's idle redraws once its counted draws are spent", 0, [](VeilView* v) { v->setDirty(true); }},
      {"the frame's draw of the view itself", 0, [](VeilView* v) { v->redraw(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* veil = new VeilView(CRect(160, 10, 190, 50));
    frame->addView(veil);
    frame->setBackgroundDrawCount(c.count);
    Deliver(ExposeAll());
    const uint32_t once = Shown(window, 175, 30);
    EXPECT_NE(once, 0x00FF00u) << "the veil shows";
    EXPECT_NE(once, 0xFFFFFFu);
    EXPECT_EQ(frame->getBackgroundDrawCount(), c.count) << "an expose leaves the panel's own count";
    for (int pass = 0; pass < 4; ++pass) {
      c.redraw(veil);
      editor->idle();
    }
    EXPECT_GE(veil->draws, 5);
    EXPECT_EQ(Shown(window, 175, 30), once) << "drawn over the background, not over itself";
    EXPECT_EQ(Shown(window, 159, 30), 0x00FF00u);
    frame->removeView(veil, true);
  }
}
