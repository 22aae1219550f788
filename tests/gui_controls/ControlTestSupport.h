// Doubles for the control tests: bitmaps of solid-coloured images built in
// memory, a listener and an editor that write one shared log (edit brackets,
// value changes, idle passes), a pointer script that advances one state per
// idle pass, a settable clock, and a fixture with a frame in a headless
// window.
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

struct PointerState {
  int x, y;
  long buttons;
};

// An editor whose edit brackets and idle passes go to the log. Each idle
// pass redraws the dirty views and then moves the window's pointer on to
// the next state of the script (the last state stays).
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
    if (window && next < script.size()) {
      const PointerState& s = script[next++];
      window->SetPointer(s.x, s.y, s.buttons);
    }
  }

  Log& log;
  CHeadlessWindow* window = nullptr;
  std::vector<PointerState> script;
  size_t next = 0;
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
    editor->window = window;
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

  // A press at (x, y) with `buttons`, clickGapMs after the previous one,
  // handed to the frame as a click is (buttons read from the pointer, the
  // frame lock held as for every event); then the pointer follows `script`,
  // one state per idle pass.
  void Click(int x, int y, long buttons, std::vector<PointerState> script = {}) {
    g_nTestNow += clickGapMs;
    window->SetPointer(x, y, buttons);
    editor->script = std::move(script);
    editor->next = 0;
    CScopedLock hold(frame->getFrameLock());
    CDrawContext* context = frame->createDrawContext();
    CPoint where(x, y);
    frame->mouse(context, where, -1);
    context->forget();
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
