#include "platform/X11Focus.h"

#include "platform/X11ErrorTrap.h"

void CX11Focus::Take() {
  Window focus = None;
  int revert = RevertToParent;
  XGetInputFocus(m_pDisplay, &focus, &revert);
  if (focus != m_Window) {
    m_Before = focus == None ? m_Parent : focus;
    m_nRevertBefore = revert;
  }
  // Were the window destroyed with the host's, the focus would go to its
  // parent, the host's window.
  XSetInputFocus(m_pDisplay, m_Window, RevertToParent, CurrentTime);
  XFlush(m_pDisplay);
  m_bTaken = true;
}

void CX11Focus::GiveBack() {
  if (!m_bTaken) return;
  m_bTaken = false;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(m_pDisplay, &focus, &revert);
  if (focus != m_Window) return;
  // The window that held the focus may be gone by now.
  CX11ErrorTrap trap(m_pDisplay);
  XSetInputFocus(m_pDisplay, m_Before, m_nRevertBefore, CurrentTime);
  if (trap.Failed() && m_Before != m_Parent) XSetInputFocus(m_pDisplay, m_Parent, RevertToParent, CurrentTime);
  XFlush(m_pDisplay);
}
