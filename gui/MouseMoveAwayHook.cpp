#include "gui/MouseMoveAwayHook.h"

#include <iterator>
#include <map>
#include <mutex>
#include <thread>

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
// The frame whose dispatch runs on each thread. Not a thread-local: the
// host unloads the module while its threads live on.
std::map<std::thread::id, const CFrame*> g_Dispatching;  // guarded by g_SlotsMutex

const CFrame* DispatchingLocked() {
  const auto at = g_Dispatching.find(std::this_thread::get_id());
  return at != g_Dispatching.end() ? at->second : nullptr;
}

// The dispatching frame, else the one written last.
const CFrame* CurrentFrameLocked() {
  const CFrame* frame = DispatchingLocked();
  return frame ? frame : g_pLastWritten;
}

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

CMouseMoveDispatch::CMouseMoveDispatch(const CFrame* frame) {
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  m_pOuter = DispatchingLocked();
  g_Dispatching[std::this_thread::get_id()] = frame;
}

CMouseMoveDispatch::~CMouseMoveDispatch() {
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  if (m_pOuter)
    g_Dispatching[std::this_thread::get_id()] = m_pOuter;
  else
    g_Dispatching.erase(std::this_thread::get_id());
}

CMouseMoveAwayHook::~CMouseMoveAwayHook() {
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  for (auto slot = g_Slots.begin(); slot != g_Slots.end();)
    slot = slot->second == this ? g_Slots.erase(slot) : std::next(slot);
}

void CMouseMoveAwayHook::RegisterMouseMoveAwayInterest() {
  const auto* view = dynamic_cast<const CView*>(this);
  std::lock_guard<std::mutex> guard(g_SlotsMutex);
  const CFrame* frame = DispatchingLocked();
  if (!frame && view) frame = view->getFrame();
  WriteSlotLocked(frame, this);
}

void CMouseMoveAwayHook::MouseMovedAway(CDrawContext*) {}

void CMouseMoveAwayHook::SetMousePointer(unsigned long, bool registerInterest) {
  g_MousePointerID = 1;
  if (registerInterest) RegisterMouseMoveAwayInterest();
}

void SetMouseCursor(unsigned long pointerId) { g_MousePointerID = static_cast<int>(pointerId); }
