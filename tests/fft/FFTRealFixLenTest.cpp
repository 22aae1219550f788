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

// Tolerance for exact-valued edge cases: a few units of rounding per pass,
// scaled by the size of the largest value.
template <typename T>
double EdgeTol(long n, double magnitude) {
  return ExpectedError<T>(n) * 8.0 * (magnitude < 1.0 ? 1.0 : magnitude);
}

TYPED_TEST(FFTRealFixLenTest, ImpulsesConstantsAndAlternationGiveTheirSpectra) {
  using T = TypeParam;
  ForEachLength<T>([](auto obj) {
    const long n = obj->FFT_LEN, h = n / 2;
    std::vector<T> x(n, T(0)), f(n);

    x[0] = 1;
    obj->do_fft(f.data(), x.data());
    for (long k = 0; k <= h; ++k) ASSERT_NEAR(f[k], 1.0, EdgeTol<T>(n, 1)) << "N=" << n << " k=" << k;
    for (long k = 1; k < h; ++k) ASSERT_NEAR(f[h + k], 0.0, EdgeTol<T>(n, 1)) << "N=" << n << " k=" << k;

    x[0] = 0;
    x[1] = 1;
    obj->do_fft(f.data(), x.data());
    const double w = 2.0 * static_cast<double>(kPiL) / static_cast<double>(n);
    EXPECT_NEAR(f[1], std::cos(w), EdgeTol<T>(n, 1)) << "N=" << n;
    EXPECT_NEAR(f[h + 1], std::sin(w), EdgeTol<T>(n, 1)) << "N=" << n << ": sine part must be positive";

    std::fill(x.begin(), x.end(), T(1));
    obj->do_fft(f.data(), x.data());
    EXPECT_NEAR(f[0], static_cast<double>(n), EdgeTol<T>(n, n)) << "N=" << n;
    for (long k = 1; k < n; ++k) ASSERT_NEAR(f[k], 0.0, EdgeTol<T>(n, n)) << "N=" << n << " k=" << k;

    for (long i = 0; i < n; ++i) x[i] = (i & 1) ? T(-1) : T(1);
    obj->do_fft(f.data(), x.data());
    EXPECT_NEAR(f[h], static_cast<double>(n), EdgeTol<T>(n, n)) << "N=" << n;
    for (long k = 0; k < n; ++k) {
      if (k == h) continue;
      ASSERT_NEAR(f[k], 0.0, EdgeTol<T>(n, n)) << "N=" << n << " k=" << k;
    }
  });
}

TYPED_TEST(FFTRealFixLenTest, CosineAndSineLandInTheirBinWithPositiveSineSign) {
  using T = TypeParam;
  ForEachLength<T>([](auto obj) {
    const long n = obj->FFT_LEN, h = n / 2;
    for (long m : {1L, 3L, h / 3, h - 1}) {
      std::vector<T> c(n), s(n), f(n);
      for (long i = 0; i < n; ++i) {
        const long double a = 2.0L * kPiL * static_cast<long double>((m * i) % n) / n;
        c[i] = static_cast<T>(std::cos(a));
        s[i] = static_cast<T>(std::sin(a));
      }
      obj->do_fft(f.data(), c.data());
      EXPECT_NEAR(f[m], n / 2.0, EdgeTol<T>(n, n)) << "N=" << n << " m=" << m;
      EXPECT_NEAR(f[h + m], 0.0, EdgeTol<T>(n, n)) << "N=" << n << " m=" << m;
      obj->do_fft(f.data(), s.data());
      EXPECT_NEAR(f[m], 0.0, EdgeTol<T>(n, n)) << "N=" << n << " m=" << m;
      EXPECT_NEAR(f[h + m], n / 2.0, EdgeTol<T>(n, n)) << "N=" << n << " m=" << m;
    }
  });
}

TYPED_TEST(FFTRealFixLenTest, InverseOfSingleValuedSpectraGivesTheirWaves) {
  using T = TypeParam;
  ForEachLength<T>([](auto obj) {
    const long n = obj->FFT_LEN, h = n / 2;
    const long m = h / 5;
    struct Case {
      long index;
      std::function<long double(long)> wave;
    };
    const std::vector<Case> cases = {
        {0, [](long) { return 1.0L; }},
        {h, [](long i) { return (i & 1) ? -1.0L : 1.0L; }},
        {m, [&](long i) { return 2.0L * std::cos(2.0L * kPiL * ((m * i) % n) / n); }},
        {h + m, [&](long i) { return 2.0L * std::sin(2.0L * kPiL * ((m * i) % n) / n); }},
    };
    for (const Case& c : cases) {
      std::vector<T> f(n, T(0)), x(n);
      f[c.index] = 1;
      obj->do_ifft(f.data(), x.data());
      for (long i = 0; i < n; ++i)
        ASSERT_NEAR(x[i], static_cast<double>(c.wave(i)), EdgeTol<T>(n, 2))
            << "N=" << n << " spectrum index " << c.index << " sample " << i;
    }
  });
}

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

TEST(FFTRealFixLenTablesTest, BitReversalTableHoldsReversedQuadrupleStarts) {
  FFTRealFixLen<9, float> o;
  const int32_t* br = o.get_br_lut();
  EXPECT_EQ(br[0], 0);
  EXPECT_EQ(br[1], 64);
  std::vector<bool> seen(128, false);
  for (int g = 0; g < 128; ++g) {
    ASSERT_GE(br[g], 0);
    ASSERT_LT(br[g], 128);
    EXPECT_FALSE(seen[br[g]]) << "entry " << g << " repeats " << br[g];
    seen[br[g]] = true;
  }
}

}  // namespace
