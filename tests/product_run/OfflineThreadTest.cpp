// An offline block that completes a frame while another thread holds the
// idle side with an update pending: it waits for the idle side without
// holding the audio-busy flag, so that a rebuild the holder makes meanwhile
// (which waits for the flag) ends first, and the block then completes the
// update itself when nobody else does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "RunTestSupport.h"
#include "framework/FrameworkTestSupport.h"

using namespace runtest;

TEST(OfflineThreadTest, BlockWaitingForTheIdleSideLetsItsRebuildTakeTheEngine) {
  fxtest::Watchdog watchdog(std::chrono::seconds(60));
  constexpr int kHop = 2048;  // Medium
  ProcessLevel() = kVstProcessLevelOffline;
  for (bool rebuild : {true, false}) {
    SCOPED_TRACE(rebuild ? "the holder rebuilds" : "the holder only holds");
    RunQvx2 fx(30);
    // The stream's first hop: the next block of a hop completes a frame.
    Stream(fx, Noise(kHop, 1), {kHop});
    const CQVX2Engine* before = fx.Engine();
    fx.SetAllGains(0.7f);
    std::atomic<int> order{0};
    int blockEnded = 0, rebuilt = 0;
    std::thread audio;
    fx.WithIdleLock([&] {
      // Taken by the block once it holds the engine, before it asks for the
      // idle side.
      fx.InPlaceApplyQualityModeSettings();
      audio = std::thread([&] {
        Stream(fx, Noise(kHop, 2), {kHop});
        blockEnded = ++order;
      });
      while (fx.DitherPending()) std::this_thread::yield();
      if (rebuild) {
        fx.Rebuild();
        rebuilt = ++order;
      }
    });
    audio.join();
    EXPECT_FALSE(fx.AudioBusyHeld());
    EXPECT_FALSE(fx.FiltersMarked()) << "the update is complete after the block";
    if (rebuild) {
      EXPECT_EQ(rebuilt, 1) << "the rebuild waited for the block's end";
      EXPECT_EQ(blockEnded, 2);
      EXPECT_NE(fx.Engine(), before);
    } else {
      EXPECT_EQ(fx.Engine(), before);
    }
  }
  ProcessLevel() = kVstProcessLevelRealtime;
}
