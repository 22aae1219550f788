#include "platform/X11ErrorTrap.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>

namespace {

constexpr int kMaxConnections = 64;

// One registered connection. The handler reads the slots without a lock:
// a slot's display is written under g_RegistryMutex and read atomically.
struct Slot {
  std::atomic<Display*> display{nullptr};
  std::atomic<unsigned long> errors{0};  // written by the handler, read by traps
};
Slot g_Slots[kMaxConnections];
std::mutex g_RegistryMutex;  // serialises registration and installing the handler

// The handler that was in force before ours; written under g_RegistryMutex,
// read by the handler on any thread.
std::atomic<XErrorHandler> g_PreviousHandler{nullptr};
std::atomic<unsigned long> g_nSwallowed{0};  // written by the handler, read by tests
bool g_bModulePinned = false;                // under g_RegistryMutex

// Depth of calls from our handler into the previous one on this thread: a
// previous handler that chains back to ours is not followed round again.
thread_local int t_nChainDepth = 0;

Slot* FindSlot(Display* display) {
  for (Slot& slot : g_Slots)
    if (slot.display.load(std::memory_order_acquire) == display) return &slot;
  return nullptr;
}

int ChainedErrorHandler(Display* display, XErrorEvent* error) {
  if (Slot* slot = display ? FindSlot(display) : nullptr) {
    slot->errors.fetch_add(1);
    g_nSwallowed.fetch_add(1);
    return 0;
  }
  const XErrorHandler previous = g_PreviousHandler.load();
  if (!previous || t_nChainDepth > 0) return 0;
  ++t_nChainDepth;
  const int result = previous(display, error);
  --t_nChainDepth;
  return result;
}

// Keeps the module that holds the handler loaded for the rest of the
// process: Xlib may call the handler after the host has unloaded the plug-in.
void PinModule() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ChainedErrorHandler), &info) || !info.dli_fname) return;
  // The handle is never closed: that is the point.
  dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

// Registers a connection as the toolkit's, installing the handler when it is
// not in force.
void RegisterConnection(Display* display) {
  std::lock_guard<std::mutex> guard(g_RegistryMutex);
  if (!FindSlot(display)) {
    for (Slot& slot : g_Slots) {
      if (slot.display.load() == nullptr) {
        slot.errors = 0;
        slot.display.store(display, std::memory_order_release);
        break;
      }
    }
  }
  const XErrorHandler current = XSetErrorHandler(ChainedErrorHandler);
  if (current != ChainedErrorHandler) g_PreviousHandler = current;
  if (!g_bModulePinned) {
    PinModule();
    g_bModulePinned = true;
  }
}

void UnregisterConnection(Display* display) {
  std::lock_guard<std::mutex> guard(g_RegistryMutex);
  if (Slot* slot = FindSlot(display)) slot->display.store(nullptr, std::memory_order_release);
}

}  // namespace

unsigned long X11SwallowedErrorCount() { return g_nSwallowed.load(); }

void X11ConnectionClose::operator()(Display* display) const noexcept {
  if (!display) return;
  // Errors still on their way are read, and swallowed, before the
  // connection stops counting as ours.
  XSync(display, False);
  UnregisterConnection(display);
  XCloseDisplay(display);
}

X11ConnectionPtr X11OpenConnection() {
  Display* display = XOpenDisplay(nullptr);
  if (display) RegisterConnection(display);
  return X11ConnectionPtr(display);
}

CX11ErrorTrap::CX11ErrorTrap(Display* display) : m_pDisplay(display), m_nErrorsBefore(0) {
  XSync(m_pDisplay, False);
  if (Slot* slot = FindSlot(m_pDisplay)) m_nErrorsBefore = slot->errors.load();
}

bool CX11ErrorTrap::Failed() {
  XSync(m_pDisplay, False);
  const Slot* slot = FindSlot(m_pDisplay);
  return slot && slot->errors.load() != m_nErrorsBefore;
}
