// The high-pass kernel: its idealised response against the log-log ramp it
// is meant to draw, the committed kernel against that ramp, the cut-off
// correction against measured designs, and hostile settings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "Helpers/FftHighPass.h"
#include "HighPassCutOff.h"

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr int kN = 4096;
constexpr int kHalf = kN / 2;

// Counts designs (calls of the response hook) and keeps the last response.
template <typename FTYPE>
class CountingHighPass : public FftHighPass<FTYPE> {
 public:
  using FftHighPass<FTYPE>::FftHighPass;
  void SetIdealisedFreqResponse(Complex<FTYPE>* response) override {
    ++m_nDesigns;
    FftHighPass<FTYPE>::SetIdealisedFreqResponse(response);
  }
  int m_nDesigns = 0;
};

// The idealised response of a high pass with these fields, as plain magnitudes.
std::vector<double> Idealised(FftHighPass<float>& hp, float fFrequency, float fSlope, float fFloor) {
  hp.m_fFrequency = fFrequency;
  hp.m_fSlope = fSlope;
  hp.m_fFloor = fFloor;
  std::vector<Complex<float>> r(hp.m_nFftSize / 2 + 1, Complex<float>{-7.0f, -7.0f});
  hp.SetIdealisedFreqResponse(r.data());
  std::vector<double> m;
  for (const auto& z : r) {
    EXPECT_EQ(z.im, 0.0f);
    m.push_back(z.re);
  }
  return m;
}

std::unique_ptr<FftHighPass<float>> MakeHighPass(int N = kN) {
  auto hp = std::make_unique<FftHighPass<float>>(N, N / 2, 1);
  hp->m_fSampleRate = kSampleRate;
  return hp;
}

TEST(FftHighPassResponseTest, SlopeZeroStepsFromFloorToOneAtTheCutOffBin) {
  auto hp = MakeHighPass();
  // Every cut-off bin: exp(log(k0)) may round either way in single precision,
  // which must not move the step.
  for (int k0 = 1; k0 <= kHalf; ++k0) {
    const float f = (k0 + 0.5f) * kSampleRate / kN;
    ASSERT_EQ(hp->IndexForFreq(f), k0);
    const std::vector<double> m = Idealised(*hp, f, 0.0f, 0.1f);
    for (int k = 0; k <= kHalf; ++k) ASSERT_EQ(m[k], k < k0 ? double(0.1f) : 1.0) << "k0=" << k0 << " k=" << k;
  }
  // Beyond a few thousand bins exp(log(k0)) often rounds above k0.
  auto big = MakeHighPass(131072);
  for (int k0 = 2049; k0 <= 65536; k0 += 997) {
    const std::vector<double> m = Idealised(*big, (k0 + 0.5f) * kSampleRate / 131072, 0.0f, 0.1f);
    ASSERT_EQ(m[k0 - 1], double(0.1f)) << "k0=" << k0;
    ASSERT_EQ(m[k0], 1.0) << "k0=" << k0;
  }
}

TEST(FftHighPassResponseTest, RampIsAStraightLineOnLogLogAxes) {
  auto hp = MakeHighPass();
  for (float fSlope : {0.1f, 0.3f, 0.7f}) {
    for (float fFloor : {0.0f, 0.01f, 0.2f}) {
      const float f = 500.0f;
      const std::vector<double> m = Idealised(*hp, f, fSlope, fFloor);
      const int k0 = hp->IndexForFreq(f);
      const double k1 = std::exp(fSlope * std::log(double(kHalf)) + (1.0 - fSlope) * std::log(double(k0)));
      const double g = std::max(double(fFloor), 0.04);
      for (int k = 0; k <= kHalf; ++k) {
        // g at k0 and 1 at k1, a power law between them.
        double want = k > k1 ? 1.0 : g * std::pow(k / double(k0), std::log(1.0 / g) / std::log(k1 / k0));
        want = std::min(1.0, std::max(double(fFloor), want));
        if (k < k0 - 5) want = fFloor;
        ASSERT_NEAR(m[k], want, 1e-5 * want + 1e-7) << "slope " << fSlope << " floor " << fFloor << " k=" << k;
      }
    }
  }
}

TEST(FftHighPassResponseTest, FullSlopeReachesOneOnlyAtNyquist) {
  auto hp = MakeHighPass();
  const std::vector<double> m = Idealised(*hp, 1000.0f, 1.0f, 0.1f);
  const int k0 = hp->IndexForFreq(1000.0f);
  EXPECT_DOUBLE_EQ(m[kHalf], 1.0);
  for (int k = 0; k < kHalf; ++k) ASSERT_LT(m[k], 1.0) << k;
  for (int k = k0 - 5; k <= k0; ++k) EXPECT_FLOAT_EQ(m[k], 0.1f) << k;
}

TEST(FftHighPassResponseTest, LowFloorStillStartsTheRampAtMinusTwentyEightDb) {
  auto hp = MakeHighPass();
  const std::vector<double> m = Idealised(*hp, 1000.0f, 0.5f, 0.01f);
  const int k0 = hp->IndexForFreq(1000.0f);
  EXPECT_NEAR(m[k0], 0.04, 1e-6);
  for (int k = 0; k < k0 - 5; ++k) ASSERT_FLOAT_EQ(m[k], 0.01f) << k;
  EXPECT_GT(m[k0 - 5], 0.01);
}

TEST(FftHighPassResponseTest, CutOffBinZeroIsAnAllPass) {
  for (float fSlope : {0.0f, 0.5f, 1.0f}) {
    auto hp = MakeHighPass();
    for (const std::vector<double>& m : {Idealised(*hp, 0.0f, fSlope, 0.1f), Idealised(*hp, 5.0f, fSlope, 0.0f)})
      for (double v : m) ASSERT_EQ(v, 1.0) << "slope " << fSlope;
    hp->m_fSampleRate = 0.0f;
    for (double v : Idealised(*hp, 1000.0f, fSlope, 0.1f)) ASSERT_EQ(v, 1.0);
  }
}

TEST(FftHighPassResponseTest, CutOffAtNyquistKeepsEveryBinDefined) {
  auto hp = MakeHighPass();
  // exp(s ln(N/2) + (1 - s) ln(N/2)) rounds to either side of N/2 for many s.
  for (int i = 0; i <= 100; ++i) {
    const float fSlope = i / 100.0f;
    const std::vector<double> m = Idealised(*hp, kSampleRate / 2, fSlope, 0.0f);
    EXPECT_EQ(m[kHalf], 1.0);
    for (int k = 1; k <= kHalf; ++k) ASSERT_GE(m[k], m[k - 1]) << "slope " << fSlope << " k=" << k;
    // With a slope the last five bins below the cut-off rise towards 1
    // (k / k1 to the power 1), never a jump from a rounding of k1.
    if (fSlope > 0) {
      EXPECT_NEAR(m[kHalf - 1], (kHalf - 1.0) / kHalf, 1e-6);
    }
  }
}

TEST(FftHighPassResponseTest, HostileFieldsGiveFiniteGainsWithinZeroToOne) {
  const float kInf = std::numeric_limits<float>::infinity(), kNaN = std::numeric_limits<float>::quiet_NaN();
  const float values[] = {0.0f, -1.0f, kNaN, kInf, -kInf, 1e30f, -1e30f, 1e-30f, 0.5f, 1.0f, 2.0f, 22050.0f};
  auto hp = MakeHighPass(256);
  for (float fr : values)
    for (float s : values)
      for (float fl : values)
        for (float sr : {0.0f, kNaN, -44100.0f, 44100.0f, kInf}) {
          hp->m_fSampleRate = sr;
          for (double v : Idealised(*hp, fr, s, fl)) ASSERT_TRUE(v >= 0.0 && v <= 1.0) << fr << " " << s << " " << fl;
        }
}

// ---------------------------------------------------------------------------
// Committed kernel

TEST(FftHighPassKernelTest, CommittedResponseFollowsTheRampAwayFromItsEdges) {
  auto hp = MakeHighPass();
  hp->m_fFrequency = 400.0f;
  hp->m_fSlope = 0.5f;
  hp->m_fFloor = 0.1f;
  std::vector<Complex<float>> ideal(kHalf + 1);
  hp->SetIdealisedFreqResponse(ideal.data());
  hp->Setup(false);
  ASSERT_TRUE(hp->m_bHasResponse);
  const int b0 = hp->IndexForFreq(400.0f) - 5;
  // The kernel is the windowed truncation of the ideal response: it follows
  // a smooth response closely, except within the window's reach of the jump
  // at b0 and of the kink at k1.
  const double k1 = std::exp(0.5 * std::log(double(kHalf)) + 0.5 * std::log(double(b0 + 5)));
  for (int k = 1; k <= kHalf; ++k) {
    if (std::abs(k - b0) < 16 || std::abs(k - k1) < 16) continue;
    const double mag = std::hypot(hp->m_pResponse[k].re, hp->m_pResponse[k].im);
    ASSERT_NEAR(mag, ideal[k].re, 5e-3) << "k=" << k;
  }
}

TEST(FftHighPassKernelTest, SetFrequencyDesignsOnceForUnchangedSettings) {
  CountingHighPass<float> hp(kN, kN / 2, 1);
  hp.m_fSampleRate = kSampleRate;
  ASSERT_TRUE(hp.SetFrequency(100.0f, 0.2f, 0.0f));
  EXPECT_EQ(hp.m_nDesigns, 1);
  EXPECT_TRUE(hp.m_bHasResponse);
  EXPECT_FALSE(hp.m_bNeedsSetup);
  ASSERT_TRUE(hp.SetFrequency(100.0f, 0.2f, 0.0f));
  EXPECT_EQ(hp.m_nDesigns, 1);
  ASSERT_TRUE(hp.SetFrequency(120.0f, 0.2f, 0.0f));
  EXPECT_EQ(hp.m_nDesigns, 2);
  ASSERT_TRUE(hp.SetFrequency(120.0f, 0.3f, 0.0f));
  EXPECT_EQ(hp.m_nDesigns, 3);
  ASSERT_TRUE(hp.SetFrequency(120.0f, 0.3f, 0.1f));
  EXPECT_EQ(hp.m_nDesigns, 4);
  // A design the owner asks for is made even with unchanged settings.
  hp.m_bNeedsSetup = true;
  ASSERT_TRUE(hp.SetFrequency(120.0f, 0.3f, 0.1f));
  EXPECT_EQ(hp.m_nDesigns, 5);
}

TEST(FftHighPassKernelTest, SetFrequencyRefusesBadSettingsWithoutDesigning) {
  const float kInf = std::numeric_limits<float>::infinity(), kNaN = std::numeric_limits<float>::quiet_NaN();
  CountingHighPass<float> hp(kN, kN / 2, 1);
  hp.m_fSampleRate = kSampleRate;
  ASSERT_TRUE(hp.SetFrequency(200.0f, 0.1f, 0.0f));
  const float f = hp.m_fFrequency, s = hp.m_fSlope, fl = hp.m_fFloor;
  for (float bad : {kNaN, kInf, -kInf, -1.0f, 22051.0f, 1e30f}) EXPECT_FALSE(hp.SetFrequency(bad, 0.1f, 0.0f)) << bad;
  for (float bad : {kNaN, kInf, -0.01f, 1.01f}) {
    EXPECT_FALSE(hp.SetFrequency(200.0f, bad, 0.0f)) << bad;
    EXPECT_FALSE(hp.SetFrequency(200.0f, 0.1f, bad)) << bad;
  }
  for (float sr : {0.0f, -44100.0f, kNaN, kInf}) {
    hp.m_fSampleRate = sr;
    EXPECT_FALSE(hp.SetFrequency(300.0f, 0.1f, 0.0f)) << sr;
  }
  EXPECT_EQ(hp.m_nDesigns, 1);
  EXPECT_EQ(hp.m_fFrequency, f);
  EXPECT_EQ(hp.m_fSlope, s);
  EXPECT_EQ(hp.m_fFloor, fl);
}

// ---------------------------------------------------------------------------
// Cut-off correction

TEST(FftHighPassCorrectionTest, CorrectedDesignsHitTheWantedCutOff) {
  for (int N : {2048, 4096}) {
    const float fBin = kSampleRate / N;
    for (float fSlope : {0.0f, 0.05f, 0.13f, 0.3f, 0.6f, 1.0f}) {
      // Above the 5000 Hz row the table has a single span up to Nyquist, too
      // coarse for the realised cut-off's bends; below it the rows are dense.
      for (float fWanted : {60.0f, 95.0f, 150.0f, 250.0f, 700.0f, 1500.0f, 4000.0f}) {
        auto hp = MakeHighPass(N);
        if (fWanted < 3 * fBin) continue;
        ASSERT_TRUE(hp->SetFrequency(fWanted, fSlope, 0.0f));
        const int k = highpass::CutOffBin(hp->m_pResponse, N);
        // Within a bin and a half: the table's rows are coarse and the
        // realised cut-off moves in whole bins.
        EXPECT_NEAR(k * fBin, fWanted, 1.5f * fBin) << "N=" << N << " slope=" << fSlope << " wanted=" << fWanted
                                                    << " designed at " << hp->m_fFrequency;
      }
    }
  }
}

TEST(FftHighPassCorrectionTest, OtherSampleRatesCorrectOnTheBinScale) {
  for (float fs : {48000.0f, 96000.0f, 22050.0f}) {
    auto hp = MakeHighPass();
    hp->m_fSampleRate = fs;
    const float fBin = fs / kN;
    for (float fWanted : {30 * fBin, 100 * fBin, 400 * fBin}) {
      ASSERT_TRUE(hp->SetFrequency(fWanted, 0.2f, 0.0f));
      const int k = highpass::CutOffBin(hp->m_pResponse, kN);
      EXPECT_NEAR(k, fWanted / fBin, 1.5) << "fs=" << fs;
    }
  }
}

TEST(FftHighPassCorrectionTest, InvertsTheTableEntries) {
  auto hp = MakeHighPass();
  // Each column's first entry of a run of equal entries maps back to its row.
  for (int c = 0; c < g_kFudgeSlopeCount; ++c) {
    for (int i = 1; i < g_kFudgeFreqCount; ++i) {
      if (!(g_fFudgeActualCutOff_4096[i][c] > g_fFudgeActualCutOff_4096[i - 1][c])) continue;
      float f = g_fFudgeActualCutOff_4096[i][c], s = g_fFudgeSlopeIndex[c];
      hp->ApplyAutoFudge(f, s);
      EXPECT_NEAR(f, std::min(g_fFudgeFreqIndex[i], kSampleRate / 2), 0.01f) << "row " << i << " column " << c;
      EXPECT_EQ(s, g_fFudgeSlopeIndex[c]);
    }
  }
}

TEST(FftHighPassCorrectionTest, EqualPairsAndOutOfTableArgumentsStayDefined) {
  const float kInf = std::numeric_limits<float>::infinity(), kNaN = std::numeric_limits<float>::quiet_NaN();
  auto hp = MakeHighPass();
  // The first rows are 0 in every column: a wanted 0 Hz asks for 0 Hz.
  float f = 0.0f, s = 0.0f;
  hp->ApplyAutoFudge(f, s);
  EXPECT_EQ(f, 0.0f);
  for (float fr : {-100.0f, 0.0f, 1.0f, 5.0f, 21000.0f, 22050.0f, 30000.0f, 1e30f, -1e30f}) {
    for (float sl : {-1.0f, 0.0f, 0.015f, 0.99f, 1.0f, 1.5f, 100.0f}) {
      f = fr;
      s = sl;
      hp->ApplyAutoFudge(f, s);
      EXPECT_TRUE(f >= 0.0f && f <= kSampleRate / 2) << fr << " slope " << sl << " -> " << f;
      EXPECT_EQ(s, sl);
    }
  }
  for (float bad : {kNaN, kInf, -kInf}) {
    f = bad;
    s = 0.5f;
    hp->ApplyAutoFudge(f, s);
    EXPECT_TRUE(std::isnan(bad) ? std::isnan(f) : f == bad);
    f = 100.0f;
    s = bad;
    hp->ApplyAutoFudge(f, s);
    EXPECT_EQ(f, 100.0f);
  }
}

TEST(FftHighPassCorrectionTest, SizesWithoutATableAndUnsetRatesLeaveTheFrequency) {
  for (int N : {1024, 8192}) {
    auto hp = MakeHighPass(N);
    float f = 123.0f, s = 0.2f;
    hp->ApplyAutoFudge(f, s);
    EXPECT_EQ(f, 123.0f);
  }
  auto hp = MakeHighPass();
  hp->m_fSampleRate = 0.0f;
  float f = 123.0f, s = 0.2f;
  hp->ApplyAutoFudge(f, s);
  EXPECT_EQ(f, 123.0f);
}

TEST(FftHighPassKernelTest, DoubleVariantDesignsTheSameKernel) {
  FftHighPass<double> hd(kN, kN / 2, 1);
  auto hf = MakeHighPass();
  hd.m_fSampleRate = kSampleRate;
  ASSERT_TRUE(hd.SetFrequency(300.0f, 0.25f, 0.05f));
  ASSERT_TRUE(hf->SetFrequency(300.0f, 0.25f, 0.05f));
  EXPECT_EQ(hd.m_fFrequency, hf->m_fFrequency);
  for (int k = 0; k <= kHalf; ++k) {
    ASSERT_NEAR(hd.m_pResponse[k].re, hf->m_pResponse[k].re, 1e-4) << k;
    ASSERT_NEAR(hd.m_pResponse[k].im, hf->m_pResponse[k].im, 1e-4) << k;
  }
}

}  // namespace
