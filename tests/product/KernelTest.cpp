// The equaliser's kernels take their idealised response from the effect's
// per-bin response of their channel.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cmath>
#include <memory>
#include <vector>

#include "Helpers/FFTPool.h"
#include "ProductTestSupport.h"
#include "QVX2/FftQVX2.h"

using qvx2test::TestableQvx2;

TEST(QVX2_SUITE(Qvx2KernelTest), IdealisedResponseIsTheChannelsCachedResponse) {
  FFT_Init();
  auto fx = std::make_unique<TestableQvx2>();
  for (int b = 0; b < kQvx2NumBands; ++b) fx->setParameter(2 * b + 1, 0.25f);  // right -10 dB
  fx->UpdateFilterCalcCache();
  fx->SetResponseArrays(1024);
  ASSERT_TRUE(fx->UpdateCachedIdealisedResponse(-1));

  std::vector<Complex<double>> bins(514, Complex<double>{-7.0, -7.0});
  FftQVX2 right(1024, 512, 1, 1, fx.get());
  right.SetIdealisedFreqResponse(bins.data());
  for (int k = 0; k <= 512; ++k) {
    ASSERT_EQ(bins[static_cast<std::size_t>(k)].re, fx->Response(1)[k]) << k;
    ASSERT_EQ(bins[static_cast<std::size_t>(k)].im, 0.0) << k;
  }
  EXPECT_EQ(bins[513].re, -7.0) << "nothing past bin N/2";

  // No owner, or an owner whose response is for another FFT size: the
  // kernel keeps the base's response.
  std::vector<Complex<double>> untouched(513, Complex<double>{-7.0, -7.0});
  FftQVX2 orphan(1024, 512, 1, 0, nullptr);
  orphan.SetIdealisedFreqResponse(untouched.data());
  FftQVX2 other(2048, 512, 1, 0, fx.get());
  other.SetIdealisedFreqResponse(untouched.data());
  EXPECT_EQ(untouched[0].re, -7.0);
  EXPECT_EQ(untouched[512].im, -7.0);
}

TEST(QVX2_SUITE(Qvx2KernelTest), DesignedKernelsCarryEachChannelsGain) {
  FFT_Init();
  auto fx = std::make_unique<TestableQvx2>();
  for (int b = 0; b < kQvx2NumBands; ++b) fx->setParameter(2 * b, 0.75f);  // left +10 dB
  fx->UpdateFilterCalcCache();
  fx->SetResponseArrays(4096);
  ASSERT_TRUE(fx->UpdateCachedIdealisedResponse(-1));
  FftQVX2 left(4096, 2048, 1, 0, fx.get()), right(4096, 2048, 1, 1, fx.get());
  for (FftQVX2* k : {&left, &right}) {
    k->m_fSampleRate = 48000.0f;
    k->Setup(false);
    ASSERT_TRUE(k->m_bHasResponse.load());
  }
  for (int bin = 1; bin < 2048; bin += 97) {
    const Complex<double> l = left.m_pResponse[bin], r = right.m_pResponse[bin];
    EXPECT_NEAR(std::hypot(l.re, l.im), std::sqrt(10.0), 1e-6) << bin;
    EXPECT_NEAR(std::hypot(r.re, r.im), 1.0, 1e-6) << bin;
  }
}
