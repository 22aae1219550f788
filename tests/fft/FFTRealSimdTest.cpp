#include <gtest/gtest.h>

#include <cstring>

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
