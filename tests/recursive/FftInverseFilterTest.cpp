// The inverse kernel: 1 - H of its source, at the idealised and at the
// committed level, its phase rotation, and the sources it must refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include "Helpers/FftHighPass.h"

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr int kN = 2048;
constexpr int kBins = kN / 2 + 1;

double Magnitude(const Complex<float>& z) { return std::hypot(z.re, z.im); }

TEST(FftInverseFilterTest, InverseOfAnAllPassIsZero) {
  FreqDomainConvolution<float> allPass(kN, kN / 2, 1);
  allPass.m_fSampleRate = kSampleRate;
  FftInverseFilter<float> inv(kN, kN / 2, 1);
  ASSERT_TRUE(inv.SetInverseOf(&allPass));
  EXPECT_TRUE(inv.m_bHasResponse);
  EXPECT_EQ(inv.m_fSampleRate, kSampleRate);
  for (int k = 0; k < kBins; ++k) ASSERT_LT(Magnitude(inv.m_pResponse[k]), 1e-6) << k;
}

TEST(FftInverseFilterTest, IdealisedResponseIsOneMinusTheSource) {
  FftHighPass<float> hp(kN, kN / 2, 1);
  hp.m_fSampleRate = kSampleRate;
  ASSERT_TRUE(hp.SetFrequency(500.0f, 0.3f, 0.1f));
  FftInverseFilter<float> inv(kN, kN / 2, 1);
  ASSERT_TRUE(inv.SetInverseOf(&hp));
  std::vector<Complex<float>> h(kBins), g(kBins);
  hp.SetIdealisedFreqResponse(h.data());
  inv.SetIdealisedFreqResponse(g.data());
  for (int k = 0; k < kBins; ++k) {
    ASSERT_FLOAT_EQ(g[k].re, 1.0f - h[k].re) << k;
    ASSERT_EQ(g[k].im, 0.0f) << k;
  }
}

TEST(FftInverseFilterTest, CommittedKernelsOfSourceAndInverseSumToTheDelay) {
  // Windowing is linear: kernel(1 - H) + kernel(H) = kernel(1), the pure
  // delay of the all-pass design of the same length.
  FreqDomainConvolution<float> allPass(kN, kN / 2, 1);
  allPass.Setup(false);
  FftHighPass<float> hp(kN, kN / 2, 1);
  hp.m_fSampleRate = kSampleRate;
  ASSERT_TRUE(hp.SetFrequency(2000.0f, 0.5f, 0.0f));
  FftInverseFilter<float> inv(kN, kN / 2, 1);
  ASSERT_TRUE(inv.SetInverseOf(&hp));
  for (int k = 0; k < kBins; ++k) {
    ASSERT_NEAR(inv.m_pResponse[k].re + hp.m_pResponse[k].re, allPass.m_pResponse[k].re, 1e-5) << k;
    ASSERT_NEAR(inv.m_pResponse[k].im + hp.m_pResponse[k].im, allPass.m_pResponse[k].im, 1e-5) << k;
  }
}

TEST(FftInverseFilterTest, PhaseRotatesTheComplement) {
  FftHighPass<float> hp(kN, kN / 2, 1);
  hp.m_fSampleRate = kSampleRate;
  ASSERT_TRUE(hp.SetFrequency(300.0f, 0.0f, 0.25f));
  FftInverseFilter<float> inv(kN, kN / 2, 1);
  ASSERT_TRUE(inv.SetInverseOf(&hp));
  inv.m_fPhase = 0.5f;
  std::vector<Complex<float>> h(kBins), g(kBins);
  hp.SetIdealisedFreqResponse(h.data());
  inv.SetIdealisedFreqResponse(g.data());
  for (int k = 0; k < kBins; ++k) {
    const std::complex<double> want = std::polar(1.0, 0.5) * (1.0 - std::complex<double>(h[k].re, h[k].im));
    ASSERT_NEAR(g[k].re, want.real(), 1e-6) << k;
    ASSERT_NEAR(g[k].im, want.imag(), 1e-6) << k;
  }
}

TEST(FftInverseFilterTest, WithoutASourceItNeverDesignsFromTheUnsetBuffer) {
  FftInverseFilter<float> inv(kN, kN / 2, 1);
  // The design buffer is uninitialised after construction; make that visible.
  for (int k = 0; k < kBins; ++k)
    inv.m_pSetupResponse[k] = Complex<float>{std::numeric_limits<float>::quiet_NaN(), 1e30f};
  EXPECT_FALSE(inv.SetInverseOf(nullptr));
  EXPECT_FALSE(inv.m_bHasResponse);
  EXPECT_EQ(inv.m_pInverseOf, nullptr);
  inv.Setup(false);
  for (int k = 0; k < kBins; ++k) ASSERT_EQ(Magnitude(inv.m_pResponse[k]), 0.0) << k;
}

TEST(FftInverseFilterTest, RefusesSourcesOfAnotherSizeAndLoops) {
  FreqDomainConvolution<float> bigger(2 * kN, kN, 1);
  FftInverseFilter<float> a(kN, kN / 2, 1), b(kN, kN / 2, 1);
  FreqDomainConvolution<float> allPass(kN, kN / 2, 1);
  allPass.Setup(false);
  EXPECT_FALSE(a.SetInverseOf(&bigger));
  EXPECT_FALSE(a.SetInverseOf(&a));
  ASSERT_TRUE(b.SetInverseOf(&allPass));
  ASSERT_TRUE(a.SetInverseOf(&b));
  EXPECT_FALSE(b.SetInverseOf(&a));
  EXPECT_EQ(b.m_pInverseOf, &allPass);
  // a = 1 - (1 - 1) = 1: the inverse of an inverse is its source again.
  for (int k = 0; k < kBins; ++k) ASSERT_NEAR(a.m_pResponse[k].re, allPass.m_pResponse[k].re, 1e-5);
}

TEST(FftInverseFilterTest, LoopWrittenIntoTheFieldsEndsWithADefinedDesign) {
  FftInverseFilter<float> a(kN, kN / 2, 1), b(kN, kN / 2, 1);
  a.m_pInverseOf = &b;
  b.m_pInverseOf = &a;
  a.Setup(false);
  ASSERT_TRUE(a.m_bHasResponse);
  for (int k = 0; k < kBins; ++k) ASSERT_TRUE(std::isfinite(a.m_pResponse[k].re)) << k;
}

}  // namespace
