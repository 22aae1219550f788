#include "Helpers/MouseMoveAwayHook.h"

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("Helpers/MouseMoveAwayHook.cpp");

CMouseMoveAwayHook* g_pCurrentMouseMoveAwayHook = nullptr;
int g_MousePointerID = 1;

CMouseMoveAwayHook::~CMouseMoveAwayHook() {
  if (g_pCurrentMouseMoveAwayHook == this) g_pCurrentMouseMoveAwayHook = nullptr;
}

void CMouseMoveAwayHook::RegisterMouseMoveAwayInterest() { g_pCurrentMouseMoveAwayHook = this; }

void CMouseMoveAwayHook::MouseMovedAway(CDrawContext*) {}

void CMouseMoveAwayHook::SetMousePointer(unsigned long, bool registerInterest) {
  g_MousePointerID = 1;
  if (registerInterest) RegisterMouseMoveAwayInterest();
}

void SetMouseCursor(unsigned long pointerId) { g_MousePointerID = static_cast<int>(pointerId); }
