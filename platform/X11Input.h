// Translation of X input into the toolkit's terms, as pure functions of the
// values an X event carries (state masks, button numbers, key symbols, times),
// so that the mapping is testable without a display. No Xlib types here.
//
// Modifier mapping: Shift is Shift; Ctrl plays the role of the primary
// modifier (button word 16, the one whose click resets a control to its
// default; VST key modifier 8, Ctrl on a PC); Alt is Option (32; key modifier
// 2); the Super key takes the remaining Control role (64; key modifier 4).
// A Control-click is not turned into a right click: X pointers have a right
// button, and the Super key is the window manager's on most desktops.
//
// [any thread] All functions are pure; CDoubleClickDetector is per window.
#pragma once

#include "platform/PlatformWindow.h"

// Modifier bits of the button word from an X state mask (Shift 8, Command 16,
// Option 32, Control 64), buttons excluded.
long X11ModifierFlags(unsigned int state);
// Buttons held in an X state mask (left 1, middle 2, right 4).
long X11HeldButtonFlags(unsigned int state);
// The flag of X button 1, 2 or 3 (left 1, middle 2, right 4); 0 for others.
long X11ButtonFlag(unsigned int button);
// X buttons 4 to 7 are wheel steps: 4 up, 5 down (vertical axis 1, +1 / -1),
// 6 left, 7 right (horizontal axis 0, +1 / -1). False for other buttons.
bool X11WheelStep(unsigned int button, int& axis, float& distance);
// The VST key record of a key symbol (as XLookupString gives it, Shift
// already applied) with the X state mask: the keys that have a VST virtual
// code get it and character 0; others keep their Latin-1 or Unicode
// character (as a code point).
PlatformKey X11TranslateKey(unsigned long keysym, unsigned int state);

// Counts presses of one button close in time and place: a press of the same
// button within `intervalMs` of the previous one and within `slop` pixels of
// it is its second click; a third press starts a new pair.
class CDoubleClickDetector {
 public:
  explicit CDoubleClickDetector(int intervalMs = 400, int slop = 4)
      : m_nIntervalMs(intervalMs), m_nSlop(slop) {}
  // Returns 1 for a first click, 2 for the second of a double click.
  int Press(unsigned int button, int x, int y, unsigned long timeMs);

 private:
  int m_nIntervalMs;
  int m_nSlop;
  bool m_bPending = false;  // a first click waits for its second
  unsigned int m_nButton = 0;
  int m_nX = 0;
  int m_nY = 0;
  unsigned long m_dwTime = 0;  // X server milliseconds of the first click
};
