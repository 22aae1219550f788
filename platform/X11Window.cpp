#include "platform/X11Window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <cairo-xlib.h>
#include <cairo.h>
#include <poll.h>

#include <algorithm>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <deque>

#include "platform/CairoHandles.h"
#include "platform/X11Clipboard.h"
#include "platform/X11Dnd.h"
#include "platform/X11ErrorTrap.h"
#include "platform/X11Focus.h"
#include "platform/X11Input.h"
#include "platform/X11MotionBurst.h"
#include "platform/X11Pixels.h"
#include "platform/X11SharedImage.h"
#include "platform/X11TextInput.h"
#include "platform/X11Visibility.h"

namespace {

constexpr long kBaseEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                EnterWindowMask | LeaveWindowMask | StructureNotifyMask |
                                FocusChangeMask | VisibilityChangeMask;
constexpr long kKeyEventMask = KeyPressMask | KeyReleaseMask;
constexpr int kCursorCount = 10;
constexpr int kKeyCodeCount = 256;

// Every request on the window may meet a window the host has destroyed
// already: its error is swallowed by the connection's error handler
// (X11ErrorTrap.h, put back in force at each event pass, present and close),
// and the destroy notice that follows ends the window; nothing more is sent
// to it from then on. So the back buffer's pixels go onto the window as a
// plain image request wherever the visual allows, with no drawing library
// state that such an error could leave behind: through shared memory where
// the server offers it (X11SharedImage.h), through the socket otherwise.
// Cairo draws onto the window only for other visuals.
class CX11Window final : public CPlatformWindow {
 public:
  CX11Window(X11ConnectionPtr display, Window parent, Window window, const XWindowAttributes& attributes)
      : m_pDisplay(std::move(display)),
        m_Parent(parent),
        m_Window(window),
        m_nWidth(attributes.width),
        m_nHeight(attributes.height),
        m_nDepth(attributes.depth),
        m_GC(XCreateGC(m_pDisplay.get(), window, 0, nullptr)),
        m_pSurface(X11TakesBackBufferPixels(m_pDisplay.get(), attributes)
                       ? nullptr
                       : cairo_xlib_surface_create(m_pDisplay.get(), window, attributes.visual, m_nWidth, m_nHeight)),
        m_Dnd(m_pDisplay.get(), window),
        m_Clipboard(m_pDisplay.get(), window),
        m_TextInput(m_pDisplay.get(), window),
        m_Visibility(m_pDisplay.get(), window),
        m_Focus(m_pDisplay.get(), window, parent),
        m_Shared(m_pDisplay.get(), window, m_GC, m_nDepth),
        m_bShown(m_Visibility.Shown()) {
    SelectEvents();
    if (!m_bShown) Push(Simple(EPlatformEvent::kHidden));
  }

  ~CX11Window() override {
    Display* display = m_pDisplay.get();
    SyncAlive();
    m_pSurface.reset();
    XFreeGC(display, m_GC);
    if (!m_bDestroyed) {
      m_Focus.GiveBack();
      XDestroyWindow(display, m_Window);
    }
    for (Cursor& cursor : m_Cursors)
      if (cursor) XFreeCursor(display, cursor);
  }

  bool NextEvent(PlatformEvent& event) override {
    X11KeepErrorHandler();
    ApplyKeyInput();
    if (!m_bDestroyed) m_Dnd.Poll(m_Pending);
    while (m_Pending.empty() && !m_bDestroyed && XPending(m_pDisplay.get()) > 0) {
      XEvent xevent;
      XNextEvent(m_pDisplay.get(), &xevent);
      if (m_TextInput.Filter(xevent)) continue;
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
    if (!backBuffer || area.Width() <= 0 || area.Height() <= 0) return;
    X11KeepErrorHandler();
    // A destroy that has already arrived stops drawing onto a dead window.
    if (Gone()) return;
    if (m_pSurface) {
      {
        const CairoPtr cr(cairo_create(m_pSurface.get()));
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr.get(), backBuffer, 0, 0);
        cairo_rectangle(cr.get(), area.left, area.top, area.Width(), area.Height());
        cairo_fill(cr.get());
      }
      cairo_surface_flush(m_pSurface.get());
    } else {
      const PlatformRect clipped{area.left, area.top, std::min(area.right, m_nWidth), std::min(area.bottom, m_nHeight)};
      const bool shared = m_Shared.Usable();
      if (shared) m_Shared.Present(backBuffer, clipped);
      // A segment the server refused leaves what waited for it to the socket.
      if (!m_Shared.Usable())
        X11PutBackBuffer(m_pDisplay.get(), m_Window, m_GC, m_nDepth, backBuffer,
                         shared ? PlatformRect{0, 0, m_nWidth, m_nHeight} : clipped);
    }
    XFlush(m_pDisplay.get());
  }

  void SetSize(int width, int height) override {
    if (Gone() || width <= 0 || height <= 0) return;
    m_nWidth = width;
    m_nHeight = height;
    XResizeWindow(m_pDisplay.get(), m_Window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (m_pSurface) cairo_xlib_surface_set_size(m_pSurface.get(), width, height);
    XFlush(m_pDisplay.get());
  }

  void SetPosition(int x, int y) override {
    if (Gone()) return;
    m_nX = x;
    m_nY = y;
    XMoveWindow(m_pDisplay.get(), m_Window, x, y);
    XFlush(m_pDisplay.get());
  }

  PlatformRect GetFrame() const override { return {m_nX, m_nY, m_nX + m_nWidth, m_nY + m_nHeight}; }

  void SetCursor(int cursorType) override {
    if (Gone()) return;
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

  // Noted now, done at the next event pass: a click that ends a text edit
  // and opens it again (a click inside the open field) moves no focus.
  void SetKeyInput(bool wanted) override { m_bKeyInput = wanted; }

  void ForwardKey(const PlatformEvent& event) override {
    const unsigned int code = event.native.code;
    if (m_bDestroyed || code == 0 || code >= kKeyCodeCount) return;
    const bool press = event.type == EPlatformEvent::kKeyDown;
    if (!press) {
      if (!m_ForwardedPresses[code]) return;
      m_ForwardedPresses[code] = false;
    } else {
      m_ForwardedPresses[code] = true;
    }
    XEvent xevent{};
    XKeyEvent& key = xevent.xkey;
    key.type = press ? KeyPress : KeyRelease;
    key.display = m_pDisplay.get();
    key.window = m_Parent;
    key.root = DefaultRootWindow(m_pDisplay.get());
    key.subwindow = None;
    key.time = event.native.time;
    key.x = event.x + m_nX;  // the pointer in the host's window
    key.y = event.y + m_nY;
    key.x_root = event.native.rootX;
    key.y_root = event.native.rootY;
    key.state = event.native.state;
    key.keycode = code;
    key.same_screen = True;
    // Propagated: a host window that does not take keys itself passes them
    // up to the window that does.
    XSendEvent(m_pDisplay.get(), m_Parent, True, press ? KeyPressMask : KeyReleaseMask, &xevent);
    XFlush(m_pDisplay.get());
  }

  void SetClipboardText(const std::string& text) override {
    if (m_bDestroyed) return;
    m_Clipboard.SetText(text, m_LastTime);
    XFlush(m_pDisplay.get());
  }

  void RequestClipboardText() override {
    if (m_bDestroyed) return;
    m_Clipboard.RequestText(m_LastTime, m_Pending);
  }

  void SetDropTarget(bool wanted) override {
    if (Gone()) return;
    m_Dnd.SetEnabled(wanted);
    XFlush(m_pDisplay.get());
  }

  bool IsAlive() const override { return !m_bDestroyed; }

  bool SyncAlive() override {
    X11KeepErrorHandler();
    if (!m_bDestroyed) XSync(m_pDisplay.get(), False);
    return !Gone();
  }

 private:
  static PlatformEvent Simple(EPlatformEvent type) {
    PlatformEvent event;
    event.type = type;
    return event;
  }
  void Push(PlatformEvent event) { m_Pending.push_back(std::move(event)); }

  // True once the window is gone: a destroy notice already read from the
  // connection counts, without waiting for the server.
  bool Gone() {
    XEvent xevent;
    if (!m_bDestroyed && XCheckTypedWindowEvent(m_pDisplay.get(), m_Window, DestroyNotify, &xevent))
      Translate(xevent);
    return m_bDestroyed;
  }

  // Takes the keyboard focus for a view that asks for keys, and gives it back
  // when none does any more.
  void ApplyKeyInput() {
    if (m_bDestroyed || m_bKeyInput == m_Focus.Taken()) return;
    if (m_bKeyInput) {
      m_Focus.Take();
      SelectEvents();  // the focus itself counts once its notice comes
    } else {
      m_Focus.GiveBack();
      // At once: the notice of this loss, still on its way, then ends
      // nothing (a field opened meanwhile).
      SetFocus(false);
      SelectEvents();
    }
  }

  // Keys are taken while the window has the keyboard focus, or has asked for
  // it; otherwise they reach the host's window untouched.
  void SelectEvents() {
    if (m_bDestroyed) return;
    const bool keys = m_bHasFocus || m_Focus.Taken();
    // The input method asks for key events only (and only while keys come).
    XSelectInput(m_pDisplay.get(), m_Window, kBaseEventMask | (keys ? kKeyEventMask | m_TextInput.EventMask() : 0));
    XFlush(m_pDisplay.get());
  }

  void SetFocus(bool focused) {
    if (focused == m_bHasFocus) return;
    m_bHasFocus = focused;
    m_TextInput.SetFocus(focused);
    SelectEvents();
  }

  void TranslateKey(XKeyEvent& xkey) {
    const bool press = xkey.type == KeyPress;
    bool first = true;
    for (const PlatformKey& key : m_TextInput.Translate(xkey)) {
      PlatformEvent event = Simple(press ? EPlatformEvent::kKeyDown : EPlatformEvent::kKeyUp);
      event.key = key;
      event.x = xkey.x;
      event.y = xkey.y;
      if (first) event.native = {xkey.keycode, xkey.state, xkey.time, xkey.x_root, xkey.y_root};
      first = false;
      Push(event);
    }
  }

  // Turns one X event into the neutral events it stands for (none or more).
  void Translate(XEvent& xevent) {
    // The host's window going takes ours with it: the notices about its
    // unmapping come first, and asking about a window that is gone helps
    // nothing.
    if (xevent.type != DestroyNotify && Gone()) return;
    if (!m_pSurface && m_Shared.HandleEvent(xevent)) return;
    if (m_Visibility.HandleEvent(xevent)) {
      if (m_Visibility.Shown() != m_bShown) {
        m_bShown = m_Visibility.Shown();
        Push(Simple(m_bShown ? EPlatformEvent::kShown : EPlatformEvent::kHidden));
      }
      return;
    }
    if (m_Clipboard.HandleEvent(xevent, m_Pending)) return;
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
        m_LastTime = e.time;
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
          event.buttons =
              (X11HeldButtonFlags(e.state) & ~X11ButtonFlag(e.button)) | X11ModifierFlags(e.state);
        }
        Push(event);
        break;
      }
      case MotionNotify: {
        X11TakeMotionBurst(m_pDisplay.get(), xevent, m_Window);
        const XMotionEvent& e = xevent.xmotion;
        m_LastTime = e.time;
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
        m_LastTime = e.time;
        if (e.mode != NotifyNormal) break;  // grabs by a held button are not crossings
        event.type = xevent.type == EnterNotify ? EPlatformEvent::kMouseEnter : EPlatformEvent::kMouseLeave;
        event.x = e.x;
        event.y = e.y;
        event.buttons = X11HeldButtonFlags(e.state) | X11ModifierFlags(e.state);
        Push(event);
        break;
      }
      case KeyPress:
      case KeyRelease:
        m_LastTime = xevent.xkey.time;
        if (m_bHasFocus || m_Focus.Taken()) TranslateKey(xevent.xkey);
        break;
      case FocusIn:
      case FocusOut: {
        const XFocusChangeEvent& e = xevent.xfocus;
        // Grabs (an open pop-up menu) move no focus; the pointer's window
        // under a focus on the root, and a window within ours, are not ours
        // to gain or lose.
        if (e.mode == NotifyGrab || e.mode == NotifyUngrab || e.detail == NotifyPointer ||
            e.detail == NotifyInferior)
          break;
        const bool gained = xevent.type == FocusIn;
        const bool had = m_bHasFocus;
        SetFocus(gained);
        if (!gained && had) Push(Simple(EPlatformEvent::kFocusOut));
        break;
      }
      case MappingNotify:
        if (xevent.xmapping.request != MappingPointer) XRefreshKeyboardMapping(&xevent.xmapping);
        break;
      case ConfigureNotify: {
        const XConfigureEvent& e = xevent.xconfigure;
        // The position is ours alone to set; a notice of an earlier move may
        // still be on its way, so only the size is taken from it. Ancestors'
        // notices (their structure is watched) are not ours.
        if (e.window != m_Window) break;
        m_nWidth = e.width;
        m_nHeight = e.height;
        if (m_pSurface) cairo_xlib_surface_set_size(m_pSurface.get(), e.width, e.height);
        event.type = EPlatformEvent::kResized;
        event.rect = {0, 0, e.width, e.height};
        Push(event);
        break;
      }
      case DestroyNotify:
        if (xevent.xdestroywindow.window != m_Window || m_bDestroyed) break;
        m_bDestroyed = true;
        Push(Simple(EPlatformEvent::kDestroyed));
        break;
      case ClientMessage:
        m_Dnd.HandleClientMessage(xevent.xclient, m_Pending);
        break;
      case SelectionNotify:
        m_Dnd.HandleSelectionNotify(xevent.xselection, m_Pending);
        break;
      default:
        break;
    }
  }

  X11ConnectionPtr m_pDisplay;  // owned; closed last
  Window m_Parent;              // the host's window
  Window m_Window;
  int m_nX = 0, m_nY = 0;       // origin in the host's window
  int m_nWidth, m_nHeight;      // pixels
  int m_nDepth;
  GC m_GC;                      // puts the back buffer's pixels
  // The window as a Cairo target, for visuals that do not take the back
  // buffer's pixels; null otherwise.
  CairoSurfacePtr m_pSurface;
  CX11Dnd m_Dnd;
  CX11Clipboard m_Clipboard;
  CX11TextInput m_TextInput;    // closed before the connection
  CX11Visibility m_Visibility;
  CX11Focus m_Focus;
  CX11SharedImage m_Shared;             // unused for visuals Cairo draws onto
  Cursor m_Cursors[kCursorCount] = {};  // made on first use
  bool m_bDestroyed = false;            // the window is gone with the host's
  bool m_bKeyInput = false;             // a view asks for keys (applied at the next event pass)
  bool m_bHasFocus = false;             // the window has the keyboard focus
  bool m_bShown;                        // as last reported
  Time m_LastTime = CurrentTime;        // server time of the latest input event
  std::bitset<kKeyCodeCount> m_ForwardedPresses;  // key codes whose press went to the host
  CDoubleClickDetector m_DoubleClick;
  std::deque<PlatformEvent> m_Pending;  // translated, not yet taken
};

}  // namespace

std::unique_ptr<CPlatformWindow> CreateX11Window(void* parent, int width, int height) {
  if (!parent || width <= 0 || height <= 0) return nullptr;
  X11ConnectionPtr display = X11OpenConnection();
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
                           static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWEventMask | CWBackPixmap, &set);
    if (trap.Failed() || !XGetWindowAttributes(display.get(), window, &attributes) || trap.Failed()) {
      if (window) XDestroyWindow(display.get(), window);
      return nullptr;
    }
    XMapWindow(display.get(), window);
  }
  return std::make_unique<CX11Window>(std::move(display), parentWindow, window, attributes);
}
