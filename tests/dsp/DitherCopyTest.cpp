#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "Helpers/DitherCopy.h"

namespace {

// The generator written out independently: s = s * 1103515245 + 12345 mod 2^32, then bits
// 16..30 scaled to -1..+1.000061, rounded to float. Written with 64-bit
// arithmetic and an explicit modulus, independently of the library's form.
struct ReferenceNoise {
  uint64_t s = 1;
  float Draw() {
    s = (s * 1103515245ull + 12345ull) % 4294967296ull;
    const int v = static_cast<int>((s / 65536ull) % 32768ull);
    return static_cast<float>(v / 16383.0 - 1.0);
  }
};

float ReferenceSample(ReferenceNoise& g, int type, double source) {
  switch (type) {
    case 1: {
      const float d = g.Draw();
      return static_cast<float>(double(d) * 5.960464477539e-8 + source);
    }
    case 2: {
      const float a = g.Draw();
      const float b = g.Draw();
      return static_cast<float>(double(a + b) * 2.9802322387695e-8 + source);
    }
    case 3: {
      const float a = g.Draw();
      const float b = g.Draw();
      const float c = g.Draw();
      const float d = g.Draw();
      return static_cast<float>(double(((a + b) + c) + d) * 1.49011611938475e-8 + source);
    }
    default:
      return static_cast<float>(source);
  }
}

std::vector<double> Ramp(int n) {
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = 0.001 * i - 0.3 + 1e-9 * (i % 7);
  return x;
}

TEST(DitherNoiseTest, FirstDrawFromInitialStateIsTheKnownValue) {
  uint32_t state = kDitherSeedInitial;
  const float r = DitherNoiseDraw(state);
  EXPECT_NEAR(r, 0.027773f, 5e-7f);
  EXPECT_EQ(state, 1103527590u);

  uint32_t filterState = kDitherSeedInitial;
  const double zero = 0.0;
  float out = 1.0f;
  my_typed_memcpy_with_dither(&out, &zero, 1, eDitherRectangular, filterState);
  EXPECT_EQ(out, static_cast<float>(double(r) * 5.960464477539e-8));
  EXPECT_NEAR(out, 0.027773 * 5.960464477539e-8, 1e-13);
}

TEST(DitherNoiseTest, EveryTypeFollowsTheReferenceSequenceAcrossCalls) {
  const std::vector<double> src = Ramp(203);
  for (int type = 1; type <= 3; ++type) {
    ReferenceNoise ref;
    uint32_t state = kDitherSeedInitial;
    std::vector<float> out(src.size());
    // Uneven calls must continue one sequence.
    my_typed_memcpy_with_dither(out.data(), src.data(), 9, EDitherType(type), state);
    my_typed_memcpy_with_dither(out.data() + 9, src.data() + 9, 1, EDitherType(type), state);
    my_typed_memcpy_with_dither(out.data() + 10, src.data() + 10, 193, EDitherType(type), state);
    for (size_t i = 0; i < src.size(); ++i)
      ASSERT_EQ(out[i], ReferenceSample(ref, type, src[i])) << "type " << type << " sample " << i;
    EXPECT_EQ(uint64_t(state), ref.s) << "type " << type << " advances by its draws per sample";
  }
}

TEST(DitherCopyTest, OffAndUnknownTypesNarrowPlainlyWithoutDrawing) {
  const std::vector<double> src = Ramp(37);
  for (int type : {0, 4, -1, 99}) {
    uint32_t state = 12345u;
    std::vector<float> out(src.size(), 7.0f);
    my_typed_memcpy_with_dither(out.data(), src.data(), int(src.size()), EDitherType(type), state);
    for (size_t i = 0; i < src.size(); ++i)
      ASSERT_EQ(out[i], static_cast<float>(src[i])) << "type " << type << " must still copy";
    EXPECT_EQ(state, 12345u);
  }
}

TEST(DitherCopyTest, EmptyOrNegativeCountWritesAndDrawsNothing) {
  const double src[2] = {0.25, 0.5};
  float out[2] = {9.0f, 9.0f};
  uint32_t state = kDitherSeedInitial;
  my_typed_memcpy_with_dither(out, src, 0, eDitherGaussian, state);
  my_typed_memcpy_with_dither(out, src, -3, eDitherGaussian, state);
  EXPECT_EQ(state, kDitherSeedInitial);
  EXPECT_EQ(out[0], 9.0f);
  EXPECT_EQ(out[1], 9.0f);
  my_typed_memcpy<double, float>(out, src, -1);
  EXPECT_EQ(out[0], 9.0f);
}

TEST(DitherCopyTest, CopiesThatKeepOrWidenPrecisionIgnoreTheType) {
  const float fsrc[3] = {0.1f, -1.0f / 3.0f, 1e-30f};
  const double dsrc[3] = {0.1, -1.0 / 3.0, 1e-300};
  float fout[3];
  double dout[3];
  my_typed_memcpy_with_dither(fout, fsrc, 3, eDitherGaussian);
  my_typed_memcpy_with_dither(dout, dsrc, 3, eDitherGaussian);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(fout[i], fsrc[i]);
    EXPECT_EQ(dout[i], dsrc[i]);
  }
  my_typed_memcpy_with_dither(dout, fsrc, 3, eDitherTriangular);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(dout[i], double(fsrc[i]));
}

TEST(DitherCopyTest, NarrowingRoundsToNearest) {
  // 1 + 2^-24 lies halfway between two floats (ties to even: 1); 1 + 3*2^-25
  // lies nearer 1 + 2^-23.
  const double src[2] = {1.0 + std::ldexp(1.0, -24), 1.0 + 3.0 * std::ldexp(1.0, -25)};
  float out[2];
  my_typed_memcpy<double, float>(out, src, 2);
  EXPECT_EQ(out[0], 1.0f);
  EXPECT_EQ(out[1], 1.0f + std::ldexp(1.0f, -23));
}

TEST(DitherCopyTest, ProcessWideStateAdvancesByTheDraws) {
  const std::vector<double> src = Ramp(5);
  std::vector<float> out(5);
  const uint32_t before = xr_rand_seed.load();
  my_typed_memcpy_with_dither(out.data(), src.data(), 5, eDitherTriangular);
  uint32_t expected = before;
  for (int i = 0; i < 10; ++i) DitherNoiseDraw(expected);
  EXPECT_EQ(xr_rand_seed.load(), expected);
  my_typed_memcpy_with_dither(out.data(), src.data(), 5, eDitherOff);
  EXPECT_EQ(xr_rand_seed.load(), expected);
}

TEST(DitherCopyTest, TypeNamesInOrder) {
  EXPECT_STREQ(g_szDitherTypeString[eDitherOff], "Off");
  EXPECT_STREQ(g_szDitherTypeString[eDitherRectangular], "Rectangular");
  EXPECT_STREQ(g_szDitherTypeString[eDitherTriangular], "Triangular");
  EXPECT_STREQ(g_szDitherTypeString[eDitherGaussian], "Gaussian");
}

}  // namespace
