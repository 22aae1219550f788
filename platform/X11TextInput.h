// Typed text through the input method: one input context per window on the
// window's display connection, so that keys arrive as UTF-8 text whatever the
// keyboard layout, with dead keys and compose sequences (the built-in method)
// or an input method server where the desktop runs one. Without an input
// method the key symbols give the characters.
//
// Thread contract: that of the owning window (its owner's lock).
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "platform/PlatformWindow.h"
#include "platform/X11Handles.h"

class CX11TextInput {
 public:
  CX11TextInput(Display* display, Window window);
  // Closes the context and the method: before the window and the connection.
  ~CX11TextInput();
  CX11TextInput(const CX11TextInput&) = delete;
  CX11TextInput& operator=(const CX11TextInput&) = delete;

  // Events the input method needs selected on the window.
  long EventMask() const { return m_nFilterMask; }
  // True when the input method took the event; the caller then drops it.
  bool Filter(XEvent& event);
  // The window gained or lost the keyboard focus.
  void SetFocus(bool focused);
  // The key records of a key press or release: one for a key without text or
  // with one character, one per character of a text the method composed
  // (none while it composes).
  std::vector<PlatformKey> Translate(XKeyEvent& event);

 private:
  X11InputMethodPtr m_IM;
  X11InputContextPtr m_IC;  // destroyed before the method
  long m_nFilterMask = 0;
};
