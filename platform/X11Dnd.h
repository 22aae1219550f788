// The receiving side of the X drag-and-drop protocol (version 5) for one
// window: files and text dragged from other applications become drag
// enter/move/leave/drop events. Receive-only: the editor never starts a drag.
// The data is fetched once per drag, at its first position message (views
// look at the items on entering), by a selection request whose answer comes
// later with the window's other events: the source may be the host's own
// window, whose thread is the one idling the editor, so nothing waits for
// it. Meanwhile the position (or the drop) waits; the drag enters, and the
// source hears the target's status, once the data is in, or once the source
// has let kFetchTimeoutMs pass without an answer (then without items).
// Incremental (very large) transfers are not supported and such a drag
// carries no items.
//
// Drag sources look for the drop-aware mark on the top-level window first;
// a host whose own window accepts drops receives them itself.
//
// Thread contract: that of the owning window (its owner's lock).
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "platform/PlatformWindow.h"

class CX11Dnd {
 public:
  CX11Dnd(Display* display, Window window);
  CX11Dnd(const CX11Dnd&) = delete;
  CX11Dnd& operator=(const CX11Dnd&) = delete;

  // Marks or unmarks the window as a drop target.
  void SetEnabled(bool enabled);
  // Handles a client message of the protocol; appends the resulting events.
  // False when the message is not one of the protocol's.
  bool HandleClientMessage(const XClientMessageEvent& message, std::deque<PlatformEvent>& out);
  // Handles the answer to the data request; appends the resulting events.
  // False when the event answers another request.
  bool HandleSelectionNotify(const XSelectionEvent& answer, std::deque<PlatformEvent>& out);
  // Gives up on a source that has not answered in time; called with every
  // event pass.
  void Poll(std::deque<PlatformEvent>& out);

  // Splits a text/uri-list into items: file URIs become file paths
  // (percent-decoded), other URIs unknown items; comment lines are skipped.
  static std::vector<PlatformDragItem> ParseUriList(const std::string& list);

 private:
  void Reset();
  // Asks the source for its data, when it offers a type this window takes;
  // the drag goes on without items otherwise.
  void RequestData(Time time);
  // Reads the answer from the window's property into the items.
  void ReadData();
  // What the data waited for: the position's events and status, or the drop.
  void Continue(std::deque<PlatformEvent>& out);
  void EmitPosition(std::deque<PlatformEvent>& out);
  void EmitDrop(std::deque<PlatformEvent>& out);
  void SendToSource(Atom type, long l1, long l2, long l3, long l4);

  Display* m_pDisplay;
  Window m_Window;
  bool m_bEnabled = false;
  Atom m_aAware, m_aEnter, m_aPosition, m_aStatus, m_aLeave, m_aDrop, m_aFinished;
  Atom m_aSelection, m_aTypeList, m_aActionCopy, m_aUriList, m_aUtf8, m_aTextUtf8, m_aTextPlain,
      m_aProperty;

  Window m_Source = 0;        // the source of the drag in progress, or 0
  Atom m_aWanted = 0;         // the data type asked of it, or 0 (nothing usable)
  bool m_bFetched = false;    // the data request has been made
  bool m_bFetching = false;   // its answer is awaited
  std::chrono::steady_clock::time_point m_FetchDeadline;
  bool m_bDropPending = false;  // the drop came before the data
  bool m_bEntered = false;    // the drag-enter event has gone out
  int m_nX = 0, m_nY = 0;     // last position, window pixels
  std::vector<PlatformDragItem> m_Items;
};
