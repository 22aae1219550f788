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
//   await begin|automate|end [MS]   until the plug-in has made such a host call
//                                that no earlier await of the kind took (default
//                                timeout 5000 ms; a timeout fails the run)
//   instance N                   later steps act on instance N (from 1) and raise its window
#pragma once

#include <string>
#include <vector>

#include "tools/qvxhost/Options.h"

enum class StepKind {
  Move, Press, Release, Click, Drag, Wheel, Key, KeyDown, KeyUp,
  Wait, Idle, Shot, Set, Close, Open, Await, Instance
};

enum class AwaitKind { Begin, Automate, End };

struct ScriptStep {
  StepKind kind = StepKind::Wait;
  int x = 0, y = 0, x2 = 0, y2 = 0;
  int button = 1;      // press, release, click; wheel: 4 up, 5 down, 6 left, 7 right
  int count = 1;       // drag moves, wheel notches, idle passes, instance number
  double ms = 0.0;     // wait; await timeout
  std::string text;    // key name or file
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

// The script of the options, read and checked (key names and instance
// numbers included). False with `error` set and `exitCode` 2 for a bad step,
// 1 for an unreadable file.
bool LoadEditorScript(const HostOptions& options, std::vector<ScriptStep>& steps, std::string& error,
                      int& exitCode);
