// The editor's idle and its threads: IdleInner's pacing and the effect's
// idle from the editor, the frame's idle thread (which only redraws), the
// effect's rebuild hooks from other threads, and the lock order of removal,
// rebuilds and the audio thread's hold on lock A.
#include "editor/EditorTestSupport.h"

using namespace edtest;

namespace {

class EditorThreadsTest : public EditorFixture {};

}  // namespace

TEST_F(EditorThreadsTest, IdleInnerRunsAtMostOncePerIdleRate) {
  g_kIdleRate = 10;
  m_pEditor->m_nNextIdleInnerTicks = g_Now.load();
  const int before = m_pEditor->m_nIdleInner;
  for (int i = 0; i < 31; ++i) IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_nIdleInner - before, 4) << "at +1, +11, +21 and +31 ms";
}

TEST_F(EditorThreadsTest, ADueTimeFarAheadRestartsTheScheduleFromNow) {
  g_kIdleRate = 10;
  m_pEditor->m_nNextIdleInnerTicks = g_Now.load() + 5;
  int before = m_pEditor->m_nIdleInner;
  IdleAfter(0);
  EXPECT_EQ(m_pEditor->m_nIdleInner, before) << "5 ms ahead is an ordinary wait";
  m_pEditor->m_nNextIdleInnerTicks = g_Now.load() + 1000;
  IdleAfter(0);
  EXPECT_EQ(m_pEditor->m_nIdleInner, before + 1) << "the clock went back";
  EXPECT_EQ(m_pEditor->m_nNextIdleInnerTicks, g_Now.load() + 10);
  before = m_pEditor->m_nIdleInner;
  m_pEditor->ForceCallIdleInner();
  EXPECT_EQ(m_pEditor->m_nIdleInner, before + 1);
}

TEST_F(EditorThreadsTest, EditorIdleRunsTheEffectsIdleEvery100Ms) {
  IdleAfter(200);
  const int runs = m_pEffect->m_nIdleInnerCount.load();
  EXPECT_EQ(m_pEffect->m_eIdleCalledFrom.load(), XREffect::eFxIdleFromEditor);
  IdleAfter(50);
  IdleAfter(50);
  EXPECT_EQ(m_pEffect->m_nIdleInnerCount.load(), runs);
  IdleAfter(1);
  EXPECT_EQ(m_pEffect->m_nIdleInnerCount.load(), runs + 1);
}

TEST_F(EditorThreadsTest, AClosedEditorsIdleDoesNothing) {
  m_pEditor->close();
  const int inner = m_pEditor->m_nIdleInner;
  const int fx = m_pEffect->m_nIdleInnerCount.load();
  m_pEditor->m_bPendingUpdateUi.store(true);
  const int updates = m_pEditor->m_nUpdateUi;
  IdleAfter(500);
  EXPECT_EQ(m_pEditor->m_nIdleInner, inner);
  EXPECT_EQ(m_pEffect->m_nIdleInnerCount.load(), fx);
  EXPECT_EQ(m_pEditor->m_nUpdateUi, updates);
}

TEST_F(EditorThreadsTest, UpdateUiRequestedFromAnyThreadRunsOnTheEditorsThread) {
  const int updates = m_pEditor->m_nUpdateUi;
  OnOtherThread([&] { m_pEditor->SetRefreshControls(); });
  EXPECT_EQ(m_pEditor->m_nUpdateUi, updates);
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_nUpdateUi, updates + 1);
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_nUpdateUi, updates + 1) << "once per request";
}

TEST_F(EditorThreadsTest, TheEffectsRebuildHooksFromAnotherThread) {
  OnOtherThread([&] { m_pEditor->RemoveAllControls(); });
  EXPECT_EQ(m_pEditor->Frame()->getNbViews(), 0) << "removal is done when the call returns";
  EXPECT_EQ(m_pEditor->m_pTwinA, nullptr);
  OnOtherThread([&] { m_pEditor->RefreshFrontOrBack(); });
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 1) << "rebuilt by the editor's thread";
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 2);
  EXPECT_NE(m_pEditor->m_pTwinA, nullptr);
}

TEST_F(EditorThreadsTest, RemovalWaitsForTheAudioThreadsHoldOnLockA) {
  std::atomic<bool> held{false}, release{false}, removed{false};
  std::thread audio([&] {
    if (!m_pEditor->IsOpen()) return;
    m_pEditor->GetLockA().HoldLock();
    held = true;
    while (!release) std::this_thread::yield();
    m_pEditor->GetLockA().ReleaseLock();
  });
  ASSERT_TRUE(WaitUntil([&] { return held.load(); }, 20000));
  std::thread remover([&] {
    m_pEditor->RemoveAllControls();
    removed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(removed.load()) << "the views stay while the meter may be fed";
  release = true;
  audio.join();
  remover.join();
  EXPECT_TRUE(removed.load());
  EXPECT_EQ(m_pEditor->Frame()->getNbViews(), 0);
}

TEST_F(EditorThreadsTest, RebuildsInIdleRemovalElsewhereAndTheAudioThreadNeverDeadlock) {
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    while (!stop) {
      if (m_pEditor->IsOpen()) {
        CScopedLock hold(m_pEditor->GetLockA());
        std::this_thread::yield();
      }
    }
  });
  std::thread effectSide([&] {
    while (!stop) {
      m_pEditor->RemoveAllControls();
      m_pEditor->RefreshFrontOrBack();
      m_pEditor->UpdateQMControls();
      m_pEditor->UpdateUndoRedoControls();
    }
  });
  int toggles = 0;
  bool front = m_pEditor->IsFrontShown();
  for (int i = 0; i < 200; ++i) {
    // A flip due now: a rebuild inside idle, under lock B, takes lock A.
    m_pEditor->m_nFlipAtTicks.store(g_Now.load());
    IdleAfter(1);
    if (m_pEditor->IsFrontShown() != front) ++toggles;
    front = m_pEditor->IsFrontShown();
  }
  stop = true;
  audio.join();
  effectSide.join();
  EXPECT_EQ(toggles, 200);
  IdleAfter(1);
  EXPECT_FALSE(m_pEditor->m_bPendingRefresh.load()) << "the last deferred rebuild ran";
  EXPECT_GT(m_pEditor->Frame()->getNbViews(), 0);
}

// The frame's own idle thread, on the real clock.
TEST(EditorIdleThreadTest, TheIdleThreadRedrawsButLeavesTheEditorsWorkToTheHostsThread) {
  TempConfigFolder prefs;
  frametest::HeadlessScope headless(true, true);
  fxtest::HostLog::Get().Reset();
  g_kIdleRate = 10;
  EditorTestEffect effect;
  auto* editor = new TestEditor(&effect);
  ASSERT_TRUE(editor->open(frametest::HostWindow()));
  CHeadlessWindow* window = LastHeadlessWindow();
  CFrame* frame = editor->Frame();
  {
    CScopedLock hold(frame->getFrameLock());
    window->Queue(frametest::ExposeAll());
  }
  editor->idle();
  const int inner = editor->m_nIdleInner;
  const int updates = editor->m_nUpdateUi;
  const int presents = window->PresentCount();
  {
    CScopedLock hold(frame->getFrameLock());
    editor->m_pTwinA->setValue(1.0f);
    editor->SetRefreshControls();
  }
  EXPECT_TRUE(WaitUntil([&] { return window->PresentCount() > presents; }, 20000)) << "the idle thread redrew";
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(editor->m_nIdleInner, inner);
  EXPECT_EQ(editor->m_nUpdateUi, updates);
  editor->idle();
  EXPECT_EQ(editor->m_nUpdateUi, updates + 1);
  editor->close();
}

TEST(EditorIdleThreadTest, ClosingWhileTheIdleThreadRunsReturns) {
  TempConfigFolder prefs;
  frametest::HeadlessScope headless(true, true);
  fxtest::HostLog::Get().Reset();
  g_kIdleRate = 1;
  EditorTestEffect effect;
  auto* editor = new TestEditor(&effect);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(editor->open(frametest::HostWindow()));
    editor->idle();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    editor->close();
    EXPECT_EQ(editor->Frame(), nullptr);
  }
  g_kIdleRate = 10;
}
