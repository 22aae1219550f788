// The pointer motions of one burst, read as one: for platform/ sources only
// (no other layer includes Xlib).
#pragma once

#include <X11/Xlib.h>

// Replaces `motion` with the motions queued straight after it (of `window`,
// or of any window when it is None), so that only the latest position of a
// burst is translated. Anything else in the queue ends the burst: a motion
// after a press or a release is not part of the drag before it, however
// many events piled up while the reader was busy.
inline void X11TakeMotionBurst(Display* display, XEvent& motion, Window window = None) {
  XEvent next;
  while (XEventsQueued(display, QueuedAfterReading) > 0) {
    XPeekEvent(display, &next);
    if (next.type != MotionNotify || (window != None && next.xmotion.window != window)) return;
    XNextEvent(display, &motion);
  }
}
