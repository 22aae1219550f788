#include "platform/X11Visibility.h"

#include <algorithm>

#include "platform/X11Handles.h"

CX11Visibility::CX11Visibility(Display* display, Window window) : m_pDisplay(display), m_Window(window) {
  WatchAncestors();
  ReadViewable();
}

void CX11Visibility::WatchAncestors() {
  // Windows the chain no longer holds keep their selection: their events
  // only make the window's state be read again.
  m_Ancestors.clear();
  Window current = m_Window;
  for (;;) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    // A window destroyed meanwhile ends the chain (the error is swallowed).
    if (!XQueryTree(m_pDisplay, current, &root, &parent, &children, &count)) break;
    const X11MemoryPtr<Window> owned(children);
    if (!parent || parent == root) break;
    m_Ancestors.push_back(parent);
    XSelectInput(m_pDisplay, parent, StructureNotifyMask);
    current = parent;
  }
}

void CX11Visibility::ReadViewable() {
  XWindowAttributes attributes{};
  m_bViewable = XGetWindowAttributes(m_pDisplay, m_Window, &attributes) && attributes.map_state == IsViewable;
  if (!m_bViewable) m_bObscured = false;  // told afresh when it shows again
}

bool CX11Visibility::IsAncestor(Window window) const {
  return std::find(m_Ancestors.begin(), m_Ancestors.end(), window) != m_Ancestors.end();
}

bool CX11Visibility::HandleEvent(const XEvent& event) {
  switch (event.type) {
    case MapNotify:
    case UnmapNotify: {
      const Window window = event.type == MapNotify ? event.xmap.window : event.xunmap.window;
      if (window != m_Window && !IsAncestor(window)) return false;
      ReadViewable();
      return true;
    }
    case ReparentNotify:
      if (event.xreparent.window != m_Window && !IsAncestor(event.xreparent.window)) return false;
      WatchAncestors();
      ReadViewable();
      return true;
    case VisibilityNotify:
      if (event.xvisibility.window != m_Window) return false;
      // Only a viewable window is told its visibility.
      m_bViewable = true;
      m_bObscured = event.xvisibility.state == VisibilityFullyObscured;
      return true;
    default:
      return false;
  }
}
