// The receiving side of the X drag-and-drop protocol (version 5) for one
// window: files and text dragged from other applications become drag
// enter/move/leave/drop events. Receive-only: the editor never starts a drag.
// The data is fetched once per drag, at its first position message (views
// look at the items on entering), by a selection request that waits at most
// half a second for the source; incremental (very large) transfers are not
// supported and such a drag carries no items.
//
// Drag sources look for the drop-aware mark on the top-level window first;
// a host whose own window accepts drops receives them itself.
//
// Thread contract: that of the owning window (its owner's lock).
#pragma once

#include <X11/Xlib.h>

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

  // Splits a text/uri-list into items: file URIs become file paths
  // (percent-decoded), other URIs unknown items; comment lines are skipped.
  static std::vector<PlatformDragItem> ParseUriList(const std::string& list);

 private:
  void Reset();
  // XCheckIfEvent's test for the answer to the drop's data request.
  static Bool IsDropAnswer(Display* display, XEvent* event, XPointer self);
  bool FetchData(Time time);
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
  bool m_bEntered = false;    // the drag-enter event has gone out
  int m_nX = 0, m_nY = 0;     // last position, window pixels
  std::vector<PlatformDragItem> m_Items;
};
