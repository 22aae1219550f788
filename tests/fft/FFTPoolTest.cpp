// The FFT object pool: size checks, the claim order, waiting when a size is
// exhausted, sharing between instances, and a failed build.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "FftTestUtil.h"
#include "Helpers/FFTPool.h"

namespace {

using namespace fft_test;

class FFTPoolTest : public testing::Test {
 protected:
  void SetUp() override {
    FFT_Init();
    ASSERT_TRUE(FFT_PoolReady());
  }
};

// Releases every slot a test claimed through GetFreeRealFftObject.
struct HeldSlots {
  int L;
  bool bDouble;
  std::vector<int> slots;
  int Claim() {
    const int s = bDouble ? GetFreeRealFftObject_double(L) : GetFreeRealFftObject(L);
    if (s >= 0) slots.push_back(s);
    return s;
  }
  void Release(int s) {
    bDouble ? ReleaseRealFftObject_double(L, s) : ReleaseRealFftObject(L, s);
    slots.erase(std::find(slots.begin(), slots.end(), s));
  }
  ~HeldSlots() {
    for (int s : slots) bDouble ? ReleaseRealFftObject_double(L, s) : ReleaseRealFftObject(L, s);
  }
};

TEST_F(FFTPoolTest, ClaimsTakeTheLowestFreeSlot) {
  HeldSlots held{12, false, {}};
  EXPECT_EQ(held.Claim(), 0);
  EXPECT_EQ(held.Claim(), 1);
  EXPECT_EQ(held.Claim(), 2);
  held.Release(0);
  EXPECT_EQ(held.Claim(), 0);
  held.Release(1);
  EXPECT_EQ(held.Claim(), 1);
  HeldSlots other_type{12, true, {}};
  EXPECT_EQ(other_type.Claim(), 0) << "the double table is separate from the float one";
}

TEST_F(FFTPoolTest, SixteenSlotsPerSizeThenNone) {
  HeldSlots held{9, true, {}};
  for (int i = 0; i < 16; ++i) ASSERT_EQ(held.Claim(), i);
  EXPECT_EQ(held.Claim(), -1);
  EXPECT_EQ(GetFreeRealFftObject(7), -1) << "sizes below 256 have no objects";
  EXPECT_EQ(GetFreeRealFftObject(18), -1);
  EXPECT_EQ(GetFreeRealFftObject(-1), -1);
}

TEST_F(FFTPoolTest, InitOfAnotherInstanceKeepsSlotsInUse) {
  HeldSlots held{10, false, {}};
  ASSERT_EQ(held.Claim(), 0);
  FFT_Init();
  FFT_Deinit();
  EXPECT_EQ(held.Claim(), 1) << "FFT_Init freed a slot that was in use";
}

TEST_F(FFTPoolTest, UnsupportedSizesClaimAndWriteNothing) {
  std::vector<float> f(300000, 7.0f), x(300000, 1.0f);
  std::vector<double> fd(300000, 7.0), xd(300000, 1.0);
  for (int n : {0, -256, 128, 1000, 262144}) {
    fft_object_do_fft(n, f.data(), x.data());
    fft_object_do_ifft(n, f.data(), x.data());
    fft_object_rescale(n, x.data());
    fft_object_do_fft(n, fd.data(), xd.data());
    fft_object_do_ifft(n, fd.data(), xd.data());
    fft_object_rescale(n, xd.data());
  }
  EXPECT_TRUE(std::all_of(f.begin(), f.end(), [](float v) { return v == 7.0f; }));
  EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](float v) { return v == 1.0f; }));
  EXPECT_TRUE(std::all_of(fd.begin(), fd.end(), [](double v) { return v == 7.0; }));
  EXPECT_TRUE(std::all_of(xd.begin(), xd.end(), [](double v) { return v == 1.0; }));
  HeldSlots held{8, false, {}};
  EXPECT_EQ(held.Claim(), 0) << "an ignored call left a slot claimed";
  EXPECT_FALSE(FFT_IsSupportedSize(128));
  EXPECT_TRUE(FFT_IsSupportedSize(256));
  EXPECT_TRUE(FFT_IsSupportedSize(131072));
  EXPECT_FALSE(FFT_IsSupportedSize(262144));
}

TEST_F(FFTPoolTest, PoolOperationsGiveTheKernelsResults) {
  FFTRealFixLen<11, double> direct;
  const auto x = RandomSamples<double>(2048, 21);
  auto x_in = x;
  std::vector<double> f(2048), f_ref(2048), y(2048), y_ref(2048);
  fft_object_do_fft(2048, f.data(), x_in.data());
  direct.do_fft(f_ref.data(), x.data());
  EXPECT_TRUE(BitEqual(f, f_ref));
  EXPECT_TRUE(BitEqual(x_in, x));
  fft_object_do_ifft(2048, f.data(), y.data());
  direct.do_ifft(f_ref.data(), y_ref.data());
  EXPECT_TRUE(BitEqual(y, y_ref));
  fft_object_rescale(2048, y.data());
  direct.rescale(y_ref.data());
  EXPECT_TRUE(BitEqual(y, y_ref));
}

// With all 16 objects of one size and type held, a caller of that size and
// type waits; callers of other sizes and of the other type go on; releasing
// one object lets the waiting caller through.
void ExpectSeventeenthCallerWaits(int L, bool bDouble) {
  const int n = 1 << L;
  HeldSlots held{L, bDouble, {}};
  for (int i = 0; i < 16; ++i) ASSERT_EQ(held.Claim(), i);

  std::atomic<bool> done{false};
  std::vector<float> xf(n, 1.0f), ff(n);
  std::vector<double> xd(n, 1.0), fd(n);
  std::thread waiter([&] {
    if (bDouble)
      fft_object_do_fft(n, fd.data(), xd.data());
    else
      fft_object_do_fft(n, ff.data(), xf.data());
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load()) << "a 17th caller of size " << n << " did not wait";

  const int other_n = L == 17 ? 256 : 2 * n;
  std::vector<float> xo(other_n, 1.0f), fo(other_n);
  fft_object_do_fft(other_n, fo.data(), xo.data());
  EXPECT_FLOAT_EQ(fo[0], static_cast<float>(other_n)) << "another size was held up";
  if (bDouble) {
    std::vector<float> x2(n, 1.0f), f2(n);
    fft_object_do_fft(n, f2.data(), x2.data());
    EXPECT_FLOAT_EQ(f2[0], static_cast<float>(n)) << "the other sample type was held up";
  } else {
    std::vector<double> x2(n, 1.0), f2(n);
    fft_object_do_fft(n, f2.data(), x2.data());
    EXPECT_DOUBLE_EQ(f2[0], static_cast<double>(n)) << "the other sample type was held up";
  }
  EXPECT_FALSE(done.load());

  held.Release(7);
  waiter.join();
  EXPECT_TRUE(done.load());
  EXPECT_EQ(bDouble ? fd[0] : static_cast<double>(ff[0]), static_cast<double>(n));
  EXPECT_EQ(held.Claim(), 7) << "the waiting caller did not free its slot";
}

TEST_F(FFTPoolTest, SeventeenthCallerWaitsOnlyForItsSizeAndType) {
  ExpectSeventeenthCallerWaits(8, false);
  ExpectSeventeenthCallerWaits(17, true);
}

// Runs in a fresh process, where the pool is not built yet: makes the build
// fail, checks what callers see, then lets a second attempt succeed. Exits
// with a bit mask of the failed checks.
[[noreturn]] void FailedBuildChild() {
  int failures = 0;
  FFT_SetPoolBuildFailureForTesting(200);
  FFT_Init();
  if (FFT_PoolReady()) failures |= 1;
  try {
    CFftWrapper<float> w(1024);
    failures |= 2;
  } catch (const std::bad_alloc&) {
  }
  std::vector<float> x(1024, 1.0f), f(1024, 5.0f);
  fft_object_do_fft(1024, f.data(), x.data());
  if (!std::all_of(f.begin(), f.end(), [](float v) { return v == 0.0f; })) failures |= 4;
  FFT_SetPoolBuildFailureForTesting(-1);
  FFT_Init();
  if (!FFT_PoolReady()) failures |= 8;
  fft_object_do_fft(1024, f.data(), x.data());
  if (f[0] != 1024.0f) failures |= 16;
  std::exit(failures);
}

TEST(FFTPoolBuildTest, FailedBuildIsReportedAndRetried) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(FailedBuildChild(), testing::ExitedWithCode(0), "");
}

// Runs in a fresh process: a wrapper builds the 16 objects of its own size
// and type and nothing else (the seam lets exactly 16 be built), so an
// effect builds only what its quality mode uses; FFT_Init builds the rest.
// Exits with a bit mask of the failed checks.
[[noreturn]] void WrapperBuildsOnlyItsSizeChild() {
  int failures = 0;
  FFT_SetPoolBuildFailureForTesting(16);
  try {
    CFftWrapper<float> first(1024);
    CFftWrapper<float> second(1024);
  } catch (const std::bad_alloc&) {
    failures |= 1;
  }
  try {
    CFftWrapper<double> other(1024);
    failures |= 2;
  } catch (const std::bad_alloc&) {
  }
  if (FFT_PoolReady()) failures |= 4;
  std::vector<float> x(2048, 1.0f), f(2048, 5.0f);
  fft_object_do_fft(1024, f.data(), x.data());
  if (f[0] != 1024.0f) failures |= 8;
  fft_object_do_fft(2048, f.data(), x.data());
  if (!std::all_of(f.begin(), f.end(), [](float v) { return v == 0.0f; })) failures |= 16;
  std::vector<double> xd(1024, 1.0), fd(1024, 5.0);
  fft_object_do_fft(1024, fd.data(), xd.data());
  if (fd[0] != 0.0) failures |= 32;
  FFT_SetPoolBuildFailureForTesting(-1);
  FFT_Init();
  if (!FFT_PoolReady()) failures |= 64;
  fft_object_do_fft(1024, fd.data(), xd.data());
  if (fd[0] != 1024.0) failures |= 128;
  std::exit(failures);
}

TEST(FFTPoolBuildTest, WrapperBuildsOnlyTheObjectsOfItsSizeAndType) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(WrapperBuildsOnlyItsSizeChild(), testing::ExitedWithCode(0), "");
}

}  // namespace
