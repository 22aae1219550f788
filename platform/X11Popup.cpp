#include "platform/X11Popup.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <cairo.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/CairoHandles.h"
#include "platform/X11ErrorTrap.h"
#include "platform/X11Handles.h"
#include "platform/X11Input.h"
#include "platform/X11MotionBurst.h"

namespace {

constexpr long kWindowEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                  PointerMotionMask | KeyPressMask | StructureNotifyMask;
constexpr unsigned int kGrabPointerMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
// While another client holds the pointer (the editor's window keeps it from
// the press that opened the menu until its release) the pointer is polled.
constexpr int kPollIntervalMs = 10;

struct PopupWindow {
  Window window = 0;
  PlatformRect area;
  CairoSurfacePtr target;  // the window as a cairo surface
  CairoSurfacePtr shown;   // copy of the last image, for repainting exposed parts
  bool unmappedByUs = false;
};

class CX11Popup final : public CPlatformPopup {
 public:
  CX11Popup(X11ConnectionPtr display, Window host)
      : m_pDisplay(std::move(display)),
        m_Root(DefaultRootWindow(m_pDisplay.get())),
        m_Host(host) {}

  ~CX11Popup() override {
    Display* display = m_pDisplay.get();
    if (m_bPointerGrabbed) XUngrabPointer(display, CurrentTime);
    if (m_bKeyboardGrabbed) XUngrabKeyboard(display, CurrentTime);
    for (std::unique_ptr<PopupWindow>& window : m_Windows)
      if (window) Destroy(*window);
    XSync(display, False);
  }

  PlatformRect ScreenArea() override {
    Display* display = m_pDisplay.get();
    const int screen = DefaultScreen(display);
    PlatformRect area{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
    // The desktop's work area leaves out panels and docks where there are any.
    const Atom workArea = XInternAtom(display, "_NET_WORKAREA", True);
    if (workArea == None) return area;
    const X11Property work = X11ReadProperty(display, m_Root, workArea, 4, false, XA_CARDINAL);
    if (work.data && work.type == XA_CARDINAL && work.format == 32 && work.count >= 4) {
      const long* values = reinterpret_cast<const long*>(work.data.get());
      if (values[2] > 0 && values[3] > 0)
        area = {static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[0] + values[2]),
                static_cast<int>(values[1] + values[3])};
    }
    return area;
  }

  bool HostToScreen(int& x, int& y) override {
    if (!m_Host) return false;
    // The host's window may already be gone.
    CX11ErrorTrap trap(m_pDisplay.get());
    int rootX = 0, rootY = 0;
    Window child = 0;
    const bool same = XTranslateCoordinates(m_pDisplay.get(), m_Host, m_Root, x, y, &rootX, &rootY, &child);
    if (trap.Failed() || !same) return false;
    x = rootX;
    y = rootY;
    return true;
  }

  int OpenWindow(const PlatformRect& area) override {
    if (area.Width() <= 0 || area.Height() <= 0) return -1;
    Display* display = m_pDisplay.get();
    XSetWindowAttributes set{};
    set.override_redirect = True;
    set.save_under = True;
    set.background_pixmap = None;
    set.border_pixel = 0;
    set.event_mask = kWindowEventMask;
    const Window window = XCreateWindow(
        display, m_Root, area.left, area.top, static_cast<unsigned>(area.Width()),
        static_cast<unsigned>(area.Height()), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWOverrideRedirect | CWSaveUnder | CWBackPixmap | CWBorderPixel | CWEventMask, &set);
    if (!window) return -1;
    // Compositing managers draw menus as menus (shadows, no animations).
    const Atom windowType = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom popupType = XInternAtom(display, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
    XChangeProperty(display, window, windowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&popupType), 1);
    auto popup = std::make_unique<PopupWindow>();
    popup->window = window;
    popup->area = area;
    popup->target.reset(cairo_xlib_surface_create(display, window, DefaultVisual(display, DefaultScreen(display)),
                                                  area.Width(), area.Height()));
    XMapRaised(display, window);
    XFlush(display);
    m_Windows.push_back(std::move(popup));
    TryGrabs();
    return static_cast<int>(m_Windows.size()) - 1;
  }

  void CloseWindow(int id) override {
    PopupWindow* window = Find(id);
    if (!window) return;
    Destroy(*window);
    m_Windows[static_cast<size_t>(id)].reset();
    XFlush(m_pDisplay.get());
  }

  void Present(int id, cairo_surface_t* image) override {
    PopupWindow* window = Find(id);
    if (!window || !image) return;
    CairoSurfacePtr copy(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, window->area.Width(), window->area.Height()));
    {
      const CairoPtr cr(cairo_create(copy.get()));
      cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
      cairo_set_source_surface(cr.get(), image, 0, 0);
      cairo_paint(cr.get());
    }
    window->shown = std::move(copy);
    Repaint(*window, {0, 0, window->area.Width(), window->area.Height()});
  }

  bool WaitEvent(PopupEvent& event, int timeoutMs) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    Display* display = m_pDisplay.get();
    for (;;) {
      TryGrabs();
      while (m_Pending.empty() && XPending(display) > 0) {
        XEvent xevent;
        XNextEvent(display, &xevent);
        Translate(xevent);
      }
      if (m_Pending.empty() && !m_bPointerGrabbed) PollPointer();
      if (!m_Pending.empty()) {
        event = m_Pending.front();
        m_Pending.pop_front();
        return true;
      }
      int waitMs = m_bPointerGrabbed ? -1 : kPollIntervalMs;
      if (timeoutMs >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        if (waitMs < 0 || left.count() < waitMs) waitMs = static_cast<int>(left.count());
      }
      pollfd fd{ConnectionNumber(display), POLLIN, 0};
      poll(&fd, 1, waitMs);
    }
  }

 private:
  PopupWindow* Find(int id) {
    if (id < 0 || id >= static_cast<int>(m_Windows.size())) return nullptr;
    return m_Windows[static_cast<size_t>(id)].get();
  }

  PopupWindow* FindByWindow(Window xid) {
    for (std::unique_ptr<PopupWindow>& window : m_Windows)
      if (window && window->window == xid) return window.get();
    return nullptr;
  }

  // The grabs belong to the first window that is still open.
  Window GrabWindow() const {
    for (const std::unique_ptr<PopupWindow>& window : m_Windows)
      if (window) return window->window;
    return 0;
  }

  void Destroy(PopupWindow& window) {
    window.target.reset();
    window.unmappedByUs = true;
    if (m_bPointerGrabbed || m_bKeyboardGrabbed) {
      // Grabs end with their window; the next one takes them over.
      if (window.window == GrabWindow()) {
        if (m_bPointerGrabbed) XUngrabPointer(m_pDisplay.get(), CurrentTime);
        if (m_bKeyboardGrabbed) XUngrabKeyboard(m_pDisplay.get(), CurrentTime);
        m_bPointerGrabbed = m_bKeyboardGrabbed = false;
        m_bPollStarted = false;
      }
    }
    XDestroyWindow(m_pDisplay.get(), window.window);
  }

  void TryGrabs() {
    Display* display = m_pDisplay.get();
    const Window grab = GrabWindow();
    if (!grab) return;
    if (!m_bPointerGrabbed)
      m_bPointerGrabbed = XGrabPointer(display, grab, False, kGrabPointerMask, GrabModeAsync, GrabModeAsync,
                                       None, None, CurrentTime) == GrabSuccess;
    if (!m_bKeyboardGrabbed)
      m_bKeyboardGrabbed = XGrabKeyboard(display, grab, False, GrabModeAsync, GrabModeAsync, CurrentTime) ==
                           GrabSuccess;
  }

  // Pointer changes seen by polling, as the events a grab would report.
  void PollPointer() {
    Window root = 0, child = 0;
    int x = 0, y = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(m_pDisplay.get(), m_Root, &root, &child, &x, &y, &winX, &winY, &mask)) return;

    const long held = X11HeldButtonFlags(mask);
    const long modifiers = X11ModifierFlags(mask);
    if (!m_bPollStarted) {
      m_bPollStarted = true;
      m_nPollX = x;
      m_nPollY = y;
      m_nPollButtons = held;
      return;
    }
    PopupEvent event;
    event.x = x;
    event.y = y;
    if (x != m_nPollX || y != m_nPollY) {
      event.type = EPopupEvent::kMove;
      event.buttons = held | modifiers;
      m_Pending.push_back(event);
    }
    const long pressed = held & ~m_nPollButtons;
    const long released = m_nPollButtons & ~held;
    if (released) {
      event.type = EPopupEvent::kRelease;
      event.buttons = held | modifiers;
      m_Pending.push_back(event);
    }
    if (pressed) {
      event.type = EPopupEvent::kPress;
      event.buttons = pressed | modifiers;
      m_Pending.push_back(event);
    }
    m_nPollX = x;
    m_nPollY = y;
    m_nPollButtons = held;
  }

  void Repaint(PopupWindow& window, const PlatformRect& area) {
    if (!window.target || !window.shown) return;
    {
      const CairoPtr cr(cairo_create(window.target.get()));
      cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
      cairo_set_source_surface(cr.get(), window.shown.get(), 0, 0);
      cairo_rectangle(cr.get(), area.left, area.top, area.Width(), area.Height());
      cairo_fill(cr.get());
    }
    cairo_surface_flush(window.target.get());
    XFlush(m_pDisplay.get());
  }

  void Translate(XEvent& xevent) {
    PopupEvent event;
    switch (xevent.type) {
      case Expose: {
        const XExposeEvent& e = xevent.xexpose;
        if (PopupWindow* window = FindByWindow(e.window))
          Repaint(*window, {e.x, e.y, e.x + e.width, e.y + e.height});
        break;
      }
      case ButtonPress:
      case ButtonRelease: {
        const XButtonEvent& e = xevent.xbutton;
        event.x = e.x_root;
        event.y = e.y_root;
        int axis = 1;
        float distance = 0;
        if (X11WheelStep(e.button, axis, distance)) {
          if (xevent.type == ButtonRelease || axis != 1) break;
          event.type = EPopupEvent::kWheel;
          event.distance = distance;
        } else if (xevent.type == ButtonPress) {
          event.type = EPopupEvent::kPress;
          event.buttons = X11ButtonFlag(e.button) | X11ModifierFlags(e.state);
        } else {
          event.type = EPopupEvent::kRelease;
          event.buttons = (X11HeldButtonFlags(e.state) & ~X11ButtonFlag(e.button)) | X11ModifierFlags(e.state);
        }
        m_Pending.push_back(event);
        break;
      }
      case MotionNotify: {
        X11TakeMotionBurst(m_pDisplay.get(), xevent);
        const XMotionEvent& e = xevent.xmotion;
        event.type = EPopupEvent::kMove;
        event.x = e.x_root;
        event.y = e.y_root;
        event.buttons = X11HeldButtonFlags(e.state) | X11ModifierFlags(e.state);
        m_Pending.push_back(event);
        break;
      }
      case KeyPress: {
        char text[8];
        KeySym keysym = NoSymbol;
        XLookupString(&xevent.xkey, text, sizeof text, &keysym, nullptr);
        event.type = EPopupEvent::kKey;
        event.key = X11TranslateKey(keysym, xevent.xkey.state);
        m_Pending.push_back(event);
        break;
      }
      case UnmapNotify:
        // Someone else took a menu off the screen: the menus give way.
        if (PopupWindow* window = FindByWindow(xevent.xunmap.window)) {
          if (!window->unmappedByUs) {
            event.type = EPopupEvent::kCancel;
            m_Pending.push_back(event);
          }
        }
        break;
      default:
        break;
    }
  }

  X11ConnectionPtr m_pDisplay;  // owned; closed last
  Window m_Root;
  Window m_Host;
  std::vector<std::unique_ptr<PopupWindow>> m_Windows;  // by id; null once closed
  std::deque<PopupEvent> m_Pending;
  bool m_bPointerGrabbed = false;
  bool m_bKeyboardGrabbed = false;
  bool m_bPollStarted = false;
  int m_nPollX = 0;
  int m_nPollY = 0;
  long m_nPollButtons = 0;
};

}  // namespace

std::unique_ptr<CPlatformPopup> CreateX11Popup(void* hostWindow) {
  X11ConnectionPtr display = X11OpenConnection();
  if (!display) return nullptr;
  const Window host = static_cast<Window>(reinterpret_cast<uintptr_t>(hostWindow));
  return std::make_unique<CX11Popup>(std::move(display), host);
}
