// CFftWrapper: the spectrum convention every user sees, the round trip, and
// the size rules.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "FftTestUtil.h"
#include "Helpers/Complex.h"
#include "Helpers/FFTPool.h"

namespace {

using namespace fft_test;

template <typename T>
class CFftWrapperTest : public testing::Test {};
using SampleTypes = testing::Types<float, double>;
TYPED_TEST_SUITE(CFftWrapperTest, SampleTypes);

template <typename T>
double Tol(double magnitude) {
  return (sizeof(T) == sizeof(float) ? 2e-5 : 1e-12) * (magnitude < 1 ? 1 : magnitude);
}

TEST(CFftWrapperSizeTest, UnsupportedSizesAreRefusedAtConstruction) {
  for (int n : {0, -256, 1, 128, 1000, 4095, 262144})
    EXPECT_THROW(CFftWrapper<float>{n}, std::invalid_argument) << "N=" << n;
  EXPECT_THROW(CFftWrapper<double>{1000}, std::invalid_argument);
  for (int n = 256; n <= 131072; n *= 2) EXPECT_EQ(CFftWrapper<double>(n).GetSize(), n);
}

TYPED_TEST(CFftWrapperTest, BinKIsTheConjugateOfTheUsualDft) {
  using T = TypeParam;
  const int n = 512;
  CFftWrapper<T> w(n);
  auto x = RandomSamples<T>(n, 31);
  std::vector<T> spec(n + 2);
  w.DoFFT(n, spec.data(), x.data());
  const auto ref = NaiveDft(x);
  const auto* bins = reinterpret_cast<const Complex<T>*>(spec.data());
  for (int k = 0; k <= n / 2; ++k) {
    EXPECT_NEAR(bins[k].re, static_cast<double>(ref[k].real()), Tol<T>(n)) << "k=" << k;
    EXPECT_NEAR(bins[k].im, -static_cast<double>(ref[k].imag()), Tol<T>(n)) << "k=" << k;
  }
  EXPECT_FALSE(std::signbit(bins[0].im));
  EXPECT_FALSE(std::signbit(bins[n / 2].im));
  EXPECT_EQ(bins[0].im, T(0));
  EXPECT_EQ(bins[n / 2].im, T(0));
}

TYPED_TEST(CFftWrapperTest, RoundTripReturnsTheSignalAndIgnoresEdgeImaginaryParts) {
  using T = TypeParam;
  for (int n : {256, 4096, 32768}) {
    CFftWrapper<T> w(n);
    auto x = RandomSamples<T>(n, 32);
    const auto x_copy = x;
    std::vector<T> spec(n + 2), y(n), y2(n);
    w.DoFFT(n, spec.data(), x.data());
    EXPECT_TRUE(BitEqual(x, x_copy)) << "DoFFT changed its signal";
    w.DoIFFT(n, spec.data(), y.data());
    double worst = 0;
    for (int i = 0; i < n; ++i) worst = std::max(worst, std::abs(static_cast<double>(y[i] - x[i])));
    EXPECT_LT(worst, sizeof(T) == sizeof(float) ? 5e-4 : 5e-12) << "N=" << n;
    spec[1] = T(123);
    spec[n + 1] = T(-45);
    w.DoIFFT(n, spec.data(), y2.data());
    EXPECT_TRUE(BitEqual(y, y2)) << "imaginary parts of bins 0 and N/2 changed the result";
  }
}

// The product of two spectra is a circular convolution, with the usual
// sign as with the conjugate one.
TYPED_TEST(CFftWrapperTest, ProductOfSpectraIsCircularConvolution) {
  using T = TypeParam;
  const int n = 256;
  CFftWrapper<T> w(n);
  auto a = RandomSamples<T>(n, 33);
  std::vector<T> b(n, T(0));
  b[3] = T(0.5);
  b[10] = T(-2);
  std::vector<T> sa(n + 2), sb(n + 2), y(n);
  w.DoFFT(n, sa.data(), a.data());
  w.DoFFT(n, sb.data(), b.data());
  auto* pa = reinterpret_cast<Complex<T>*>(sa.data());
  const auto* pb = reinterpret_cast<const Complex<T>*>(sb.data());
  for (int k = 0; k <= n / 2; ++k) {
    const T re = pa[k].re * pb[k].re - pa[k].im * pb[k].im;
    const T im = pa[k].re * pb[k].im + pa[k].im * pb[k].re;
    pa[k].re = re;
    pa[k].im = im;
  }
  w.DoIFFT(n, sa.data(), y.data());
  for (int i = 0; i < n; ++i) {
    const double expect = 0.5 * a[(i - 3 + n) % n] - 2.0 * a[(i - 10 + n) % n];
    ASSERT_NEAR(y[i], expect, Tol<T>(4)) << "sample " << i;
  }
}

TYPED_TEST(CFftWrapperTest, OtherLengthsWriteZerosWithinTheSmallerSize) {
  using T = TypeParam;
  const int n = 1024;
  CFftWrapper<T> w(n);
  const T kGuard = T(99);
  std::vector<T> x(4 * n, T(1));

  std::vector<T> spec(4 * n, kGuard);
  w.DoFFT(512, spec.data(), x.data());
  for (int i = 0; i < 4 * n; ++i) ASSERT_EQ(spec[i], i < 2 * (256 + 1) ? T(0) : kGuard) << i;
  std::fill(spec.begin(), spec.end(), kGuard);
  w.DoFFT(4096, spec.data(), x.data());
  for (int i = 0; i < 4 * n; ++i) ASSERT_EQ(spec[i], i < n + 2 ? T(0) : kGuard) << i;
  std::fill(spec.begin(), spec.end(), kGuard);
  w.DoFFT(0, spec.data(), x.data());
  w.DoFFT(-1024, spec.data(), x.data());
  EXPECT_TRUE(std::all_of(spec.begin(), spec.end(), [&](T v) { return v == kGuard; }));

  std::vector<T> sig(4 * n, kGuard), in(4 * n + 2, T(1));
  w.DoIFFT(300, in.data(), sig.data());
  for (int i = 0; i < 4 * n; ++i) ASSERT_EQ(sig[i], i < 300 ? T(0) : kGuard) << i;
  std::fill(sig.begin(), sig.end(), kGuard);
  w.DoIFFT(2048, in.data(), sig.data());
  for (int i = 0; i < 4 * n; ++i) ASSERT_EQ(sig[i], i < n ? T(0) : kGuard) << i;
}

}  // namespace
