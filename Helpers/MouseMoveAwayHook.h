// The hover hook: a control that wants to hear when the mouse leaves it
// registers itself as the one current hook on each mouse move it receives;
// the frame clears the current hook before it dispatches a move and tells the
// previous hook that the mouse moved away when no view registered it again.
// At most one hook is current; a hook unregisters itself when destroyed.
//
// Thread contract: the host's user-interface thread only (mouse events and
// control destruction), which the frame lock serialises with idle drawing.
#pragma once

class CDrawContext;

class CMouseMoveAwayHook {
 public:
  CMouseMoveAwayHook() = default;
  virtual ~CMouseMoveAwayHook();
  CMouseMoveAwayHook(const CMouseMoveAwayHook&) = delete;
  CMouseMoveAwayHook& operator=(const CMouseMoveAwayHook&) = delete;

  // Makes this hook the current one.
  virtual void RegisterMouseMoveAwayInterest();
  // The mouse has left the control; controls undo their hover state here.
  virtual void MouseMovedAway(CDrawContext* ctx);
  // Requests the standard pointer (the id is not used) and, with the flag,
  // registers this hook.
  virtual void SetMousePointer(unsigned long pointerId, bool registerInterest);
};

extern CMouseMoveAwayHook* g_pCurrentMouseMoveAwayHook;
// The pointer shape last requested by a hover handler (1: standard).
extern int g_MousePointerID;
void SetMouseCursor(unsigned long pointerId);
