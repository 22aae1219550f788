// Many threads transforming at once through the pool and through shared
// wrappers. Results must equal those of a lone caller bit for bit: a scratch
// buffer or pool object handed to two callers at once would corrupt them.
// Meant to run under ThreadSanitizer too (README: the -DQVX_TSAN=ON build).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "FftTestUtil.h"
#include "Helpers/FFTPool.h"

namespace {

using namespace fft_test;

template <typename T>
struct Job {
  int n;
  std::vector<T> x;
  std::vector<T> spec_ref;
  std::vector<T> y_ref;
};

template <typename T>
Job<T> MakeJob(CFftWrapper<T>& w, unsigned seed) {
  Job<T> j{w.GetSize(), RandomSamples<T>(w.GetSize(), seed), {}, {}};
  j.spec_ref.resize(j.n + 2);
  j.y_ref.resize(j.n);
  w.DoFFT(j.n, j.spec_ref.data(), j.x.data());
  w.DoIFFT(j.n, j.spec_ref.data(), j.y_ref.data());
  return j;
}

template <typename T>
bool RunJob(CFftWrapper<T>& w, Job<T>& j) {
  std::vector<T> spec(j.n + 2), y(j.n);
  w.DoFFT(j.n, spec.data(), j.x.data());
  w.DoIFFT(j.n, spec.data(), y.data());
  return BitEqual(spec, j.spec_ref) && BitEqual(y, j.y_ref);
}

TEST(FFTConcurrencyTest, ThreadsSharingWrappersAndPoolGetLoneCallerResults) {
  FFT_Init();
  ASSERT_TRUE(FFT_PoolReady());
  // In each round all threads use the same wrapper: more callers than it has
  // scratch buffers, so some of them wait for one.
  constexpr int kThreads = 12;
  constexpr int kRounds = 6;
  CFftWrapper<float> wf(1024);
  CFftWrapper<double> wd(1024);
  CFftWrapper<float> wf2(2048);
  auto jf = MakeJob(wf, 41);
  auto jd = MakeJob(wd, 42);
  auto jf2 = MakeJob(wf2, 43);

  std::atomic<int> mismatches{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      while (!go.load()) std::this_thread::yield();
      for (int r = 0; r < kRounds; ++r) {
        bool ok = true;
        switch (r % 3) {
          case 0: ok = RunJob(wf, jf); break;
          case 1: ok = RunJob(wd, jd); break;
          default: ok = RunJob(wf2, jf2); break;
        }
        if (!ok) ++mismatches;
      }
    });
  }
  go = true;
  for (auto& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(FFTConcurrencyTest, PoolBuildRacesAreSafeAndSlotsEndFree) {
  std::vector<std::thread> threads;
  std::atomic<int> not_ready{0};
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&] {
      FFT_Init();
      if (!FFT_PoolReady()) ++not_ready;
      std::vector<double> x(256, 1.0), f(256);
      for (int r = 0; r < 20; ++r) fft_object_do_fft(256, f.data(), x.data());
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(not_ready.load(), 0);
  // Every operation gave its object back: all 16 can be claimed again.
  for (int i = 0; i < 16; ++i) EXPECT_EQ(GetFreeRealFftObject_double(8), i);
  for (int i = 0; i < 16; ++i) ReleaseRealFftObject_double(8, i);
}

}  // namespace
