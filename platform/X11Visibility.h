// Whether a window can be seen: mapped together with all its ancestors (the
// host may unmap its window, the desktop the host's top-level window) and not
// wholly covered by other windows. The window's own connection watches the
// structure of every ancestor, the host's windows included, besides the
// window's own visibility; selecting structure events adds to what other
// clients select and takes nothing from them.
//
// Thread contract: that of the owning window (its owner's lock).
#pragma once

#include <X11/Xlib.h>

#include <vector>

class CX11Visibility {
 public:
  // Watches the ancestors and reads whether the window is viewable now.
  CX11Visibility(Display* display, Window window);
  CX11Visibility(const CX11Visibility&) = delete;
  CX11Visibility& operator=(const CX11Visibility&) = delete;

  // Map, unmap and reparent events of the window and its ancestors, and the
  // window's visibility events; false for any other event.
  bool HandleEvent(const XEvent& event);
  bool Shown() const { return m_bViewable && !m_bObscured; }

 private:
  // Watches the chain of ancestors up to the root window; again after one
  // of them moved under another parent (a window manager's frame).
  void WatchAncestors();
  void ReadViewable();
  bool IsAncestor(Window window) const;

  Display* m_pDisplay;
  Window m_Window;
  std::vector<Window> m_Ancestors;  // parent first
  bool m_bViewable = false;         // mapped with all its ancestors
  bool m_bObscured = false;         // wholly covered
};
