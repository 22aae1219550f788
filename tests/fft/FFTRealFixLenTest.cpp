// The real-FFT kernels against independent references and the defining
// properties of the packed spectrum, for every length and both sample types.
#include <gtest/gtest.h>

#include "FftTestUtil.h"

namespace {

using namespace fft_test;

// Largest expected error of a transform of random samples in [-1, 1] (round
// trip: absolute; forward: relative to the RMS bin), by length. The figures
// are orders of magnitude; measured maxima reach about 1.15 times them.
template <typename T>
double ExpectedError(long n) {
  const bool f = sizeof(T) == sizeof(float);
  const double base = n <= 4096 ? (f ? 5e-7 : 1e-15) : n <= 16384 ? (f ? 3e-5 : 3e-13) : (f ? 4e-4 : 3e-12);
  return 1.25 * base;
}

template <typename T>
class FFTRealFixLenTest : public testing::Test {};
using SampleTypes = testing::Types<float, double>;
TYPED_TEST_SUITE(FFTRealFixLenTest, SampleTypes);

TYPED_TEST(FFTRealFixLenTest, ForwardMatchesLongDoubleDftAtSmallLengths) {
  using T = TypeParam;
  FFTRealFixLen<8, T> o8;
  FFTRealFixLen<9, T> o9;
  auto check = [](auto& obj) {
    const long n = obj.FFT_LEN;
    const auto x = RandomSamples<T>(n, 11);
    std::vector<T> f(n);
    obj.do_fft(f.data(), x.data());
    EXPECT_LT(PackedSpectrumError(f, NaiveDft(x)), ExpectedError<T>(n)) << "N=" << n;
  };
  check(o8);
  check(o9);
}

TYPED_TEST(FFTRealFixLenTest, ForwardMatchesReferenceFftAtEveryLength) {
  using T = TypeParam;
  ForEachLength<T>([](auto obj) {
    const long n = obj->FFT_LEN;
    const auto x = RandomSamples<T>(n, 12);
    std::vector<T> f(n);
    obj->do_fft(f.data(), x.data());
    EXPECT_LT(PackedSpectrumError(f, ReferenceFft(x)), ExpectedError<T>(n)) << "N=" << n;
  });
}

TYPED_TEST(FFTRealFixLenTest, RoundTripReturnsNTimesSamplesAndRescaleRestoresThem) {
  using T = TypeParam;
  ForEachLength<T>([](auto obj) {
    const long n = obj->FFT_LEN;
    const auto x = RandomSamples<T>(n, 13);
    std::vector<T> f(n), y(n);
    obj->do_fft(f.data(), x.data());
    obj->do_ifft(f.data(), y.data());
    double worst_scaled = 0;
    for (long i = 0; i < n; ++i)
      worst_scaled = std::max(worst_scaled, std::abs(static_cast<double>(y[i]) - n * static_cast<double>(x[i])));
    EXPECT_LT(worst_scaled, ExpectedError<T>(n) * n) << "N=" << n << ": inverse must return N x";
    obj->rescale(y.data());
    double worst = 0;
    for (long i = 0; i < n; ++i) worst = std::max(worst, std::abs(static_cast<double>(y[i] - x[i])));
    EXPECT_LT(worst, ExpectedError<T>(n)) << "N=" << n;
  });
}

TYPED_TEST(FFTRealFixLenTest, TransformsLeaveTheirInputUnchanged) {
  using T = TypeParam;
  ForEachLength<T>([](auto obj) {
    const long n = obj->FFT_LEN;
    for (EFftIsa isa : {EFftIsa::kPlain, FftBestIsa()}) {
      const auto x = RandomSamples<T>(n, 14);
      auto x_in = x;
      std::vector<T> f(n), y(n);
      obj->do_fft_isa(isa, f.data(), x_in.data());
      EXPECT_TRUE(BitEqual(x_in, x)) << "N=" << n << ": do_fft changed its samples";
      const auto f_copy = f;
      obj->do_ifft_isa(isa, f.data(), y.data());
      EXPECT_TRUE(BitEqual(f, f_copy)) << "N=" << n << ": do_ifft changed its spectrum";
    }
  });
}

TYPED_TEST(FFTRealFixLenTest, ResultsAreBitIdenticalAcrossObjectsAndCalls) {
  using T = TypeParam;
  auto check = [](auto a, auto b) {
    const long n = a->FFT_LEN;
    const auto x = RandomSamples<T>(n, 15);
    const auto other = RandomSamples<T>(n, 16);
    std::vector<T> f1(n), f2(n), f3(n), y1(n), y2(n);
    a->do_fft(f1.data(), x.data());
    a->do_fft(f3.data(), other.data());  // leaves its traces in the object
    a->do_fft(f2.data(), x.data());
    EXPECT_TRUE(BitEqual(f1, f2)) << "N=" << n << ": second call differs";
    b->do_fft(f3.data(), x.data());
    EXPECT_TRUE(BitEqual(f1, f3)) << "N=" << n << ": other object differs";
    a->do_ifft(f1.data(), y1.data());
    b->do_ifft(f1.data(), y2.data());
    EXPECT_TRUE(BitEqual(y1, y2)) << "N=" << n << ": inverse differs between objects";
  };
  check(std::make_unique<FFTRealFixLen<10, T>>(), std::make_unique<FFTRealFixLen<10, T>>());
  check(std::make_unique<FFTRealFixLen<13, T>>(), std::make_unique<FFTRealFixLen<13, T>>());
  check(std::make_unique<FFTRealFixLen<17, T>>(), std::make_unique<FFTRealFixLen<17, T>>());
}

}  // namespace
