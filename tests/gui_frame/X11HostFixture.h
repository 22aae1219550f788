// A host for an editor on a real X server (one per test process, see
// X11TestDisplay.h): the test's own connection with a top-level window at
// (kHostX, kHostY) on the screen that holds the editor, the host's idle
// calls, and what the test reads back of the editor's window. Tests skip
// themselves without a server or the XTEST extension. The derived fixture
// makes the effect and its editor in its SetUp, after this one's.
#pragma once

#include <gtest/gtest.h>

#include "FrameTestSupport.h"
// After the test framework: Xlib defines macros (None, Bool) it uses as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>

#include "X11TestDisplay.h"

class X11HostFixture : public ::testing::Test {
 protected:
  static constexpr int kHostX = x11test::kHostX;
  static constexpr int kHostY = x11test::kHostY;

  void SetUp() override {
    display = OpenTestDisplay();
    if (!display) GTEST_SKIP() << "no X server (Xvfb) for the test";
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTEST";
    hostWindow = x11test::OpenHostWindow(display);
  }

  void TearDown() override {
    effect.reset();
    if (!display) return;
    if (hostWindow) XDestroyWindow(display, hostWindow);
    XCloseDisplay(display);
  }

  void* Handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(hostWindow)); }

  Window EditorWindow() {
    const std::vector<Window> children = x11test::Children(display, hostWindow);
    return children.size() == 1 ? children[0] : 0;
  }

  // The editor window's pixel as the server holds it, 0xRRGGBB.
  unsigned long Pixel(int x, int y) { return x11test::ServerPixel(display, EditorWindow(), x, y); }

  // Idles the editor as a host does (when `hostIdles`) and serves the host's
  // own events until done() holds, asked under the frame lock while the
  // editor is open; false after the tests' patience.
  bool IdleUntil(const std::function<bool()>& done, bool hostIdles = true) {
    const auto deadline = std::chrono::steady_clock::now() + x11test::kPatience;
    for (;;) {
      if (Locked(done)) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      if (hostIdles) Dispatch(*effect, effEditIdle);
      ServeHost();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  bool Locked(const std::function<bool()>& check) {
    CFrame* frame = hostedEditor ? hostedEditor->getFrame() : nullptr;
    if (!frame) return check();
    CScopedLock hold(frame->getFrameLock());
    return check();
  }
  // The host's side of the connection: events on its window.
  virtual void ServeHost() {}

  frametest::RealWindowScope windowsAreReal;
  FakeHost host;
  Display* display = nullptr;  // the host's connection
  Window hostWindow = 0;
  std::unique_ptr<AudioEffectX> effect;
  AEffGUIEditor* hostedEditor = nullptr;  // the effect's editor, owned by it
};
