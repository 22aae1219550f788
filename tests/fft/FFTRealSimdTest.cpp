#include <gtest/gtest.h>

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

TEST(FFTRealSimdTest, Sse2MatchesPlainBitForBitFloat) { ExpectPathsBitIdentical<float>(EFftIsa::kSse2); }
TEST(FFTRealSimdTest, Sse2MatchesPlainBitForBitDouble) { ExpectPathsBitIdentical<double>(EFftIsa::kSse2); }
TEST(FFTRealSimdTest, Avx2MatchesPlainBitForBitFloat) { ExpectPathsBitIdentical<float>(EFftIsa::kAvx2); }
TEST(FFTRealSimdTest, Avx2MatchesPlainBitForBitDouble) { ExpectPathsBitIdentical<double>(EFftIsa::kAvx2); }

}  // namespace
