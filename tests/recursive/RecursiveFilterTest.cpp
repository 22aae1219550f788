// Designed responses of the recursive filter family, checked against
// independent references: the analogue prototypes through the bilinear
// transform, pole/zero geometry, or the truncated impulse response.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <algorithm>
#include <limits>
#include <vector>

#include "FilterResponse.h"
#include "Helpers/RecursiveFilter.h"

namespace {

using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;
constexpr float kSampleRate = 44100.0f;

// Radian frequencies spread over the band, avoiding DC and Nyquist exactly.
std::vector<double> TestAngles() {
  std::vector<double> w;
  for (int i = 1; i < 64; ++i) w.push_back(kPi * i / 64.0);
  return w;
}

void ExpectClose(cd got, cd want, double relTol, const char* what, double w) {
  const double scale = std::max(1.0, std::abs(want));
  EXPECT_LE(std::abs(got - want), relTol * scale)
      << what << " at w=" << w << ": got " << got << ", want " << want;
}

// ---------------------------------------------------------------------------
// One-pole filters

TEST(OnePoleFilterTest, LowPassMatchesItsImpulseResponse) {
  CRecursiveFilterLowPass<float> f;
  ASSERT_TRUE(f.SetCutOffFrequency(1000.0f, kSampleRate));
  EXPECT_EQ(f.GetInputOrder(), 0);
  EXPECT_EQ(f.GetOutputOrder(), 1);
  // The design decays by x = exp(-2 pi fc / fs) per sample with unit DC gain:
  // h[n] = (1 - x) x^n.
  const double x = std::exp(-2.0 * kPi * 1000.0 / 44100.0);
  for (double w : TestAngles()) {
    cd ref = 0.0;
    double hn = 1.0 - x;
    for (int n = 0; n < 400; ++n, hn *= x) ref += hn * std::polar(1.0, -w * n);
    ExpectClose(ResponseAt(f, w), ref, 1e-5, "one-pole low pass", w);
  }
  EXPECT_NEAR(std::abs(ResponseAt(f, 0.0)), 1.0, 1e-6);
}

TEST(OnePoleFilterTest, HighPassHasZeroAtDcAndUnitGainAtNyquist) {
  CRecursiveFilterHighPass<float> f;
  ASSERT_TRUE(f.SetCutOffFrequency(500.0f, kSampleRate));
  EXPECT_EQ(f.GetInputOrder(), 1);
  const double x = std::exp(-2.0 * kPi * 500.0 / 44100.0);
  for (double w : TestAngles()) {
    // Zero at z = 1, pole at z = x, scaled to unit gain at z = -1.
    const cd z = std::polar(1.0, w);
    const cd ref = ((1.0 + x) / 2.0) * (z - 1.0) / (z - x);
    ExpectClose(ResponseAt(f, w), ref, 1e-5, "one-pole high pass", w);
  }
  EXPECT_NEAR(std::abs(ResponseAt(f, 0.0)), 0.0, 1e-7);
  EXPECT_NEAR(std::abs(ResponseAt(f, kPi)), 1.0, 1e-6);
}

TEST(OnePoleFilterTest, LowPassAtCutOffZeroHoldsItsOutput) {
  CRecursiveFilterLowPass<float> f;
  ASSERT_TRUE(f.SetCutOffFrequency(0.0f, kSampleRate));
  EXPECT_EQ(f.GetA(0), 0.0f);
  EXPECT_EQ(f.GetB(1), 1.0f);
}

// ---------------------------------------------------------------------------
// Second-order pass filters

// Analogue prototypes 1/(s^2 + r s + 1) and s^2/(s^2 + r s + 1) at s = j Omega,
// Omega = tan(w/2) / c.
cd ButterworthLowPassRef(double w, double c, double r) {
  const cd s(0.0, std::tan(w / 2.0) / c);
  return 1.0 / (s * s + r * s + 1.0);
}
cd ButterworthHighPassRef(double w, double c, double r) {
  const cd s(0.0, std::tan(w / 2.0) / c);
  return s * s / (s * s + r * s + 1.0);
}

template <typename Filter>
void CheckSecondOrder(Filter& f, bool bLowPass, float fFrequency, float r) {
  ASSERT_TRUE(f.SetCutOffFrequencyAndResonance(fFrequency, kSampleRate, r));
  EXPECT_EQ(f.GetInputOrder(), 3);
  EXPECT_EQ(f.GetOutputOrder(), 2);
  EXPECT_EQ(f.GetA(0), 0.0f) << "the design sits in a[1..3]";
  const double c = std::tan(kPi * fFrequency / kSampleRate);
  for (double w : TestAngles()) {
    const cd ref = bLowPass ? ButterworthLowPassRef(w, c, r) : ButterworthHighPassRef(w, c, r);
    // The stored design lags the prototype by one sample.
    ExpectClose(ResponseAt(f, w), ref * std::polar(1.0, -w), 2e-4, bLowPass ? "low pass" : "high pass", w);
  }
  EXPECT_TRUE(PolesInClosedUnitDisc(f));
}

TEST(ButterworthFilterTest, PassFiltersMatchTheirAnaloguePrototypes) {
  for (float r : {1.41421356f, 0.5f, 3.0f}) {
    for (float fc : {50.0f, 1000.0f, 15000.0f}) {
      CRecursiveFilterLowPassButterworth<float> lowPass;
      CheckSecondOrder(lowPass, true, fc, r);
      CRecursiveFilterLowPassButterworthSoftSaturate<float> saturatingLowPass;
      CheckSecondOrder(saturatingLowPass, true, fc, r);
      CRecursiveFilterHighPassButterworth<float> highPass;
      CheckSecondOrder(highPass, false, fc, r);
      CRecursiveFilterHighPassButterworthSoftSaturate<float> saturatingHighPass;
      CheckSecondOrder(saturatingHighPass, false, fc, r);
    }
  }
}

TEST(ButterworthFilterTest, PassThroughIsAOneSampleDelay) {
  CRecursiveFilterPassThroughButterworth<float> plain;
  CRecursiveFilterPassThroughButterworthSoftSaturate<float> saturating;
  ASSERT_TRUE(plain.SetCutOffFrequencyAndResonance(1234.0f, kSampleRate, 0.7f));
  ASSERT_TRUE(saturating.SetCutOffFrequencyAndResonance(1234.0f, kSampleRate, 0.7f));
  for (double w : TestAngles()) {
    ExpectClose(ResponseAt(plain, w), std::polar(1.0, -w), 1e-7, "pass-through", w);
    ExpectClose(ResponseAt(saturating, w), std::polar(1.0, -w), 1e-7, "pass-through", w);
  }
}

TEST(ButterworthFilterTest, CutOffsAtTheBandEdgesGiveTheirLimits) {
  CRecursiveFilterLowPassButterworth<float> lp;
  CRecursiveFilterHighPassButterworth<float> hp;
  const float r = std::sqrt(2.0f);
  // Cut-off 0: the low pass blocks everything, the high pass passes all.
  ASSERT_TRUE(lp.SetCutOffFrequencyAndResonance(0.0f, kSampleRate, r));
  ASSERT_TRUE(hp.SetCutOffFrequencyAndResonance(0.0f, kSampleRate, r));
  EXPECT_TRUE(AllCoefsFinite(lp));
  EXPECT_TRUE(PolesInClosedUnitDisc(lp));
  for (double w : TestAngles()) {
    EXPECT_NEAR(std::abs(ResponseAt(lp, w)), 0.0, 1e-7);
    EXPECT_NEAR(std::abs(ResponseAt(hp, w)), 1.0, 1e-5);
  }
  // Cut-off at Nyquist: the reverse. Single-precision pi rounds up, so the
  // tangent must not be taken of an angle past pi/2.
  ASSERT_TRUE(lp.SetCutOffFrequencyAndResonance(kSampleRate / 2, kSampleRate, r));
  ASSERT_TRUE(hp.SetCutOffFrequencyAndResonance(kSampleRate / 2, kSampleRate, r));
  EXPECT_TRUE(AllCoefsFinite(hp));
  EXPECT_TRUE(PolesInClosedUnitDisc(lp));
  EXPECT_TRUE(PolesInClosedUnitDisc(hp));
  for (double w : TestAngles()) {
    EXPECT_NEAR(std::abs(ResponseAt(lp, w)), 1.0, 1e-5);
    EXPECT_NEAR(std::abs(ResponseAt(hp, w)), 0.0, 1e-7);
  }
}

TEST(ButterworthFilterTest, CFromFrequencyIsThePrewarpedCutOff) {
  using F = CRecursiveFilterPassButterworth<float>;
  using D = CRecursiveFilterPassButterworth<double>;
  EXPECT_NEAR(F::GetCFromFrequency(11025.0f, kSampleRate), 1.0f, 1e-6f);
  EXPECT_NEAR(F::GetCFromFrequency(1000.0f, kSampleRate), std::tan(kPi * 1000.0 / 44100.0), 1e-7);
  EXPECT_EQ(F::GetCFromFrequency(0.0f, kSampleRate), 0.0f);
  EXPECT_EQ(D::GetCFromFrequency(1000.0f, kSampleRate), F::GetCFromFrequency(1000.0f, kSampleRate));
  // Nyquist is the infinite limit, never the negative wrap of tan.
  EXPECT_EQ(F::GetCFromFrequency(kSampleRate / 2, kSampleRate), std::numeric_limits<float>::infinity());
  EXPECT_GT(F::GetCFromFrequency(std::nextafter(kSampleRate / 2, 0.0f), kSampleRate), 0.0f);
  EXPECT_TRUE(std::isnan(F::GetCFromFrequency(100.0f, 0.0f)));
  EXPECT_TRUE(std::isnan(F::GetCFromFrequency(-1.0f, kSampleRate)));
  EXPECT_TRUE(std::isnan(F::GetCFromFrequency(30000.0f, kSampleRate)));
}

// ---------------------------------------------------------------------------
// Biquads

enum class Kind { Notch, BandPass, LowPass, HighPass, HighShelf, LowShelf, EQ };

// The analogue prototypes at s = j Omega, Omega = tan(w/2) / tan(w0/2).
cd BiquadRef(Kind kind, double w, double w0, double Q, double A) {
  const cd s(0.0, std::tan(w / 2.0) / std::tan(w0 / 2.0));
  const cd d = s * s + s / Q + 1.0;
  const double sa = std::sqrt(A);
  switch (kind) {
    case Kind::Notch: return (s * s + 1.0) / d;
    case Kind::BandPass: return s / d;
    case Kind::LowPass: return 1.0 / d;
    case Kind::HighPass: return s * s / d;
    case Kind::HighShelf: return A * (A * s * s + sa / Q * s + 1.0) / (s * s + sa / Q * s + A);
    case Kind::LowShelf: return A * (s * s + sa / Q * s + A) / (A * s * s + sa / Q * s + 1.0);
    case Kind::EQ: return (s * s + s * (A / Q) + 1.0) / (s * s + s / (A * Q) + 1.0);
  }
  return 0.0;
}

template <typename Filter>
void CheckBiquad(Kind kind, const char* name) {
  for (float fc : {100.0f, 1000.0f, 8000.0f, 18000.0f}) {
    for (float Q : {0.5f, 0.7071f, 3.0f}) {
      for (float A : {0.25f, 1.0f, 2.0f}) {
        Filter f;
        ASSERT_TRUE(f.Set(fc, Q, kSampleRate, A)) << name;
        EXPECT_NEAR(f.GetW0(), 2.0 * kPi * fc / 44100.0, 1e-6);
        EXPECT_TRUE(PolesInClosedUnitDisc(f)) << name;
        for (double w : TestAngles()) {
          const cd ref = BiquadRef(kind, w, f.GetW0(), Q, A);
          ExpectClose(ResponseAt(f, w), ref, 2e-3, name, w);
        }
      }
    }
  }
}

TEST(BiquadFilterTest, EachTypeMatchesItsAnaloguePrototype) {
  CheckBiquad<CRecursiveFilterBiquadNotch<float>>(Kind::Notch, "notch");
  CheckBiquad<CRecursiveFilterBiquadBandPass<float>>(Kind::BandPass, "band pass");
  CheckBiquad<CRecursiveFilterBiquadLowPass<float>>(Kind::LowPass, "low pass");
  CheckBiquad<CRecursiveFilterBiquadHighPass<float>>(Kind::HighPass, "high pass");
  CheckBiquad<CRecursiveFilterBiquadHighShelf<float>>(Kind::HighShelf, "high shelf");
  CheckBiquad<CRecursiveFilterBiquadLowShelf<float>>(Kind::LowShelf, "low shelf");
  CheckBiquad<CRecursiveFilterBiquadEQ<float>>(Kind::EQ, "peaking EQ");
}

TEST(BiquadFilterTest, SetGainRedesignsFromStoredSettings) {
  CRecursiveFilterBiquadEQ<float> a, b;
  ASSERT_TRUE(a.Set(500.0f, 2.0f, kSampleRate, 1.0f));
  ASSERT_TRUE(b.Set(500.0f, 2.0f, kSampleRate, 3.0f));
  ASSERT_TRUE(a.SetGain(3.0f));
  EXPECT_EQ(a.GetGain(), 3.0f);
  EXPECT_TRUE(CoefSnapshot<CRecursiveFilterBiquadEQ<float>>(a).SameAs(b));
}

TEST(BiquadFilterTest, NyquistCentreKeepsPolesInside) {
  // 2 pi f / fs in single precision lands just past pi at f = fs/2; its sine
  // would turn negative and push the poles out of the unit circle.
  for (float fs : {1.0f, 2.0f, 44100.0f, 48000.0f, 96000.0f}) {
    CRecursiveFilterBiquadLowPass<float> lp;
    CRecursiveFilterBiquadNotch<float> notch;
    ASSERT_TRUE(lp.Set(fs / 2, 0.7071f, fs, 1.0f));
    ASSERT_TRUE(notch.Set(fs / 2, 10.0f, fs, 1.0f));
    EXPECT_GE(lp.GetAlpha(), 0.0f) << fs;
    EXPECT_TRUE(PolesInClosedUnitDisc(lp, 0.0)) << fs;
    EXPECT_TRUE(PolesInClosedUnitDisc(notch, 0.0)) << fs;
    EXPECT_NEAR(std::abs(ResponseAt(lp, kPi / 2)), 1.0, 1e-5) << fs;
  }
}

// ---------------------------------------------------------------------------
// Narrow band pass and band reject

// Zeros at e^{+-j theta}, poles at R e^{+-j theta}, scaled to unit DC gain.
cd BandRejectRef(double w, double f, double bw) {
  const double R = 1.0 - 3.0 * bw, theta = 2.0 * kPi * f;
  const cd z = std::polar(1.0, w), q = std::polar(1.0, theta), p = std::polar(R, theta);
  const cd one(1.0, 0.0);
  const double k = std::norm(one - p) / std::norm(one - q);
  return k * (z - q) * (z - std::conj(q)) / ((z - p) * (z - std::conj(p)));
}

TEST(NarrowBandFilterTest, BandRejectAndBandPassMatchPoleZeroPlacement) {
  for (float f : {0.01f, 0.1f, 0.25f, 0.4f, 0.5f}) {
    for (float bw : {0.005f, 0.02f, 0.1f, 0.3f}) {
      CRecursiveFilterBandReject<float> br;
      CRecursiveFilterBandPass<float> bp;
      ASSERT_TRUE(br.SetCentreFreqAndBandWidth(f, bw));
      ASSERT_TRUE(bp.SetCentreFreqAndBandWidth(f, bw));
      EXPECT_TRUE(PolesInClosedUnitDisc(br));
      for (double w : TestAngles()) {
        const cd ref = BandRejectRef(w, f, bw);
        ExpectClose(ResponseAt(br, w), ref, 2e-3, "band reject", w);
        ExpectClose(ResponseAt(bp, w), 1.0 - ref, 2e-3, "band pass", w);
      }
      const double wc = 2.0 * kPi * f;
      EXPECT_NEAR(std::abs(ResponseAt(br, wc)), 0.0, 1e-3);
      EXPECT_NEAR(std::abs(ResponseAt(bp, wc)), 1.0, 1e-3);
    }
  }
}

TEST(NarrowBandFilterTest, BandPassSettingsRoundTrip) {
  for (float f = 0.01f; f < 0.5f; f += 0.0173f) {
    for (float bw = 0.001f; bw < 1.0f / 3.0f; bw += 0.0131f) {
      CRecursiveFilterBandPass<float> bp;
      ASSERT_TRUE(bp.SetCentreFreqAndBandWidth(f, bw));
      float fBack = -1.0f, bwBack = -1.0f;
      ASSERT_TRUE(bp.GetCentreFreqAndBandWidth(&fBack, &bwBack));
      // Bandwidth through R = 1 - 3 bw and back: a few ulps of R.
      EXPECT_NEAR(bwBack, bw, 4e-7) << "f=" << f;
      // acos is steep near its ends: allow a few ulps of cos over sin(theta).
      const double theta = 2.0 * kPi * f;
      EXPECT_NEAR(fBack, f, 1e-6 + 6e-7 / (2.0 * kPi * std::sin(theta))) << "bw=" << bw;
    }
  }
}

TEST(NarrowBandFilterTest, GetterReportsNothingBeforeASetting) {
  CRecursiveFilterBandPass<float> bp;
  float f = 123.0f, bw = 456.0f;
  EXPECT_FALSE(bp.GetCentreFreqAndBandWidth(&f, &bw));
  EXPECT_EQ(f, 123.0f);
  EXPECT_EQ(bw, 456.0f);
  ASSERT_TRUE(bp.SetCentreFreqAndBandWidth(0.2f, 0.05f));
  EXPECT_TRUE(bp.GetCentreFreqAndBandWidth(nullptr, &bw));
  EXPECT_NEAR(bw, 0.05f, 1e-6f);
  EXPECT_TRUE(bp.GetCentreFreqAndBandWidth(&f, nullptr));
  EXPECT_NEAR(f, 0.2f, 1e-6f);
}

TEST(NarrowBandFilterTest, RefusesCentreAtDcAndWidthsThatMirrorTheBand) {
  CRecursiveFilterBandPass<float> bp;
  ASSERT_TRUE(bp.SetCentreFreqAndBandWidth(0.1f, 0.05f));
  const CoefSnapshot<CRecursiveFilterBandPass<float>> before(bp);
  EXPECT_FALSE(bp.SetCentreFreqAndBandWidth(0.0f, 0.05f));
  EXPECT_FALSE(bp.SetCentreFreqAndBandWidth(1e-7f, 0.05f));  // cos rounds to 1
  EXPECT_FALSE(bp.SetCentreFreqAndBandWidth(0.1f, 1.0f / 3.0f));
  EXPECT_FALSE(bp.SetCentreFreqAndBandWidth(0.1f, 0.5f));
  EXPECT_FALSE(bp.SetCentreFreqAndBandWidth(0.6f, 0.05f));
  EXPECT_TRUE(before.SameAs(bp));
}

}  // namespace
