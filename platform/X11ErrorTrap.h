// Catches the X protocol errors of one display connection for a scope, so
// that requests on windows the host may already have destroyed (its parent
// window, a drag source) fail quietly instead of reaching the process's error
// handler, whose default ends the process. Errors of other connections (the
// host's) are passed on to the handler that was installed before.
//
// [any thread] Traps are serialised process-wide; keep them short.
#pragma once

#include <X11/Xlib.h>

class CX11ErrorTrap {
 public:
  explicit CX11ErrorTrap(Display* display);
  // Synchronises with the server, so that every error of the scope has
  // arrived, then restores the previous handler.
  ~CX11ErrorTrap();
  CX11ErrorTrap(const CX11ErrorTrap&) = delete;
  CX11ErrorTrap& operator=(const CX11ErrorTrap&) = delete;

  // Synchronises and tells whether any request of the scope so far failed.
  bool Failed();

 private:
  Display* m_pDisplay;
};
