// A real editor in a real host window on an X server (one per test
// process): opened through the dispatcher, drawn on the first expose,
// redrawn by its idle thread, clicked and dragged with the XTEST extension
// while the host idles it, and closed again. Skipped without a server.
#include "X11HostFixture.h"

#include <atomic>

using namespace frametest;

namespace {

// What the view's tracking loop has seen of the pointer, for the client
// that moves it: the number of polls and the last point (h << 16 | v).
std::atomic<int> g_nLoopPolls{0};
std::atomic<long> g_nLoopSaw{-1};
constexpr long Packed(long h, long v) { return (h << 16) | v; }

class EditorX11Test : public X11HostFixture {
 protected:
  void SetUp() override {
    X11HostFixture::SetUp();
    if (IsSkipped()) return;
    effect = std::make_unique<MinimalEffect>(FakeHost::Callback);
    hostedEditor = editor = new TestEditor(effect.get());
  }

  void Fake(std::function<void(Display*)> action) {
    action(display);
    XSync(display, False);
  }

  TestEditor* editor = nullptr;  // owned by the effect
};

}  // namespace

TEST_F(EditorX11Test, EditorDrawsClicksDragsAndRedrawsFromItsIdleThread) {
  ASSERT_EQ(Dispatch(*effect, effEditOpen, 0, 0, Handle()), 1);
  CFrame* frame = editor->getFrame();
  ASSERT_NE(frame->getPlatformWindow(), nullptr);
  ASSERT_NE(EditorWindow(), 0u) << "the editor's window is a child of the host's";
  auto* view = new RecordingView(CRect(10, 10, 60, 50), kRedCColor);
  {
    CScopedLock hold(frame->getFrameLock());
    frame->setBackgroundColor(kGreenCColor);
    frame->addView(view);
  }
  EXPECT_TRUE(IdleUntil([&] { return Pixel(20, 20) == 0xFF0000u; })) << "drawn on the first expose";
  EXPECT_EQ(Pixel(100, 80), 0x00FF00u);

  // A click, read from the window on the host's idle call.
  Fake([](Display* d) { XTestFakeMotionEvent(d, -1, kHostX + 20, kHostY + 30, CurrentTime); });
  Fake([](Display* d) { XTestFakeButtonEvent(d, 1, True, CurrentTime); });
  Fake([](Display* d) { XTestFakeButtonEvent(d, 1, False, CurrentTime); });
  ASSERT_TRUE(IdleUntil([&] {
    CScopedLock hold(frame->getFrameLock());
    return !view->mice.empty();
  }));
  {
    CScopedLock hold(frame->getFrameLock());
    EXPECT_EQ(view->mice[0].where, CPoint(20, 30));
    EXPECT_EQ(view->mice[0].buttons, kMouseLeft);
  }

  // A drag: the view's tracking loop polls the pointer while another client
  // moves it and lets the button go, each step once the loop has seen the
  // one before.
  view->onMouse = [](CDrawContext* context, CPoint&, long) {
    auto* self = static_cast<RecordingView*>(context->getFrame()->getView(0));
    CPoint where;
    const auto deadline = std::chrono::steady_clock::now() + x11test::kPatience;
    while ((context->getMouseButtons() & kMouseLeft) && std::chrono::steady_clock::now() < deadline) {
      self->getMouseLocation(context, where);
      self->moves.push_back({where, 0});
      g_nLoopSaw = Packed(where.h, where.v);
      ++g_nLoopPolls;
      context->getFrame()->doIdleStuff();
    }
  };
  g_nLoopPolls = 0;
  g_nLoopSaw = -1;
  Fake([](Display* d) { XTestFakeButtonEvent(d, 1, True, CurrentTime); });
  std::thread mover([] {
    Display* other = XOpenDisplay(nullptr);
    x11test::Eventually([] { return g_nLoopPolls > 0 && g_nLoopSaw == Packed(20, 30); });
    XTestFakeMotionEvent(other, -1, kHostX + 45, kHostY + 35, CurrentTime);
    XSync(other, False);
    x11test::Eventually([] { return g_nLoopSaw == Packed(45, 35); });
    XTestFakeButtonEvent(other, 1, False, CurrentTime);
    XSync(other, False);
    XCloseDisplay(other);
  });
  const bool dragged = IdleUntil([&] {
    CScopedLock hold(frame->getFrameLock());
    return view->mice.size() >= 2 && !view->moves.empty();
  });
  mover.join();
  ASSERT_TRUE(dragged);
  {
    CScopedLock hold(frame->getFrameLock());
    EXPECT_EQ(view->moves.front().where, CPoint(20, 30));
    EXPECT_EQ(view->moves.back().where, CPoint(45, 35)) << "the loop followed the pointer";
  }

  // Redrawn by the idle thread alone.
  {
    CScopedLock hold(frame->getFrameLock());
    view->colour = kBlueCColor;
    view->setDirty(true);
  }
  EXPECT_TRUE(IdleUntil([&] { return Pixel(20, 20) == 0x0000FFu; }, false));

  Dispatch(*effect, effEditClose);
  EXPECT_EQ(EditorWindow(), 0u) << "closing removes the editor's window";
}

TEST_F(EditorX11Test, HostClosingItsWindowBeforeTheEditorIsSurvived) {
  ASSERT_EQ(Dispatch(*effect, effEditOpen, 0, 0, Handle()), 1);
  ASSERT_TRUE(IdleUntil([&] { return editor->getFrame()->getDrawCount() > 0; })) << "the editor is up and drawn";
  XDestroyWindow(display, hostWindow);
  XSync(display, False);
  hostWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
  EXPECT_TRUE(IdleUntil([&] { return !editor->getFrame()->isAlive(); }));
  Dispatch(*effect, effEditClose);
}
