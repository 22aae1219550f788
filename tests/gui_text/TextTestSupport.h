// Doubles for the text, menu, scroll and tab tests: an editor on a headless
// frame that records its edit brackets, a listener that records what it
// hears, and helpers that click and type through the frame's event path.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/CControl.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui_frame/FrameTestSupport.h"
#include "platform/HeadlessPopup.h"

namespace texttest {

using frametest::HostWindow;
using frametest::MinimalEffect;

constexpr long kFrameWidth = 300;
constexpr long kFrameHeight = 200;

// Opens a frame of kFrameWidth x kFrameHeight and records the edit brackets
// that reach it, as "+tag" and "-tag".
class BracketEditor : public frametest::FrameEditor {
 public:
  explicit BracketEditor(AudioEffect* effect) : FrameEditor(effect, kFrameWidth, kFrameHeight) {}
  ~BracketEditor() override { close(); }
  bool beginEdit(int index) override {
    brackets.push_back("+" + std::to_string(index));
    return true;
  }
  bool endEdit(int index) override {
    brackets.push_back("-" + std::to_string(index));
    return true;
  }
  std::vector<std::string> brackets;
};

// Records every valueChanged: the control, its value at that moment and the
// thread that told it.
class RecordingListener : public CControlListener {
 public:
  struct Heard {
    CControl* control;
    float value;
    std::thread::id thread;
  };
  void valueChanged(CDrawContext*, CControl* control) override {
    heard.push_back({control, control->getValue(), std::this_thread::get_id()});
    if (onChange) onChange(control);
  }
  long controlModifierClicked(CDrawContext*, CControl*, long button) override {
    modifierClicks.push_back(button);
    return takeModifierClicks ? 1 : 0;
  }
  std::vector<Heard> heard;
  std::vector<long> modifierClicks;
  bool takeModifierClicks = false;
  void (*onChange)(CControl*) = nullptr;
};

// A frame in a headless window with the editor above; views are added by
// the test. Pop-up menus run on headless sessions whose script the test sets.
class FrameFixture {
 public:
  FrameFixture() {
    effect = std::make_unique<MinimalEffect>(FakeHost::Callback);
    editor = new BracketEditor(effect.get());  // owned by the effect
    editor->open(HostWindow());
    frame = editor->getFrame();
    window = LastHeadlessWindow();
  }
  ~FrameFixture() {
    editor->close();
    UseHeadlessPopups(nullptr);
  }
  FrameFixture(const FrameFixture&) = delete;
  FrameFixture& operator=(const FrameFixture&) = delete;

  // A press at (x, y) in the frame as the window reports it, in a host call
  // of its own.
  void Press(long x, long y, long buttons = kMouseLeft) {
    window->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, static_cast<int>(x), static_cast<int>(y), buttons));
    editor->idle();
  }
  // A motion with the buttons held.
  void Move(long x, long y, long buttons = kMouseLeft) {
    window->Queue(frametest::MakeEvent(EPlatformEvent::kMouseMove, static_cast<int>(x), static_cast<int>(y), buttons));
    editor->idle();
  }
  void Release(long x, long y) {
    window->Queue(frametest::MakeEvent(EPlatformEvent::kMouseUp, static_cast<int>(x), static_cast<int>(y), 0));
    editor->idle();
  }
  // A click; a menu it opens runs to its end (the script's) and its choice
  // is applied.
  void Click(long x, long y, long buttons = kMouseLeft) {
    Press(x, y, buttons);
    Release(x, y);
    SettleMenus();
  }
  // The host's passes until no pop-up is under way (a menu runs on a thread
  // of its own and hands its choice to the next pass), for at most 10 s.
  void SettleMenus();
  // A key through the window (the frame's key path).
  void Key(int character, unsigned char virt = 0, unsigned char modifier = 0) {
    PlatformEvent event = frametest::MakeEvent(EPlatformEvent::kKeyDown);
    event.key.character = character;
    event.key.virt = virt;
    event.key.modifier = modifier;
    window->Queue(event);
    editor->idle();
  }
  void Type(const std::string& text) {
    for (unsigned char c : text) Key(c);
  }

  frametest::HeadlessScope scope;
  FakeHost host;
  std::unique_ptr<MinimalEffect> effect;
  BracketEditor* editor = nullptr;
  CFrame* frame = nullptr;
  CHeadlessWindow* window = nullptr;
};

// Waits up to 10 s for `done` to hold (a menu's thread to get somewhere).
template <class Done>
bool Eventually(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return done();
}

inline void FrameFixture::SettleMenus() {
  Eventually([this] {
    if (frame->getPopupView()) editor->idle();
    return frame->getPopupView() == nullptr;
  });
}

// VST virtual keys used by the tests.
enum : unsigned char {
  kVirtBack = 1,
  kVirtTab = 2,
  kVirtReturn = 4,
  kVirtEscape = 6,
  kVirtEnd = 9,
  kVirtHome = 10,
  kVirtLeft = 11,
  kVirtUp = 12,
  kVirtRight = 13,
  kVirtDown = 14,
  kVirtEnter = 19,
  kVirtDelete = 22,
  kVirtNumpad7 = 31
};
constexpr unsigned char kModShift = 1;
constexpr unsigned char kModCtrl = 8;

}  // namespace texttest
