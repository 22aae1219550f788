// An editor on the editor base for the displays' mouse tests: its idle
// passes move the headless window's pointer on by one state of a script, as
// a hand would between two polls, and it records what the displays report
// through ControlCallback.
#pragma once

#include <vector>

#include "Helpers/DivuVazize.h"
#include "gui/CFrame.h"
#include "platform/HeadlessWindow.h"

namespace displaytest {

struct PointerState {
  int x, y;
  long buttons;
};

class ScriptedEditor : public DivuVazize {
 public:
  explicit ScriptedEditor(AudioEffect* effect)
      : DivuVazize(effect, 161, 114, CRect(0, 0, 0, 0), CRect(0, 0, 0, 0), 0, 0, 0, 0) {}
  // The tests add their displays themselves.
  void AddFrontViewsInner() override {}
  void InnerZeroControlPtrs() override {}
  void doIdleStuff() override {
    ++idlePasses;
    if (frame) frame->idle();
    if (pWindow && next < script.size()) {
      const PointerState& s = script[next++];
      pWindow->SetPointer(s.x, s.y, s.buttons);
    }
  }
  void ControlCallbackInner(EControlCallback kind, CControl* control, float a, float b, float c) override {
    reports.push_back({kind, control, a, b, c, IsChangeFromGui()});
  }

  struct Report {
    EControlCallback kind;
    CControl* control;
    float a, b, c;
    bool fromGui;
  };
  std::vector<Report> reports;
  CHeadlessWindow* pWindow = nullptr;
  std::vector<PointerState> script;
  size_t next = 0;
  int idlePasses = 0;
};

}  // namespace displaytest
