// One writer and one reader at full speed. Every frame has the same power in
// all its bins, and merges of such frames stay flat, so a reader that ever
// saw a buffer while the writer filled it would find two different values in
// one read. Run under ThreadSanitizer (QVX_TSAN=ON) they also show that the
// handshake orders every buffer access, clears included.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Helpers/FrequencyDataStore.h"

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

  std::vector<Complex<double>> frame(kN / 2 + 1);
  for (int i = 1; i <= kFrames; ++i) {
    for (auto& bin : frame) bin = {static_cast<double>(i), 0.0};
    store.StoreValuesForGraph(frame.data(), kN);
  }
  // The reader may not have been scheduled yet on a loaded machine.
  while (reads.load() == 0) std::this_thread::yield();
  done.store(true);
  reader.join();

  EXPECT_EQ(torn.load(), 0) << "a read mixed two frames";
  EXPECT_EQ(backwards.load(), 0) << "a read showed an older frame after a newer one";
  EXPECT_GT(reads.load(), 0);
  EXPECT_EQ(store.GetReaderBusyCount(), 0);
  // The last frame is published or pending for the next reader.
  const double* b = store.BeginRead();
  EXPECT_EQ(b[0], double(kFrames) * kFrames);
  store.EndRead();
}

TEST(FrequencyDataStoreThreadTest, ClearsFromTheDisplayNeverMeetTheWriter) {
  constexpr int kN = 1024;
  constexpr int kFrames = 20000;
  CFrequencyDataStore store(kN);
  std::atomic<int> stored{0};
  std::atomic<bool> done{false};
  int torn = 0, stale = 0, clears = 0, shown = 0;

  std::thread display([&] {
    while (!done.load()) {
      // Every frame stored before the clear is older than what may show
      // after it: the writer shows its next frame alone.
      const double before = stored.load();
      store.Clear();
      ++clears;
      for (int read = 0; read < 3; ++read) {
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
      }
    }
  });

  std::vector<Complex<double>> frame(kN / 2 + 1);
  for (int i = 1; i <= kFrames; ++i) {
    for (auto& bin : frame) bin = {static_cast<double>(i), 0.0};
    store.StoreValuesForGraph(frame.data(), kN);
    stored.store(i);
  }
  done.store(true);
  display.join();

  EXPECT_EQ(torn, 0) << "a read mixed two frames";
  EXPECT_EQ(stale, 0) << "a frame from before a clear showed after it";
  EXPECT_GT(clears, 0);
  EXPECT_GT(shown, 0) << "the writer honoured the clears";
}
