// The editor's X11 window on a real X server (Xvfb under tools/run_tests.sh):
// embedding into a host window, presenting the back buffer, real pointer,
// wheel and key input through the XTEST extension, the host destroying its
// window first, and a drop from a drag source speaking the XDND protocol.
// Each test process has an X server of its own (X11TestDisplay.h); skipped
// when none can be started.
#include <gtest/gtest.h>
// After the test framework: Xlib defines macros (None, Bool) it uses as names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>

#include "X11TestDisplay.h"
#include <X11/keysym.h>
#include <cairo.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <thread>

#include "platform/X11ErrorTrap.h"
#include "platform/X11Handles.h"
#include "platform/X11Window.h"

namespace {

using x11test::Eventually;
using x11test::kPatience;

constexpr int kWidth = 200;
constexpr int kHeight = 100;

class X11WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_pDisplay = OpenTestDisplay();
    if (!m_pDisplay) GTEST_SKIP() << "no X server (Xvfb) for the test";
    int event = 0, error = 0, major = 0, minor = 0;
    m_bXTest = XTestQueryExtension(m_pDisplay, &event, &error, &major, &minor);
    m_Host = x11test::OpenHostWindow(m_pDisplay);
  }

  void TearDown() override {
    m_pWindow.reset();
    if (m_pDisplay) {
      if (m_Host) XDestroyWindow(m_pDisplay, m_Host);
      XCloseDisplay(m_pDisplay);
    }
  }

  void Open() {
    m_pWindow = CreateX11Window(reinterpret_cast<void*>(static_cast<uintptr_t>(m_Host)), kWidth, kHeight);
    ASSERT_NE(m_pWindow, nullptr);
    const std::vector<Window> children = x11test::Children(m_pDisplay, m_Host);
    ASSERT_EQ(children.size(), 1u) << "the editor's window is the host window's one child";
    m_Editor = children[0];
    XWindowAttributes attributes{};
    ASSERT_TRUE(x11test::Attributes(m_pDisplay, m_Editor, attributes));
    EXPECT_EQ(attributes.width, kWidth);
    EXPECT_EQ(attributes.height, kHeight);
    EXPECT_EQ(attributes.map_state, IsViewable);
    // The first expose tells that the window is on screen.
    PlatformEvent event;
    ASSERT_TRUE(WaitFor(EPlatformEvent::kExpose, event));
  }

  // Takes events until one of the type comes; false when none has come
  // `within` (a short time only where a test checks that none comes).
  bool WaitFor(EPlatformEvent type, PlatformEvent& event,
               std::chrono::milliseconds within = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline)
      if (m_pWindow->WaitEvent(event, 50) && event.type == type) return true;
    return false;
  }

  // Pixel of the editor's window as the server holds it, 0xRRGGBB.
  unsigned long PixelOnScreen(int x, int y) { return x11test::ServerPixel(m_pDisplay, m_Editor, x, y); }

  // Runs the window's event passes (where a present that waited for the
  // server goes on) until the server shows `expected` at (x, y).
  bool ScreenShows(int x, int y, unsigned long expected) {
    PlatformEvent event;
    return Eventually([&] {
      while (m_pWindow->NextEvent(event)) {
      }
      return PixelOnScreen(x, y) == expected;
    });
  }

  // The first pixel (x, y) where the editor's window differs from `image`
  // (0xRRGGBB of both), or nothing when they are equal.
  std::string DifferenceFrom(cairo_surface_t* image) {
    XImage* shown = nullptr;
    x11test::WithoutErrors(m_pDisplay,
                           [&] { shown = XGetImage(m_pDisplay, m_Editor, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap); });
    if (!shown) return "no image";
    cairo_surface_flush(image);
    std::string difference;
    for (int y = 0; y < kHeight && difference.empty(); ++y)
      for (int x = 0; x < kWidth && difference.empty(); ++x) {
        const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(image) +
                                                            y * cairo_image_surface_get_stride(image));
        const unsigned long want = row[x] & 0xFFFFFF, got = XGetPixel(shown, x, y) & 0xFFFFFF;
        if (want != got) difference = std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(got);
      }
    XDestroyImage(shown);
    return difference;
  }

  Window Focus() { return x11test::Focus(m_pDisplay); }
  // Runs the window's event passes until `window` holds the focus.
  bool FocusMovesTo(Window window) {
    PlatformEvent event;
    return Eventually([&] {
      m_pWindow->NextEvent(event);
      return Focus() == window;
    });
  }

  XWindowAttributes EditorAttributes() {
    XWindowAttributes attributes{};
    x11test::Attributes(m_pDisplay, m_Editor, attributes);
    return attributes;
  }

  void MovePointerTo(int x, int y) {
    XTestFakeMotionEvent(m_pDisplay, -1, 40 + x, 30 + y, CurrentTime);
    XSync(m_pDisplay, False);
  }
  void Button(unsigned int button, bool down) {
    XTestFakeButtonEvent(m_pDisplay, button, down, CurrentTime);
    XSync(m_pDisplay, False);
  }
  void Key(KeySym keysym, bool down) {
    XTestFakeKeyEvent(m_pDisplay, XKeysymToKeycode(m_pDisplay, keysym), down, CurrentTime);
    XSync(m_pDisplay, False);
  }

  Display* m_pDisplay = nullptr;  // the test's own connection: the host's side
  bool m_bXTest = false;
  Window m_Host = 0;
  Window m_Editor = 0;
  std::unique_ptr<CPlatformWindow> m_pWindow;
};

struct SurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;

Surface FilledImage(double r, double g, double b) {
  Surface image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight));
  cairo_t* cr = cairo_create(image.get());
  cairo_set_source_rgb(cr, r, g, b);
  cairo_paint(cr);
  cairo_destroy(cr);
  return image;
}

// Every pixel different from its neighbours and from those of the other
// pictures of the series.
Surface PatternImage(int picture) {
  Surface image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight));
  cairo_surface_flush(image.get());
  unsigned char* data = cairo_image_surface_get_data(image.get());
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      reinterpret_cast<uint32_t*>(data + y * cairo_image_surface_get_stride(image.get()))[x] =
          0xFF000000u | static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(y) << 8 | static_cast<uint32_t>(picture);
  cairo_surface_mark_dirty(image.get());
  return image;
}

}  // namespace

// A server that takes no requests for a while (here: another client holds
// it) holds no present: the pictures go through shared memory, one put at a
// time, and what came meanwhile shows once the server has confirmed the put
// before, as the window's events are read. Through the socket, the puts
// would fill it and the caller would wait for the server.
TEST_F(X11WindowTest, PresentsWhileTheServerIsBusyReturnAtOnceAndTheLastPictureShowsWhole) {
  int major = 0, minor = 0, pixmaps = 0;
  if (!XShmQueryVersion(m_pDisplay, &major, &minor, &pixmaps)) GTEST_SKIP() << "no shared memory on this server";
  Open();
  constexpr int kPictures = 40;  // some megabytes: more than any socket holds
  std::vector<Surface> pictures;
  for (int i = 0; i < kPictures; ++i) pictures.push_back(PatternImage(i));
  PlatformEvent event;
  std::string difference = "never read";
  const auto showsWhole = [&](const Surface& picture) {
    return Eventually([&] {
      while (m_pWindow->NextEvent(event)) {
      }
      difference = DifferenceFrom(picture.get());
      return difference.empty();
    });
  };
  // The first present shares the memory with the server (a round trip).
  m_pWindow->Present(pictures.front().get(), {0, 0, kWidth, kHeight});
  EXPECT_TRUE(showsWhole(pictures.front())) << difference;

  XGrabServer(m_pDisplay);
  XSync(m_pDisplay, False);
  std::atomic<bool> done{false};
  std::thread presenter([&] {
    for (size_t i = 1; i < pictures.size(); ++i) m_pWindow->Present(pictures[i].get(), {0, 0, kWidth, kHeight});
    done = true;
  });
  const bool returned = Eventually([&] { return done.load(); });
  XUngrabServer(m_pDisplay);
  XSync(m_pDisplay, False);
  presenter.join();
  EXPECT_TRUE(returned) << "the presents waited for the busy server";

  EXPECT_TRUE(showsWhole(pictures.back())) << difference;
}

TEST_F(X11WindowTest, PresentCopiesOnlyTheGivenAreaOntoTheWindow) {
  Open();
  Surface red = FilledImage(1, 0, 0);
  m_pWindow->Present(red.get(), {0, 0, kWidth, kHeight});
  EXPECT_TRUE(ScreenShows(0, 0, 0xFF0000));
  EXPECT_TRUE(ScreenShows(kWidth - 1, kHeight - 1, 0xFF0000));

  Surface blue = FilledImage(0, 0, 1);
  m_pWindow->Present(blue.get(), {50, 20, 70, 40});
  EXPECT_TRUE(ScreenShows(50, 20, 0x0000FF));
  EXPECT_TRUE(ScreenShows(69, 39, 0x0000FF));
  EXPECT_EQ(PixelOnScreen(70, 39), 0xFF0000u) << "right edge excluded";
  EXPECT_EQ(PixelOnScreen(69, 40), 0xFF0000u) << "bottom edge excluded";
  EXPECT_EQ(PixelOnScreen(49, 20), 0xFF0000u);
}

TEST_F(X11WindowTest, ResizeAndMoveReachTheServer) {
  Open();
  m_pWindow->SetSize(120, 80);
  m_pWindow->SetPosition(5, 7);
  PlatformEvent event;
  bool resized = false;
  for (int i = 0; i < 10 && !resized; ++i)
    resized = WaitFor(EPlatformEvent::kResized, event) && event.rect.right == 120;
  ASSERT_TRUE(resized);
  EXPECT_EQ(event.rect.bottom, 80);
  // The move is a request of its own, which may reach the server later.
  XWindowAttributes attributes{};
  EXPECT_TRUE(Eventually([&] {
    attributes = EditorAttributes();
    return attributes.x == 5 && attributes.y == 7;
  }));
  EXPECT_EQ(attributes.width, 120);
  EXPECT_EQ(attributes.height, 80);
  EXPECT_EQ(attributes.x, 5);
  EXPECT_EQ(attributes.y, 7);
  const PlatformRect frame = m_pWindow->GetFrame();
  EXPECT_EQ(frame.left, 5);
  EXPECT_EQ(frame.top, 7);
  EXPECT_EQ(frame.Width(), 120);
  EXPECT_EQ(frame.Height(), 80);
}

TEST_F(X11WindowTest, PointerButtonsModifiersAndWheelArriveTranslated) {
  if (!m_bXTest) GTEST_SKIP() << "no XTEST extension";
  Open();
  MovePointerTo(30, 40);
  PlatformEvent event;
  ASSERT_TRUE(WaitFor(EPlatformEvent::kMouseMove, event));
  EXPECT_EQ(event.x, 30);
  EXPECT_EQ(event.y, 40);

  Button(1, true);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kMouseDown, event));
  EXPECT_EQ(event.x, 30);
  EXPECT_EQ(event.y, 40);
  EXPECT_EQ(event.buttons, 1);
  EXPECT_EQ(event.clickCount, 1);
  // What a modal mouse loop polls while the button is held.
  MovePointerTo(33, 42);
  int x = 0, y = 0;
  long buttons = 0;
  m_pWindow->QueryPointer(x, y, buttons);
  EXPECT_EQ(x, 33);
  EXPECT_EQ(y, 42);
  EXPECT_EQ(buttons, 1);
  Button(1, false);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kMouseUp, event));
  EXPECT_EQ(event.buttons, 0) << "no button is held after the release";
  m_pWindow->QueryPointer(x, y, buttons);
  EXPECT_EQ(buttons, 0);

  // A press far from the last one starts afresh; one 3 pixels from it at
  // once (no wait between the two) makes a double click.
  MovePointerTo(60, 60);
  Button(1, true);
  Button(1, false);
  MovePointerTo(63, 61);
  Button(1, true);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kMouseDown, event));
  EXPECT_EQ(event.clickCount, 1);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kMouseDown, event));
  EXPECT_EQ(event.clickCount, 2) << "second press 3 pixels away at once";
  Button(1, false);

  Key(XK_Control_L, true);
  Button(3, true);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kMouseDown, event));
  EXPECT_EQ(event.buttons, 4 | 16) << "right button with Ctrl as Command";
  Button(3, false);
  Key(XK_Control_L, false);

  Button(4, true);
  Button(4, false);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kWheel, event));
  EXPECT_EQ(event.wheelAxis, 1);
  EXPECT_EQ(event.wheelDistance, 1.0f);
  EXPECT_EQ(event.x, 63);
  EXPECT_EQ(event.y, 61);
  Button(7, true);
  Button(7, false);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kWheel, event));
  EXPECT_EQ(event.wheelAxis, 0);
  EXPECT_EQ(event.wheelDistance, -1.0f);
}

// A drag whose events pile up before the editor reads them, as on a busy
// machine: its motions may come as the latest of the burst, but before the
// release and with the button held; the motion after the release stays
// after it.
TEST_F(X11WindowTest, APiledUpDragKeepsItsOrderAndItsMotionsTheirButton) {
  if (!m_bXTest) GTEST_SKIP() << "no XTEST extension";
  Open();
  MovePointerTo(20, 20);
  PlatformEvent event;
  ASSERT_TRUE(WaitFor(EPlatformEvent::kMouseMove, event));
  Button(1, true);
  for (int x = 30; x <= 60; x += 10) MovePointerTo(x, 30);
  Button(1, false);
  MovePointerTo(90, 50);

  // Press, motions, release and motion as letters, with the last motion of
  // the drag and the one after it.
  std::string order;
  PlatformEvent lastDragged, after;
  bool last = false;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!last && std::chrono::steady_clock::now() < deadline) {
    if (!m_pWindow->WaitEvent(event, 50)) continue;
    last = event.type == EPlatformEvent::kMouseMove && event.x == 90 && event.y == 50;
    switch (event.type) {
      case EPlatformEvent::kMouseDown:
        order += 'D';
        break;
      case EPlatformEvent::kMouseUp:
        order += 'U';
        break;
      case EPlatformEvent::kMouseMove:
        order += 'M';
        (order.find('U') == std::string::npos ? lastDragged : after) = event;
        break;
      default:
        break;
    }
  }
  EXPECT_TRUE(std::regex_match(order, std::regex("DM+UM"))) << order;
  EXPECT_EQ(lastDragged.x, 60);
  EXPECT_EQ(lastDragged.y, 30);
  EXPECT_EQ(lastDragged.buttons, 1) << "the drag's motions hold the button";
  EXPECT_EQ(after.x, 90);
  EXPECT_EQ(after.buttons, 0);
}

TEST_F(X11WindowTest, TheWindowHoldsTheKeyboardOnlyWhileItAsksForKeysAndGivesItBack) {
  if (!m_bXTest) GTEST_SKIP() << "no XTEST extension";
  Open();
  // The host's window holds the focus, and a click on the editor's window
  // leaves it there.
  XSetInputFocus(m_pDisplay, m_Host, RevertToParent, CurrentTime);
  XSelectInput(m_pDisplay, m_Host, KeyPressMask);
  MovePointerTo(10, 10);
  Button(1, true);
  Button(1, false);
  PlatformEvent event;
  ASSERT_TRUE(WaitFor(EPlatformEvent::kMouseUp, event));
  EXPECT_EQ(Focus(), m_Host) << "a click moves no focus";
  Key(XK_a, true);
  Key(XK_a, false);
  EXPECT_FALSE(WaitFor(EPlatformEvent::kKeyDown, event, std::chrono::milliseconds(300)));
  XEvent hostEvent;
  EXPECT_TRUE(XCheckTypedWindowEvent(m_pDisplay, m_Host, KeyPress, &hostEvent)) << "the key is the host's";

  // Asked for keys, the window takes the focus at its next event pass.
  m_pWindow->SetKeyInput(true);
  ASSERT_TRUE(FocusMovesTo(m_Editor));
  MovePointerTo(kWidth + 50, 10);  // keys follow the focus, not the pointer
  Key(XK_a, true);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kKeyDown, event));
  EXPECT_EQ(event.key.character, 'a');
  Key(XK_a, false);
  ASSERT_TRUE(WaitFor(EPlatformEvent::kKeyUp, event));

  // No longer asked: the focus goes back to the window that held it.
  m_pWindow->SetKeyInput(false);
  ASSERT_TRUE(FocusMovesTo(m_Host));
  EXPECT_FALSE(WaitFor(EPlatformEvent::kFocusOut, event, std::chrono::milliseconds(300)))
      << "giving the focus back is no loss of it";

  // Taken again, then moved on by someone else: it is not the window's to
  // give back, neither when no longer asked for nor when it closes.
  const Window other = XCreateSimpleWindow(m_pDisplay, DefaultRootWindow(m_pDisplay), 400, 0, 50, 50, 0, 0, 0);
  XMapWindow(m_pDisplay, other);
  m_pWindow->SetKeyInput(true);
  ASSERT_TRUE(FocusMovesTo(m_Editor));
  XSetInputFocus(m_pDisplay, other, RevertToParent, CurrentTime);
  ASSERT_EQ(Focus(), other);
  EXPECT_TRUE(WaitFor(EPlatformEvent::kFocusOut, event)) << "the loss is told";
  m_pWindow->SetKeyInput(false);
  m_pWindow->NextEvent(event);
  m_pWindow.reset();
  EXPECT_EQ(Focus(), other);
  XDestroyWindow(m_pDisplay, other);
}

// The host destroys its window, and the window's with it, before the window
// closes; whether an event pass read the destroy or only the check before
// closing finds it, nothing more is sent to the gone window (no request of
// the window fails) and the process lives, whatever handler the host put in
// place meanwhile.
TEST_F(X11WindowTest, HostDestroyingItsWindowFirstEndsTheWindowQuietly) {
  for (const bool seen : {true, false}) {
    SCOPED_TRACE(seen ? "the destroy read by an event pass" : "the destroy unseen until the close");
    if (!m_Host) m_Host = x11test::OpenHostWindow(m_pDisplay);
    Open();
    m_pWindow->SetKeyInput(true);  // the keyboard taken, as for an open text field
    PlatformEvent event;
    m_pWindow->NextEvent(event);
    // The host's handler, installed after the window opened, would end the
    // process at any error.
    using Fatal = x11test::CountingHandler<0>;
    const XErrorHandler before = XSetErrorHandler(Fatal::Handle);
    Fatal::count = 0;
    XDestroyWindow(m_pDisplay, m_Host);
    XSync(m_pDisplay, False);
    m_Host = 0;
    if (seen) {
      ASSERT_TRUE(WaitFor(EPlatformEvent::kDestroyed, event));
    }
    // Also reads the errors of requests made before the destroy was known.
    EXPECT_FALSE(m_pWindow->SyncAlive());
    EXPECT_FALSE(m_pWindow->IsAlive());
    const unsigned long swallowed = X11SwallowedErrorCount();
    Surface red = FilledImage(1, 0, 0);
    m_pWindow->Present(red.get(), {0, 0, kWidth, kHeight});
    m_pWindow->SetCursor(kPlatformCursorHand);
    m_pWindow->SetDropTarget(false);
    m_pWindow->SetSize(kWidth / 2, kHeight);
    m_pWindow->SetPosition(3, 3);
    m_pWindow->SetKeyInput(false);
    m_pWindow->NextEvent(event);
    m_pWindow.reset();
    EXPECT_EQ(X11SwallowedErrorCount(), swallowed) << "a request was sent to the gone window";
    EXPECT_EQ(Fatal::count, 0);
    XSetErrorHandler(before);
  }
}

TEST_F(X11WindowTest, PresentAfterAnUnseenDestroyDrawsNothing) {
  Open();
  XDestroyWindow(m_pDisplay, m_Host);
  XSync(m_pDisplay, False);
  m_Host = 0;
  Surface red = FilledImage(1, 0, 0);
  EXPECT_TRUE(Eventually([&] {
    m_pWindow->Present(red.get(), {0, 0, kWidth, kHeight});
    return !m_pWindow->IsAlive();
  })) << "the destroy is noticed by presenting";
}

TEST_F(X11WindowTest, ParentThatIsNoWindowGivesNoWindow) {
  EXPECT_EQ(CreateX11Window(reinterpret_cast<void*>(uintptr_t{0x7FFFFFF}), kWidth, kHeight), nullptr);
  EXPECT_EQ(CreateX11Window(nullptr, kWidth, kHeight), nullptr);
  EXPECT_EQ(CreateX11Window(reinterpret_cast<void*>(static_cast<uintptr_t>(m_Host)), 0, kHeight), nullptr);
}

namespace {

// A drag source on a connection of its own, run on a thread: offers one file
// as text/uri-list and answers the target's data request.
class DragSource {
 public:
  explicit DragSource(Window target) : m_Target(target) {}

  void Run(std::atomic<bool>& stop, std::atomic<bool>& finished, std::atomic<bool>& accepted) {
    Display* display = XOpenDisplay(nullptr);
    Window source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    Atom selection = XInternAtom(display, "XdndSelection", False);
    Atom uriList = XInternAtom(display, "text/uri-list", False);
    XSetSelectionOwner(display, selection, source, CurrentTime);
    Send(display, source, "XdndEnter", 5L << 24, static_cast<long>(uriList));
    // Position at screen (40 + 60, 30 + 25): editor pixel (60, 25).
    Send(display, source, "XdndPosition", 0, ((40 + 60) << 16) | (30 + 25), CurrentTime);
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    bool dropped = false;
    while (!stop && std::chrono::steady_clock::now() < deadline) {
      while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionRequest) {
          x11test::AnswerSelection(display, event.xselectionrequest, "file:///tmp/Dropped%20File.wav\r\n");
        } else if (event.type == ClientMessage) {
          const char* name = XGetAtomName(display, event.xclient.message_type);
          if (std::strcmp(name, "XdndStatus") == 0 && !dropped) {
            accepted = (event.xclient.data.l[1] & 1) != 0;
            Send(display, source, "XdndDrop", 0, CurrentTime);
            dropped = true;
          } else if (std::strcmp(name, "XdndFinished") == 0) {
            finished = (event.xclient.data.l[1] & 1) != 0;
          }
          XFree(const_cast<char*>(name));
        }
      }
      pollfd fd{ConnectionNumber(display), POLLIN, 0};
      poll(&fd, 1, 10);
    }
    XDestroyWindow(display, source);
    XCloseDisplay(display);
  }

 private:
  void Send(Display* display, Window source, const char* type, long l1, long l2, long l3 = 0) {
    x11test::SendDndMessage(display, m_Target, source, type, l1, l2, l3);
  }

  Window m_Target;
};

}  // namespace

TEST_F(X11WindowTest, DroppedFileArrivesAsEnterThenDropWithItsPath) {
  Open();
  m_pWindow->SetDropTarget(true);
  // The mark is set on the window's own connection.
  long version = 0;
  const bool marked = Eventually([&] {
    const X11Property aware =
        X11ReadProperty(m_pDisplay, m_Editor, XInternAtom(m_pDisplay, "XdndAware", False), 1, false, XA_ATOM);
    if (aware.count == 1) version = *reinterpret_cast<const long*>(aware.data.get());
    return aware.count == 1;
  });
  ASSERT_TRUE(marked) << "the window is marked as a drop target";
  EXPECT_EQ(version, 5);

  std::atomic<bool> stop{false}, finished{false}, accepted{false};
  DragSource source(m_Editor);
  std::thread sourceThread([&] { source.Run(stop, finished, accepted); });
  PlatformEvent enter, drop;
  const bool entered = WaitFor(EPlatformEvent::kDragEnter, enter);
  const bool dropped = entered && WaitFor(EPlatformEvent::kDrop, drop);
  if (dropped) Eventually([&] { return finished.load(); });
  stop = true;
  sourceThread.join();

  ASSERT_TRUE(entered);
  EXPECT_EQ(enter.x, 60);
  EXPECT_EQ(enter.y, 25);
  ASSERT_EQ(enter.items.size(), 1u);
  EXPECT_EQ(enter.items[0].type, PlatformDragItem::kFile);
  EXPECT_EQ(enter.items[0].data, "/tmp/Dropped File.wav");
  ASSERT_TRUE(dropped);
  ASSERT_EQ(drop.items.size(), 1u);
  EXPECT_EQ(drop.items[0].data, "/tmp/Dropped File.wav");
  EXPECT_TRUE(accepted) << "the status told the source the drop is taken";
  EXPECT_TRUE(finished) << "the source was told the drop is done";
}
