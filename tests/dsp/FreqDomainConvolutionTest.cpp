#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <stdexcept>
#include <thread>
#include <vector>

#include "DspTestUtil.h"
#include "Helpers/FreqDomainConvolution.h"
#include "ExceptionCheck.h"

namespace {

using dsptest::kPi;

TEST(FreqDomainConvolutionTest, NewKernelIsAnUncommittedAllPass) {
  FreqDomainConvolution<double> kernel(1024, 512, 1);
  EXPECT_FALSE(kernel.m_bHasResponse);
  EXPECT_TRUE(kernel.m_bNeedsSetup);
  EXPECT_FALSE(kernel.m_bSetupReady);
  for (int k = 0; k <= 512; ++k) {
    ASSERT_EQ(kernel.m_pResponse[k].re, 1.0);
    ASSERT_EQ(kernel.m_pResponse[k].im, 0.0);
  }
}

TEST(FreqDomainConvolutionTest, ConstructorRefusesSizesThatCannotWork) {
  EXPECT_THROW(FreqDomainConvolution<double>(1024, 1024, 1), std::invalid_argument);
  EXPECT_THROW(FreqDomainConvolution<double>(1024, 5000, 1), std::invalid_argument);
  EXPECT_THROW(FreqDomainConvolution<double>(1024, -1, 1), std::invalid_argument);
  EXPECT_THROW(FreqDomainConvolution<double>(1024, 512, 0), std::invalid_argument);
  EXPECT_THROW(FreqDomainConvolution<float>(1000, 512, 1), std::invalid_argument);
  EXPECT_THROW(FreqDomainConvolution<float>(128, 64, 1), std::invalid_argument);
  EXPECT_NO_THROW(FreqDomainConvolution<float>(256, 255, 1));
}

// The flat design is a pure delay of L/2: bin k = exp(+i 2 pi k (L/2) / N)
// in the system's spectrum convention, so the phase moves by pi L / N per bin.
TEST(FreqDomainConvolutionTest, AllPassDesignIsAPureDelayOfHalfTheKernel) {
  for (const auto& pair : dsptest::kQualityPairs) {
    const int N = pair.nFftSize, L = pair.nKernelSize;
    FreqDomainConvolution<double> kernel(N, L, 1);
    kernel.Setup(false);
    ASSERT_TRUE(kernel.m_bHasResponse);
    EXPECT_FALSE(kernel.m_bNeedsSetup);
    EXPECT_FALSE(kernel.m_bSetupReady);
    EXPECT_EQ(kernel.m_nKernelSize, L);
    for (int k = 0; k <= N / 2; k += 1 + N / 4096) {
      const double phase = 2.0 * kPi * k * (L / 2) / N;
      ASSERT_NEAR(kernel.m_pResponse[k].re, std::cos(phase), 1e-7) << N << "/" << L << " bin " << k;
      ASSERT_NEAR(kernel.m_pResponse[k].im, std::sin(phase), 1e-7) << N << "/" << L << " bin " << k;
    }
  }
}

// A real target gives a kernel of L + 1 taps, symmetric about L/2, and
// nothing beyond them; its magnitude follows the target.
TEST(FreqDomainConvolutionTest, DesignedKernelIsLinearPhaseAndFollowsTheTarget) {
  for (const auto& pair : dsptest::kQualityPairs) {
    const int N = pair.nFftSize, L = pair.nKernelSize, c = L / 2;
    dsptest::SmoothKernel kernel(N, L);
    kernel.Setup(false);
    const std::vector<double> taps = dsptest::KernelTaps(kernel);
    double peak = 0.0;
    for (double t : taps) peak = std::max(peak, std::fabs(t));
    for (int k = 1; k <= c; ++k)
      ASSERT_NEAR(taps[c - k], taps[c + k], 1e-12 * peak + 1e-15) << N << "/" << L << " offset " << k;
    for (int i = L + 1; i < N; ++i) ASSERT_NEAR(taps[i], 0.0, 1e-12 * peak) << N << "/" << L << " tap " << i;
    double worst = 0.0;
    for (int k = 0; k <= N / 2; ++k) {
      const double mag = std::hypot(kernel.m_pResponse[k].re, kernel.m_pResponse[k].im);
      worst = std::max(worst, std::fabs(mag - dsptest::SmoothTarget(k, N)));
    }
    EXPECT_LT(worst, 1e-3) << N << "/" << L;
  }
}

// The same facts from a plain sum instead of the kernel's own transform.
TEST(FreqDomainConvolutionTest, DesignMatchesAPlainSumReference) {
  const int N = 1024, L = 512, c = L / 2;
  dsptest::SmoothKernel kernel(N, L);
  kernel.Setup(false);
  const std::vector<double> taps = dsptest::NaiveInverse(kernel.m_pResponse, N, N);
  // Reference design: the target's zero-phase response, delayed by c and
  // windowed over L + 1 points.
  std::vector<Complex<double>> target(N / 2 + 1);
  for (int k = 0; k <= N / 2; ++k) target[k] = Complex<double>{dsptest::SmoothTarget(k, N), 0.0};
  const std::vector<double> h0 = dsptest::NaiveInverse(target.data(), N, N);
  for (int i = 0; i < N; ++i) {
    double expected = 0.0;
    if (i <= L) {
      const double x = 2.0 * kPi * i / L;
      const double w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
      expected = h0[((i - c) % N + N) % N] * w;
    }
    ASSERT_NEAR(taps[i], expected, 1e-8) << "tap " << i;
  }
}

TEST(FreqDomainConvolutionTest, OddKernelLengthCentresOnTheLowerMiddleTap) {
  FreqDomainConvolution<double> kernel(1024, 511, 1);
  kernel.Setup(false);
  const std::vector<double> taps = dsptest::KernelTaps(kernel);
  // The window over 512 points peaks between taps 255 and 256; the impulse
  // sits on 255 and takes the window's value there.
  const double x = 2.0 * kPi * 255 / 511;
  const double w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
  for (int i = 0; i < 1024; ++i) ASSERT_NEAR(taps[i], i == 255 ? w : 0.0, 1e-7) << "tap " << i;
}

TEST(FreqDomainConvolutionTest, TwoPassesSquareTheOnePassResponse) {
  dsptest::SmoothKernel twice(2048, 1024, 2);
  twice.Setup(false);
  EXPECT_EQ(twice.m_nKernelSize, 1024);
  EXPECT_EQ(twice.m_nPasses, 2);
  dsptest::SmoothKernel once(2048, 512, 1);
  once.Setup(false);
  for (int k = 0; k <= 1024; ++k) {
    const Complex<double> a = once.m_pResponse[k];
    ASSERT_NEAR(twice.m_pResponse[k].re, a.re * a.re - a.im * a.im, 1e-12) << k;
    ASSERT_NEAR(twice.m_pResponse[k].im, 2 * a.re * a.im, 1e-12) << k;
  }
}

TEST(FreqDomainConvolutionTest, DeferredDesignIsPublishedOnlyByCommit) {
  dsptest::SmoothKernel kernel(1024, 512);
  kernel.Setup(true);
  EXPECT_TRUE(kernel.m_bSetupReady);
  EXPECT_FALSE(kernel.m_bHasResponse);
  EXPECT_EQ(kernel.m_pResponse[3].re, 1.0);
  kernel.CommitSetup();
  EXPECT_TRUE(kernel.m_bHasResponse);
  EXPECT_FALSE(kernel.m_bSetupReady);
  EXPECT_NEAR(std::hypot(kernel.m_pResponse[3].re, kernel.m_pResponse[3].im), dsptest::SmoothTarget(3, 1024), 1e-3);
}

TEST(FreqDomainConvolutionTest, TheWindowIsComputedOncePerKernelLength) {
  FreqDomainConvolution<double> kernel(1024, 512, 1);
  kernel.Setup(false);
  ASSERT_TRUE(kernel.m_WindowCache.Holds(512, eWindowBlackmanHarris));
  // A doubled centre value shows whether the next design reuses the cache.
  kernel.m_WindowCache.m_pValues[256] *= 2.0;
  kernel.Setup(false);
  EXPECT_NEAR(kernel.m_pResponse[0].re, 2.0, 1e-7);
  kernel.m_nKernelSize = 256;
  kernel.Setup(false);
  EXPECT_TRUE(kernel.m_WindowCache.Holds(256, eWindowBlackmanHarris));
  EXPECT_NEAR(kernel.m_pResponse[0].re, 1.0, 1e-7);
}

class ThrowingKernel : public FreqDomainConvolution<double> {
 public:
  ThrowingKernel() : FreqDomainConvolution<double>(1024, 600, 2) {}
  void SetIdealisedFreqResponse(Complex<double>* response) override {
    if (m_bThrow) throw std::runtime_error("design failed");
    FreqDomainConvolution<double>::SetIdealisedFreqResponse(response);
  }
  bool m_bThrow = false;
};

TEST(FreqDomainConvolutionTest, FailedDesignKeepsThePreviousKernelAndSizes) {
  ThrowingKernel kernel;
  kernel.Setup(false);
  ASSERT_TRUE(kernel.m_bHasResponse);
  const std::vector<Complex<double>> before(kernel.m_pResponse, kernel.m_pResponse + 513);
  const int size = kernel.m_nKernelSize;

  kernel.m_bThrow = true;
  const CExpectSwallowedExceptions failing;
  kernel.Setup(true);
  EXPECT_EQ(failing.Count(), 1u);
  EXPECT_EQ(kernel.m_nKernelSize, size) << "the pass division must not stick";
  EXPECT_EQ(kernel.m_nPasses, 2);
  EXPECT_FALSE(kernel.m_bSetupReady);
  // The owner cannot tell the failure apart; its commit must not publish the
  // half-made design.
  kernel.CommitSetup();
  for (int k = 0; k <= 512; ++k) {
    ASSERT_EQ(kernel.m_pResponse[k].re, before[k].re) << k;
    ASSERT_EQ(kernel.m_pResponse[k].im, before[k].im) << k;
  }
  kernel.Setup(false);
  EXPECT_EQ(kernel.m_nKernelSize, size);
  EXPECT_EQ(failing.Count(), 2u);

  // Sizes the owner set out of range are refused the same way.
  kernel.m_bThrow = false;
  kernel.m_nPasses = 0;
  kernel.Setup(false);
  kernel.m_nPasses = 1;
  kernel.m_nKernelSize = 1024;
  kernel.Setup(false);
  EXPECT_EQ(kernel.m_nKernelSize, 1024);
  EXPECT_FALSE(kernel.m_bSetupReady);
  for (int k = 0; k <= 512; ++k) ASSERT_EQ(kernel.m_pResponse[k].re, before[k].re) << k;
}

TEST(FreqDomainConvolutionTest, IndexForFreqStaysWithinTheSpectrum) {
  FreqDomainConvolution<double> kernel(1024, 512, 1);
  EXPECT_EQ(kernel.IndexForFreq(1000.0f), 0) << "no sample rate yet";
  kernel.m_fSampleRate = 44100.0f;
  EXPECT_EQ(kernel.IndexForFreq(1000.0f), 23);
  EXPECT_EQ(kernel.IndexForFreq(22050.0f), 512);
  EXPECT_EQ(kernel.IndexForFreq(30000.0f), 512);
  EXPECT_EQ(kernel.IndexForFreq(3.0e38f), 512);
  EXPECT_EQ(kernel.IndexForFreq(-100.0f), 0);
  EXPECT_EQ(kernel.IndexForFreq(std::nanf("")), 0);
  EXPECT_EQ(kernel.IndexForFreq(0.0f), 0);
}

// A reader holding the lock sees one whole response, never a mixture of the
// old and the new design.
TEST(FreqDomainConvolutionTest, ReadersUnderTheLockNeverSeeAHalfSwappedResponse) {
  class ConstantKernel : public FreqDomainConvolution<double> {
   public:
    ConstantKernel() : FreqDomainConvolution<double>(256, 0, 1) {}
    void SetIdealisedFreqResponse(Complex<double>* response) override {
      for (int k = 0; k <= 128; ++k) response[k] = Complex<double>{m_fValue, 0.0};
    }
    double m_fValue = 1.0;
  };
  ConstantKernel kernel;
  std::atomic<bool> stop{false};
  std::atomic<int> mixtures{0};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    while (!stop) {
      kernel.Lock();
      const double first = kernel.m_pResponse[0].re;
      for (int k = 1; k <= 128; ++k)
        if (std::fabs(kernel.m_pResponse[k].re - first) > 1e-9) ++mixtures;
      kernel.Unlock();
      ++reads;
    }
  });
  for (int i = 0; i < 300; ++i) {
    kernel.m_fValue = 1.0 + i;
    kernel.Setup(false);
  }
  while (reads.load() < 50) std::this_thread::yield();
  stop = true;
  reader.join();
  EXPECT_EQ(mixtures.load(), 0);
  EXPECT_NEAR(kernel.m_pResponse[5].re, 300.0, 1e-9);
}

}  // namespace
