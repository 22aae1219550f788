#include "platform/X11ErrorHub.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
// Last: the error conversion of one connection, and the macros that come
// with it.
#include <X11/Xlibint.h>

namespace {

// One registered connection. Nodes are never freed: the handler walks the
// list without a lock, and a node whose connection closed is used again.
struct Connection {
  std::atomic<Display*> display{nullptr};
  std::atomic<unsigned long> errors{0};  // written by the handler, read by traps
  Connection* next = nullptr;            // fixed before the node is published
};

// A handler found in force in place of the hub's. Never freed either; one
// found again is marked stale and found anew on top.
struct ForeignHandler {
  XErrorHandler handler = nullptr;
  std::atomic<bool> current{true};
  ForeignHandler* older = nullptr;  // fixed before the node is published
};

std::mutex g_Mutex;  // serialises every writer below
std::atomic<Connection*> g_Connections{nullptr};
std::atomic<ForeignHandler*> g_Foreign{nullptr};  // the latest found first
std::atomic<unsigned long> g_nSwallowed{0};
bool g_bPinned = false;  // under g_Mutex

// How deep the handler is in a chain it started on this thread: a foreign
// handler that chains back to the hub's is answered by the next older one.
thread_local int t_nDepth = 0;

Connection* Find(Display* display) {
  for (Connection* c = g_Connections.load(std::memory_order_acquire); c; c = c->next)
    if (c->display.load(std::memory_order_acquire) == display) return c;
  return nullptr;
}

// The foreign handler `skip` places below the latest one still current; null
// when there is none. A handler whose module is no longer loaded is passed
// over: calling it would end the process.
XErrorHandler ForeignAt(int skip) {
  for (ForeignHandler* f = g_Foreign.load(std::memory_order_acquire); f; f = f->older) {
    if (!f->current.load(std::memory_order_acquire)) continue;
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(f->handler), &info)) continue;
    if (skip-- == 0) return f->handler;
  }
  return nullptr;
}

// Every error of a registered connection stops at the connection: Xlib asks
// the connection's own conversion of an error first, and a false answer keeps
// the error from the process's handler, whatever handler a host has put in
// place since, on whatever thread, and however soon before the error is read.
// The process's handler (HubHandler) then hears of a registered connection's
// errors only where an extension converts some of them itself.
Bool SwallowOwnError(Display* display, XErrorEvent*, xError*) {
  if (Connection* c = Find(display)) c->errors.fetch_add(1);
  g_nSwallowed.fetch_add(1);
  return False;
}

int HubHandler(Display* display, XErrorEvent* error) {
  if (Connection* c = display ? Find(display) : nullptr) {
    c->errors.fetch_add(1);
    g_nSwallowed.fetch_add(1);
    return 0;
  }
  const XErrorHandler next = ForeignAt(t_nDepth);
  if (!next) return 0;
  ++t_nDepth;
  const int result = next(display, error);
  --t_nDepth;
  return result;
}

// Keeps this module loaded for the rest of the process: Xlib may call the
// handler after the host has unloaded the plug-in. [under g_Mutex]
void PinLocked() {
  if (g_bPinned) return;
  g_bPinned = true;
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&HubHandler), &info) || !info.dli_fname) return;
  // The handle is never closed: that is the point.
  dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

// Whether the hub's handler is in force, read without Xlib's global lock,
// which XSetErrorHandler takes: at the process's exit Xlib's finaliser frees
// that lock while an editor's threads may still present and read events,
// and the handler found is the hub's nearly always.
bool HubHandlerInForce() { return __atomic_load_n(&_XErrorFunction, __ATOMIC_ACQUIRE) == &HubHandler; }

void KeepHandlerLocked() {
  if (HubHandlerInForce()) return;
  const XErrorHandler found = XSetErrorHandler(HubHandler);
  if (found == HubHandler) return;
  ForeignHandler* top = g_Foreign.load();
  if (top && top->handler == found && top->current.load()) return;
  for (ForeignHandler* f = top; f; f = f->older)
    if (f->handler == found) f->current.store(false, std::memory_order_release);
  auto* node = new ForeignHandler;
  node->handler = found;
  node->older = top;
  g_Foreign.store(node, std::memory_order_release);
}

void RegisterDisplay(Display* display) {
  const std::lock_guard<std::mutex> guard(g_Mutex);
  PinLocked();
  Connection* slot = Find(display);
  for (Connection* c = g_Connections.load(); c && !slot; c = c->next)
    if (!c->display.load()) slot = c;
  if (!slot) {
    slot = new Connection;
    slot->next = g_Connections.load();
    g_Connections.store(slot, std::memory_order_release);
  }
  slot->errors.store(0);
  slot->display.store(display, std::memory_order_release);
  for (int code = 0; code < 256; ++code) XESetWireToError(display, code, SwallowOwnError);
  KeepHandlerLocked();
}

void CloseDisplay(Display* display) {
  // The lock is held over the close: a connection opened meanwhile at the
  // same address cannot be registered and then forgotten here.
  const std::lock_guard<std::mutex> guard(g_Mutex);
  KeepHandlerLocked();
  XSync(display, False);
  XCloseDisplay(display);
  if (Connection* c = Find(display)) c->display.store(nullptr, std::memory_order_release);
}

unsigned long ErrorsOf(Display* display) {
  const Connection* c = Find(display);
  return c ? c->errors.load() : 0;
}

unsigned long Swallowed() { return g_nSwallowed.load(); }

void KeepHandler() {
  const std::lock_guard<std::mutex> guard(g_Mutex);
  KeepHandlerLocked();
}

const QvxX11ErrorHub kHub = {kQvxX11ErrorHubVersion, sizeof(QvxX11ErrorHub), RegisterDisplay, CloseDisplay,
                             ErrorsOf,               Swallowed,              KeepHandler};

}  // namespace

const QvxX11ErrorHub* X11OwnErrorHub() { return &kHub; }

// The entry the note points at. Its name is only the note's; other modules
// reach it through the note, never by name.
extern "C" __attribute__((visibility("hidden"), used)) const QvxX11ErrorHub* QvxX11ErrorHubEntry() { return &kHub; }

// The note: name "QVX", type "QVX1" (a hub of layout 1), and as its
// descriptor the entry's address relative to the descriptor itself.
asm(".pushsection .note.qvx.x11errorhub,\"a\",@note\n"
    ".balign 4\n"
    ".long 4\n"
    ".long 8\n"
    ".long 0x31585651\n"
    ".asciz \"QVX\"\n"
    ".quad QvxX11ErrorHubEntry - .\n"
    ".popsection\n");
