#include "platform/X11ErrorTrap.h"

#include <mutex>

namespace {

// Held by the one trap in force; the handler reads the rest under it.
std::mutex g_TrapMutex;
Display* g_pTrappedDisplay = nullptr;
bool g_bTrapFailed = false;
XErrorHandler g_PreviousHandler = nullptr;

int TrapHandler(Display* display, XErrorEvent* error) {
  if (display == g_pTrappedDisplay) {
    g_bTrapFailed = true;
    return 0;
  }
  return g_PreviousHandler ? g_PreviousHandler(display, error) : 0;
}

}  // namespace

CX11ErrorTrap::CX11ErrorTrap(Display* display) : m_pDisplay(display) {
  g_TrapMutex.lock();
  XSync(m_pDisplay, False);  // errors of earlier requests are not ours to swallow
  g_pTrappedDisplay = m_pDisplay;
  g_bTrapFailed = false;
  g_PreviousHandler = XSetErrorHandler(TrapHandler);
}

CX11ErrorTrap::~CX11ErrorTrap() {
  XSync(m_pDisplay, False);
  // Someone may have installed a handler meanwhile; leave theirs in place.
  XErrorHandler current = XSetErrorHandler(g_PreviousHandler);
  if (current != TrapHandler) XSetErrorHandler(current);
  g_pTrappedDisplay = nullptr;
  g_TrapMutex.unlock();
}

bool CX11ErrorTrap::Failed() {
  XSync(m_pDisplay, False);
  return g_bTrapFailed;
}
