#include "tools/qvxhost/HostX11.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// The host's own connections, so that their errors are told apart.
constexpr int kMaxHostDisplays = 8;
std::atomic<Display*> g_HostDisplays[kMaxHostDisplays];

std::atomic<long> g_nPluginErrors{0}, g_nHostErrors{0};
// The first error: claimed once by the handler that sees it, then readable.
std::atomic<bool> g_bFirstClaimed{false}, g_bFirstReady{false};
XErrorEvent g_FirstError;

bool IsHostDisplay(Display* display) {
  for (auto& d : g_HostDisplays)
    if (d.load() == display) return true;
  return false;
}

int HostErrorHandler(Display* display, XErrorEvent* error) {
  (IsHostDisplay(display) ? g_nHostErrors : g_nPluginErrors).fetch_add(1);
  if (!g_bFirstClaimed.exchange(true)) {
    g_FirstError = *error;
    g_bFirstReady = true;
  }
  return 0;
}

void RegisterHostDisplay(Display* display, bool add) {
  for (auto& d : g_HostDisplays) {
    Display* expected = add ? nullptr : display;
    if (d.compare_exchange_strong(expected, add ? display : nullptr)) return;
  }
}

// Shift to bring a colour mask's top bit to bit 7 of a byte.
int MaskShift(unsigned long mask) {
  int top = 31;
  while (top > 0 && !(mask & (1ul << top))) --top;
  return top - 7;
}

unsigned Channel(unsigned long pixel, unsigned long mask, int shift) {
  const unsigned long v = pixel & mask;
  return static_cast<unsigned>(shift >= 0 ? v >> shift : v << -shift) & 0xFF;
}

}  // namespace

bool HostImage::IsUniform() const {
  return pixels.empty() ||
         std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == pixels.front(); });
}

bool HostImage::DiffersIn(const HostImage& other, int x1, int y1, int x2, int y2) const {
  if (width != other.width || height != other.height) return true;
  for (int y = std::max(y1, 0); y < std::min(y2, height); ++y)
    for (int x = std::max(x1, 0); x < std::min(x2, width); ++x) {
      const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
      if (pixels[at] != other.pixels[at]) return true;
    }
  return false;
}

bool HostImage::WritePng(const std::string& path, std::string& error) const {
  if (pixels.empty()) {
    error = "no pixels to write to " + path;
    return false;
  }
  // Cairo reads the buffer only; RGB24 rows of 4-byte pixels need no padding.
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels.data())),
                                          CAIRO_FORMAT_RGB24, width, height, width * 4);
  cairo_status_t status = cairo_surface_status(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = "cannot write " + path + ": " + cairo_status_to_string(status);
    return false;
  }
  return true;
}

void InstallHostErrorHandler() { XSetErrorHandler(HostErrorHandler); }

namespace {
[[noreturn]] int FatalHostErrorHandler(Display* display, XErrorEvent* error) {
  char text[160] = "";
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "qvxhost: fatal X error on %s connection: %s, request %d\n",
               IsHostDisplay(display) ? "the host's" : "a plug-in's", text, error->request_code);
  std::fflush(stdout);
  std::_Exit(3);
}
}  // namespace

void InstallFatalHostErrorHandler() { XSetErrorHandler(FatalHostErrorHandler); }

bool IsKeyName(const std::string& name) { return XStringToKeysym(name.c_str()) != NoSymbol; }

XConnection::~XConnection() {
  if (!m_pDisplay) return;
  RegisterHostDisplay(m_pDisplay, false);
  XCloseDisplay(m_pDisplay);
}

bool XConnection::Open(std::string& error) {
  const char* name = XDisplayName(nullptr);
  m_pDisplay = XOpenDisplay(nullptr);
  if (!m_pDisplay) {
    error = name && *name ? std::string("cannot open the X display ") + name
                          : std::string("no X display: DISPLAY is not set");
    error += " (the editor needs an X server)";
    return false;
  }
  RegisterHostDisplay(m_pDisplay, true);
  return true;
}

bool XConnection::HasXTest() {
  int event = 0, error = 0, major = 0, minor = 0;
  return XTestQueryExtension(m_pDisplay, &event, &error, &major, &minor);
}

void XConnection::ScreenSize(int& width, int& height) {
  width = DisplayWidth(m_pDisplay, DefaultScreen(m_pDisplay));
  height = DisplayHeight(m_pDisplay, DefaultScreen(m_pDisplay));
}

bool XConnection::WindowManagerRunning() {
  XWindowAttributes root{};
  return XGetWindowAttributes(m_pDisplay, DefaultRootWindow(m_pDisplay), &root) &&
         (root.all_event_masks & SubstructureRedirectMask);
}

unsigned long XConnection::CreateWindow(int x, int y, int width, int height, const std::string& title, bool* shown) {
  Display* d = m_pDisplay;
  const Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(width),
                                            static_cast<unsigned>(height), 0, BlackPixel(d, DefaultScreen(d)),
                                            0xFF00FF);
  if (!window) return 0;
  XSelectInput(d, window, StructureNotifyMask | KeyPressMask | KeyReleaseMask);
  XStoreName(d, window, title.c_str());
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.x = x;
  hints.y = y;
  hints.width = width;
  hints.height = height;
  XSetWMNormalHints(d, window, &hints);
  XMapWindow(d, window);
  const bool ok = WaitShown(window);
  if (shown) *shown = ok;
  return window;
}

bool XConnection::WaitShown(unsigned long window) {
  using Clock = std::chrono::steady_clock;
  const bool managed = WindowManagerRunning();
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  auto remap = Clock::now() + std::chrono::milliseconds(250);
  XWindowAttributes attributes{};
  for (;;) {
    if (!XGetWindowAttributes(m_pDisplay, window, &attributes)) return false;
    if (attributes.map_state == IsViewable && (!managed || IsReparented(window))) return true;
    const auto now = Clock::now();
    if (now >= deadline) return false;
    // A window manager that is still starting may drop the map request.
    if (managed && attributes.map_state == IsUnmapped && now >= remap) {
      XMapWindow(m_pDisplay, window);
      remap = now + std::chrono::milliseconds(250);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool XConnection::HideWindow(unsigned long window) {
  XUnmapWindow(m_pDisplay, window);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  XWindowAttributes attributes{};
  while (XGetWindowAttributes(m_pDisplay, window, &attributes) && attributes.map_state == IsViewable) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool XConnection::ShowWindow(unsigned long window) {
  XMapWindow(m_pDisplay, window);
  return WaitShown(window);
}

unsigned long XConnection::Parent(unsigned long window) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(m_pDisplay, window, &root, &parent, &children, &count)) return 0;
  if (children) XFree(children);
  return parent == root ? 0 : parent;
}

bool XConnection::IsReparented(unsigned long window) { return Parent(window) != 0; }

std::vector<unsigned long> XConnection::Children(unsigned long window) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  std::vector<unsigned long> list;
  if (!XQueryTree(m_pDisplay, window, &root, &parent, &children, &count)) return list;
  list.assign(children, children + count);
  if (children) XFree(children);
  return list;
}

std::string XConnection::FocusPlace(unsigned long window) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(m_pDisplay, &focus, &revert);
  if (focus == window) return "host";
  if (focus == None || focus == PointerRoot) return "elsewhere";
  // Up from the focus through the window: inside it; up from the window
  // through the focus: around it.
  for (unsigned long w = Parent(focus); w; w = Parent(w))
    if (w == window) return "editor";
  for (unsigned long w = Parent(window); w; w = Parent(w))
    if (w == focus) return "frame";
  return "elsewhere";
}

void XConnection::FocusWindow(unsigned long window) {
  XSetInputFocus(m_pDisplay, window, RevertToParent, CurrentTime);
  XSync(m_pDisplay, False);
}

long XConnection::FailOneRequest() {
  XSync(m_pDisplay, False);
  const long before = g_nHostErrors.load();
  // Window ids of the server's own range, which no client is given.
  XMapWindow(m_pDisplay, 0x7FFFFFF);
  XSync(m_pDisplay, False);
  return g_nHostErrors.load() - before;
}

void XConnection::ResizeWindow(unsigned long window, int width, int height) {
  XResizeWindow(m_pDisplay, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(m_pDisplay, False);
}

void XConnection::MoveResizeWindow(unsigned long window, int x, int y, int width, int height) {
  XMoveResizeWindow(m_pDisplay, window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(m_pDisplay, False);
}

void XConnection::RaiseWindow(unsigned long window) {
  XRaiseWindow(m_pDisplay, window);
  XSync(m_pDisplay, False);
}

void XConnection::DestroyWindow(unsigned long window) {
  XDestroyWindow(m_pDisplay, window);
  XSync(m_pDisplay, False);
}

void XConnection::Pump(const std::function<void(unsigned long, const std::string&)>& note) {
  while (XPending(m_pDisplay)) {
    XEvent event;
    XNextEvent(m_pDisplay, &event);
    if (event.type != KeyPress && event.type != KeyRelease) continue;
    const KeySym sym = XLookupKeysym(&event.xkey, 0);
    const char* name = sym != NoSymbol ? XKeysymToString(sym) : nullptr;
    note(event.xkey.window, std::string(event.type == KeyPress ? "key press " : "key release ") +
                                (name ? name : "keycode " + std::to_string(event.xkey.keycode)));
  }
}

bool XConnection::MovePointer(unsigned long window, int x, int y) {
  Display* d = m_pDisplay;
  int rootX = 0, rootY = 0;
  Window child = 0;
  if (!XTranslateCoordinates(d, window, DefaultRootWindow(d), x, y, &rootX, &rootY, &child)) return false;
  XTestFakeMotionEvent(d, DefaultScreen(d), rootX, rootY, CurrentTime);
  XSync(d, False);
  return true;
}

void XConnection::Button(int button, bool press) {
  XTestFakeButtonEvent(m_pDisplay, static_cast<unsigned>(button), press ? True : False, CurrentTime);
  XSync(m_pDisplay, False);
}

bool XConnection::Key(const std::string& name, bool press) {
  const KeySym sym = XStringToKeysym(name.c_str());
  const KeyCode code = sym != NoSymbol ? XKeysymToKeycode(m_pDisplay, sym) : 0;
  if (!code) return false;
  XTestFakeKeyEvent(m_pDisplay, code, press ? True : False, CurrentTime);
  XSync(m_pDisplay, False);
  return true;
}

bool XConnection::TypeChar(char c) {
  // Printable ASCII characters are their own key symbols.
  if (c < 0x20 || c > 0x7E) return false;
  const KeySym sym = static_cast<KeySym>(c);
  const KeyCode code = XKeysymToKeycode(m_pDisplay, sym);
  if (!code) return false;
  const KeyCode shift =
      XkbKeycodeToKeysym(m_pDisplay, code, 0, 0) != sym ? XKeysymToKeycode(m_pDisplay, XK_Shift_L) : 0;
  if (shift) XTestFakeKeyEvent(m_pDisplay, shift, True, CurrentTime);
  XTestFakeKeyEvent(m_pDisplay, code, True, CurrentTime);
  XTestFakeKeyEvent(m_pDisplay, code, False, CurrentTime);
  if (shift) XTestFakeKeyEvent(m_pDisplay, shift, False, CurrentTime);
  XSync(m_pDisplay, False);
  return true;
}

void XConnection::DndEnterFromGoneSource(unsigned long target) {
  Display* d = m_pDisplay;
  const Window gone = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XDestroyWindow(d, gone);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = target;
  event.xclient.message_type = XInternAtom(d, "XdndEnter", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(gone);
  event.xclient.data.l[1] = (5L << 24) | 1;  // protocol version 5; the types are in XdndTypeList
  XSendEvent(d, target, False, NoEventMask, &event);
  XSync(d, False);
}

bool XConnection::Capture(unsigned long window, HostImage& image) {
  Display* d = m_pDisplay;
  XWindowAttributes attributes{};
  int rootX = 0, rootY = 0;
  Window child = 0;
  if (!XGetWindowAttributes(d, window, &attributes) || attributes.map_state != IsViewable ||
      !XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &rootX, &rootY, &child))
    return false;
  // Only what lies on the screen can be read.
  int screenWidth = 0, screenHeight = 0;
  ScreenSize(screenWidth, screenHeight);
  const int x0 = std::max(0, -rootX), y0 = std::max(0, -rootY);
  const int x1 = std::min(attributes.width, screenWidth - rootX);
  const int y1 = std::min(attributes.height, screenHeight - rootY);
  if (x1 <= x0 || y1 <= y0) return false;
  // Read from the screen, not the window: the editor's pop-ups over it show.
  XImage* x = XGetImage(d, DefaultRootWindow(d), rootX + x0, rootY + y0, static_cast<unsigned>(x1 - x0),
                        static_cast<unsigned>(y1 - y0), AllPlanes, ZPixmap);
  if (!x) return false;
  image.width = x1 - x0;
  image.height = y1 - y0;
  image.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  const bool direct = x->bits_per_pixel == 32 && x->byte_order == LSBFirst && x->red_mask == 0xFF0000 &&
                      x->green_mask == 0xFF00 && x->blue_mask == 0xFF;
  const int rs = MaskShift(x->red_mask), gs = MaskShift(x->green_mask), bs = MaskShift(x->blue_mask);
  for (int row = 0; row < image.height; ++row) {
    uint32_t* out = image.pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(image.width);
    if (direct) {
      const auto* in = reinterpret_cast<const uint32_t*>(x->data + static_cast<ptrdiff_t>(row) * x->bytes_per_line);
      for (int col = 0; col < image.width; ++col) out[col] = in[col] & 0xFFFFFF;
      continue;
    }
    for (int col = 0; col < image.width; ++col) {
      const unsigned long p = XGetPixel(x, col, row);
      out[col] = (Channel(p, x->red_mask, rs) << 16) | (Channel(p, x->green_mask, gs) << 8) |
                 Channel(p, x->blue_mask, bs);
    }
  }
  XDestroyImage(x);
  return true;
}

XErrorReport XConnection::ErrorReport() {
  XErrorReport report;
  XSync(m_pDisplay, False);
  const XErrorHandler current = XSetErrorHandler(HostErrorHandler);
  report.replaced = current != HostErrorHandler;
  report.fromPlugin = g_nPluginErrors.load();
  report.fromHost = g_nHostErrors.load();
  if (g_bFirstReady.load()) {
    const XErrorEvent& e = g_FirstError;
    char text[160] = "";
    XGetErrorText(m_pDisplay, e.error_code, text, sizeof text);
    char request[96] = "";
    if (e.request_code < 128) {
      const std::string number = std::to_string(e.request_code);
      XGetErrorDatabaseText(m_pDisplay, "XRequest", number.c_str(), "", request, sizeof request);
    }
    char line[400];
    std::snprintf(line, sizeof line, "%s, request %d%s%s%s minor %d, resource 0x%lx", text, e.request_code,
                  request[0] ? " (" : "", request, request[0] ? ")," : ",", e.minor_code, e.resourceid);
    report.first = line;
  }
  return report;
}
