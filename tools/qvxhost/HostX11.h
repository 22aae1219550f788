// The command-line host's side of X11 in its editor mode: its top-level
// windows, input injected through the XTEST extension, captures of a
// window's pixels, and the process's X error handler, which counts the
// errors that reach it, as a real host's handler would, and never ends the
// process.
//
// Thread contract: each connection is used by one thread only (the host's
// user-interface thread for the windows, the script's thread for input and
// captures). The error handler may run on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct _XDisplay;

// Pixels as 0x00RRGGBB, row after row.
struct HostImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  // True for an empty image or one of a single colour (nothing drawn yet).
  bool IsUniform() const;
  // True when the sizes differ or a pixel of the rectangle [x1, x2) x
  // [y1, y2) (clipped to the image) differs from `other`'s.
  bool DiffersIn(const HostImage& other, int x1, int y1, int x2, int y2) const;
  // False with `error` set when the file cannot be written.
  bool WritePng(const std::string& path, std::string& error) const;
};

// The host's error handler for every connection of the process, installed
// before the plug-in is loaded (Xlib's own would end the process).
void InstallHostErrorHandler();
// A handler in its place that ends the process at any X error, as Xlib's own
// and some host toolkits' do: what a hostile host installs after the editor
// opened.
void InstallFatalHostErrorHandler();

struct XErrorReport {
  long fromPlugin = 0;    // errors on connections that are not the host's
  long fromHost = 0;      // errors on the host's own connections
  std::string first;      // the first error, described
  bool replaced = false;  // another handler was in place of the host's; the host's is back
};

// True when NAME is an X key name (space, Return, a, F1).
bool IsKeyName(const std::string& name);

class XConnection {
 public:
  XConnection() = default;
  ~XConnection();
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;

  // False with `error` set when the display cannot be opened.
  bool Open(std::string& error);
  bool HasXTest();
  void ScreenSize(int& width, int& height);
  // True while a window manager manages the screen (someone redirects the
  // root window's structure requests).
  bool WindowManagerRunning();

  // A top-level window with a black background that reports its keys;
  // mapped, waiting up to five seconds until it shows and, under a window
  // manager, until the manager has taken it into a frame of its own (`shown`
  // false when it did not). 0 when it cannot be made.
  unsigned long CreateWindow(int x, int y, int width, int height, const std::string& title, bool* shown = nullptr);
  void ResizeWindow(unsigned long window, int width, int height);
  void MoveResizeWindow(unsigned long window, int x, int y, int width, int height);
  void RaiseWindow(unsigned long window);
  void DestroyWindow(unsigned long window);
  // Unmaps the window and waits until it is no longer viewable; maps it and
  // waits as CreateWindow does. False when the wait runs out.
  bool HideWindow(unsigned long window);
  bool ShowWindow(unsigned long window);
  // True when the window's parent is not the root (a window manager's frame).
  bool IsReparented(unsigned long window);
  // The windows inside `window` (the plug-in's editor windows).
  std::vector<unsigned long> Children(unsigned long window);
  // Puts the keyboard focus on the window, as a host that takes it.
  void FocusWindow(unsigned long window);
  // Makes one request that fails (a window that does not exist is mapped)
  // and waits for its error; returns how many errors of the host's own
  // connections reached the host's counting handler meanwhile.
  long FailOneRequest();
  // Where the keyboard focus is for `window`: "host" on the window itself,
  // "editor" on a window inside it, "frame" on a window around it (its
  // window manager's frame), "elsewhere" otherwise.
  std::string FocusPlace(unsigned long window);
  // Reads the pending events; each key that reached a window of the host is
  // passed to `note` as "key press NAME" or "key release NAME".
  void Pump(const std::function<void(unsigned long window, const std::string& what)>& note);

  // Input, at window coordinates. False when the window is gone or no key
  // produces NAME.
  bool MovePointer(unsigned long window, int x, int y);
  void Button(int button, bool press);
  bool Key(const std::string& name, bool press);
  // Presses and releases the key of a printable ASCII character, with Shift
  // when the character needs it. False when no key gives it.
  bool TypeChar(char c);
  // An XDND enter message at `target` from a window that no longer exists,
  // offering more types than the message holds: a drop target then asks the
  // gone source for its type list and gets an X error.
  void DndEnterFromGoneSource(unsigned long target);
  // What the screen shows where the window lies on it (pop-ups and other
  // windows over it included); false when no part of it is shown.
  bool Capture(unsigned long window, HostImage& image);

  // The errors that reached the host's handler so far, described through
  // this connection; reinstalls the host's handler when it was replaced.
  XErrorReport ErrorReport();

  _XDisplay* Native() { return m_pDisplay; }

 private:
  bool WaitShown(unsigned long window);
  // The window's parent; 0 for the root, a child of the root, or a window
  // that is gone.
  unsigned long Parent(unsigned long window);

  _XDisplay* m_pDisplay = nullptr;
};
