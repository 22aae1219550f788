#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <chrono>
#include <functional>
#include <future>
#include <random>
#include <thread>

#include "framework/FrameworkTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace {

using fxtest::TestEffect;
constexpr int kHost = TestEffect::kHostParams;

// Runs a hook from inside ParameterChanged, to act while the effect is in
// the middle of an undo.
class HookedEffect : public TestEffect {
 public:
  void ParameterChanged(int index) override {
    TestEffect::ParameterChanged(index);
    if (m_Hook) m_Hook(index);
  }
  std::function<void(int)> m_Hook;
};

TEST(UndoThreadTest, AutomationFromAnotherThreadDuringAnUndoIsStillRecorded) {
  TempConfigFolder prefs;
  HookedEffect fx;
  fx.SetParamAndForceHostUpdate(1, 0.5f);
  bool fired = false;
  fx.m_Hook = [&](int index) {
    if (index != 1 || fired) return;
    fired = true;
    // The undo of parameter 1 is writing right now, on this thread.
    std::thread automation([&] { fx.setParameter(2, 0.9f); });
    automation.join();
  };
  fx.beginEdit(kXrUndoRequest);
  fx.endEdit(kXrUndoRequest);
  fx.m_Hook = nullptr;
  ASSERT_TRUE(fired);
  EXPECT_EQ(fx.getParameter(1), TestEffect::DefaultValue(1));
  EXPECT_EQ(fx.getParameter(2), 0.9f);
  // The automated change is in the history and can be taken back.
  ASSERT_TRUE(fx.CanUndo());
  fx.Undo(false);
  EXPECT_EQ(fx.getParameter(2), TestEffect::DefaultValue(2));
}

TEST(UndoThreadTest, AudioThreadAutomationDuringAnUndoWaitsInLineInsteadOfForTheLock) {
  TempConfigFolder prefs;
  class LockableEffect : public TestEffect {
   public:
    std::mutex& UndoMutex() { return m_UndoMutex; }
  } fx;
  fx.SetParamAndForceHostUpdate(1, 0.5f);
  fx.UndoMutex().lock();  // as an undo or redo walking the history
  auto audio = std::async(std::launch::async, [&] {
    const CAudioThreadScope audioThread;
    fx.setParameter(2, 0.9f);
    fx.setParameter(3, 0.8f);
  });
  const bool returned = audio.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  fx.UndoMutex().unlock();
  audio.wait();
  ASSERT_TRUE(returned) << "the audio thread waited for the undo history";
  EXPECT_EQ(fx.getParameter(3), 0.8f) << "the values themselves are written at once";
  // The idle side records the waiting points, after the older ones and in
  // the order they were made.
  fx.CheckForChangeCanUndoOrRedo();
  fx.Undo(false);
  EXPECT_EQ(fx.getParameter(3), TestEffect::DefaultValue(3));
  EXPECT_EQ(fx.getParameter(2), 0.9f);
  fx.Undo(false);
  EXPECT_EQ(fx.getParameter(2), TestEffect::DefaultValue(2));
  fx.Undo(false);
  EXPECT_EQ(fx.getParameter(1), TestEffect::DefaultValue(1));
}

// Run under ThreadSanitizer (QVX_TSAN=ON) this shows the undo history and the
// values are safe against host automation from a second thread.
TEST(UndoThreadTest, AutomationWhileEditingAndUndoingStaysConsistent) {
  TempConfigFolder prefs;
  TestEffect fx(fxtest::RecordingHostCallback, true);
  std::atomic<bool> stop{false};
  std::thread automation([&] {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> index(0, kHost - 1);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    while (!stop.load()) {
      fx.setParameter(index(rng), value(rng));
      (void)fx.getParameter(index(rng));
    }
  });
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  for (int round = 0; round < 400; ++round) {
    const int p = round % 50;
    fx.beginEdit(p);
    for (int k = 0; k < 5; ++k) fx.SetParamAndForceHostUpdate(p + k, value(rng));
    fx.endEdit(p);
    fx.beginEdit(kXrUndoRequest);
    fx.endEdit(kXrUndoRequest);
    if (round % 3 == 0) fx.Redo(false);
    if (round % 37 == 0) fx.SwitchABProgram();
    if (round % 91 == 0) fx.CopyAtoB();
  }
  stop = true;
  automation.join();

  // The ring is whole: the history ends at an empty entry within the ring,
  // and every entry is a parameter or a marker.
  for (int bank = 0; bank < 2; ++bank) {
    int n = 0;
    for (int pos = fx.UndoHeadOf(bank) - 1; n < kXrUndoRingSize; --pos, ++n) {
      const int index = fx.UndoAt(bank, pos).nIndex;
      if (index == kXrEmptyUndoEntry) break;
      ASSERT_TRUE((index >= 0 && index < kHost) || index == kXrUndoGroupStart || index == kXrUndoGroupEnd) << index;
    }
    EXPECT_LT(n, kXrUndoRingSize);
  }
  for (int i = 0; i < 20000 && fx.CanUndo(); ++i) fx.Undo(false);
  EXPECT_FALSE(fx.CanUndo());
  for (int i = 0; i < kHost; ++i) {
    const float v = fx.getParameter(i);
    ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << i << " holds " << v;
  }
}

}  // namespace
