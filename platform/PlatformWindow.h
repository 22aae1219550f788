// The editor's own window inside the host's window, behind a neutral
// interface: the GUI toolkit's frame sees neutral events, pointer state and a
// present call, never Xlib (whose macros would leak into every includer).
//
// Implementations: the X11 child window (X11Window.cpp), and a headless
// window (HeadlessWindow.h) that tests drive with synthetic events and whose
// presented pixels they read back.
//
// Thread contract: one window is used by one owner (the frame), always under
// that owner's lock; no operation is safe to call concurrently with another.
// The X11 window opens a display connection of its own, so the host's
// connection and other editors' connections are never touched, and since
// every call on it is serialised by the owner's lock, Xlib needs no thread
// initialisation.
#pragma once

#include <memory>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

// Integer pixel rectangle; right and bottom exclusive.
struct PlatformRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// The toolkit's button word: mouse buttons and held modifier keys.
enum EPlatformButtons : long {
  kPlatformLeft = 1,
  kPlatformMiddle = 2,
  kPlatformRight = 4,
  kPlatformShift = 8,
  kPlatformCommand = 16,  // the Ctrl key on this platform
  kPlatformOption = 32,   // Alt
  kPlatformControl = 64,  // the Super (logo) key
};

// A key as the VST key record carries it: character, virtual key code and
// modifier bits (1 Shift, 2 Alt, 4 Super, 8 Ctrl, by the VST convention that
// Ctrl is the primary modifier on a PC).
struct PlatformKey {
  int character = 0;
  unsigned char virt = 0;
  unsigned char modifier = 0;
};

// One item of a drop: a file (its path) or text.
struct PlatformDragItem {
  enum EType { kFile = 0, kText = 1, kUnknown = -1 };
  EType type = kUnknown;
  std::string data;
};

enum class EPlatformEvent {
  kExpose,         // rect needs repainting from the back buffer
  kMouseDown,      // x, y, buttons, clickCount
  kMouseUp,        // x, y, buttons (those still held, with modifiers)
  kMouseMove,      // x, y, buttons
  kMouseEnter,     // x, y
  kMouseLeave,     // x, y
  kWheel,          // x, y, buttons, axis, distance
  kKeyDown,        // key, native
  kKeyUp,          // key, native
  kResized,        // rect = (0, 0, width, height)
  kDestroyed,      // the window went away with the host's window
  kDragEnter,      // x, y, items
  kDragMove,       // x, y
  kDragLeave,
  kDrop,           // x, y, items
  kFocusOut,       // the keyboard focus went to a window outside this one
  kHidden,         // the window can no longer be seen (unmapped, wholly covered)
  kShown,          // it can be seen again: everything needs repainting
  kClipboardText,  // text: the answer to RequestClipboardText (empty: none)
};

// The window system's own record of a key event, kept so that a key no view
// takes can be sent on to the host's window as it came. Code 0: a key that
// cannot be sent on (the second and later characters of a composed text).
struct PlatformNativeKey {
  unsigned int code = 0;
  unsigned int state = 0;
  unsigned long time = 0;
  int rootX = 0, rootY = 0;
};

// Coordinates are window pixels, (0, 0) at the window's top-left.
struct PlatformEvent {
  EPlatformEvent type = EPlatformEvent::kMouseMove;
  int x = 0;
  int y = 0;
  long buttons = 0;
  int clickCount = 0;      // 2 for the second press of a double click
  int wheelAxis = 1;       // 0 horizontal, 1 vertical
  float wheelDistance = 0; // steps: positive up (vertical) or left (horizontal)
  PlatformKey key;
  PlatformNativeKey native;
  PlatformRect rect;
  std::vector<PlatformDragItem> items;
  std::string text;        // UTF-8
};

// Cursor shapes, numbered as the toolkit's cursor types.
enum EPlatformCursor {
  kPlatformCursorDefault = 0,
  kPlatformCursorWait = 1,
  kPlatformCursorHSize = 2,
  kPlatformCursorVSize = 3,
  kPlatformCursorSizeAll = 4,
  kPlatformCursorNESWSize = 5,
  kPlatformCursorNWSESize = 6,
  kPlatformCursorCopy = 7,
  kPlatformCursorNotAllowed = 8,
  kPlatformCursorHand = 9,
};

class CPlatformWindow {
 public:
  virtual ~CPlatformWindow() = default;
  CPlatformWindow(const CPlatformWindow&) = delete;
  CPlatformWindow& operator=(const CPlatformWindow&) = delete;

  // Takes the next pending event without waiting; false when there is none.
  virtual bool NextEvent(PlatformEvent& event) = 0;
  // Waits up to timeoutMs (negative: without limit) for the next event; false
  // when none came or the window is gone.
  virtual bool WaitEvent(PlatformEvent& event, int timeoutMs) = 0;
  // The pointer's position in window pixels and the button word now, for
  // callers without an event (the host's wheel and mouse calls); handlers
  // take both from their event.
  virtual void QueryPointer(int& x, int& y, long& buttons) = 0;
  // Copies `area` of the back buffer (an ARGB32 image surface of the window's
  // size, pixel (0, 0) at the window's top-left) onto the window.
  virtual void Present(cairo_surface_t* backBuffer, const PlatformRect& area) = 0;
  // Resizes the window; the window's origin stays.
  virtual void SetSize(int width, int height) = 0;
  // Moves the window's top-left corner within the host's window.
  virtual void SetPosition(int x, int y) = 0;
  // Origin within the host's window and size.
  virtual PlatformRect GetFrame() const = 0;
  virtual void SetCursor(int cursorType) = 0;
  // Whether the window wants the keys: it takes the keyboard focus while it
  // does (a text field is being edited) and gives it back to the window that
  // held it when it no longer does, or when it closes. Clicks move no focus:
  // the keyboard stays the host's. The change may wait for the next event
  // pass.
  virtual void SetKeyInput(bool wanted) = 0;
  // Sends a key event this window reported on to the host's window, as the
  // host would have had it without the editor: for keys no view took. A key
  // release goes on only when its press did.
  virtual void ForwardKey(const PlatformEvent& event) = 0;
  // Puts UTF-8 text on the desktop's clipboard.
  virtual void SetClipboardText(const std::string& text) = 0;
  // Asks for the desktop clipboard's text; it arrives later as a
  // kClipboardText event.
  virtual void RequestClipboardText() = 0;
  // Whether files and text may be dropped onto the window.
  virtual void SetDropTarget(bool wanted) = 0;
  // False once the window could not be made or has been destroyed.
  virtual bool IsAlive() const = 0;
  // IsAlive after asking the server (a round trip): a destroy by the host
  // that has not been read yet is noticed, so that nothing more is sent to
  // a window that is gone. Called before the window is closed.
  virtual bool SyncAlive() { return IsAlive(); }
  // Milliseconds within which a second press counts as a double click.
  virtual int DoubleClickTime() const { return 400; }

 protected:
  CPlatformWindow() = default;
};

// Creates the editor's window as a child of `parent` (the host's window
// handle: an X11 window id). Null when no window can be made.
std::unique_ptr<CPlatformWindow> CreatePlatformWindow(void* parent, int width, int height);

// Test seam: replaces the window factory (null restores the X11 window).
using PlatformWindowFactory = std::unique_ptr<CPlatformWindow> (*)(void* parent, int width,
                                                                    int height);
void SetPlatformWindowFactoryForTesting(PlatformWindowFactory factory);
