// The response model against an independent double-precision computation of
// the documented Gaussian blend, plus its edge cases.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "QVX2/QVX2Model.h"

namespace {
constexpr double kLn10 = 2.302585092994046;
constexpr double kLnRange = 8.006367567650248;  // ln 3000

std::vector<float> Defaults() {
  std::vector<float> v(3000, 0.0f);
  for (int i = 0; i < kQvx2NumHostParams; ++i) v[static_cast<std::size_t>(i)] = Qvx2DefaultOf(i);
  return v;
}

// Centres and widths typed from the layout descriptions, computed in double;
// the tempered layouts are held to two decimals, as documented.
struct RefLayout {
  std::vector<double> f, w;
};

RefLayout Reference(int layout) {
  const std::vector<double> bark = {25,   50,   150,  250,  350,  450,  570,  700,  840,  1000,  1170,  1370,  1600,
                                    1850, 2150, 2500, 2900, 3400, 4000, 4800, 5800, 7000, 8500, 10500, 13500, 17000};
  const std::vector<double> mel = {25,   107,  197,  298,  410,  535,  673,  828,   1000,  1191,  1403,
                                   1640, 1902, 2195, 2520, 2882, 3285, 3732, 4230,  4784,  5400,  6086,
                                   6848, 7696, 8639, 9689, 10856, 12154, 13599, 15204, 16992, 18979};
  const std::vector<double> thirds = {21.83,   27.5,    34.65,   43.65,   55,      69.3,     87.31,   110,
                                      138.59,  174.61,  220,     277.18,  349.23,  440,      554.37,  698.46,
                                      880,     1108.73, 1396.91, 1760,    2217.46, 2793.83,  3520,    4434.92,
                                      5587.65, 7040,    8869.85, 11175.31, 14080,  17739.69, 22350};
  auto thirded = [](const std::vector<double>& c, double t1, double t2) {
    std::vector<double> r;
    for (std::size_t i = 0; i < c.size(); ++i) {
      r.push_back(c[i]);
      if (i + 1 < c.size()) {
        r.push_back(c[i] * std::cbrt(c[i + 1] / c[i]));
        r.push_back(c[i] * std::cbrt(c[i + 1] / c[i]) * std::cbrt(c[i + 1] / c[i]));
      }
    }
    r.push_back(t1);
    r.push_back(t2);
    return r;
  };
  auto ramp = [](std::vector<double> r, std::size_t n, bool narrowLast, double factor) {
    std::vector<double> w(n, 1.0);
    for (std::size_t i = 0; i < r.size() && i < n; ++i) w[i] = r[i];
    if (narrowLast) w[n - 1] = 0.5;
    for (auto& e : w) e *= factor;
    return w;
  };
  RefLayout l;
  switch (layout) {
    case 0: l.f = bark; l.w = ramp({0.2, 0.2, 0.3, 0.5, 0.7}, 26, false, 1.0); break;
    case 1: l.f = mel; l.w = ramp({0.2, 0.3, 0.5, 0.7}, 32, false, 1.0); break;
    case 2: l.f = thirds; l.w.assign(31, 0.8); break;
    case 3: l.f = thirded(bark, 18525.66, 20188.21); l.w = ramp({0.2, 0.2, 0.3, 0.5, 0.7}, 78, true, 2.0); break;
    case 4: l.f = thirded(mel, 19720.03, 20489.98); l.w = ramp({0.2, 0.3, 0.5, 0.7}, 96, true, 2.0); break;
    case 5:
      for (int k = 0; k < 135; ++k) l.f.push_back(std::round(44000.0 * std::pow(2.0, (k - 65) / 12.0)) / 100.0);
      l.w = ramp({0.2}, 135, true, 2.0);
      break;
    default:
      for (int k = 0; k < 67; ++k) l.f.push_back(std::round(44000.0 * std::pow(2.0, (k - 32) / 6.0)) / 100.0);
      l.w = ramp({0.2}, 67, true, 2.0);
      break;
  }
  return l;
}

// The documented model: weighted mean of gains with weights exp(-d^2),
// d = (x - centre) W width, floored at exp(-25) from |d| = 5 on; then the
// 24 dB/octave pass slopes.
double ReferenceDb(const RefLayout& l, const std::vector<float>& v, int channel, double x) {
  const double contour = v[static_cast<std::size_t>(kQvx2Contour)];
  const double depth = v[static_cast<std::size_t>(kQvx2Depth)];
  const double w = (1.1 - 0.8 * contour) * 50.0;
  double sw = 0.0, sg = 0.0;
  for (std::size_t b = 0; b < l.f.size(); ++b) {
    const double pos = (std::log(l.f[b]) - kLn10) / kLnRange;
    const double d = (x - pos) * w * l.w[b];
    const double g = std::fabs(d) >= 5.0 ? std::exp(-25.0) : std::exp(-d * d);
    const double gain = (-20.0 + 40.0 * v[2 * b + static_cast<std::size_t>(channel)]) * 2.0 * depth;
    sw += g;
    sg += g * gain;
  }
  double db = sg / sw;
  const double octave = std::log(2.0) / kLnRange;
  const int hs = channel == 0 ? kQvx2Hpf0 : kQvx2Hpf1, ls = channel == 0 ? kQvx2Lpf0 : kQvx2Lpf1;
  if (v[static_cast<std::size_t>(hs)] != 0.0f) {
    const double h = v[static_cast<std::size_t>(hs + 1)];
    if (x < h) db -= (h - x) / octave * 24.0;
  }
  if (v[static_cast<std::size_t>(ls)] != 0.0f) {
    const double lp = v[static_cast<std::size_t>(ls + 1)];
    if (x > lp) db -= (x - lp) / octave * 24.0;
  }
  return db;
}

void SetLayout(std::vector<float>& v, int layout) { v[static_cast<std::size_t>(kQvx2BandType)] = layout / 99.0f; }

double Model(const std::vector<float>& v, float x, int channel) {
  CQVX2ResponseModel m;
  m.UpdateFilterCalcCache(v.data());
  return m.GetFilterResponseDb(x, channel, Qvx2ModelValue(v.data(), kQvx2Contour));
}
}  // namespace

TEST(QVX2_SUITE(Qvx2ResponseModelTest), MatchesDoublePrecisionGaussianOnEveryLayout) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float settings[][2] = {{0.0f, 0.5f}, {0.5f, 0.5f}, {1.0f, 0.5f}, {0.5f, 0.0f}, {0.5f, 1.0f}, {0.2f, 0.8f}};
  double worst = 0.0;
  for (int layout = 0; layout < kQvx2NumBandTypes; ++layout) {
    const RefLayout ref = Reference(layout);
    for (const auto& s : settings) {
      auto v = Defaults();
      for (int i = 0; i < 270; ++i) v[static_cast<std::size_t>(i)] = unit(rng);
      SetLayout(v, layout);
      v[static_cast<std::size_t>(kQvx2Contour)] = s[0];
      v[static_cast<std::size_t>(kQvx2Depth)] = s[1];
      CQVX2ResponseModel m;
      m.UpdateFilterCalcCache(v.data());
      ASSERT_EQ(m.NumBands(), static_cast<int>(ref.f.size()));
      // On the axis (10 Hz to 30 kHz) within 0.05 dB. Above it, up to the
      // Nyquist frequency of 192 kHz, every bell nears its floor, where the
      // table's truncated index weighs most: 0.1 dB there.
      for (int i = -100; i <= 1150; ++i) {
        const float x = static_cast<float>(i) / 1000.0f;
        const double tolerance = i <= 1000 ? 0.05 : 0.1;
        for (int c = 0; c < 2; ++c) {
          const double got = m.GetFilterResponseDb(x, c, s[0]);
          const double want = ReferenceDb(ref, v, c, x);
          if (i <= 1000) worst = std::max(worst, std::fabs(got - want));
          ASSERT_NEAR(got, want, tolerance) << "layout " << layout << " contour " << s[0] << " depth " << s[1]
                                            << " x " << x << " channel " << c;
        }
      }
    }
  }
  RecordProperty("WorstDeviationDb", std::to_string(worst));
}

TEST(QVX2_SUITE(Qvx2ResponseModelTest), PassFiltersCutTwentyFourDbPerOctave) {
  auto v = Defaults();
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int i = 0; i < 270; ++i) v[static_cast<std::size_t>(i)] = unit(rng);
  const float h = 0.4f, lp = 0.7f;
  v[static_cast<std::size_t>(kQvx2Hpf1)] = 1.0f;
  v[static_cast<std::size_t>(kQvx2Hpf1Freq)] = h;
  v[static_cast<std::size_t>(kQvx2Lpf1)] = 1.0f;
  v[static_cast<std::size_t>(kQvx2Lpf1Freq)] = lp;
  CQVX2ResponseModel on, off;
  on.UpdateFilterCalcCache(v.data());
  auto plain = v;
  plain[static_cast<std::size_t>(kQvx2Hpf1)] = 0.0f;
  plain[static_cast<std::size_t>(kQvx2Lpf1)] = 0.0f;
  off.UpdateFilterCalcCache(plain.data());
  const float octave = static_cast<float>(std::log(2.0) / kLnRange);
  EXPECT_NEAR(on.GetFilterResponseDb(h - octave, 1, 0.5f), off.GetFilterResponseDb(h - octave, 1, 0.5f) - 24.0, 1e-3);
  EXPECT_NEAR(on.GetFilterResponseDb(lp + octave, 1, 0.5f), off.GetFilterResponseDb(lp + octave, 1, 0.5f) - 24.0, 1e-3);
  for (float x : {h, 0.5f, lp}) EXPECT_EQ(on.GetFilterResponseDb(x, 1, 0.5f), off.GetFilterResponseDb(x, 1, 0.5f)) << x;
  // Channel 0's filters are off.
  EXPECT_EQ(on.GetFilterResponseDb(0.1f, 0, 0.5f), off.GetFilterResponseDb(0.1f, 0, 0.5f));
}

TEST(QVX2_SUITE(Qvx2ResponseModelTest), FlatRaisedAndScaledCurves) {
  auto v = Defaults();
  for (float x : {-0.2f, 0.0f, 0.3f, 1.0f, 1.5f}) EXPECT_NEAR(Model(v, x, 0), 0.0, 1e-12);
  for (int b = 0; b < 135; ++b) v[static_cast<std::size_t>(2 * b + 1)] = 1.0f;
  const float depths[] = {0.5f, 1.0f, 0.0f};
  const double expected[] = {20.0, 40.0, 0.0};
  for (int i = 0; i < 3; ++i) {
    v[static_cast<std::size_t>(kQvx2Depth)] = depths[i];
    for (float x : {0.0f, 0.5f, 0.99f}) {
      EXPECT_NEAR(Model(v, x, 1), expected[i], 1e-9) << "depth " << depths[i];
      EXPECT_NEAR(Model(v, x, 0), 0.0, 1e-12);
    }
  }
}

TEST(QVX2_SUITE(Qvx2ResponseModelTest), UnusedBandsNeverEnterTheResponse) {
  auto v = Defaults();
  SetLayout(v, kQvx2BandBark);
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int i = 0; i < 52; ++i) v[static_cast<std::size_t>(i)] = unit(rng);
  auto other = v;
  for (int i = 52; i < 270; ++i) other[static_cast<std::size_t>(i)] = unit(rng);
  for (float x : {0.1f, 0.5f, 0.97f, 1.3f}) EXPECT_EQ(Model(v, x, 0), Model(other, x, 0)) << x;
}

TEST(QVX2_SUITE(Qvx2ResponseModelTest), SingleBandPeakNarrowsWithLowContour) {
  auto v = Defaults();
  SetLayout(v, kQvx2BandThirds);
  v[2 * 13] = 1.0f;  // +20 dB at 440 Hz
  const float x = Qvx2PositionOfFrequency(440.0f);
  v[static_cast<std::size_t>(kQvx2Contour)] = 0.0f;
  const double sharp = Model(v, x, 0);
  v[static_cast<std::size_t>(kQvx2Contour)] = 1.0f;
  const double wide = Model(v, x, 0);
  EXPECT_LT(sharp, 20.0);
  EXPECT_LT(wide, sharp);
  EXPECT_GT(wide, 0.0);
}

TEST(QVX2_SUITE(Qvx2ResponseModelTest), NonFiniteAndOutOfRangeValuesReadSafely) {
  const auto base = Defaults();
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  for (int index : {0, 1, kQvx2Depth, kQvx2Contour, kQvx2BandType, kQvx2Hpf0, kQvx2Hpf0Freq, kQvx2Lpf1Freq}) {
    for (float bad : {nan, inf, -inf}) {
      auto v = base;
      v[static_cast<std::size_t>(index)] = bad;
      for (float x : {0.0f, 0.3f, 0.9f})
        EXPECT_EQ(Model(v, x, 0), Model(base, x, 0)) << "index " << index << " reads " << bad << " as its default";
    }
  }
  auto v = base;
  v[0] = 7.0f;  // held to 1.0
  auto one = base;
  one[0] = 1.0f;
  EXPECT_EQ(Model(v, 0.1f, 0), Model(one, 0.1f, 0));
  v[static_cast<std::size_t>(kQvx2BandType)] = -5.0f;  // held to state 0
  CQVX2ResponseModel m;
  m.UpdateFilterCalcCache(v.data());
  EXPECT_EQ(m.Layout(), kQvx2BandBark);
  for (float x : {nan, inf, -inf, 1e30f, -1e30f}) EXPECT_TRUE(std::isfinite(m.GetFilterResponseDb(x, 0, 0.5f))) << x;
  EXPECT_EQ(m.GetFilterResponseDb(0.5f, 2, 0.5f), 0.0);
  EXPECT_EQ(Qvx2TrimGain(nan), 1.0);
  EXPECT_NEAR(Qvx2TrimGain(inf), 1.0, 0.0);
  EXPECT_NEAR(Qvx2TrimGain(1.0f), 100.0, 1e-9);
  EXPECT_NEAR(Qvx2TrimGain(0.0f), 0.01, 1e-12);
  EXPECT_NEAR(Qvx2TrimGain(5.0f), 100.0, 1e-9);
}

TEST(QVX2_SUITE(Qvx2ResponseModelTest), BellTableCentreAndEnds) {
  const double* bell = CQVX2ResponseModel::BellGraph();
  EXPECT_EQ(bell[5000], 1.0);
  EXPECT_EQ(bell[0], static_cast<double>(expf(-25.0f)));
  const float t = 4999 / 1000.0f;
  EXPECT_EQ(bell[9999], static_cast<double>(expf(-t * t)));
  EXPECT_EQ(CQVX2ResponseModel::BellGraph(), bell) << "built once";
}

TEST(QVX2_SUITE(Qvx2ResponseModelTest), CachedResponseRunsInResumableSlices) {
  auto v = Defaults();
  CQVX2ResponseModel m;
  m.UpdateFilterCalcCache(v.data());
  std::vector<double> r0(2049, -1.0), r1(2049, -1.0);
  int resume = 0;
  EXPECT_FALSE(m.UpdateCachedIdealisedResponse(r0.data(), r1.data(), 4096, 44100.0f, resume, 1024, 0.5f));
  EXPECT_EQ(resume, 1024);
  EXPECT_FALSE(m.UpdateCachedIdealisedResponse(r0.data(), r1.data(), 4096, 44100.0f, resume, 1024, 0.5f));
  EXPECT_TRUE(m.UpdateCachedIdealisedResponse(r0.data(), r1.data(), 4096, 44100.0f, resume, 1024, 0.5f));
  EXPECT_EQ(resume, 2049);
  EXPECT_TRUE(m.UpdateCachedIdealisedResponse(r0.data(), r1.data(), 4096, 44100.0f, resume, 1024, 0.5f));
  for (std::size_t k = 0; k < r0.size(); ++k) {
    ASSERT_NEAR(r0[k], 1.0, 1e-12) << k;
    ASSERT_NEAR(r1[k], 1.0, 1e-12) << k;
  }
  EXPECT_TRUE(m.UpdateCachedIdealisedResponse(nullptr, r1.data(), 4096, 44100.0f, resume, 1024, 0.5f));
}

TEST(QVX2_SUITE(Qvx2ResponseModelTest), CachedResponseIsTheCurveAtEachBin) {
  auto v = Defaults();
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int i = 0; i < 270; ++i) v[static_cast<std::size_t>(i)] = unit(rng);
  v[static_cast<std::size_t>(kQvx2Lpf0)] = 1.0f;
  CQVX2ResponseModel m;
  m.UpdateFilterCalcCache(v.data());
  std::vector<double> r0(513), r1(513);
  int resume = 0;
  ASSERT_TRUE(m.UpdateCachedIdealisedResponse(r0.data(), r1.data(), 1024, 48000.0f, resume, -1, 0.3f));
  for (int k : {0, 1, 17, 200, 512}) {
    const double f = k * 48000.0 / 1024.0;
    const double x = k == 0 ? 0.0 : (std::log(f) - kLn10) / kLnRange;
    EXPECT_NEAR(std::log(r0[static_cast<std::size_t>(k)]) / 0.11512925464970229,
                m.GetFilterResponseDb(static_cast<float>(x), 0, 0.3f), 1e-3)
        << "bin " << k;
  }
  resume = 0;  // a zero sample rate puts every bin at 10 Hz
  ASSERT_TRUE(m.UpdateCachedIdealisedResponse(r0.data(), r1.data(), 1024, 0.0f, resume, -1, 0.3f));
  EXPECT_EQ(r1[512], r1[0]);
}
