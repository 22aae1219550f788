// Pop-up sessions on a real X server (Xvfb under tools/run_tests.sh): screen
// coordinates of the host's window, override-redirect windows showing their
// image, pointer and keys through the XTEST extension, with and without the
// pointer grab. Each test process has an X server of its own
// (gui_frame/X11TestDisplay.h); skipped when none can be started.
#include <gtest/gtest.h>
// After the test framework: Xlib defines macros (None, Bool) it uses as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <chrono>
#include <cstdlib>

#include "gui_frame/X11TestDisplay.h"
#include "platform/X11Popup.h"

namespace {

using x11test::Eventually;

class X11PopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_pDisplay = OpenTestDisplay();
    if (!m_pDisplay) GTEST_SKIP() << "no X server (Xvfb) for the test";
    int event = 0, error = 0, major = 0, minor = 0;
    m_bXTest = XTestQueryExtension(m_pDisplay, &event, &error, &major, &minor);
    m_Host = x11test::OpenHostWindow(m_pDisplay);
    m_pSession = CreateX11Popup(reinterpret_cast<void*>(static_cast<uintptr_t>(m_Host)));
    ASSERT_NE(m_pSession, nullptr);
  }

  void TearDown() override {
    m_pSession.reset();
    if (m_pDisplay) {
      XUngrabPointer(m_pDisplay, CurrentTime);
      if (m_Host) XDestroyWindow(m_pDisplay, m_Host);
      XCloseDisplay(m_pDisplay);
    }
  }

  // Takes events until one of the type (and at the point, when given)
  // comes; false when none has come in the tests' patience.
  bool WaitFor(EPopupEvent type, PopupEvent& event, int x = -1, int y = -1) {
    const auto deadline = std::chrono::steady_clock::now() + x11test::kPatience;
    while (std::chrono::steady_clock::now() < deadline)
      if (m_pSession->WaitEvent(event, 50) && event.type == type && (x < 0 || (event.x == x && event.y == y)))
        return true;
    return false;
  }

  // The override-redirect child of the root window covering `area`, or 0. A
  // window listed may be gone by the time it is asked about.
  Window FindPopup(const PlatformRect& area) {
    Window found = 0;
    for (Window child : x11test::Children(m_pDisplay, DefaultRootWindow(m_pDisplay))) {
      XWindowAttributes a{};
      if (x11test::Attributes(m_pDisplay, child, a) && a.override_redirect && a.x == area.left && a.y == area.top &&
          a.width == area.Width() && a.height == area.Height())
        found = child;
    }
    return found;
  }

  Display* m_pDisplay = nullptr;
  Window m_Host = 0;
  bool m_bXTest = false;
  std::unique_ptr<CPlatformPopup> m_pSession;
};

}  // namespace

TEST_F(X11PopupTest, HostPointsAndScreenAreaAreOnTheScreen) {
  int x = 5, y = 6;
  ASSERT_TRUE(m_pSession->HostToScreen(x, y));
  EXPECT_EQ(x, 45);
  EXPECT_EQ(y, 36);
  const PlatformRect screen = m_pSession->ScreenArea();
  EXPECT_GT(screen.Width(), 0);
  EXPECT_LE(screen.right, DisplayWidth(m_pDisplay, DefaultScreen(m_pDisplay)));
  EXPECT_LE(screen.bottom, DisplayHeight(m_pDisplay, DefaultScreen(m_pDisplay)));

  std::unique_ptr<CPlatformPopup> lost = CreateX11Popup(reinterpret_cast<void*>(uintptr_t{0x7FFFFFF}));
  ASSERT_NE(lost, nullptr);
  int u = 1, v = 2;
  EXPECT_FALSE(lost->HostToScreen(u, v)) << "a host window that is gone";
}

TEST_F(X11PopupTest, WindowsShowTheirImageAboveEverythingAndGo) {
  const PlatformRect area{60, 70, 160, 120};
  const int id = m_pSession->OpenWindow(area);
  ASSERT_GE(id, 0);
  Window window = 0;
  ASSERT_TRUE(Eventually([&] { return (window = FindPopup(area)) != 0; }))
      << "an override-redirect window on the root";
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, area.Width(), area.Height());
  cairo_t* cr = cairo_create(image);
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  m_pSession->Present(id, image);
  cairo_surface_destroy(image);
  // The session's drawing reaches the server on its own connection: look
  // until it has arrived.
  unsigned long pixel = 0;
  EXPECT_TRUE(Eventually([&] { return (pixel = x11test::ServerPixel(m_pDisplay, window, 10, 10)) == 0xFF0000u; }))
      << std::hex << pixel;
  EXPECT_EQ(m_pSession->OpenWindow({0, 0, 0, 10}), -1) << "an empty area";
  m_pSession->CloseWindow(id);
  EXPECT_TRUE(Eventually([&] { return FindPopup(area) == 0; })) << "the window goes";
}

TEST_F(X11PopupTest, PointerAndKeysReachTheSessionWhileItHoldsThem) {
  if (!m_bXTest) GTEST_SKIP() << "no XTEST extension";
  const PlatformRect area{60, 70, 160, 120};
  ASSERT_GE(m_pSession->OpenWindow(area), 0);
  // The session takes the grabs as it opens its first window.
  EXPECT_EQ(XGrabPointer(m_pDisplay, m_Host, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                         CurrentTime),
            AlreadyGrabbed);
  PopupEvent event;
  XTestFakeMotionEvent(m_pDisplay, -1, 500, 400, CurrentTime);
  XSync(m_pDisplay, False);
  EXPECT_TRUE(WaitFor(EPopupEvent::kMove, event, 500, 400)) << "screen coordinates, outside the window too";
  XTestFakeButtonEvent(m_pDisplay, 1, True, CurrentTime);
  XSync(m_pDisplay, False);
  ASSERT_TRUE(WaitFor(EPopupEvent::kPress, event));
  EXPECT_EQ(event.buttons & kPlatformLeft, kPlatformLeft);
  XTestFakeButtonEvent(m_pDisplay, 1, False, CurrentTime);
  XSync(m_pDisplay, False);
  ASSERT_TRUE(WaitFor(EPopupEvent::kRelease, event));
  EXPECT_EQ(event.buttons & kPlatformLeft, 0);

  XTestFakeKeyEvent(m_pDisplay, XKeysymToKeycode(m_pDisplay, XK_Escape), True, CurrentTime);
  XTestFakeKeyEvent(m_pDisplay, XKeysymToKeycode(m_pDisplay, XK_Escape), False, CurrentTime);
  XSync(m_pDisplay, False);
  ASSERT_TRUE(WaitFor(EPopupEvent::kKey, event));
  EXPECT_EQ(event.key.virt, 6);

  m_pSession.reset();
  EXPECT_EQ(XGrabPointer(m_pDisplay, m_Host, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                         CurrentTime),
            GrabSuccess)
      << "the session gave the pointer back";
}

TEST_F(X11PopupTest, PointerHeldByAnotherClientIsFollowedByPolling) {
  if (!m_bXTest) GTEST_SKIP() << "no XTEST extension";
  // The editor's window keeps the pointer from the press that opens a menu.
  ASSERT_EQ(XGrabPointer(m_pDisplay, m_Host, False, ButtonPressMask | ButtonReleaseMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime),
            GrabSuccess);
  XTestFakeMotionEvent(m_pDisplay, -1, 100, 100, CurrentTime);
  XSync(m_pDisplay, False);
  ASSERT_GE(m_pSession->OpenWindow({60, 70, 160, 120}), 0);
  PopupEvent event;
  EXPECT_FALSE(m_pSession->WaitEvent(event, 30)) << "the first look at the pointer reports nothing";
  XTestFakeMotionEvent(m_pDisplay, -1, 130, 90, CurrentTime);
  XSync(m_pDisplay, False);
  EXPECT_TRUE(WaitFor(EPopupEvent::kMove, event, 130, 90));
  XTestFakeButtonEvent(m_pDisplay, 1, True, CurrentTime);
  XSync(m_pDisplay, False);
  ASSERT_TRUE(WaitFor(EPopupEvent::kPress, event));
  EXPECT_EQ(event.buttons & kPlatformLeft, kPlatformLeft);
  XTestFakeButtonEvent(m_pDisplay, 1, False, CurrentTime);
  XSync(m_pDisplay, False);
  ASSERT_TRUE(WaitFor(EPopupEvent::kRelease, event));
  EXPECT_EQ(event.x, 130);

  // Once the other client lets go the session takes the pointer.
  XUngrabPointer(m_pDisplay, CurrentTime);
  XSync(m_pDisplay, False);
  m_pSession->WaitEvent(event, 30);
  EXPECT_EQ(XGrabPointer(m_pDisplay, m_Host, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                         CurrentTime),
            AlreadyGrabbed);
}
