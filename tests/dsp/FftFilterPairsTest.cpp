// The overlap FFT filter with a designed kernel, for every FFT/kernel size
// pair of the quality modes, in float and double.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "DspTestUtil.h"
#include "Helpers/FftFilter.h"
#include "Helpers/FreqDomainConvolution.h"

namespace {

using dsptest::kQualityPairs;

// Relative to the largest possible output. The double filter's error is the
// final rounding of its output to float; the float filter's is dominated by
// the single-precision twiddle recurrence of the largest transforms (about
// 1e-4 at N = 32768). A misplaced or dropped sample costs far more.
template <typename T>
class FftFilterPairsTest : public ::testing::Test {
 protected:
  static constexpr double kTolerance = std::is_same_v<T, float> ? 5e-4 : 1.5e-7;
};
using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(FftFilterPairsTest, SampleTypes);

// The impulse must land on the reported latency, nowhere else.
TYPED_TEST(FftFilterPairsTest, ImpulseComesOutExactlyAtTheReportedLatency) {
  using T = TypeParam;
  for (const auto& pair : kQualityPairs) {
    const int N = pair.nFftSize, L = pair.nKernelSize;
    FreqDomainConvolution<double> kernel(N, L, 1);
    kernel.Setup(false);
    dsptest::KernelCallBack<T> callBack(&kernel);
    FftFilterWithCallBack<T> filter(N, L, &callBack, nullptr);
    ASSERT_TRUE(filter.NotifyOfProcessingBlockSize(0));
    const int latency = filter.GetOutputLatency();
    const int hop = filter.m_nHop;
    EXPECT_EQ(hop, N - L);
    EXPECT_EQ(latency, N - L + L / 2) << N << "/" << L;

    // Two impulses, the second several frames later and off the hop grid.
    const int p1 = 37, p2 = 37 + 3 * hop + 11;
    std::vector<float> in(p2 + latency + hop + 100, 0.0f);
    in[p1] = 1.0f;
    in[p2] = -0.5f;
    const std::vector<float> out = dsptest::StreamByHop(filter, in);
    for (size_t t = 0; t < out.size(); ++t) {
      double expected = 0.0;
      if (int(t) == p1 + latency) expected = 1.0;
      if (int(t) == p2 + latency) expected = -0.5;
      ASSERT_NEAR(out[t], expected, TestFixture::kTolerance) << N << "/" << L << " sample " << t;
    }
  }
}

TYPED_TEST(FftFilterPairsTest, OutputEqualsDirectConvolutionWithTheDesignedKernel) {
  using T = TypeParam;
  for (const auto& pair : kQualityPairs) {
    const int N = pair.nFftSize, L = pair.nKernelSize;
    dsptest::SmoothKernel kernel(N, L);
    kernel.Setup(false);
    const std::vector<double> taps = dsptest::KernelTaps(kernel);
    double scale = 0.0;
    for (int j = 0; j <= L; ++j) scale += std::fabs(taps[j]);
    scale *= 0.5;  // input amplitude

    dsptest::KernelCallBack<T> callBack(&kernel);
    FftFilterWithCallBack<T> filter(N, L, &callBack, nullptr);
    const int hop = filter.m_nHop;
    const std::vector<float> in = dsptest::RandomSignal(filter.GetOutputLatency() + 4 * hop + 123, 11);
    const std::vector<float> out = dsptest::StreamByHop(filter, in);

    // Every sample for the smaller sizes; for the larger ones a spread of
    // samples plus both sides of every hop boundary.
    std::vector<int> checks;
    const int n = int(out.size());
    const int stride = N <= 4096 ? 1 : n / 300;
    for (int t = 0; t < n; t += stride) checks.push_back(t);
    for (int b = hop; b < n; b += hop)
      for (int d = -2; d <= 1; ++d) checks.push_back(b + d);
    double worst = 0.0;
    for (int t : checks) {
      double expected = 0.0;
      for (int j = 0; j <= L; ++j) {
        const int s = t - hop - j;
        if (s < 0) break;
        expected += taps[j] * in[s];
      }
      worst = std::max(worst, std::fabs(out[t] - expected));
    }
    EXPECT_LT(worst, TestFixture::kTolerance * scale) << N << "/" << L;
  }
}

TYPED_TEST(FftFilterPairsTest, AnyChunkingGivesTheSameStream) {
  using T = TypeParam;
  for (const auto& pair : kQualityPairs) {
    const int N = pair.nFftSize, L = pair.nKernelSize, hop = N - L;
    dsptest::SmoothKernel kernel(N, L);
    kernel.Setup(false);
    const std::vector<float> in = dsptest::RandomSignal(N - L / 2 + 3 * hop + 77, 5);

    auto run = [&](auto chunkAt) {
      dsptest::KernelCallBack<T> callBack(&kernel);
      FftFilterWithCallBack<T> filter(N, L, &callBack, nullptr);
      filter.SetDitherType(eDitherTriangular);
      return dsptest::Stream(filter, in, chunkAt);
    };
    const std::vector<float> reference = run([hop](int) { return hop; });
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> upToHop(1, hop);
    std::uniform_int_distribution<int> upToThreeHops(1, 3 * hop);
    std::vector<int> varying(in.size()), oversized(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
      varying[i] = upToHop(gen);
      oversized[i] = upToThreeHops(gen);
    }
    EXPECT_EQ(run([](int) { return 1; }), reference) << N << "/" << L << " chunks of 1";
    EXPECT_EQ(run([](int) { return 7; }), reference) << N << "/" << L << " chunks of 7";
    EXPECT_EQ(run([hop](int) { return hop - 333; }), reference) << N << "/" << L << " odd chunks";
    EXPECT_EQ(run([&](int i) { return varying[i]; }), reference) << N << "/" << L << " varying chunks";
    // Chunks beyond one hop are split inside the filter, losing nothing.
    EXPECT_EQ(run([hop](int) { return 2 * hop + 3; }), reference) << N << "/" << L << " long chunks";
    EXPECT_EQ(run([&](int i) { return oversized[i]; }), reference) << N << "/" << L << " mixed chunks";
  }
}

}  // namespace
