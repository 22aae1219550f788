#include "gui/MouseMoveAwayHook.h"

#include <iterator>
#include <map>
#include <mutex>
#include <new>

#include "Helpers/Assert.h"
#include "gui/CView.h"

XR_REGISTER_SOURCE_FILE("gui/MouseMoveAwayHook.cpp");

CCurrentMouseMoveAwayHook g_pCurrentMouseMoveAwayHook;
int g_MousePointerID = 1;

namespace {

std::mutex g_SlotsMutex;
using SlotMap = std::map<const CFrame*, CMouseMoveAwayHook*>;
// Each frame's current hook; a frame without one has no entry. Built in
// static storage and never destroyed: a host's thread may dispatch the mouse
// while the process exits. Empty once no frame lives, so an unloaded module
// leaves nothing behind.
SlotMap& Slots() {  // guarded by g_SlotsMutex
  alignas(SlotMap) static unsigned char s_Storage[sizeof(SlotMap)];
  static SlotMap* const s_pSlots = new (s_Storage) SlotMap;
  return *s_pSlots;
}
const CFrame* g_pLastWritten = nullptr;  // guarded by g_SlotsMutex
// The frame whose mouse-move dispatch runs on this thread, or null.
thread_local const CFrame* t_pDispatching = nullptr;

// The dispatching frame, else the one written last.
const CFrame* CurrentFrameLocked() { return t_pDispatching ? t_pDispatching : g_pLastWritten; }

void WriteSlotLocked(const CFrame* frame, CMouseMoveAwayHook* hook) {
  if (hook)
    Slots()[frame] = hook;
  else
    Slots().erase(frame);
  g_pLastWritten = frame;
}

}  // namespace

CCurrentMouseMoveAwayHook::operator CMouseMoveAwayHook*() const {
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  SlotMap& slots = Slots();
  const auto slot = slots.find(CurrentFrameLocked());
  return slot != slots.end() ? slot->second : nullptr;
}

CCurrentMouseMoveAwayHook& CCurrentMouseMoveAwayHook::operator=(CMouseMoveAwayHook* hook) {
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  WriteSlotLocked(CurrentFrameLocked(), hook);
  return *this;
}

CMouseMoveDispatch::CMouseMoveDispatch(const CFrame* frame) : m_pOuter(t_pDispatching) { t_pDispatching = frame; }

CMouseMoveDispatch::~CMouseMoveDispatch() { t_pDispatching = m_pOuter; }

CMouseMoveAwayHook::~CMouseMoveAwayHook() {
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  SlotMap& slots = Slots();
  for (auto slot = slots.begin(); slot != slots.end();)
    slot = slot->second == this ? slots.erase(slot) : std::next(slot);
}

void CMouseMoveAwayHook::RegisterMouseMoveAwayInterest() {
  const auto* view = dynamic_cast<const CView*>(this);
  const CFrame* frame = t_pDispatching ? t_pDispatching : view ? view->getFrame() : nullptr;
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  WriteSlotLocked(frame, this);
}

void CMouseMoveAwayHook::MouseMovedAway(CDrawContext*) {}

void CMouseMoveAwayHook::SetMousePointer(unsigned long, bool registerInterest) {
  g_MousePointerID = 1;
  if (registerInterest) RegisterMouseMoveAwayInterest();
}

void SetMouseCursor(unsigned long pointerId) { g_MousePointerID = static_cast<int>(pointerId); }
