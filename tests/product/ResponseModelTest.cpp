// The response model against an independent double-precision computation of
// the documented Gaussian blend, plus its edge cases.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "GaussianReference.h"
#include "QVX2/QVX2Model.h"

namespace {
using qvx2test::RefLayout;
using qvx2test::Reference;
using qvx2test::ReferenceDb;
constexpr double kLn10 = qvx2test::kLn10;
constexpr double kLnRange = qvx2test::kLnRange;

std::vector<float> Defaults() { return qvx2test::DefaultValues(); }

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

TEST(QVX2_SUITE(Qvx2ResponseModelTest), ConcurrentFirstUseBuildsOneSharedBellTable) {
  // Each test runs in a process of its own, so the table is built here, by
  // whichever thread comes first, while the others wait for it.
  auto v = Defaults();
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int i = 0; i < 270; ++i) v[static_cast<std::size_t>(i)] = unit(rng);
  constexpr int kThreads = 6;
  std::vector<const double*> tables(kThreads);
  std::vector<std::vector<double>> curves(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CQVX2ResponseModel m;
      m.UpdateFilterCalcCache(v.data());
      tables[static_cast<std::size_t>(t)] = CQVX2ResponseModel::BellGraph();
      for (int i = 0; i <= 100; ++i) curves[static_cast<std::size_t>(t)].push_back(m.GetFilterResponseDb(i / 100.0f, 0, 0.5f));
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 1; t < kThreads; ++t) {
    EXPECT_EQ(tables[static_cast<std::size_t>(t)], tables[0]);
    EXPECT_EQ(curves[static_cast<std::size_t>(t)], curves[0]);
  }
  EXPECT_EQ(tables[0][5000], 1.0);
}
