// A real editor in a real host window on an X server (Xvfb under
// tools/run_tests.sh): opened through the dispatcher, drawn on the first
// expose, redrawn by its idle thread, clicked and dragged with the XTEST
// extension while the host idles it, and closed again. Skipped without a
// display.
#include <gtest/gtest.h>

#include "FrameTestSupport.h"
// After the test framework: Xlib defines macros (None, Bool) it uses as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "X11TestDisplay.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

using namespace frametest;

namespace {

constexpr int kHostX = 40;
constexpr int kHostY = 30;

class EditorX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    display = OpenTestDisplay();
    if (!display) GTEST_SKIP() << "the X display cannot be opened";
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTEST";
    hostWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), kHostX, kHostY, 300, 200, 0, 0,
                                     0x808080);
    XMapWindow(display, hostWindow);
    XSync(display, False);
    effect = std::make_unique<MinimalEffect>(FakeHost::Callback);
    editor = new TestEditor(effect.get());
  }

  void TearDown() override {
    effect.reset();
    if (display) {
      XDestroyWindow(display, hostWindow);
      XCloseDisplay(display);
    }
  }

  void* Handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(hostWindow)); }

  Window EditorWindow() {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    XSync(display, False);
    XQueryTree(display, hostWindow, &root, &parent, &children, &count);
    const Window found = count == 1 ? children[0] : 0;
    if (children) XFree(children);
    return found;
  }

  unsigned long Pixel(int x, int y) {
    XImage* image = XGetImage(display, EditorWindow(), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFF;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
  }

  // Idles the editor as a host does (when `hostIdles`) until done() holds;
  // false after two seconds.
  bool IdleUntil(const std::function<bool()>& done, bool hostIdles = true) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      if (hostIdles) Dispatch(*effect, effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  void Fake(std::function<void(Display*)> action) {
    action(display);
    XSync(display, False);
  }

  RealWindowScope windowsAreReal;
  FakeHost host;
  Display* display = nullptr;
  Window hostWindow = 0;
  std::unique_ptr<MinimalEffect> effect;
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
  // moves it and lets the button go.
  view->onMouse = [](CDrawContext* context, CPoint&, long) {
    auto* self = static_cast<RecordingView*>(context->getFrame()->getView(0));
    CPoint where;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while ((context->getMouseButtons() & kMouseLeft) && std::chrono::steady_clock::now() < deadline) {
      self->getMouseLocation(context, where);
      self->moves.push_back({where, 0});
      context->getFrame()->doIdleStuff();
    }
  };
  Fake([](Display* d) { XTestFakeButtonEvent(d, 1, True, CurrentTime); });
  std::thread mover([] {
    Display* other = XOpenDisplay(nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    XTestFakeMotionEvent(other, -1, kHostX + 45, kHostY + 35, CurrentTime);
    XSync(other, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
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
  for (int i = 0; i < 20; ++i) {
    Dispatch(*effect, effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  XDestroyWindow(display, hostWindow);
  XSync(display, False);
  hostWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
  EXPECT_TRUE(IdleUntil([&] { return !editor->getFrame()->isAlive(); }));
  Dispatch(*effect, effEditClose);
}
