#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Helpers/FftWindow.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The standard window formulas in double precision over n + 1 points.
double Expected(EWindowType type, int i, int n) {
  const double x = 2.0 * kPi * i / n;
  switch (type) {
    case eWindowHamming: return 0.53836 - 0.46164 * std::cos(x);
    case eWindowHann: return 0.5 - 0.5 * std::cos(x);
    case eWindowBlackman: return 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2 * x);
    case eWindowBlackmanHarris:
      return 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
    default: return 1.0;
  }
}

template <typename T>
class FftWindowTest : public ::testing::Test {};
using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(FftWindowTest, SampleTypes);

TYPED_TEST(FftWindowTest, EveryTypeFollowsItsFormulaAndIsSymmetric) {
  using T = TypeParam;
  // Float arguments are formed in single precision: allow for that.
  const double tol = std::is_same_v<T, float> ? 2e-6 : 1e-7;
  for (int t = 0; t < kWindowTypeCount; ++t) {
    for (int n : {1, 2, 7, 64, 511, 4096}) {
      std::vector<T> samples(n + 1, T(2));
      FFT<T>::ApplyWindow(samples.data(), n, EWindowType(t), nullptr);
      for (int i = 0; i <= n; ++i) {
        ASSERT_NEAR(samples[i] / 2, Expected(EWindowType(t), i, n), tol) << "type " << t << " n " << n << " i " << i;
        ASSERT_NEAR(samples[i], samples[n - i], 2 * tol) << "type " << t << " symmetric at " << i;
      }
    }
  }
}

TYPED_TEST(FftWindowTest, OnePointWindowIsOneWithoutDividingByZero) {
  using T = TypeParam;
  for (int t = 0; t < kWindowTypeCount; ++t) {
    T sample = T(0.75);
    WindowCache<T> cache;
    FFT<T>::ApplyWindow(&sample, 0, EWindowType(t), &cache);
    EXPECT_EQ(sample, T(0.75)) << "type " << t;
    ASSERT_NE(cache.m_pValues, nullptr);
    EXPECT_EQ(cache.m_pValues[0], T(1));
  }
}

TYPED_TEST(FftWindowTest, UnknownTypeChangesNothingAndCachesNothing) {
  using T = TypeParam;
  WindowCache<T> cache;
  for (int t : {5, -1, 1000}) {
    for (int call = 0; call < 2; ++call) {
      std::vector<T> samples(17, T(0.5));
      FFT<T>::ApplyWindow(samples.data(), 16, EWindowType(t), &cache);
      for (T v : samples) ASSERT_EQ(v, T(0.5)) << "type " << t << " call " << call;
      EXPECT_EQ(cache.m_pValues, nullptr);
    }
  }
  // A cache that holds a known window keeps it.
  std::vector<T> samples(17, T(1));
  FFT<T>::ApplyWindow(samples.data(), 16, eWindowHann, &cache);
  FFT<T>::ApplyWindow(samples.data(), 16, EWindowType(9), &cache);
  EXPECT_TRUE(cache.Holds(16, eWindowHann));
}

TYPED_TEST(FftWindowTest, CacheIsReusedForTheSameWindowAndRefilledForAnother) {
  using T = TypeParam;
  WindowCache<T> cache;
  std::vector<T> samples(65, T(1));
  FFT<T>::ApplyWindow(samples.data(), 64, eWindowBlackman, &cache);
  // A marked cache value shows whether the next call reads the cache.
  cache.m_pValues[10] = T(3);
  std::vector<T> again(65, T(1));
  FFT<T>::ApplyWindow(again.data(), 64, eWindowBlackman, &cache);
  EXPECT_EQ(again[10], T(3));
  std::vector<T> other(65, T(1));
  FFT<T>::ApplyWindow(other.data(), 64, eWindowHamming, &cache);
  EXPECT_NEAR(other[10], Expected(eWindowHamming, 10, 64), 2e-6);
  std::vector<T> longer(129, T(1));
  FFT<T>::ApplyWindow(longer.data(), 128, eWindowHamming, &cache);
  EXPECT_EQ(cache.m_nSize, 128);
  EXPECT_NEAR(longer[10], Expected(eWindowHamming, 10, 128), 2e-6);
}

TEST(FftWindowNamesTest, NamesInOrder) {
  EXPECT_STREQ(c_pszFftWindowName[eWindowRectangle], "Rectangle");
  EXPECT_STREQ(c_pszFftWindowName[eWindowHamming], "Hamming");
  EXPECT_STREQ(c_pszFftWindowName[eWindowHann], "Hann");
  EXPECT_STREQ(c_pszFftWindowName[eWindowBlackman], "Blackman");
  EXPECT_STREQ(c_pszFftWindowName[eWindowBlackmanHarris], "Blackman-Harris");
}

}  // namespace
