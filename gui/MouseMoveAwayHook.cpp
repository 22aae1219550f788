#include "gui/MouseMoveAwayHook.h"

#include <iterator>
#include <map>
#include <mutex>

#include "Helpers/Assert.h"
#include "gui/CView.h"

XR_REGISTER_SOURCE_FILE("gui/MouseMoveAwayHook.cpp");

CCurrentMouseMoveAwayHook g_pCurrentMouseMoveAwayHook;
int g_MousePointerID = 1;

namespace {

std::mutex g_SlotsMutex;
// Each frame's current hook; a frame without one has no entry.
std::map<const CFrame*, CMouseMoveAwayHook*> g_Slots;  // guarded by g_SlotsMutex
const CFrame* g_pLastWritten = nullptr;                // guarded by g_SlotsMutex
// The frame whose mouse-move dispatch runs on this thread, or null.
thread_local const CFrame* t_pDispatching = nullptr;

// The dispatching frame, else the one written last.
const CFrame* CurrentFrameLocked() { return t_pDispatching ? t_pDispatching : g_pLastWritten; }

void WriteSlotLocked(const CFrame* frame, CMouseMoveAwayHook* hook) {
  if (hook)
    g_Slots[frame] = hook;
  else
    g_Slots.erase(frame);
  g_pLastWritten = frame;
}

}  // namespace

CCurrentMouseMoveAwayHook::operator CMouseMoveAwayHook*() const {
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  const auto slot = g_Slots.find(CurrentFrameLocked());
  return slot != g_Slots.end() ? slot->second : nullptr;
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
  for (auto slot = g_Slots.begin(); slot != g_Slots.end();)
    slot = slot->second == this ? g_Slots.erase(slot) : std::next(slot);
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
