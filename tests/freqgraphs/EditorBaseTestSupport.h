// An editor on the editor base for the displays' mouse tests: it plays a
// press and the pointer's states after it as the window's events, each in
// an editor idle call of its own as the host makes them, and it records what
// the displays report through ControlCallback.
#pragma once

#include <vector>

#include "Helpers/DivuVazize.h"
#include "gui/CFrame.h"
#include "gui_frame/FrameTestSupport.h"
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
  void ControlCallbackInner(EControlCallback kind, CControl* control, float a, float b, float c) override {
    reports.push_back({kind, control, a, b, c, IsChangeFromGui()});
  }

  // A press at frame point (x, y) with `buttons`, then a motion to each
  // state of `script` that holds a button and a release at the first that
  // holds none.
  void Drag(int x, int y, long buttons, const std::vector<PointerState>& script) {
    Deliver(frametest::MakeEvent(EPlatformEvent::kMouseDown, x, y, buttons));
    for (const PointerState& s : script) {
      const bool held = (s.buttons & (kMouseLeft | kMouseMiddle | kMouseRight)) != 0;
      Deliver(frametest::MakeEvent(held ? EPlatformEvent::kMouseMove : EPlatformEvent::kMouseUp, s.x, s.y, s.buttons));
      if (!held) break;
    }
  }
  void Deliver(const PlatformEvent& event) {
    pWindow->Queue(event);
    idle();
  }

  struct Report {
    EControlCallback kind;
    CControl* control;
    float a, b, c;
    bool fromGui;
  };
  std::vector<Report> reports;
  CHeadlessWindow* pWindow = nullptr;
};

}  // namespace displaytest
