#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "DspTestUtil.h"
#include "Helpers/FftFilter.h"

namespace {

constexpr int kN = 1024;
constexpr int kOverlap = 512;
constexpr int kHop = kN - kOverlap;

// Position of the one sample whose magnitude exceeds half, or -1.
int ImpulseAt(const std::vector<float>& out) {
  int at = -1;
  for (size_t i = 0; i < out.size(); ++i)
    if (std::fabs(out[i]) > 0.5f) {
      if (at >= 0) return -2;
      at = int(i);
    }
  return at;
}

std::vector<float> Impulse(int length, int at) {
  std::vector<float> x(length, 0.0f);
  x[at] = 1.0f;
  return x;
}

TEST(FftFilterTest, IdentityCallbackDelaysByExactlyOneHop) {
  dsptest::IdentityCallBack<float> callBack;
  FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
  EXPECT_EQ(filter.GetOutputLatency(), 768) << "the latency assumes a kernel centred at overlap/2";
  const std::vector<float> in = dsptest::RandomSignal(5000, 1);
  const std::vector<float> out = dsptest::StreamByHop(filter, in);
  for (int t = 0; t < kHop; ++t) ASSERT_EQ(out[t], 0.0f) << t;
  for (size_t t = kHop; t < in.size(); ++t) ASSERT_NEAR(out[t], in[t - kHop], 1e-6) << t;
  EXPECT_EQ(callBack.m_nCalls, int(in.size()) / kHop);
}

TEST(FftFilterTest, FilterWithoutCallbackPassesFramesWithLatencyN) {
  FftFilter<double> filter(kN, nullptr, nullptr);
  EXPECT_EQ(filter.m_nHop, kN);
  EXPECT_EQ(filter.GetOutputLatency(), kN);
  const std::vector<float> in = dsptest::RandomSignal(4 * kN + 17, 2);
  const std::vector<float> out = dsptest::Stream(filter, in, [](int) { return 300; });
  for (size_t t = 0; t < in.size(); ++t)
    ASSERT_NEAR(out[t], t < size_t(kN) ? 0.0f : in[t - kN], 1e-7) << t;
}

TEST(FftFilterTest, ZeroOverlapFilterHasAWholeFrameHop) {
  dsptest::IdentityCallBack<float> callBack;
  FftFilterWithCallBack<float> filter(256, 0, &callBack, nullptr);
  EXPECT_EQ(filter.m_nHop, 256);
  EXPECT_EQ(filter.GetOutputLatency(), 256);
  EXPECT_EQ(ImpulseAt(dsptest::StreamByHop(filter, Impulse(2000, 300))), 556);
}

TEST(FftFilterTest, ConstructorsRefuseArgumentsThatCannotStream) {
  dsptest::IdentityCallBack<float> callBack;
  EXPECT_THROW(FftFilterWithCallBack<float>(kN, kN, &callBack, nullptr), std::invalid_argument);
  EXPECT_THROW(FftFilterWithCallBack<float>(kN, kN + 5, &callBack, nullptr), std::invalid_argument);
  EXPECT_THROW(FftFilterWithCallBack<float>(kN, -1, &callBack, nullptr), std::invalid_argument);
  EXPECT_THROW(FftFilterWithCallBack<float>(kN, 10, nullptr, nullptr), std::invalid_argument);
  EXPECT_THROW(FftFilter<double>(1000, nullptr, nullptr), std::invalid_argument);
  EXPECT_THROW(FftFilter<double>(262144, nullptr, nullptr), std::invalid_argument);
  EXPECT_NO_THROW(FftFilterWithCallBack<float>(kN, kN - 1, &callBack, nullptr));
}

TEST(FftFilterTest, CallbackSeesSizeSpectrumAndEffect) {
  struct Recorder : FftFilterCallBack<double> {
    void Apply(int N, Complex<double>* spectrum, XREffect* effect) override {
      m_nSize = N;
      m_fDc = spectrum[0].re;
      m_pEffect = effect;
    }
    int m_nSize = 0;
    double m_fDc = 0.0;
    XREffect* m_pEffect = nullptr;
  } recorder;
  int owner = 0;
  XREffect* effect = reinterpret_cast<XREffect*>(&owner);
  FftFilterWithCallBack<double> filter(kN, kOverlap, &recorder, effect);
  const std::vector<float> ones(kHop, 0.25f);
  filter.ValuesIn(ones.data(), kHop);
  EXPECT_EQ(recorder.m_nSize, kN);
  EXPECT_EQ(recorder.m_pEffect, effect);
  EXPECT_NEAR(recorder.m_fDc, 0.25 * kHop, 1e-9) << "the frame is the hop zero-padded to N";
}

TEST(FftFilterTest, PackedCallbackWithThePackedKernelStreamsAsTheBinsCallback) {
  // Multiplies in the transform's own order by the kernel's packed response:
  // the same products, in the same arithmetic, as KernelCallBack on bins.
  struct PackedKernel : FftFilterCallBack<float> {
    explicit PackedKernel(FreqDomainConvolution<double>* k) : m_pKernel(k) {}
    void Apply(int, Complex<float>*, XREffect*) override { ADD_FAILURE() << "packed frames only"; }
    bool ReadsPackedSpectrum() const override { return true; }
    void ApplyPacked(int N, float* f, XREffect*) override {
      const double* h = m_pKernel->m_pPackedResponse;
      const int half = N / 2;
      f[0] = float(double(f[0]) * h[0]);
      f[half] = float(double(f[half]) * h[half]);
      for (int k = 1; k < half; ++k) {
        const double re = double(f[k]) * h[k] - double(f[half + k]) * h[half + k];
        const double im = double(f[k]) * h[half + k] + double(f[half + k]) * h[k];
        f[k] = float(re);
        f[half + k] = float(im);
      }
    }
    FreqDomainConvolution<double>* m_pKernel;
  };
  dsptest::SmoothKernel kernel(kN, kOverlap);
  kernel.Setup(false);
  dsptest::KernelCallBack<float> bins(&kernel);
  PackedKernel packed(&kernel);
  FftFilterWithCallBack<float> a(kN, kOverlap, &bins, nullptr), b(kN, kOverlap, &packed, nullptr);
  const std::vector<float> in = dsptest::RandomSignal(6000, 12);
  const std::vector<float> expected = dsptest::StreamByHop(a, in);
  EXPECT_EQ(dsptest::StreamByHop(b, in), expected);
  EXPECT_GT(bins.m_nCalls, 5);
}

TEST(FftFilterTest, EmptyAndInvalidCallsChangeNothing) {
  dsptest::IdentityCallBack<float> callBack;
  FftFilterWithCallBack<float> reference(kN, kOverlap, &callBack, nullptr);
  FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
  const std::vector<float> in = dsptest::RandomSignal(3000, 4);
  const std::vector<float> expected = dsptest::StreamByHop(reference, in);

  float untouched[4] = {5, 5, 5, 5};
  filter.ValuesIn(in.data(), 0);
  filter.ValuesIn(in.data(), -10);
  filter.ValuesIn(nullptr, 100);
  EXPECT_FALSE(filter.CompleteProcessing());
  filter.ValuesOut(untouched, 0);
  filter.ValuesOut(untouched, -3);
  filter.ValuesOut(nullptr, 0);
  for (float v : untouched) EXPECT_EQ(v, 5.0f);
  EXPECT_EQ(dsptest::StreamByHop(filter, in), expected);
}

TEST(FftFilterTest, CompleteProcessingReportsWhetherAFrameWaited) {
  dsptest::IdentityCallBack<float> callBack;
  FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
  std::vector<float> in(kHop, 0.1f), out(kHop);
  EXPECT_FALSE(filter.CompleteProcessing());
  filter.ValuesIn(in.data(), kHop - 1);
  EXPECT_FALSE(filter.CompleteProcessing());
  filter.ValuesOut(out.data(), kHop - 1);
  filter.ValuesIn(in.data(), 1);
  EXPECT_TRUE(filter.CompleteProcessing());
  EXPECT_FALSE(filter.CompleteProcessing());
}

TEST(FftFilterTest, SameBufferForInputAndOutputGivesTheSameStream) {
  dsptest::IdentityCallBack<double> callBack;
  FftFilterWithCallBack<double> separate(kN, kOverlap, &callBack, nullptr);
  FftFilterWithCallBack<double> inPlace(kN, kOverlap, &callBack, nullptr);
  const std::vector<float> in = dsptest::RandomSignal(6000, 6);
  const int pattern[] = {300, 512, 1, 77, 1500, 511, 2};
  auto chunkAt = [&](int i) { return pattern[i % 7]; };
  const std::vector<float> expected = dsptest::Stream(separate, in, chunkAt);
  std::vector<float> buffer = in;
  size_t pos = 0;
  for (int i = 0; pos < buffer.size(); ++i) {
    const int c = std::min<int>(chunkAt(i), int(buffer.size() - pos));
    inPlace.ValuesIn(buffer.data() + pos, c);
    inPlace.CompleteProcessing();
    inPlace.ValuesOut(buffer.data() + pos, c);
    pos += c;
  }
  EXPECT_EQ(buffer, expected);
}

TEST(FftFilterTest, SkippedStepsLoseNoInput) {
  dsptest::IdentityCallBack<float> callBack;
  FftFilterWithCallBack<float> reference(kN, kOverlap, &callBack, nullptr);
  const std::vector<float> in = dsptest::RandomSignal(2400, 8);
  const std::vector<float> expected = dsptest::StreamByHop(reference, in);

  FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
  std::vector<float> out(in.size(), -9.0f);
  // A long chunk, then more input before its output was taken.
  filter.ValuesIn(in.data(), 700);
  filter.ValuesIn(in.data() + 700, 100);
  filter.CompleteProcessing();
  filter.ValuesOut(out.data(), 800);
  // A frame completed but CompleteProcessing never called.
  filter.ValuesIn(in.data() + 800, 300);
  filter.ValuesOut(out.data() + 800, 300);
  filter.ValuesIn(in.data() + 1100, 500);
  filter.ValuesIn(in.data() + 1600, 10);
  filter.CompleteProcessing();
  filter.ValuesOut(out.data() + 1100, 510);
  filter.ValuesIn(in.data() + 1610, 790);
  filter.CompleteProcessing();
  filter.ValuesOut(out.data() + 1610, 790);
  EXPECT_EQ(out, expected);
}

// The frame count a caller predicts from SamplesToNextFrame before each
// chunk is the count of callbacks the chunk runs, whatever the chunks, the
// skip or the pad, and after a clear; a chunk's surplus left unfed counts
// as input the filter holds.
TEST(FftFilterTest, SamplesToNextFrameForetellsEveryCallback) {
  struct Case {
    int skipBlock;
    int pad;
    std::vector<int> chunks;
  };
  const Case cases[] = {
      {0, 0, {kHop, kHop, 1, kHop - 1, kHop}},
      {0, 0, {700, 100, 1300, 3, 509, 2 * kHop + 5, 1}},
      {64, 0, {64, 64, 64, 64, 64, 64, 64, 64, 64}},
      {0, 300, {4900, 17, 490, 511, 1}},
  };
  for (const Case& c : cases) {
    dsptest::IdentityCallBack<float> callBack;
    FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
    filter.NotifyOfProcessingBlockSize(c.skipBlock);
    if (c.pad > 0) filter.PadWithExtraLatency(c.pad);
    const std::vector<float> in = dsptest::RandomSignal(6000, 2);
    std::vector<float> out(in.size());
    for (int pass = 0; pass < 2; ++pass) {
      size_t pos = 0;
      for (size_t i = 0; i < c.chunks.size(); ++i) {
        const int n = c.chunks[i];
        const int due = filter.SamplesToNextFrame();
        ASSERT_GE(due, 1);
        ASSERT_LE(due, kHop);
        const int calls = callBack.m_nCalls;
        filter.ValuesIn(in.data() + pos, n);
        filter.CompleteProcessing();
        filter.ValuesOut(out.data() + pos, n);
        EXPECT_EQ(callBack.m_nCalls - calls, due <= n ? 1 + (n - due) / kHop : 0)
            << "pass " << pass << ", chunk " << i << " of " << n;
        pos += static_cast<size_t>(n);
      }
      filter.Clear();
      EXPECT_EQ(filter.SamplesToNextFrame(), kHop) << "a clear starts a frame";
    }
  }
  // Surplus input held from a long chunk whose output was not taken yet.
  dsptest::IdentityCallBack<float> callBack;
  FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
  const std::vector<float> in = dsptest::RandomSignal(4000, 3);
  filter.ValuesIn(in.data(), 700);
  EXPECT_EQ(filter.SamplesToNextFrame(), 2 * kHop - 700);
  filter.ValuesIn(in.data() + 700, 2 * kHop);
  EXPECT_EQ(filter.SamplesToNextFrame(), 0) << "the held input completes a frame";
  const int calls = callBack.m_nCalls;
  filter.ValuesIn(in.data() + 700 + 2 * kHop, 1);
  EXPECT_GE(callBack.m_nCalls - calls, 1);
}

TEST(FftFilterTest, BlockSizeNotificationSetsTheSkip) {
  dsptest::IdentityCallBack<float> callBack;
  FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
  EXPECT_TRUE(filter.NotifyOfProcessingBlockSize(0));
  EXPECT_EQ(filter.GetSkip(), 0);
  EXPECT_TRUE(filter.NotifyOfProcessingBlockSize(600));
  EXPECT_EQ(filter.GetSkip(), 511);
  EXPECT_TRUE(filter.NotifyOfProcessingBlockSize(-20));
  EXPECT_EQ(filter.GetSkip(), 0);
  EXPECT_TRUE(filter.NotifyOfProcessingBlockSize(64));
  EXPECT_EQ(filter.GetSkip(), 63);
  EXPECT_EQ(filter.GetOutputLatency(), kHop - 63 + kOverlap / 2);
  // The identity callback delays by the hop minus the skip.
  EXPECT_EQ(ImpulseAt(dsptest::Stream(filter, Impulse(3000, 1000), [](int) { return 64; })), 1000 + kHop - 63);
}

TEST(FftFilterTest, ClearKeepsTheReportedLatencyTrue) {
  FreqDomainConvolution<double> kernel(kN, kOverlap, 1);
  kernel.Setup(false);
  dsptest::KernelCallBack<float> callBack(&kernel);
  FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
  filter.NotifyOfProcessingBlockSize(128);
  const int latency = filter.GetOutputLatency();
  EXPECT_EQ(latency, kHop - 127 + kOverlap / 2);
  auto by128 = [](int) { return 128; };
  EXPECT_EQ(ImpulseAt(dsptest::Stream(filter, Impulse(4096, 640), by128)), 640 + latency);
  filter.Clear();
  EXPECT_EQ(filter.GetOutputLatency(), latency);
  EXPECT_EQ(ImpulseAt(dsptest::Stream(filter, Impulse(4096, 640), by128)), 640 + latency);
}

TEST(FftFilterTest, PadDelaysTheInputAndASecondPadReplacesTheFirst) {
  FreqDomainConvolution<double> kernel(kN, kOverlap, 1);
  kernel.Setup(false);
  dsptest::KernelCallBack<double> callBack(&kernel);
  FftFilterWithCallBack<double> filter(kN, kOverlap, &callBack, nullptr);
  const int latency = filter.GetOutputLatency();
  filter.PadWithExtraLatency(100);
  EXPECT_EQ(filter.GetOutputLatency(), latency) << "the pad is not part of the reported latency";
  EXPECT_EQ(ImpulseAt(dsptest::StreamByHop(filter, Impulse(4000, 50))), 50 + latency + 100);
  filter.PadWithExtraLatency(40);
  filter.Clear();
  EXPECT_EQ(ImpulseAt(dsptest::StreamByHop(filter, Impulse(4000, 50))), 50 + latency + 40);
  filter.PadWithExtraLatency(-5);
  filter.Clear();
  EXPECT_EQ(ImpulseAt(dsptest::StreamByHop(filter, Impulse(4000, 50))), 50 + latency);
  filter.PadWithExtraLatency(1 << 30);
  filter.Clear();
  const std::vector<float> out = dsptest::StreamByHop(filter, Impulse(67000 + latency, 10));
  EXPECT_EQ(ImpulseAt(out), 10 + latency + 65536) << "the pad is clamped to its maximum";
}

TEST(FftFilterTest, DoubleFilterDithersFromItsOwnSequence) {
  dsptest::IdentityCallBack<double> callBack;
  // Silence filters to exact zeros, so the output is the noise alone.
  const std::vector<float> silence(3 * kHop, 0.0f);
  FftFilterWithCallBack<double> alone(kN, kOverlap, &callBack, nullptr);
  alone.SetDitherType(eDitherRectangular);
  const std::vector<float> out = dsptest::StreamByHop(alone, silence);
  uint32_t state = kDitherSeedInitial;
  for (size_t i = 0; i < out.size(); ++i) {
    const float r = DitherNoiseDraw(state);
    ASSERT_EQ(out[i], static_cast<float>(double(r) * 5.960464477539e-8)) << i;
  }
  EXPECT_NEAR(out[0], 0.027773 * 5.960464477539e-8, 1e-13);

  // Two filters streamed in turn keep separate sequences.
  FftFilterWithCallBack<double> left(kN, kOverlap, &callBack, nullptr);
  FftFilterWithCallBack<double> right(kN, kOverlap, &callBack, nullptr);
  left.m_eDitherType = eDitherRectangular;
  right.m_eDitherType = eDitherRectangular;
  std::vector<float> outL(silence.size()), outR(silence.size());
  for (size_t pos = 0; pos < silence.size(); pos += 100) {
    const int c = std::min<int>(100, int(silence.size() - pos));
    left.ValuesIn(silence.data() + pos, c);
    right.ValuesIn(silence.data() + pos, c);
    left.CompleteProcessing();
    right.CompleteProcessing();
    left.ValuesOut(outL.data() + pos, c);
    right.ValuesOut(outR.data() + pos, c);
  }
  EXPECT_EQ(outL, out);
  EXPECT_EQ(outR, out);
}

TEST(FftFilterTest, FloatFilterIgnoresTheDitherType) {
  dsptest::IdentityCallBack<float> callBack;
  FftFilterWithCallBack<float> filter(kN, kOverlap, &callBack, nullptr);
  filter.SetDitherType(eDitherGaussian);
  const std::vector<float> out = dsptest::StreamByHop(filter, std::vector<float>(2 * kN, 0.0f));
  for (float v : out) ASSERT_EQ(v, 0.0f);
}

TEST(FftFilterTest, AnalysisWindowShapesEachFrame) {
  FftFilter<double> filter(256, nullptr, nullptr);
  EXPECT_FALSE(filter.SetAnalysisWindow(EWindowType(12), true));
  ASSERT_TRUE(filter.SetAnalysisWindow(eWindowHann, true));
  const std::vector<float> out = dsptest::StreamByHop(filter, std::vector<float>(3 * 256, 1.0f));
  for (int i = 0; i < 256; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * dsptest::kPi * i / 255);
    ASSERT_NEAR(out[256 + i], w, 1e-6) << i;
    ASSERT_NEAR(out[512 + i], w, 1e-6) << i;
  }
}

}  // namespace
