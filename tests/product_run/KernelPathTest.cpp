// The equalised path: mid/side against left/right, the trims, the whole
// effect's impulse response against the response model at the band centres,
// the first block after a rebuild, a new sample rate, what the analysers are
// fed, and the dither type reaching the filters.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>

#include "Helpers/FrequencyDataStore.h"
#include "QVX2/QVX2KernelMath.h"
#include "RunTestSupport.h"

using namespace runtest;

namespace {

constexpr double kPi = 3.14159265358979323846;

// A curve of about +-10 dB over the bands; the right channel has its own.
void ShapeCurve(AQVX2& fx, bool bSameOnBothChannels) {
  for (int b = 0; b < kQvx2NumBands; ++b) {
    fx.setParameter(2 * b, 0.5f + 0.25f * static_cast<float>(std::sin(0.7 * b)));
    fx.setParameter(2 * b + 1, bSameOnBothChannels ? fx.getParameter(2 * b)
                                                   : 0.5f + 0.25f * static_cast<float>(std::cos(0.45 * b)));
  }
}

// |H(f)| in dB of the taps h at frequency f (Hz).
double MagnitudeDb(const std::vector<double>& h, double f) {
  std::complex<double> sum = 0.0;
  for (size_t n = 0; n < h.size(); ++n) sum += h[n] * std::polar(1.0, -2.0 * kPi * f * static_cast<double>(n) / kRate);
  return 20.0 * std::log10(std::abs(sum));
}

}  // namespace

TEST(KernelPathTest, MidSideWithEqualKernelsEqualsLeftRight) {
  RunQvx2 lr, ms;
  for (RunQvx2* fx : {&lr, &ms}) {
    fx->SetMode(30, false);
    ShapeCurve(*fx, true);
    fx->setParameter(kQvx2TrimLeft, 0.55f);
    fx->setParameter(kQvx2TrimRight, 0.55f);
    fx->FinishUpdate();
  }
  ms.setParameter(kQvx2MSMode, 1.0f);
  const Stereo input = Noise(30000, 3);
  const Stereo a = Stream(lr, input, {700});
  const Stereo b = Stream(ms, input, {700});
  ASSERT_GT(MaxAbs(a.l), 0.1);
  EXPECT_LT(MaxDelayedError(b.l, a.l, 0), 1e-5);
  EXPECT_LT(MaxDelayedError(b.r, a.r, 0), 1e-5);
}

TEST(KernelPathTest, MidSideTrimsScaleSumAndDifference) {
  RunQvx2 plain, ms;
  for (RunQvx2* fx : {&plain, &ms}) {
    fx->SetMode(20, false);
    ShapeCurve(*fx, true);
    fx->FinishUpdate();
  }
  ms.setParameter(kQvx2MSMode, 1.0f);
  ms.setParameter(kQvx2TrimRight, 0.0f);  // -40 dB on the side signal
  const Stereo input = Noise(20000, 8);
  const Stereo f = Stream(plain, input, {512});
  const Stereo o = Stream(ms, input, {512});
  double sumError = 0.0, diffError = 0.0;
  for (size_t i = 0; i < f.Size(); ++i) {
    sumError = std::max(sumError, std::fabs(double(o.l[i] + o.r[i]) - double(f.l[i] + f.r[i])));
    diffError = std::max(diffError, std::fabs(double(o.l[i] - o.r[i]) - 0.01 * double(f.l[i] - f.r[i])));
  }
  EXPECT_LT(sumError, 1e-5) << "the mid signal keeps its 0 dB trim";
  EXPECT_LT(diffError, 1e-5) << "the side signal is scaled by 0.01";
}

TEST(KernelPathTest, LeftRightTrimsScaleEachChannel) {
  RunQvx2 fx;
  fx.SetMode(10, false);
  fx.setParameter(kQvx2TrimLeft, 1.0f);   // +40 dB
  fx.setParameter(kQvx2TrimRight, 0.25f); // -20 dB
  const Stereo input = Noise(8000, 4, 0.001f);
  const Stereo out = Stream(fx, input, {333});
  const int latency = fx.HostLatency();
  for (size_t i = static_cast<size_t>(latency); i < out.Size(); ++i) {
    ASSERT_NEAR(out.l[i], 100.0f * input.l[i - static_cast<size_t>(latency)], 1e-5) << i;
    ASSERT_NEAR(out.r[i], 0.1f * input.r[i - static_cast<size_t>(latency)], 1e-7) << i;
  }
}

// The whole chain (per-bin response, kernel design, streaming) reproduces
// the model's curve. The kernel's window smooths the curve over a few times
// fs / L, so each mode is checked from the frequency where its resolution
// suffices, and shorter kernels get a wider tolerance.
TEST(KernelPathTest, ImpulseResponseMatchesModelAtBandCentres) {
  for (const ModeInfo& mode : kModes) {
    RunQvx2 fx;
    fx.SetMode(mode.nRating, mode.nRating % 20 == 0);
    fx.setParameter(kQvx2BandType, 2.0f / 99.0f);  // "Thirds": 31 bands, 21.8 Hz to 22.35 kHz
    fx.setParameter(kQvx2Contour, 1.0f);
    ShapeCurve(fx, false);
    fx.FinishUpdate();
    const int latency = fx.HostLatency();
    const int L = mode.nKernelSize;
    Stereo impulse = Silence(latency + L + 2 * mode.nFftSize);
    const size_t t0 = 50;
    impulse.l[t0] = 1.0f;
    impulse.r[t0] = 1.0f;
    const Stereo out = Stream(fx, impulse, {1024});
    const double lowest = 12.0 * kRate / L;
    const double tolerance = L <= 1024 ? 1.0 : 0.5;
    int checked = 0;
    for (int c = 0; c < 2; ++c) {
      const std::vector<float>& y = c == 0 ? out.l : out.r;
      std::vector<double> h(static_cast<size_t>(L + 1));
      for (int n = 0; n <= L; ++n) h[static_cast<size_t>(n)] = y[t0 + static_cast<size_t>(latency - L / 2 + n)];
      for (int b = 0; b < 31; ++b) {
        const float f = kfBandFreqThirds[static_cast<size_t>(b)];
        if (f < lowest || f > 20000.0f) continue;
        const double model = fx.GetFilterResponseDb(Qvx2PositionOfFrequency(f), c);
        EXPECT_NEAR(MagnitudeDb(h, f), model, tolerance) << mode.pszName << " channel " << c << " band " << b << " ("
                                                          << f << " Hz)";
        ++checked;
      }
    }
    EXPECT_GT(checked, 20) << mode.pszName;
  }
}

TEST(KernelPathTest, FirstBlockAfterRebuildIsEqualised) {
  RunQvx2 fresh, settled;
  for (RunQvx2* fx : {&fresh, &settled}) {
    fx->SetMode(30, false);
    ShapeCurve(*fx, false);
  }
  settled.FinishUpdate();
  // The rebuild designs its kernels before it returns.
  fresh.SetMode(10, false);
  settled.SetMode(10, false);
  settled.FinishUpdate();
  Stereo impulse = Silence(4096);
  impulse.l[0] = impulse.r[0] = 1.0f;
  const Stereo a = Stream(fresh, impulse, {4096});
  const Stereo b = Stream(settled, impulse, {4096});
  EXPECT_EQ(a.l, b.l);
  EXPECT_EQ(a.r, b.r);
  Stereo rest = a;
  rest.l[static_cast<size_t>(fresh.HostLatency())] = 0.0f;
  EXPECT_GT(MaxAbs(rest.l), 1e-3) << "the curve is applied, not a pass-through";
}

// An effect as a host has it before its first call: created, nothing else.
class CreatedQvx2 : public AQVX2 {
 public:
  CreatedQvx2() : AQVX2(HostCallback) { SetRenderClockForTesting(&DevicePacedClock); }
  CQVX2Engine* Engine() { return m_pEngine.get(); }
  VstIntPtr Call(VstInt32 opcode, VstIntPtr value = 0, float opt = 0.0f) {
    return getAeffect()->dispatcher(getAeffect(), opcode, 0, value, nullptr, opt);
  }
};

TEST(KernelPathTest, CreationDesignsNoKernelAndTheFirstResumeDesignsThemAtTheHostsRate) {
  RunQvx2 settled;  // the mode's kernels designed at 48 kHz, as idle calls leave them
  ShapeCurve(settled, false);
  settled.FinishUpdate();
  CreatedQvx2 fx;
  ASSERT_NE(fx.Engine(), nullptr) << "the engine is built: the latency is known";
  ASSERT_EQ(fx.Engine()->nFftSize, settled.Engine()->nFftSize);
  EXPECT_EQ(fx.getAeffect()->initialDelay, settled.HostLatency());
  for (int c = 0; c < 2; ++c) EXPECT_FALSE(fx.Engine()->pKernel[c]->m_bHasResponse.load()) << "channel " << c;
  // A host's start: open, its rate, its block size, the session's
  // settings, resume; its worker runs from the open on.
  fx.Call(effOpen);
  fx.Call(effSetSampleRate, 0, kRate);
  fx.Call(effSetBlockSize, 512);
  ShapeCurve(fx, false);
  fx.Call(effMainsChanged, 1);
  for (int c = 0; c < 2; ++c) {
    EXPECT_TRUE(fx.Engine()->pKernel[c]->m_bHasResponse.load()) << "channel " << c;
    EXPECT_EQ(fx.Engine()->pKernel[c]->m_fSampleRate, kRate) << "channel " << c;
  }
  EXPECT_FALSE(fx.GetFiltersNeedUpdating());
  EXPECT_EQ(fx.GetFilterUpdateState(), CQVX2KernelUpdate::kIdle);
  // The first block is equalised as the settled effect's.
  Stereo impulse = Silence(4096);
  impulse.l[0] = impulse.r[0] = 1.0f;
  const Stereo a = Stream(fx, impulse, {512});
  const Stereo b = Stream(settled, impulse, {512});
  EXPECT_EQ(a.l, b.l);
  EXPECT_EQ(a.r, b.r);
  fx.StopIdleWorker();
}

TEST(KernelPathTest, NewSampleRateRebuildsNothingAndRedesignsTheKernels) {
  RunQvx2 fx;
  ShapeCurve(fx, false);
  fx.FinishUpdate();
  CQVX2Engine* engine = fx.Engine();
  const Complex<double>* before = engine->pKernel[0]->m_pResponse;
  fx.setSampleRate(96000.0f);
  EXPECT_EQ(fx.Engine(), engine) << "no filter is rebuilt";
  EXPECT_TRUE(fx.FiltersMarked());
  fx.FinishUpdate();
  EXPECT_EQ(fx.Engine(), engine);
  EXPECT_EQ(engine->pKernel[0]->m_fSampleRate, 96000.0f);
  EXPECT_NE(engine->pKernel[0]->m_pResponse, before) << "a new design was committed";
}

TEST(KernelPathTest, AnalysersSeeTheSpectraBeforeOrAfterTheKernels) {
  for (float source : {0.0f, 1.0f}) {
    RunQvx2 fx;
    fx.SetMode(10, false);
    fx.setParameter(kQvx2FftSource, source);
    // Band 40 of "Sixths" is 1108.7 Hz: it and its neighbours raised to +20
    // dB, a boost broad enough for the shortest kernel.
    for (int b = 37; b <= 43; ++b) fx.setParameter(2 * b, 1.0f);
    fx.FinishUpdate();
    const double f = 1108.73;
    Stereo sine = Silence(16384);
    for (size_t i = 0; i < sine.Size(); ++i) sine.l[i] = sine.r[i] = 0.1f * static_cast<float>(std::sin(2 * kPi * f * i / kRate));
    Stream(fx, sine, {512});
    CFrequencyDataStore* store = fx.GetDataStore(0);
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->GetHalfSize(), 512);
    const double* bins = store->BeginRead();
    const int k = static_cast<int>(std::lround(f * 1024 / kRate));
    const double peak = std::max({bins[k - 1], bins[k], bins[k + 1]});
    store->EndRead();
    // The frame is the hop (512 samples) zero-padded: amplitude 0.1 gives a
    // bin magnitude of about 0.1 * 512 / 2 = 25.6 before the kernel.
    const double db = 10.0 * std::log10(peak / (25.6 * 25.6));
    const double model = fx.GetFilterResponseDb(Qvx2PositionOfFrequency(static_cast<float>(f)), 0);
    ASSERT_GT(model, 6.0);
    if (source == 0.0f)
      EXPECT_LT(std::fabs(db), 3.0) << "In: before the equaliser";
    else
      EXPECT_NEAR(db, model, 3.0) << "Out: after the boost";
  }
}

TEST(KernelPathTest, DitherTypeReachesTheFiltersAtTheNextBlock) {
  RunQvx2 fx;
  fx.SetMode(10, true);
  fx.setParameter(kQvx2DitherMode, 3.0f / 4.0f);  // state 3: "Triangular"
  FftFilterWithCallBack<double>* filter = fx.Engine()->pDoubleFilter[0].get();
  const Stereo input = Noise(64, 1);
  Stream(fx, input, {64});
  EXPECT_EQ(filter->m_eDitherType.load(), eDitherTriangular);
  EXPECT_EQ(fx.Engine()->pDoubleFilter[1]->m_eDitherType.load(), eDitherTriangular);
}

// The packed form (with its vector path where the processor has AVX2) forms
// exactly the products of the bins form, in both forms of both sample types.
template <typename FTYPE>
void ExpectPackedProductsEqualBinProducts(bool bMidSide) {
  constexpr int N = 64, half = N / 2;
  std::vector<Complex<FTYPE>> l(half + 1), r(half + 1);
  std::vector<Complex<double>> h0(half + 1), h1(half + 1);
  std::vector<FTYPE> pl(N), pr(N);
  std::vector<double> p0(N), p1(N);
  for (int k = 0; k <= half; ++k) {
    const bool real = k == 0 || k == half;
    l[k] = {FTYPE(std::sin(0.3 * k + 0.1)), real ? FTYPE(0) : FTYPE(std::cos(1.1 * k))};
    r[k] = {FTYPE(std::cos(0.7 * k)), real ? FTYPE(0) : FTYPE(std::sin(0.9 * k + 2.0))};
    h0[k] = {1.0 + 0.5 * std::sin(0.2 * k), real ? 0.0 : 0.3 * std::cos(0.4 * k)};
    h1[k] = {0.7 - 0.2 * std::cos(0.5 * k), real ? 0.0 : -0.6 * std::sin(0.3 * k)};
    pl[k] = l[k].re, pr[k] = r[k].re, p0[k] = h0[k].re, p1[k] = h1[k].re;
    if (!real) pl[half + k] = l[k].im, pr[half + k] = r[k].im, p0[half + k] = h0[k].im, p1[half + k] = h1[k].im;
  }
  Qvx2ApplyKernels(l.data(), r.data(), h0.data(), h1.data(), half + 1, bMidSide);
  Qvx2ApplyKernelsPacked(pl.data(), pr.data(), p0.data(), p1.data(), N, bMidSide);
  for (int k = 0; k <= half; ++k) {
    ASSERT_EQ(pl[k], l[k].re) << k;
    ASSERT_EQ(pr[k], r[k].re) << k;
    if (k == 0 || k == half) continue;
    ASSERT_EQ(pl[half + k], l[k].im) << k;
    ASSERT_EQ(pr[half + k], r[k].im) << k;
  }
}

TEST(KernelPathTest, PackedProductsEqualTheBinProducts) {
  for (bool bMidSide : {false, true}) {
    ExpectPackedProductsEqualBinProducts<float>(bMidSide);
    ExpectPackedProductsEqualBinProducts<double>(bMidSide);
  }
}
