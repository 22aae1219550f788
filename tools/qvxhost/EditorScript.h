// The steps the command-line host plays on an open plug-in editor, as a
// user would: pointer, wheel and keys (coordinates relative to the editor's
// window), waits, screenshots, parameter changes, closing and reopening.
//
// Syntax: one step per line or separated by ';'; '#' starts a comment.
//   move X,Y                     pointer to (X, Y)
//   press [BUTTON]               button down where the pointer is (default 1, the left)
//   release [BUTTON]
//   click X,Y [BUTTON]           move, press, release
//   drag X1,Y1 X2,Y2 [STEPS]     left button down at 1, STEPS moves to 2 (default 10), up
//   wheel X,Y up|down|left|right [COUNT]
//   key NAME, keydown NAME, keyup NAME     by X key name (space, Return, a, F1, Shift_L)
//   wait MS                      wall clock; the host keeps idling the editor
//   idle N                       until the host has made N more idle passes
//   shot FILE.png                the editor's window as a PNG image
//   set INDEX=VALUE              a parameter change from the host (value 0..1)
//   close, open                  close the editor (its window goes), open it again
//   type TEXT                    printable ASCII characters, key after key
//   hide, show                   unmap the host's window, map it again
//   draws                        prints the drawing requests on the editor's window
//                                since the last count (or the opening) and restarts it
//   dnd-enter-gone               an XDND enter at the editor's window from a source
//                                window that no longer exists (an X error for the
//                                editor when it asks the source for its types)
//   take-focus                   the host puts the keyboard focus on its window
//   host-xerror                  the host makes a request that fails on its own
//                                connection; the step fails unless the host's error
//                                handler hears of it exactly once
//   fatal-xerrors                the host's error handler from now on ends the
//                                process at any X error, as Xlib's own does
//   destroy                      the host destroys its window; the editor stays open
//                                until a close (the window is then not destroyed again)
//   await begin|automate|end [MS]   until the plug-in has made such a host call
//                                that no earlier await of the kind took
//   await key NAME [MS]          until the host's own window has a press of key NAME
//                                that no earlier await took
//   await focus editor|host [MS] until the keyboard focus is in the editor's window,
//                                or on the host's window
//   await redraw [MS]            until one drawing request covers the editor's whole
//                                window, after the last count
//   await xerror [MS]            until the server has sent an X error to the
//                                editor's connection, after the last such await
//   await change X1,Y1 X2,Y2 [MS]   until the window's pixels in that rectangle
//                                differ from the instance's last shot
//                                (awaits time out after 5000 ms by default, and a
//                                timeout fails the run)
//   instance N                   later steps act on instance N (from 1) and raise its window
//   calls                        prints the instance's longest dispatcher call, the audio
//                                thread's longest wait for the host's one lock (--one-lock),
//                                its audioMasterIdle requests, the audio blocks, and the
//                                automation requests with the dispatcher calls they came in,
//                                since the last calls step (or the start), a call or wait
//                                under way counted as far as it has gone, and starts them afresh
#pragma once

#include <string>
#include <vector>

#include "tools/qvxhost/Options.h"

enum class StepKind {
  Move, Press, Release, Click, Drag, Wheel, Key, KeyDown, KeyUp,
  Wait, Idle, Shot, Set, Close, Open, Await, Instance, Type, Hide, Show, Draws, DndEnterGone,
  TakeFocus, HostXError, FatalXErrors, Destroy, Calls
};

enum class AwaitKind { Begin, Automate, End, Key, Focus, Redraw, XError, Change };

struct ScriptStep {
  StepKind kind = StepKind::Wait;
  int x = 0, y = 0, x2 = 0, y2 = 0;  // await change: the rectangle
  int button = 1;      // press, release, click; wheel: 4 up, 5 down, 6 left, 7 right
  int count = 1;       // drag moves, wheel notches, idle passes, instance number
  double ms = 0.0;     // wait; await timeout
  std::string text;    // key name, text, file, or where the focus is awaited
  int index = 0;       // set
  float value = 0.0f;  // set
  AwaitKind await = AwaitKind::Begin;
  std::string source;  // the step as written
};

// Appends the steps of `text`; false with `error` set (one line) at the first
// step that does not parse.
bool ParseEditorScript(const std::string& text, std::vector<ScriptStep>& steps, std::string& error);

// True for steps that inject input (they need the XTEST extension).
bool IsInputStep(StepKind kind);
// True for steps that read what the X server records for the editor.
bool IsRecordingStep(const ScriptStep& step);

// The script of the options, read and checked (key names and instance
// numbers included). False with `error` set and `exitCode` 2 for a bad step,
// 1 for an unreadable file.
bool LoadEditorScript(const HostOptions& options, std::vector<ScriptStep>& steps, std::string& error,
                      int& exitCode);
