// The X server of the tests that need a real one. Each test process starts
// its own virtual server (Xvfb) on first use and ends it at exit, and points
// DISPLAY at it, so the code under test connects there too: tests running
// side by side share no pointer, focus, grab, window or server reset.
//
// Requests of two connections are not ordered against each other, so what
// a test checks through its own connection after the code under test acted
// through another is waited for (Eventually), never slept for.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "XvfbServer.h"

namespace x11test {

// The longest a test waits for something it asserts to come true.
constexpr std::chrono::seconds kPatience{20};

// Polls `done` (every few milliseconds) until it holds; false when it still
// does not after kPatience.
template <typename Done>
bool Eventually(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// The X errors of one connection caught for a scope (WithoutErrors) rather
// than passed to the process's handler: Xlib's default one ends the process.
struct CaughtErrors {
  static inline std::atomic<Display*> display{nullptr};
  static inline std::atomic<int> count{0};
  static inline std::atomic<XErrorHandler> previous{nullptr};
  static int Handle(Display* d, XErrorEvent* error) {
    if (d == display.load()) {
      ++count;
      return 0;
    }
    // Another connection's error goes where it went before.
    const XErrorHandler before = previous.load();
    return before ? before(d, error) : 0;
  }
};

// Runs `requests` on `display` with that connection's errors caught, for
// requests about windows another client may take away at any moment (the
// code under test, on its own connection); true when none failed.
template <typename Requests>
bool WithoutErrors(Display* display, Requests requests) {
  XSync(display, False);
  const XErrorHandler before = XSetErrorHandler(CaughtErrors::Handle);
  const bool outermost = before != CaughtErrors::Handle;
  if (outermost) {
    CaughtErrors::previous = before;
    CaughtErrors::display = display;
  }
  const int errorsBefore = CaughtErrors::count.load();
  requests();
  XSync(display, False);
  const bool failed = CaughtErrors::count.load() != errorsBefore;
  if (outermost) {
    XSetErrorHandler(before);
    CaughtErrors::display = nullptr;
  }
  return !failed;
}

// A window's attributes; false when it is gone.
inline bool Attributes(Display* display, Window window, XWindowAttributes& attributes) {
  Status got = 0;
  return WithoutErrors(display, [&] { got = XGetWindowAttributes(display, window, &attributes); }) && got;
}

// The host's window of the tests: 300 x 200 unless asked otherwise, grey, at
// (kHostX, kHostY) on the screen, mapped.
constexpr int kHostX = 40;
constexpr int kHostY = 30;
inline Window OpenHostWindow(Display* display, unsigned width = 300, unsigned height = 200) {
  const Window host =
      XCreateSimpleWindow(display, DefaultRootWindow(display), kHostX, kHostY, width, height, 0, 0, 0x808080);
  XMapWindow(display, host);
  XSync(display, False);
  return host;
}

// The window that holds the keyboard focus now.
inline Window Focus(Display* display) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  return focus;
}

// A request of `display` that fails (no client is given ids of this range),
// waited for.
inline void FailingRequest(Display* display) {
  XMapWindow(display, 0x7FFFFFF);
  XSync(display, False);
}

// A host's X error handler that counts what reaches it, in place of one that
// would end the process; each kId is a handler of its own.
template <int kId>
struct CountingHandler {
  static inline std::atomic<int> count{0};
  static int Handle(Display*, XErrorEvent*) {
    ++count;
    return 0;
  }
};

// Threads of this process now: an editor's idle thread left behind shows.
inline int ThreadsOfThisProcess() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  return -1;
}

// A window's pixel as the server holds it, 0xRRGGBB; 0xFFFFFFFF when it
// cannot be read.
inline unsigned long ServerPixel(Display* display, Window window, int x, int y) {
  XImage* image = nullptr;
  WithoutErrors(display, [&] { image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap); });
  if (!image) return 0xFFFFFFFF;
  const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

// A window's children as the server holds them now, bottom first; none when
// they cannot be read (the window is gone).
inline std::vector<Window> Children(Display* display, Window window) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  Status got = 0;
  WithoutErrors(display, [&] { got = XQueryTree(display, window, &root, &parent, &children, &count); });
  if (!got) return {};
  std::vector<Window> list(children, children + count);
  if (children) XFree(children);
  return list;
}

// Answers another client's request for a selection this connection owns:
// `bytes` as the type asked for.
inline void AnswerSelection(Display* display, const XSelectionRequestEvent& request, const std::string& bytes) {
  XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  XEvent reply{};
  reply.xselection = {
      SelectionNotify,  0,           True, display, request.requestor, request.selection, request.target,
      request.property, request.time};
  XSendEvent(display, request.requestor, False, NoEventMask, &reply);
  XFlush(display);
}

// A message of the drag-and-drop protocol from `source` to `target`: its
// type's name and the words after the source's window.
inline void SendDndMessage(Display* display, Window target, Window source, const char* type, long l1, long l2,
                           long l3 = 0) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = target;
  event.xclient.message_type = XInternAtom(display, type, False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(source);
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  XSendEvent(display, target, False, NoEventMask, &event);
  XFlush(display);
}

}  // namespace x11test

// The test's own connection to this process's server, started on first use
// and ended at exit; null when no server could be started (no Xvfb
// installed).
inline Display* OpenTestDisplay() {
  static XvfbServer s_Server("1024x768x24");
  static const bool s_bPointed = s_Server.Running() && setenv("DISPLAY", s_Server.DisplayName().c_str(), 1) == 0;
  if (!s_bPointed) return nullptr;
  return XOpenDisplay(nullptr);
}
