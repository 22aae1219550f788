#include "platform/X11Window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <cairo-xlib.h>
#include <cairo.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <deque>

#include "platform/X11Dnd.h"
#include "platform/X11ErrorTrap.h"
#include "platform/X11Input.h"

namespace {

constexpr long kBaseEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                                StructureNotifyMask;
constexpr long kKeyEventMask = KeyPressMask | KeyReleaseMask;
constexpr int kCursorCount = 10;

struct DisplayClose {
  void operator()(Display* display) const noexcept { XCloseDisplay(display); }
};
struct SurfaceDestroy {
  void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};

class CX11Window final : public CPlatformWindow {
 public:
  CX11Window(std::unique_ptr<Display, DisplayClose> display, Window window, Visual* visual, int x,
             int y, int width, int height)
      : m_pDisplay(std::move(display)),
        m_Window(window),
        m_nX(x),
        m_nY(y),
        m_nWidth(width),
        m_nHeight(height),
        m_pSurface(cairo_xlib_surface_create(m_pDisplay.get(), window, visual, width, height)),
        m_Dnd(m_pDisplay.get(), window) {}

  ~CX11Window() override {
    m_pSurface.reset();
    {
      // The host may have destroyed its window, and ours with it, already.
      CX11ErrorTrap trap(m_pDisplay.get());
      if (!m_bDestroyed) XDestroyWindow(m_pDisplay.get(), m_Window);
      for (Cursor& cursor : m_Cursors)
        if (cursor) XFreeCursor(m_pDisplay.get(), cursor);
    }
  }

  bool NextEvent(PlatformEvent& event) override {
    while (m_Pending.empty() && !m_bDestroyed && XPending(m_pDisplay.get()) > 0) {
      XEvent xevent;
      XNextEvent(m_pDisplay.get(), &xevent);
      Translate(xevent);
    }
    if (m_Pending.empty()) return false;
    event = std::move(m_Pending.front());
    m_Pending.pop_front();
    return true;
  }

  bool WaitEvent(PlatformEvent& event, int timeoutMs) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
      if (NextEvent(event)) return true;
      if (m_bDestroyed) return false;
      int waitMs = -1;
      if (timeoutMs >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        waitMs = static_cast<int>(left.count());
      }
      pollfd fd{ConnectionNumber(m_pDisplay.get()), POLLIN, 0};
      poll(&fd, 1, waitMs);
    }
  }

  void QueryPointer(int& x, int& y, long& buttons) override {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0;
    unsigned int mask = 0;
    if (m_bDestroyed ||
        !XQueryPointer(m_pDisplay.get(), m_Window, &root, &child, &rootX, &rootY, &x, &y, &mask)) {
      buttons = 0;
      return;
    }
    buttons = X11HeldButtonFlags(mask) | X11ModifierFlags(mask);
  }

  void Present(cairo_surface_t* backBuffer, const PlatformRect& area) override {
    if (!backBuffer || !m_pSurface || area.Width() <= 0 || area.Height() <= 0) return;
    // A destroy that has already arrived stops drawing onto a dead window.
    XEvent xevent;
    if (XCheckTypedWindowEvent(m_pDisplay.get(), m_Window, DestroyNotify, &xevent)) Translate(xevent);
    if (m_bDestroyed) return;
    cairo_t* cr = cairo_create(m_pSurface.get());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, backBuffer, 0, 0);
    cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(m_pSurface.get());
    XFlush(m_pDisplay.get());
  }

  void SetSize(int width, int height) override {
    if (m_bDestroyed || width <= 0 || height <= 0) return;
    m_nWidth = width;
    m_nHeight = height;
    XResizeWindow(m_pDisplay.get(), m_Window, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    cairo_xlib_surface_set_size(m_pSurface.get(), width, height);
    XFlush(m_pDisplay.get());
  }

  void SetPosition(int x, int y) override {
    if (m_bDestroyed) return;
    m_nX = x;
    m_nY = y;
    XMoveWindow(m_pDisplay.get(), m_Window, x, y);
    XFlush(m_pDisplay.get());
  }

  PlatformRect GetFrame() const override { return {m_nX, m_nY, m_nX + m_nWidth, m_nY + m_nHeight}; }

  void SetCursor(int cursorType) override {
    if (m_bDestroyed) return;
    if (cursorType < 0 || cursorType >= kCursorCount) cursorType = kPlatformCursorDefault;
    if (cursorType == kPlatformCursorDefault) {
      XUndefineCursor(m_pDisplay.get(), m_Window);  // the host window's pointer
    } else {
      // The core cursor font has no copy arrow; the plus sign stands for it.
      static const unsigned int shapes[kCursorCount] = {
          XC_left_ptr, XC_watch,  XC_sb_h_double_arrow, XC_sb_v_double_arrow, XC_fleur,
          XC_sizing,   XC_sizing, XC_plus,              XC_X_cursor,          XC_hand2};
      Cursor& cursor = m_Cursors[cursorType];
      if (!cursor) cursor = XCreateFontCursor(m_pDisplay.get(), shapes[cursorType]);
      XDefineCursor(m_pDisplay.get(), m_Window, cursor);
    }
    XFlush(m_pDisplay.get());
  }

  void SetKeyInput(bool wanted) override {
    if (m_bDestroyed || wanted == m_bKeyInput) return;
    m_bKeyInput = wanted;
    XSelectInput(m_pDisplay.get(), m_Window, kBaseEventMask | (wanted ? kKeyEventMask : 0));
    XFlush(m_pDisplay.get());
  }

  void SetDropTarget(bool wanted) override {
    if (m_bDestroyed) return;
    m_Dnd.SetEnabled(wanted);
    XFlush(m_pDisplay.get());
  }

  bool IsAlive() const override { return !m_bDestroyed; }

 private:
  void Push(PlatformEvent event) { m_Pending.push_back(std::move(event)); }

  // Turns one X event into the neutral events it stands for (none or more).
  void Translate(XEvent& xevent) {
    PlatformEvent event;
    switch (xevent.type) {
      case Expose: {
        const XExposeEvent& e = xevent.xexpose;
        event.type = EPlatformEvent::kExpose;
        event.rect = {e.x, e.y, e.x + e.width, e.y + e.height};
        Push(event);
        break;
      }
      case ButtonPress:
      case ButtonRelease: {
        const XButtonEvent& e = xevent.xbutton;
        event.x = e.x;
        event.y = e.y;
        if (X11WheelStep(e.button, event.wheelAxis, event.wheelDistance)) {
          if (xevent.type == ButtonRelease) break;
          event.type = EPlatformEvent::kWheel;
          event.buttons = X11HeldButtonFlags(e.state) | X11ModifierFlags(e.state);
        } else if (xevent.type == ButtonPress) {
          event.type = EPlatformEvent::kMouseDown;
          event.buttons = X11ButtonFlag(e.button) | X11ModifierFlags(e.state);
          event.clickCount = m_DoubleClick.Press(e.button, e.x, e.y, e.time);
        } else {
          // The state is that before the release.
          event.type = EPlatformEvent::kMouseUp;
          event.buttons = (X11HeldButtonFlags(e.state) & ~X11ButtonFlag(e.button)) |
                          X11ModifierFlags(e.state);
        }
        Push(event);
        break;
      }
      case MotionNotify: {
        // Only the latest position of a burst matters.
        while (XCheckTypedWindowEvent(m_pDisplay.get(), m_Window, MotionNotify, &xevent)) {
        }
        const XMotionEvent& e = xevent.xmotion;
        event.type = EPlatformEvent::kMouseMove;
        event.x = e.x;
        event.y = e.y;
        event.buttons = X11HeldButtonFlags(e.state) | X11ModifierFlags(e.state);
        Push(event);
        break;
      }
      case EnterNotify:
      case LeaveNotify: {
        const XCrossingEvent& e = xevent.xcrossing;
        if (e.mode != NotifyNormal) break;  // grabs by a held button are not crossings
        event.type = xevent.type == EnterNotify ? EPlatformEvent::kMouseEnter : EPlatformEvent::kMouseLeave;
        event.x = e.x;
        event.y = e.y;
        event.buttons = X11HeldButtonFlags(e.state) | X11ModifierFlags(e.state);
        Push(event);
        break;
      }
      case KeyPress:
      case KeyRelease: {
        if (!m_bKeyInput) break;
        char text[8];
        KeySym keysym = NoSymbol;
        XLookupString(&xevent.xkey, text, sizeof text, &keysym, nullptr);
        event.type = xevent.type == KeyPress ? EPlatformEvent::kKeyDown : EPlatformEvent::kKeyUp;
        event.key = X11TranslateKey(keysym, xevent.xkey.state);
        Push(event);
        break;
      }
      case ConfigureNotify: {
        const XConfigureEvent& e = xevent.xconfigure;
        // The position is ours alone to set; a notice of an earlier move may
        // still be on its way, so only the size is taken from it.
        if (e.window != m_Window) break;
        if (e.width != m_nWidth || e.height != m_nHeight) {
          m_nWidth = e.width;
          m_nHeight = e.height;
          cairo_xlib_surface_set_size(m_pSurface.get(), e.width, e.height);
        }
        event.type = EPlatformEvent::kResized;
        event.rect = {0, 0, e.width, e.height};
        Push(event);
        break;
      }
      case DestroyNotify:
        if (xevent.xdestroywindow.window != m_Window || m_bDestroyed) break;
        m_bDestroyed = true;
        m_pSurface.reset();
        event.type = EPlatformEvent::kDestroyed;
        Push(event);
        break;
      case ClientMessage:
        m_Dnd.HandleClientMessage(xevent.xclient, m_Pending);
        break;
      default:
        break;
    }
  }

  std::unique_ptr<Display, DisplayClose> m_pDisplay;  // owned; closed last
  Window m_Window;
  int m_nX, m_nY;           // origin in the host's window
  int m_nWidth, m_nHeight;  // pixels
  std::unique_ptr<cairo_surface_t, SurfaceDestroy> m_pSurface;  // the window as a cairo target
  CX11Dnd m_Dnd;
  Cursor m_Cursors[kCursorCount] = {};  // made on first use
  bool m_bDestroyed = false;            // the window is gone with the host's
  bool m_bKeyInput = false;
  CDoubleClickDetector m_DoubleClick;
  std::deque<PlatformEvent> m_Pending;  // translated, not yet taken
};

}  // namespace

std::unique_ptr<CPlatformWindow> CreateX11Window(void* parent, int width, int height) {
  if (!parent || width <= 0 || height <= 0) return nullptr;
  std::unique_ptr<Display, DisplayClose> display(XOpenDisplay(nullptr));
  if (!display) return nullptr;
  const Window parentWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
  Window window = 0;
  XWindowAttributes attributes{};
  {
    CX11ErrorTrap trap(display.get());
    XSetWindowAttributes set{};
    set.event_mask = kBaseEventMask;
    set.background_pixmap = None;  // no clearing before our own paint: no flicker
    window = XCreateWindow(display.get(), parentWindow, 0, 0, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWEventMask | CWBackPixmap, &set);
    if (trap.Failed() || !XGetWindowAttributes(display.get(), window, &attributes) || trap.Failed()) {
      if (window) XDestroyWindow(display.get(), window);
      return nullptr;
    }
    XMapWindow(display.get(), window);
  }
  return std::make_unique<CX11Window>(std::move(display), window, attributes.visual, 0, 0, width,
                                      height);
}
