// The hand-over from the audio thread to the meter's drawing: a writer that
// stores blocks while the display draws frames. Run under ThreadSanitizer
// as well (QVX_TSAN).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "MeterTestSupport.h"

using namespace metertest;

namespace {

// Every short peak reaches the display in a frame of its own, however the
// writer's blocks and the display's frames interleave.
TEST(LevelMeterThreadTest, EveryPeakBetweenFramesIsShown) {
  MeterOnSurface s;
  CLevelMeter& m = *s.meter;
  ConfigureAsProduct(m, false);
  m.fPeakFall = 0.0f;  // the bar follows the read value at once
  constexpr int kPeaks = 60;
  constexpr float kSpike = 0.9f;
  const std::vector<float> quiet(64, 0.1f);
  std::vector<float> spike(64, 0.1f);
  spike[17] = kSpike;

  std::atomic<int> frames{0};
  std::atomic<bool> done{false};
  auto waitFrames = [&frames](int n) {
    const int until = frames.load() + n;
    while (frames.load() < until) std::this_thread::yield();
  };
  std::thread audio([&] {
    for (int i = 0; i < kPeaks; ++i) {
      for (int j = 0; j < 5; ++j) m.StoreValues(quiet.data(), quiet.data(), 64);
      m.StoreValues(spike.data(), spike.data(), 64);
      for (int j = 0; j < 3; ++j) m.StoreValues(quiet.data(), quiet.data(), 64);
      waitFrames(2);
      m.StoreValues(quiet.data(), quiet.data(), 64);
      waitFrames(2);
    }
    done.store(true);
  });

  // Count the frames in which the shown peak rises to the spike.
  int rises = 0;
  bool atSpike = false;
  while (!done.load()) {
    s.Draw();
    const bool now = m.fPeakShown[0] == kSpike;
    if (now && !atSpike) ++rises;
    atSpike = now;
    frames.fetch_add(1);
  }
  audio.join();
  EXPECT_EQ(rises, kPeaks);
}

}  // namespace
