// One writer and one reader at full speed. Every frame has the same power in
// all its bins, and merges of such frames stay flat, so a reader that ever
// saw a buffer while the writer filled it would find two different values in
// one read. Run under ThreadSanitizer (QVX_TSAN=ON) they also show that the
// handshake orders every buffer access, clears included.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "Helpers/FrequencyDataStore.h"

namespace {
// How long the writer goes on for the other thread's turns before the test
// takes it for hung: a count of frames would run out first on a machine
// whose every core is busy.
bool BeforeGivingUp(std::chrono::steady_clock::time_point start) {
  return std::chrono::steady_clock::now() - start < std::chrono::seconds(60);
}
}  // namespace

TEST(FrequencyDataStoreThreadTest, ReaderNeverSeesAFrameBeingWritten) {
  constexpr int kN = 1024;
  constexpr int kFrames = 20000;
  CFrequencyDataStore store(kN);
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::atomic<int> reads{0};
  std::atomic<int> backwards{0};

  std::thread reader([&] {
    double last = 0.0;
    while (!done.load()) {
      const double* b = store.BeginRead();
      const double first = b[0];
      for (int k = 1; k <= kN / 2; ++k)
        if (b[k] != first) {
          torn.fetch_add(1);
          break;
        }
      // Merges and flips only move forward in this stream of rising powers.
      if (first < last) backwards.fetch_add(1);
      last = first;
      if ((reads.fetch_add(1) & 1) == 0) store.SetConsumed();
      store.EndRead();
    }
  });

  // The writer goes on until the reader has read often enough, however the
  // two threads are scheduled.
  std::vector<Complex<double>> frame(kN / 2 + 1);
  int last = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i <= kFrames || (reads.load() < 1000 && BeforeGivingUp(start)); ++i) {
    for (auto& bin : frame) bin = {static_cast<double>(i), 0.0};
    store.StoreValuesForGraph(frame.data(), kN);
    last = i;
  }
  // The reader may not have been scheduled yet on a loaded machine.
  while (reads.load() == 0) std::this_thread::yield();
  done.store(true);
  reader.join();

  EXPECT_EQ(torn.load(), 0) << "a read mixed two frames";
  EXPECT_EQ(backwards.load(), 0) << "a read showed an older frame after a newer one";
  EXPECT_GE(reads.load(), 1000);
  EXPECT_EQ(store.GetReaderBusyCount(), 0);
  // The last frame is published or pending for the next reader.
  const double* b = store.BeginRead();
  EXPECT_EQ(b[0], double(last) * last);
  store.EndRead();
}

TEST(FrequencyDataStoreThreadTest, ClearsFromTheDisplayNeverMeetTheWriter) {
  constexpr int kN = 1024;
  constexpr int kFrames = 20000;
  CFrequencyDataStore store(kN);
  std::atomic<int> stored{0};
  std::atomic<bool> done{false};
  std::atomic<int> clears{0};
  int torn = 0, stale = 0, shown = 0;

  auto read = [&](double before) {
    const double* b = store.BeginRead();
    const double first = b[0];
    for (int k = 1; k <= kN / 2; ++k)
      if (b[k] != first) {
        ++torn;
        break;
      }
    if (first != 0.0) {
      ++shown;
      if (first < (before + 1) * (before + 1)) ++stale;
    }
    store.SetConsumed();
    store.EndRead();
  };
  std::thread display([&] {
    while (!done.load()) {
      // Every frame stored before the clear is older than what may show
      // after it: the writer shows its next frame alone.
      const double before = stored.load();
      store.Clear();
      clears.fetch_add(1);
      read(before);
      // Staying out of the store lets the writer end the clear with a flip.
      while (store.IsClearPending() && !done.load()) std::this_thread::yield();
      read(before);
      read(before);
    }
  });

  // The writer goes on until the display has cleared often enough, however
  // the two threads are scheduled.
  std::vector<Complex<double>> frame(kN / 2 + 1);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i <= kFrames || (clears.load() < 100 && BeforeGivingUp(start)); ++i) {
    for (auto& bin : frame) bin = {static_cast<double>(i), 0.0};
    store.StoreValuesForGraph(frame.data(), kN);
    stored.store(i);
  }
  done.store(true);
  display.join();

  EXPECT_EQ(torn, 0) << "a read mixed two frames";
  EXPECT_EQ(stale, 0) << "a frame from before a clear showed after it";
  EXPECT_GE(clears.load(), 100);
  EXPECT_GT(shown, 0) << "the writer honoured the clears";
}
