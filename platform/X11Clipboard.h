// The desktop's clipboard (the CLIPBOARD selection) for one window, both
// ways. Copying makes the window the clipboard's owner: it keeps the text and
// answers other clients' requests for it (as UTF-8 or Latin-1) until another
// client takes the clipboard. Pasting asks the owner for its text without
// waiting for the answer, which arrives later as a kClipboardText event: the
// owner may be the host itself, whose thread is the one asking.
//
// Thread contract: that of the owning window (its owner's lock).
#pragma once

#include <X11/Xlib.h>

#include <deque>
#include <string>

#include "platform/PlatformWindow.h"

class CX11Clipboard {
 public:
  CX11Clipboard(Display* display, Window window);
  CX11Clipboard(const CX11Clipboard&) = delete;
  CX11Clipboard& operator=(const CX11Clipboard&) = delete;

  // Takes the clipboard with UTF-8 text; `time` is that of the user's action.
  void SetText(const std::string& text, Time time);
  // Asks for the clipboard's text. While this window owns it the answer is
  // appended at once.
  void RequestText(Time time, std::deque<PlatformEvent>& out);
  // Handles selection requests, clears and answers; appends the answer to a
  // request. False when the event is none of these.
  bool HandleEvent(const XEvent& event, std::deque<PlatformEvent>& out);

 private:
  void Answer(const XSelectionRequestEvent& request);
  // Reads the answer to a request from the window's property.
  std::string ReadAnswer(Atom type);

  Display* m_pDisplay;
  Window m_Window;
  Atom m_aClipboard, m_aUtf8, m_aText, m_aTargets, m_aIncr, m_aProperty;
  std::string m_Text;         // what this window offers while it owns the clipboard
  bool m_bOwned = false;
  Atom m_aAsked = 0;          // the type of the request in progress, or 0
};
