// The editor adaptor: idle pacing on the test clock without the host's idle
// call, the frame's idle thread and its absence, sizing through the host, the
// host's draw and mouse calls, and the editor's record of itself.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "FrameTestSupport.h"
#include "Helpers/Assert.h"

using namespace frametest;

namespace {

std::atomic<unsigned int> g_Now{100000};  // test clock, ms; written by the test
unsigned int TestClock() { return g_Now.load(); }

class ClockScope {
 public:
  ClockScope() { SetTickCountSourceForTesting(TestClock); }
  ~ClockScope() { SetTickCountSourceForTesting(nullptr); }
  ClockScope(const ClockScope&) = delete;
  ClockScope& operator=(const ClockScope&) = delete;
};

constexpr VstInt32 kAudioMasterIdle = 3;
constexpr VstInt32 kAudioMasterSizeWindow = 15;
constexpr VstInt32 kAudioMasterCanDo = 37;

bool WaitUntil(const std::function<bool()>& done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

TEST(EditorIdleTest, DoIdleStuffIdlesOnceEachIntervalUpTo50MsEarlyAndAtOnceAfterTheClockWentBack) {
  HeadlessScope scope;
  ClockScope clock;
  FakeHost host;
  MinimalEffect effect(FakeHost::Callback);
  auto* editor = new TestEditor(&effect);
  ASSERT_TRUE(editor->open(HostWindow()));
  g_kIdleRate = 10;

  editor->doIdleStuff();
  EXPECT_EQ(editor->idleCalls, 1) << "due at construction";
  g_Now += 1;
  editor->doIdleStuff();
  EXPECT_EQ(editor->idleCalls, 2) << "1 ms later is 9 ms early: within 50 ms, it goes ahead";

  // Each step moves the clock, then idles once; an idle that goes ahead
  // after the short wait is next due 4 ms later than its reading.
  g_kIdleRate = 130;
  struct Step {
    int move;  // ms
    bool idles;
    const char* why;
  };
  const Step steps[] = {
      {1, true, "13 ms early"},
      {30, false, "100 ms early: only the short wait"},
      {60, true, "40 ms early, less the wait: goes ahead"},
      {0, false, "the clock stood still: an interval and the wait early"},
      {-1000, true, "due far ahead: the clock went back"},
      {60, false, "paced again from the earlier reading: 70 ms early"},
  };
  for (const Step& step : steps) {
    g_Now += static_cast<unsigned int>(step.move);
    const int before = editor->idleCalls;
    editor->doIdleStuff();
    EXPECT_EQ(editor->idleCalls - before, step.idles ? 1 : 0) << step.why;
  }
  EXPECT_TRUE(host.CallsOf(kAudioMasterIdle).empty()) << "the editor never asks the host for its idle";
  editor->close();
}

TEST(EditorIdleTest, IdleThreadRedrawsAndWithoutTheHostAnswersExposesLeavingInputToTheHost) {
  HeadlessScope scope(true, true);
  FakeHost host;
  MinimalEffect effect(FakeHost::Callback);
  auto* editor = new TestEditor(&effect);
  ASSERT_TRUE(editor->open(HostWindow()));
  CFrame* frame = editor->getFrame();
  CHeadlessWindow* window = LastHeadlessWindow();
  auto* view = new RecordingView(CRect(0, 0, 20, 20), kRedCColor);
  {
    CScopedLock hold(frame->getFrameLock());
    frame->addView(view);
    window->Queue(ExposeAll());
  }
  editor->idle();  // the host's one idle call: the first expose
  int presents = 0;
  {
    CScopedLock hold(frame->getFrameLock());
    presents = window->PresentCount();
    view->colour = kBlueCColor;
    view->setDirty(true);
  }
  EXPECT_TRUE(WaitUntil([&] { return window->PresentCount() > presents; }, 20000))
      << "the idle thread redraws the dirty view";
  {
    CScopedLock hold(frame->getFrameLock());
    EXPECT_EQ(Shown(window, 5, 5), 0x0000FFu);
    EXPECT_TRUE(host.CallsOf(kAudioMasterIdle).empty()) << "never from the idle thread";
    presents = window->PresentCount();
    window->Queue(MakeEvent(EPlatformEvent::kMouseDown, 5, 5, kMouseLeft));
    window->Queue(ExposeAll());
  }
  // The host calls no more.
  EXPECT_TRUE(WaitUntil([&] { return window->PresentCount() > presents; }, 20000)) << "the expose is answered";
  EXPECT_TRUE(WaitUntil([&] { return editor->liveCalls.load() > 0; }, 20000)) << "the displays are kept live";
  {
    CScopedLock hold(frame->getFrameLock());
    EXPECT_TRUE(view->mice.empty()) << "the click waits for the host's thread";
  }
  editor->idle();
  {
    CScopedLock hold(frame->getFrameLock());
    EXPECT_EQ(view->mice.size(), 1u) << "and comes with its next idle call";
  }
  // The idle thread's next wait outlasts the test's time limit: the close
  // must end the thread by waking it, not by waiting it out. A pass after
  // the change has read it.
  g_kIdleRate = 3600 * 1000;
  const int passes = editor->idleCalls.load();
  EXPECT_TRUE(WaitUntil([&] { return editor->idleCalls.load() > passes; }, 20000)) << "the idle thread idles";
  editor->close();
  g_kIdleRate = 10;
}

// A view whose draw, on the frame's idle thread, holds the pass until the
// test lets it go; and a view that records which thread drew it.
class GateView : public RecordingView {
 public:
  using RecordingView::RecordingView;
  void draw(CDrawContext* context) override {
    std::unique_lock<std::mutex> guard(m);
    entered = true;
    changed.notify_all();
    changed.wait_for(guard, std::chrono::seconds(20), [this] { return released; });
    RecordingView::draw(context);
  }
  bool WaitEntered() {
    std::unique_lock<std::mutex> guard(m);
    return changed.wait_for(guard, std::chrono::seconds(20), [this] { return entered; });
  }
  void Release() {
    std::lock_guard<std::mutex> guard(m);
    released = true;
    changed.notify_all();
  }
  void Rearm() {
    std::lock_guard<std::mutex> guard(m);
    entered = released = false;
  }
  std::mutex m;
  std::condition_variable changed;
  bool entered = false, released = false;
};
class ThreadView : public RecordingView {
 public:
  using RecordingView::RecordingView;
  void draw(CDrawContext* context) override {
    drawnOn = std::this_thread::get_id();
    RecordingView::draw(context);
  }
  std::thread::id drawnOn;
};

TEST(EditorIdleTest, TheIdleThreadsRedrawGivesWayToTheHostsCallBeforeItsNextView) {
  // The views straight in the frame, and in a container of it.
  for (bool inContainer : {false, true}) {
    SCOPED_TRACE(inContainer ? "in a container" : "in the frame");
    HeadlessScope scope(true, true);
    FakeHost host;
    MinimalEffect effect(FakeHost::Callback);
    auto* editor = new TestEditor(&effect);
    ASSERT_TRUE(editor->open(HostWindow()));
    CFrame* frame = editor->getFrame();
    auto* gate = new GateView(CRect(0, 0, 20, 20), kRedCColor);
    auto* next = new ThreadView(CRect(30, 0, 50, 20), kBlueCColor);
    {
      CScopedLock hold(frame->getFrameLock());
      CViewContainer* parent = frame;
      if (inContainer) {
        parent = new CViewContainer(CRect(0, 0, kWidth, kHeight), frame);
        frame->addView(parent);
      }
      parent->addView(gate);
      parent->addView(next);
      LastHeadlessWindow()->Queue(ExposeAll());
      gate->Release();  // the host's first drawing
    }
    editor->idle();
    {
      CScopedLock hold(frame->getFrameLock());
      gate->Rearm();
      gate->setDirty(true);
      next->setDirty(true);
    }
    ASSERT_TRUE(gate->WaitEntered()) << "the idle thread's pass draws the first view";
    // The host's call waits for the frame lock; once it does, the pass is let go.
    std::thread release([&] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!frame->getFrameLock().IsAwaited() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      gate->Release();
    });
    editor->idle();
    release.join();
    {
      CScopedLock hold(frame->getFrameLock());
      EXPECT_EQ(next->drawnOn, std::this_thread::get_id()) << "the rest of the pass was left to the host's call";
      EXPECT_FALSE(next->isDirty());
    }
    editor->close();
  }
}

TEST(EditorIdleTest, WithoutTheIdleSourceOnlyTheHostIdlesTheEditor) {
  {
    HeadlessScope scope(false, true);
    FakeHost host;
    MinimalEffect effect(FakeHost::Callback);
    auto* editor = new TestEditor(&effect);
    ASSERT_TRUE(editor->open(HostWindow()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(editor->idleCalls, 0) << "no idle thread";
    EXPECT_EQ(g_kIdleRate.load(), 10);
    editor->close();
  }
  HeadlessScope scope(true, false);
  FakeHost host;
  MinimalEffect effect(FakeHost::Callback);
  auto* editor = new TestEditor(&effect);
  ASSERT_TRUE(editor->open(HostWindow()));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(editor->idleCalls, 0) << "the timer fallback is the host's idle";
  EXPECT_EQ(g_kIdleRate.load(), 100) << "at the timer's pace, for every editor";
  editor->close();
}

TEST(EditorIdleTest, SetSizeAsksTheHostFirstAndResizesLocallyWhenRefused) {
  HeadlessScope scope;
  FakeHost host;
  bool hostResizes = true;
  host.answer = [&](const FakeHost::Call& call) -> VstIntPtr {
    if (call.opcode == kAudioMasterCanDo) return hostResizes ? 1 : 0;
    if (call.opcode == kAudioMasterSizeWindow) return 1;
    return 0;
  };
  MinimalEffect effect(FakeHost::Callback);
  auto* editor = new TestEditor(&effect);
  ASSERT_TRUE(editor->open(HostWindow()));
  CFrame* frame = editor->getFrame();
  CHeadlessWindow* window = LastHeadlessWindow();
  auto* view = new RecordingView(CRect(0, 0, 20, 20), kRedCColor);
  frame->addView(view);

  EXPECT_FALSE(frame->setSize(kWidth, kHeight)) << "same size";
  EXPECT_TRUE(host.CallsOf(kAudioMasterSizeWindow).empty());

  ASSERT_TRUE(frame->setSize(300, 150));
  const auto sized = host.CallsOf(kAudioMasterSizeWindow);
  ASSERT_EQ(sized.size(), 1u);
  EXPECT_EQ(sized[0].index, 300);
  EXPECT_EQ(sized[0].value, 150);
  EXPECT_EQ(window->Width(), 300);
  EXPECT_EQ(window->Height(), 150);
  EXPECT_TRUE(frame->isAlive());
  LastHeadlessWindow()->Queue(MakeEvent(EPlatformEvent::kMouseDown, 5, 5, kMouseLeft));
  editor->idle();
  EXPECT_EQ(view->mice.size(), 1u) << "events reach the frame after the resize";

  hostResizes = false;
  ASSERT_TRUE(frame->setSize(250, 120));
  EXPECT_EQ(host.CallsOf(kAudioMasterSizeWindow).size(), 1u) << "not asked when it cannot";
  EXPECT_EQ(window->Width(), 250);
  CRect size;
  frame->getViewSize(size);
  EXPECT_EQ(size, CRect(0, 0, 250, 120));
  window->Queue(ExposeAll());
  editor->idle();
  EXPECT_EQ(Shown(window, 5, 5), 0xFF0000u) << "the back buffer follows the size";
  editor->close();
}

TEST(EditorIdleTest, HostDrawAndMouseCallsReachTheFrame) {
  HeadlessScope scope;
  FakeHost host;
  MinimalEffect effect(FakeHost::Callback);
  auto* editor = new TestEditor(&effect);
  ASSERT_TRUE(editor->open(HostWindow()));
  CHeadlessWindow* window = LastHeadlessWindow();
  auto* view = new RecordingView(CRect(0, 0, 20, 20), kRedCColor);
  editor->getFrame()->addView(view);
  ERect area{0, 0, 20, 20};
  editor->draw(&area);
  EXPECT_EQ(Shown(window, 10, 10), 0xFF0000u);
  window->SetPointer(3, 4, kMouseRight);
  EXPECT_EQ(editor->mouse(3, 4), 1);
  ASSERT_EQ(view->mice.size(), 1u);
  EXPECT_EQ(view->mice[0].buttons, kMouseRight) << "buttons read from the pointer";
  editor->close();
}

TEST(EditorIdleTest, EditorRegistersWithItsEffectAndReportsItsRect) {
  HeadlessScope scope;
  FakeHost host;
  MinimalEffect effect(FakeHost::Callback);
  auto* editor = new TestEditor(&effect);
  EXPECT_EQ(effect.getEditor(), editor);
  EXPECT_TRUE(effect.getAeffect()->flags & effFlagsHasEditor);
  ERect* rect = nullptr;
  ASSERT_EQ(Dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, kWidth);
  EXPECT_EQ(rect->bottom, kHeight);
  VstKeyCode key{'a', 0, 0};
  EXPECT_FALSE(editor->onKeyDown(key));
  EXPECT_FALSE(editor->onWheel(1.0f)) << "no frame while closed";
  EXPECT_TRUE(editor->setKnobMode(2));
  EXPECT_EQ(AEffGUIEditor::knobMode.load(), 2);
  AEffGUIEditor::knobMode = 0;
}

TEST(EditorIdleTest, NoWindowLeavesAFrameWithoutOneThatStillAnswers) {
  SetPlatformWindowFactoryForTesting([](void*, int, int) { return std::unique_ptr<CPlatformWindow>(); });
  g_bVST_WantTimerCallbackForIdle = false;
  FakeHost host;
  MinimalEffect effect(FakeHost::Callback);
  auto* editor = new TestEditor(&effect);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(editor->open(HostWindow()));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not create Control : -1\n");
  CFrame* frame = editor->getFrame();
  EXPECT_EQ(frame->getPlatformWindow(), nullptr);
  editor->idle();
  editor->doIdleStuff();
  frame->setCursor(kCursorHand);
  CPoint where;
  EXPECT_TRUE(frame->getCurrentLocation(where));
  editor->close();
  SetPlatformWindowFactoryForTesting(nullptr);
  ResetHostInfoForTesting();
}
