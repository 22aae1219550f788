// Doubles for the control tests: bitmaps of solid-coloured images built in
// memory, a listener and an editor that write one shared log (edit brackets,
// value changes, idle passes), a settable clock, and a fixture with a frame
// in a headless window whose clicks and drags come as the window's events.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CControl.h"
#include "gui/CFrame.h"
#include "gui/GuiTestSupport.h"
#include "gui_frame/FrameTestSupport.h"

namespace controltest {

constexpr long kFrameWidth = 400;
constexpr long kFrameHeight = 300;

// The colour of image i of a test strip; distinct for i < 32, opaque.
inline uint32_t ImageColour(int i) {
  return 0xFF000000u | (static_cast<uint32_t>(8 * i) << 16) |
         (static_cast<uint32_t>(255 - 8 * i) << 8) | 77u;
}

// The image index whose colour `word` is, or -1.
inline int ImageOf(uint32_t word) {
  for (int i = 0; i < 32; ++i)
    if (ImageColour(i) == word) return i;
  return -1;
}

// A bitmap of `count` solid images of width x height each, image i in
// ImageColour(first + i), stacked vertically (or side by side).
class StripBitmap : public CBitmap {
 public:
  StripBitmap(long width, long height, int count, bool sideBySide = false, int first = 0) {
    const int w = static_cast<int>(sideBySide ? width * count : width);
    const int h = static_cast<int>(sideBySide ? height : height * count);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    for (int i = 0; i < count; ++i) {
      const uint32_t c = ImageColour(first + i);
      cairo_set_source_rgb(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0);
      if (sideBySide)
        cairo_rectangle(cr, static_cast<double>(i * width), 0, static_cast<double>(width), static_cast<double>(height));
      else
        cairo_rectangle(cr, 0, static_cast<double>(i * height), static_cast<double>(width), static_cast<double>(height));
      cairo_fill(cr);
    }
    cairo_destroy(cr);
    std::vector<unsigned char> png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
          auto* out = static_cast<std::vector<unsigned char>*>(closure);
          out->insert(out->end(), data, data + length);
          return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    loadPng(png.data(), png.size());
  }
};

// One entry of the shared log.
struct Event {
  enum Kind { kBegin, kEnd, kChanged, kModifier, kIdle };
  Kind kind;
  long tag = 0;
  float value = 0.0f;
  bool dirty = false;  // the control was not yet redrawn (kChanged)
  bool hadContext = false;
};

using Log = std::vector<Event>;

inline std::vector<float> ChangedValues(const Log& log) {
  std::vector<float> values;
  for (const Event& e : log)
    if (e.kind == Event::kChanged) values.push_back(e.value);
  return values;
}

inline int Count(const Log& log, Event::Kind kind) {
  int n = 0;
  for (const Event& e : log)
    if (e.kind == kind) ++n;
  return n;
}

// True when every value change lies inside an edit bracket and the
// brackets pair up.
inline bool ChangesInsideBrackets(const Log& log) {
  int depth = 0;
  for (const Event& e : log) {
    if (e.kind == Event::kBegin) ++depth;
    if (e.kind == Event::kEnd && --depth < 0) return false;
    if (e.kind == Event::kChanged && depth == 0) return false;
  }
  return depth == 0;
}

class RecordingListener : public CControlListener {
 public:
  explicit RecordingListener(Log& log) : log(log) {}
  void valueChanged(CDrawContext* context, CControl* control) override {
    log.push_back({Event::kChanged, control->getTag(), control->getValue(), control->isDirty(), context != nullptr});
  }
  long controlModifierClicked(CDrawContext*, CControl* control, long button) override {
    log.push_back({Event::kModifier, control->getTag(), static_cast<float>(button)});
    return takeModifierClicks;
  }
  Log& log;
  long takeModifierClicks = 0;
};

// A place of the pointer with the buttons and modifiers held there.
struct PointerState {
  int x, y;
  long buttons;
};

// An editor whose edit brackets and idle passes go to the log.
class ControlEditor : public frametest::FrameEditor {
 public:
  ControlEditor(AudioEffect* effect, Log& log) : FrameEditor(effect, kFrameWidth, kFrameHeight), log(log) {}
  ~ControlEditor() override { close(); }
  bool beginEdit(int index) override {
    log.push_back({Event::kBegin, index});
    return true;
  }
  bool endEdit(int index) override {
    log.push_back({Event::kEnd, index});
    return true;
  }
  void doIdleStuff() override {
    log.push_back({Event::kIdle});
    if (frame) frame->idle();
  }

  Log& log;
};

// A clock the tests set (GetTickCount and so the frame's ticks).
inline std::atomic<unsigned int> g_nTestNow{100000};
inline unsigned int TestNow() { return g_nTestNow.load(); }

// A frame of kFrameWidth x kFrameHeight in a headless window, drawn once,
// with a log, a listener and a settable clock.
class ControlFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTickCountSourceForTesting(&TestNow);
    g_nTestNow = 100000;
    AEffGUIEditor::knobMode = kCircularModeForTests;
    effect = std::make_unique<frametest::MinimalEffect>(FakeHost::Callback);
    editor = new ControlEditor(effect.get(), log);  // owned by the effect
    ASSERT_TRUE(editor->open(frametest::HostWindow()));
    frame = editor->getFrame();
    window = LastHeadlessWindow();
    ASSERT_NE(window, nullptr);
    frame->draw(static_cast<CView*>(nullptr));
  }
  void TearDown() override {
    editor->close();
    AEffGUIEditor::knobMode = kCircularModeForTests;
    SetTickCountSourceForTesting(nullptr);
  }

  // Adds the control to the frame (which takes the creator's reference)
  // and clears the log of what adding did.
  template <typename T>
  T* Add(T* control) {
    frame->addView(control);
    log.clear();
    return control;
  }

  // The window's events, handed to the editor in one host call (its idle,
  // which then redraws what they changed).
  void Deliver(std::initializer_list<PlatformEvent> events) {
    for (const PlatformEvent& event : events) window->Queue(event);
    editor->idle();
  }
  static PlatformEvent Press(int x, int y, long buttons) {
    return frametest::MakeEvent(EPlatformEvent::kMouseDown, x, y, buttons);
  }
  // A motion while a mouse button is held, else a release.
  static PlatformEvent MoveOrRelease(const PointerState& s) {
    const bool held = (s.buttons & (kMouseLeft | kMouseMiddle | kMouseRight)) != 0;
    return frametest::MakeEvent(held ? EPlatformEvent::kMouseMove : EPlatformEvent::kMouseUp, s.x, s.y, s.buttons);
  }

  // A press at (x, y) with `buttons`, clickGapMs after the previous one, in
  // a host call of its own; then each state of `moves` in a call of its own
  // (a motion, or the release); when `moves` ends with the button held, the
  // release follows at the last place.
  void Click(int x, int y, long buttons, std::vector<PointerState> moves = {}) {
    g_nTestNow += clickGapMs;
    Deliver({Press(x, y, buttons)});
    PointerState last{x, y, buttons};
    for (const PointerState& s : moves) {
      Deliver({MoveOrRelease(s)});
      last = s;
    }
    if (last.buttons & (kMouseLeft | kMouseMiddle | kMouseRight))
      Deliver({MoveOrRelease({last.x, last.y, last.buttons & kModifierMask})});
  }

  // The pixel the window shows at (x, y), as 0xAARRGGBB with alpha forced.
  uint32_t Shown(int x, int y) { return 0xFF000000u | window->PixelAt(x, y); }

  static constexpr VstInt32 kCircularModeForTests = 0;
  // Clicks far enough apart not to pair into double clicks, unless a test
  // asks for less.
  unsigned int clickGapMs = 1000;

  frametest::HeadlessScope scope;
  FakeHost host;
  Log log;
  RecordingListener listener{log};
  std::unique_ptr<frametest::MinimalEffect> effect;
  ControlEditor* editor = nullptr;
  CFrame* frame = nullptr;
  CHeadlessWindow* window = nullptr;
};

}  // namespace controltest
