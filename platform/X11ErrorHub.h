// The process-wide side of the toolkit's X error handling (X11ErrorTrap.h
// is the module's side): one registry of the toolkit's display connections
// and one error handler for the whole process, however many modules of this
// framework the host loads.
//
// Each module (a plug-in .so, or a program linking the toolkit) carries its
// own copy of this code, hidden from the others. Were each copy to install a
// handler chained to the one it found, two modules opening editors A, B, A
// would chain A to B and B to A, and the host's handler would never be
// reached again. So the copies meet at one hub: every module holding this
// code marks itself with an ELF note whose descriptor points (PC-relative, so
// without any relocation at load) at its hub entry, and a module looking for
// the hub takes the entry of the first module in load order that carries the
// note, its own when it is the first. The hub's functions are that module's
// code: one registry, one handler function, one chain to the host's handler.
// The hub's module is pinned (never unloaded) once found, as Xlib may call
// its handler at any time afterwards.
//
// A registered connection stops its own errors before any handler hears of
// them (its error conversion, which Xlib asks first, swallows and counts
// them): a host may put its handler in place at any moment, on any thread,
// also between the hub's putting its own back and the read of an error. The
// hub's handler swallows and counts what still reaches it of registered
// connections (the errors of an extension that converts its own). Any other
// error goes on to the host: to the handler that was in force before the
// first module installed the hub's, or to one the host (or another plug-in)
// put in place of the hub's later, found when the hub's handler is put back
// (KeepHandler). Such later handlers are kept in
// the order they were found; one that chains back to the hub's handler is
// answered by the one found before it, so nothing is called in a cycle and
// each error reaches the handler found first (the host's own) at most once.
// A handler whose module is no longer loaded is passed over.
//
// Modules whose hub has another layout (another kQvxX11ErrorHubVersion) keep
// hubs of their own and meet as foreign handlers do.
//
// [any thread] Registration, removal and KeepHandler are serialised by the
// hub; the handler runs on the thread whose Xlib call read the error, takes
// no lock and reads only what writers publish atomically.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

inline constexpr uint32_t kQvxX11ErrorHubVersion = 1;

extern "C" {
// The hub as every module sees it: plain functions of the hub's module.
struct QvxX11ErrorHub {
  uint32_t version;  // kQvxX11ErrorHubVersion
  uint32_t size;     // sizeof(QvxX11ErrorHub) of the hub's module
  // Makes `display` one of the toolkit's connections (again: its count
  // restarts), which stops its own errors from then on, and puts the hub's
  // handler in force.
  void (*registerDisplay)(Display* display);
  // Reads the errors still on their way (swallowed as the connection's),
  // closes the connection and forgets it.
  void (*closeDisplay)(Display* display);
  // Errors swallowed on the connection since it was registered; 0 for one
  // that is not registered.
  unsigned long (*errorsOf)(Display* display);
  // Errors swallowed on all the toolkit's connections since the hub began.
  unsigned long (*swallowed)();
  // Puts the hub's handler back in force when another has taken its place,
  // remembering that other one as the host's.
  void (*keepHandler)();
};
}

// This module's own hub, not necessarily the process's: X11ErrorTrap.cpp
// finds that one (the first module in load order that carries the note).
const QvxX11ErrorHub* X11OwnErrorHub();
