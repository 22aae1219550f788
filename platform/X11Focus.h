// The X input focus of an editor's window. The host's keyboard stays the
// host's: the window takes the focus only while the toolkit asks for keys (a
// text field is being edited), and gives it back to the window that held it
// when it no longer does, or when it closes, as long as the focus has not
// moved on meanwhile (the user clicked elsewhere: then it is not ours to
// give).
//
// Thread contract: that of the owning window (its owner's lock).
#pragma once

#include <X11/Xlib.h>

class CX11Focus {
 public:
  CX11Focus(Display* display, Window window, Window parent)
      : m_pDisplay(display), m_Window(window), m_Parent(parent), m_Before(parent) {}
  CX11Focus(const CX11Focus&) = delete;
  CX11Focus& operator=(const CX11Focus&) = delete;

  // Takes the focus for the window, remembering where it was. Both ways
  // the focus moves at the server's current time: an event's time may lie
  // before the last move (the giving back at the end of the previous edit),
  // and the server would ignore the request.
  void Take();
  // Gives it back where it was (the host's window when that one is gone or
  // nothing held the focus) while the window still holds it. Synchronises
  // with the server.
  void GiveBack();
  // Whether the window has taken the focus and not given it back.
  bool Taken() const { return m_bTaken; }

 private:
  Display* m_pDisplay;
  Window m_Window;
  Window m_Parent;              // the host's window
  Window m_Before;              // the focus before Take: a window or PointerRoot
  int m_nRevertBefore = RevertToParent;
  bool m_bTaken = false;
};
