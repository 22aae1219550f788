// X protocol errors of the toolkit's own display connections.
//
// Xlib has one error handler per process, and the default one (like those of
// some host toolkits) ends the process; a request on a window the host has
// just destroyed is enough. So every connection the toolkit opens is
// registered with the process's hub (X11ErrorHub.h), shared by every module
// of this framework the host has loaded, whose one handler swallows and
// counts the errors of registered connections and passes every other error
// on to the host's handler. The handler is installed when a connection
// registers, put back wherever the toolkit's connections meet the server
// (X11KeepErrorHandler: each event pass, each present, each close) in case
// the host replaced it meanwhile, and never taken out: the module holding it
// stays loaded from then on, so that a host unloading the plug-in never
// calls into unmapped code.
//
// CX11ErrorTrap tells whether the requests of a scope on one connection
// failed; the errors themselves are swallowed whether a trap is in force or
// not.
//
// [any thread] Registration is serialised; the handler runs on the thread
// whose Xlib call read the error and takes no lock.
#pragma once

#include <X11/Xlib.h>

#include <memory>

// Errors of the toolkit's connections (this module's and other modules' of
// this framework) swallowed since load.
unsigned long X11SwallowedErrorCount();

// Puts the toolkit's error handler back in force when another has taken its
// place; that other one then counts as the host's.
void X11KeepErrorHandler();

// A registered connection: closed and unregistered together, after the
// errors still on their way have been read (and swallowed).
struct X11ConnectionClose {
  void operator()(Display* display) const noexcept;
};
using X11ConnectionPtr = std::unique_ptr<Display, X11ConnectionClose>;
// Opens and registers a connection to the default display ($DISPLAY); null
// when there is none.
X11ConnectionPtr X11OpenConnection();

class CX11ErrorTrap {
 public:
  // Synchronises with the server, so that errors of earlier requests are not
  // counted for this scope. The connection must be registered.
  explicit CX11ErrorTrap(Display* display);
  CX11ErrorTrap(const CX11ErrorTrap&) = delete;
  CX11ErrorTrap& operator=(const CX11ErrorTrap&) = delete;

  // Synchronises and tells whether any request of the scope so far failed.
  bool Failed();

 private:
  Display* m_pDisplay;
  unsigned long m_nErrorsBefore;
};
