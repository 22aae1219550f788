// The hover hook: a control that wants to hear when the mouse leaves it
// registers itself as its frame's current hook on each mouse move it
// receives; the frame clears its current hook before it dispatches a move and
// tells the previous hook that the mouse moved away when no view registered
// it again. Each frame has at most one current hook, so one editor's moves
// never reach the views of another editor in the same process (their frames
// hold different locks). A hook unregisters itself when destroyed.
//
// g_pCurrentMouseMoveAwayHook reads and writes the current hook of the frame
// whose mouse-move dispatch runs on the calling thread (CMouseMoveDispatch);
// outside a dispatch, of the frame written last (what code and tests with a
// single frame see). A hook registers with the dispatching frame, else with
// the frame it is a view of.
//
// Thread contract: the host's user-interface thread (mouse events and control
// destruction), which each frame's lock serialises with its idle drawing.
// The slots themselves are guarded, so a hook may be destroyed elsewhere.
#pragma once

class CDrawContext;
class CFrame;

class CMouseMoveAwayHook {
 public:
  CMouseMoveAwayHook() = default;
  virtual ~CMouseMoveAwayHook();
  CMouseMoveAwayHook(const CMouseMoveAwayHook&) = delete;
  CMouseMoveAwayHook& operator=(const CMouseMoveAwayHook&) = delete;

  // Makes this hook the current one of its frame.
  virtual void RegisterMouseMoveAwayInterest();
  // The mouse has left the control; controls undo their hover state here.
  virtual void MouseMovedAway(CDrawContext* ctx);
  // Requests the standard pointer (the id is not used) and, with the flag,
  // registers this hook.
  virtual void SetMousePointer(unsigned long pointerId, bool registerInterest);
};

// The current hook, per frame (see above).
class CCurrentMouseMoveAwayHook {
 public:
  operator CMouseMoveAwayHook*() const;
  CCurrentMouseMoveAwayHook& operator=(CMouseMoveAwayHook* hook);
};
extern CCurrentMouseMoveAwayHook g_pCurrentMouseMoveAwayHook;

// Marks a frame's mouse-move dispatch on this thread for its lifetime.
class CMouseMoveDispatch {
 public:
  explicit CMouseMoveDispatch(const CFrame* frame);
  ~CMouseMoveDispatch();
  CMouseMoveDispatch(const CMouseMoveDispatch&) = delete;
  CMouseMoveDispatch& operator=(const CMouseMoveDispatch&) = delete;

 private:
  const CFrame* m_pOuter;  // the dispatch this one nests in, or null
};

// The pointer shape last requested by a hover handler (1: standard).
extern int g_MousePointerID;
void SetMouseCursor(unsigned long pointerId);
