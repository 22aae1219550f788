#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "FftTestUtil.h"

namespace {

using namespace fft_test;

template <typename T>
void ExpectPathsBitIdentical(EFftIsa isa) {
  if (!FftIsaAvailable(isa)) GTEST_SKIP() << "path not available on this processor";
  ForEachLength<T>([&](auto obj) {
    const long n = obj->FFT_LEN;
    const auto x = RandomSamples<T>(n, 1000 + static_cast<unsigned>(obj->FFT_LEN_L));
    std::vector<T> f_plain(n), f_vec(n), x_plain(n), x_vec(n);
    obj->do_fft_isa(EFftIsa::kPlain, f_plain.data(), x.data());
    obj->do_fft_isa(isa, f_vec.data(), x.data());
    EXPECT_TRUE(BitEqual(f_plain, f_vec)) << "forward, N = " << n;
    obj->do_ifft_isa(EFftIsa::kPlain, f_plain.data(), x_plain.data());
    obj->do_ifft_isa(isa, f_plain.data(), x_vec.data());
    EXPECT_TRUE(BitEqual(x_plain, x_vec)) << "inverse, N = " << n;
  });
}

// The vector paths read and write through unaligned pointers and must not
// depend on the caller's alignment, nor on special values in the data.
template <typename T>
void ExpectMisalignedAndSpecialInputsBitIdentical(EFftIsa isa) {
  if (!FftIsaAvailable(isa)) GTEST_SKIP() << "path not available on this processor";
  FFTRealFixLen<11, T> obj;
  const long n = obj.FFT_LEN;
  auto x = RandomSamples<T>(n + 1, 17);
  x[5] = T(0);
  x[6] = -T(0);
  x[7] = T(1e30);
  x[100] = T(-3e-30);
  std::vector<T> f_plain(n), f_vec(n + 1), y_plain(n), y_vec(n + 3);
  obj.do_fft_isa(EFftIsa::kPlain, f_plain.data(), x.data() + 1);
  obj.do_fft_isa(isa, f_vec.data() + 1, x.data() + 1);
  EXPECT_EQ(std::memcmp(f_plain.data(), f_vec.data() + 1, n * sizeof(T)), 0);
  obj.do_ifft_isa(EFftIsa::kPlain, f_plain.data(), y_plain.data());
  obj.do_ifft_isa(isa, f_vec.data() + 1, y_vec.data() + 3);
  EXPECT_EQ(std::memcmp(y_plain.data(), y_vec.data() + 3, n * sizeof(T)), 0);
}

// The forward transform of a zero-padded frame that leaves the padding
// unread: on every path, bit for bit the plain transform of the frame with
// zeros in memory (a negative zero among the samples included), whatever the
// padding holds.
template <typename T>
void ExpectPaddedForwardMatchesZerosInMemory() {
  ForEachLength<T>([&](auto obj) {
    const long n = obj->FFT_LEN;
    for (long count : {0L, 1L, n / 4, n / 4 + 1, n / 2, 3 * n / 4 - 5, n}) {
      auto padded = RandomSamples<T>(n, 7 + static_cast<unsigned>(count));
      std::fill(padded.begin() + count, padded.end(), T(0));
      if (count > 2) padded[1] = -T(0);
      std::vector<T> expected(n);
      obj->do_fft_isa(EFftIsa::kPlain, expected.data(), padded.data());
      for (EFftIsa isa : {EFftIsa::kPlain, EFftIsa::kSse2, EFftIsa::kAvx2}) {
        if (!FftIsaAvailable(isa)) continue;
        std::vector<T> x = padded, f(n);
        std::fill(x.begin() + count, x.end(), std::numeric_limits<T>::quiet_NaN());
        obj->do_fft_padded_isa(isa, f.data(), x.data(), count);
        EXPECT_TRUE(BitEqual(expected, f))
            << "N = " << n << ", " << count << " samples, path " << static_cast<int>(isa);
      }
    }
  });
}

TEST(FFTRealSimdTest, PaddedForwardMatchesZerosInMemory) {
  ExpectPaddedForwardMatchesZerosInMemory<float>();
  ExpectPaddedForwardMatchesZerosInMemory<double>();
}

TEST(FFTRealSimdTest, MisalignedArraysAndSpecialValuesMatchPlainSse2) {
  ExpectMisalignedAndSpecialInputsBitIdentical<float>(EFftIsa::kSse2);
  ExpectMisalignedAndSpecialInputsBitIdentical<double>(EFftIsa::kSse2);
}
TEST(FFTRealSimdTest, MisalignedArraysAndSpecialValuesMatchPlainAvx2) {
  ExpectMisalignedAndSpecialInputsBitIdentical<float>(EFftIsa::kAvx2);
  ExpectMisalignedAndSpecialInputsBitIdentical<double>(EFftIsa::kAvx2);
}

TEST(FFTRealSimdTest, Sse2MatchesPlainBitForBitFloat) { ExpectPathsBitIdentical<float>(EFftIsa::kSse2); }
TEST(FFTRealSimdTest, Sse2MatchesPlainBitForBitDouble) { ExpectPathsBitIdentical<double>(EFftIsa::kSse2); }
TEST(FFTRealSimdTest, Avx2MatchesPlainBitForBitFloat) { ExpectPathsBitIdentical<float>(EFftIsa::kAvx2); }
TEST(FFTRealSimdTest, Avx2MatchesPlainBitForBitDouble) { ExpectPathsBitIdentical<double>(EFftIsa::kAvx2); }

}  // namespace
