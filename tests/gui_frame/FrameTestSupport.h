// Doubles for the frame tests: a minimal effect on a recording host, an
// editor that opens a frame of a given size, views that record what reaches
// them and paint themselves in one colour, and a scope that makes every
// editor window headless and keeps the idle source off unless asked.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "Helpers/HostInfo.h"
#include "gui/AEffGUIEditor.h"
#include "gui/CDragContainer.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/MouseMoveAwayHook.h"
#include "platform/HeadlessWindow.h"
#include "vst/VstTestSupport.h"

namespace frametest {

constexpr long kWidth = 200;
constexpr long kHeight = 100;

class MinimalEffect : public AudioEffectX {
 public:
  explicit MinimalEffect(audioMasterCallback host) : AudioEffectX(host, 1, 1) {}
  void processReplacing(float**, float**, VstInt32) override {}
};

// Opens a frame of width x height in the host's window. A derived editor
// closes in its own destructor, while its overrides still answer the
// frame's idle thread.
class FrameEditor : public AEffGUIEditor {
 public:
  FrameEditor(AudioEffect* effect, long width, long height)
      : AEffGUIEditor(effect), m_nWidth(width), m_nHeight(height) {
    rect = {0, 0, static_cast<VstInt16>(height), static_cast<VstInt16>(width)};
  }
  bool open(void* window) override {
    AEffGUIEditor::open(window);
    frame = new CFrame(CRect(0, 0, m_nWidth, m_nHeight), window, this);
    frame->CreateIdleTimer();
    return true;
  }
  void close() override {
    if (frame) frame->forget();
    frame = nullptr;
    AEffGUIEditor::close();
  }

 private:
  long m_nWidth, m_nHeight;
};

// Opens a frame of kWidth x kHeight and counts the idle calls.
class TestEditor : public FrameEditor {
 public:
  explicit TestEditor(AudioEffect* effect) : FrameEditor(effect, kWidth, kHeight) {}
  ~TestEditor() override { close(); }
  void idle() override {
    ++idleCalls;
    AEffGUIEditor::idle();
  }
  void keepDisplaysLive() override { ++liveCalls; }
  std::atomic<int> idleCalls{0};  // host's and idle source's calls alike
  std::atomic<int> liveCalls{0};  // from the idle thread, read by the test
};

// A view that paints its rectangle in one colour and records its calls.
class RecordingView : public CView {
 public:
  RecordingView(const CRect& size, CColor colour) : CView(size), colour(colour) {}
  void draw(CDrawContext* context) override {
    ++draws;
    context->setFillColor(colour);
    // fillRect leaves the last row and column; paint them too.
    CRect r = size;
    r.right += 1;
    r.bottom += 1;
    context->fillRect(r);
    setDirty(false);
  }
  void mouse(CDrawContext* context, CPoint& where, long buttons) override {
    mice.push_back({where, buttons});
    if (onMouse) onMouse(context, where, buttons);
  }
  void mouseMove(CDrawContext*, CPoint& where, long buttons) override { moves.push_back({where, buttons}); }
  bool onWheel(CDrawContext*, const CPoint& where, CMouseWheelAxis axis, float distance) override {
    wheels.push_back({where, axis, distance});
    return true;
  }
  long onKeyDown(VstKeyCode& key) override {
    keys.push_back(key);
    return keyAnswer;
  }
  void onDragEnter(CDrawContext*, CDragContainer* drag, const CPoint& where) override {
    drags.push_back("enter");
    dragWhere = where;
    long size = 0, type = 0;
    const char* data = static_cast<const char*>(drag->first(size, type));
    firstItem = data ? data : "";
    firstType = type;
  }
  void onDragMove(CDrawContext*, CDragContainer*, const CPoint&) override { drags.push_back("move"); }
  void onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) override { drags.push_back("leave"); }
  bool onDrop(CDrawContext*, CDragContainer*, const CPoint&) override {
    drags.push_back("drop");
    return true;
  }

  struct Press {
    CPoint where;
    long buttons;
  };
  struct Wheel {
    CPoint where;
    CMouseWheelAxis axis;
    float distance;
  };
  CColor colour;
  int draws = 0;
  long keyAnswer = -1;
  std::vector<Press> mice, moves;
  std::vector<Wheel> wheels;
  std::vector<VstKeyCode> keys;
  std::vector<std::string> drags;
  CPoint dragWhere;
  std::string firstItem;
  long firstType = -2;
  void (*onMouse)(CDrawContext*, CPoint&, long) = nullptr;
};

// A recording view that registers as the hover hook on every move.
class HoverView : public RecordingView, public CMouseMoveAwayHook {
 public:
  using RecordingView::RecordingView;
  void mouseMove(CDrawContext* context, CPoint& where, long buttons) override {
    RecordingView::mouseMove(context, where, buttons);
    RegisterMouseMoveAwayInterest();
  }
  void MouseMovedAway(CDrawContext*) override { ++movedAway; }
  int movedAway = 0;
};

// Headless windows; the idle source as asked (off by default, so that only
// the test drives the frame), restored afterwards.
class HeadlessScope {
 public:
  explicit HeadlessScope(bool idleSource = false, bool idleThread = true) {
    UseHeadlessWindows();
    g_bVST_WantTimerCallbackForIdle = idleSource;
    g_bVST_OSXWantMPThreadTimerCallbackForIdle = idleThread;
  }
  ~HeadlessScope() {
    SetPlatformWindowFactoryForTesting(nullptr);
    ResetHostInfoForTesting();
  }
  HeadlessScope(const HeadlessScope&) = delete;
  HeadlessScope& operator=(const HeadlessScope&) = delete;
};

// Real X11 windows and the idle source as at load, restored afterwards.
class RealWindowScope {
 public:
  RealWindowScope() {
    SetPlatformWindowFactoryForTesting(nullptr);
    ResetHostInfoForTesting();
  }
  ~RealWindowScope() { ResetHostInfoForTesting(); }
  RealWindowScope(const RealWindowScope&) = delete;
  RealWindowScope& operator=(const RealWindowScope&) = delete;
};

// A stand-in for the host's window handle.
inline void* HostWindow() { return reinterpret_cast<void*>(uintptr_t{0x4200001}); }

inline PlatformEvent MakeEvent(EPlatformEvent type, int x = 0, int y = 0, long buttons = 0) {
  PlatformEvent event;
  event.type = type;
  event.x = x;
  event.y = y;
  event.buttons = buttons;
  return event;
}

inline PlatformEvent ExposeAll() {
  PlatformEvent event = MakeEvent(EPlatformEvent::kExpose);
  event.rect = {0, 0, static_cast<int>(kWidth), static_cast<int>(kHeight)};
  return event;
}

// The presented pixel as 0xRRGGBB.
inline uint32_t Shown(CHeadlessWindow* window, int x, int y) { return window->PixelAt(x, y) & 0xFFFFFF; }

}  // namespace frametest
