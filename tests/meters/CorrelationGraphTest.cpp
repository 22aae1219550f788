// The correlation graph: the Pearson coefficient, the histogram and overall
// correlation of known signals, the colour line with its marker, and the
// waterfall scrolling under it.
#include <gtest/gtest.h>

#include "Helpers/OwnerDrawControlsCorrelation.h"
#include "ScopeTestSupport.h"

using namespace scopetest;

namespace {

constexpr int kBlock = CCorrelationGraph::kBlockSize;
constexpr CRect kRect(0, 0, 200, 60);  // 199 bins, half 99
using Graph = ScopeOnSurface<CCorrelationGraph>;

// Pearson's r in double, straight from its definition.
double Pearson(const std::vector<float>& l, const std::vector<float>& r) {
  const size_t n = l.size();
  double ml = 0, mr = 0;
  for (size_t i = 0; i < n; ++i) {
    ml += l[i];
    mr += r[i];
  }
  ml /= n;
  mr /= n;
  double slr = 0, sll = 0, srr = 0;
  for (size_t i = 0; i < n; ++i) {
    slr += (l[i] - ml) * (r[i] - mr);
    sll += (l[i] - ml) * (l[i] - ml);
    srr += (r[i] - mr) * (r[i] - mr);
  }
  return slr / std::sqrt(sll * srr);
}

float Correlation(const std::vector<float>& l, const std::vector<float>& r) {
  float ml, mr, dev;
  const int n = static_cast<int>(l.size());
  CCorrelationGraph::GetCorrelationInfo(l.data(), r.data(), n, ml, mr, dev);
  return CCorrelationGraph::GetCorrelation(l.data(), r.data(), n, ml, mr, dev);
}

TEST(CorrelationGraphTest, CorrelationOfKnownSignals) {
  const std::vector<float> a = Sine(256, 64.0, 0.7f);
  const std::vector<float> b = Sine(256, 64.0, 0.3f, 16.0);  // a quarter period on
  std::vector<float> noisy = a;
  for (size_t i = 0; i < noisy.size(); ++i) noisy[i] += 0.2f * std::sin(0.37f * i * i);
  EXPECT_NEAR(Correlation(a, a), 1.0, 1e-5);
  EXPECT_NEAR(Correlation(a, Negated(a)), -1.0, 1e-5);
  EXPECT_NEAR(Correlation(a, b), 0.0, 1e-5);
  EXPECT_NEAR(Correlation(a, noisy), Pearson(a, noisy), 1e-5);
  const std::vector<float> constant(a.size(), 0.5f);
  EXPECT_EQ(Correlation(a, constant), 0.0f) << "no deviation: 0";
  float ml, mr, dev;
  CCorrelationGraph::GetCorrelationInfo(a.data(), a.data(), 0, ml, mr, dev);
  EXPECT_EQ(CCorrelationGraph::GetCorrelation(a.data(), a.data(), 0, ml, mr, dev), 0.0f);
}

TEST(CorrelationGraphTest, HistogramGathersShortTermCorrelationsAndDecays) {
  Graph g(kRect);
  CCorrelationGraph& c = *g.scope;
  c.bWaterfall = false;
  ASSERT_EQ(c.nW, 199);
  const std::vector<float> sine = Sine(kBlock, 256.0, 0.5f);
  g.Feed(sine, sine);
  g.Draw();
  ASSERT_NE(c.LatestHistogram(), nullptr);
  // 128 runs of 8 samples, each correlating +1: the right edge holds them
  // all (one run each on the first block).
  const float* h = c.LatestHistogram();
  EXPECT_NEAR(h[197] + h[198], 128.0f, 1e-3);
  EXPECT_NEAR(c.fOverall, 1.0f, 1e-5);

  // The inverted signal: the old runs keep 0.9, the new ones weigh 0.1.
  g.Feed(sine, Negated(sine));
  g.Draw();
  h = c.LatestHistogram();
  EXPECT_NEAR(h[197] + h[198], 115.2f, 1e-3);
  EXPECT_NEAR(h[0] + h[1], 12.8f, 1e-3);
  EXPECT_NEAR(c.fOverall, 0.99f * 1.0f + 0.01f * -1.0f, 1e-5);
  // The display smooths the histogram once more.
  EXPECT_NEAR(c.pShown[0] + c.pShown[1], 0.2f * 12.8f, 1e-3);
}

TEST(CorrelationGraphTest, ColoursFollowTheScaleAndTheMarkerTheOverallCorrelation) {
  Graph g(kRect);
  CCorrelationGraph& c = *g.scope;
  c.bWaterfall = false;
  // Sine against cosine: short runs correlate +1 or -1 by turns, the whole
  // block 0.
  const std::vector<float> sine = Sine(kBlock, 1024.0, 0.5f);
  const std::vector<float> cosine = Sine(kBlock, 1024.0, 0.5f, 256.0);
  g.Feed(sine, cosine);
  g.Draw();
  EXPECT_NEAR(c.fOverall, 0.0f, 1e-3);
  EXPECT_EQ(g.At(0, 30), Word({200, 0, 0, 255})) << "-1: red at full brightness";
  // Runs on the rising and falling flanks correlate just under +1 (bin 197).
  const uint32_t right = g.At(197, 30);
  EXPECT_EQ((right >> 8) & 0xFF, 200u) << "+1: green";
  EXPECT_LT((right >> 16) & 0xFF, 10u);
  EXPECT_EQ(g.At(99, 30), Word(kWhiteCColor)) << "the marker at 0";
  EXPECT_EQ(g.At(150, 30), Word(kBlackCColor)) << "no run correlates near 0.5";
}

TEST(CorrelationGraphTest, WaterfallScrollsTheCachedLinesDownUnderTheLiveBand) {
  Graph g(kRect);
  const std::vector<float> sine = Sine(kBlock, 1024.0, 0.5f);
  const std::vector<float> cosine = Sine(kBlock, 1024.0, 0.5f, 256.0);
  constexpr long band = CCorrelationGraph::kTopBand;
  g.Feed(sine, cosine);
  g.Draw();
  // The live band on top, the newest line right under it at half the
  // brightness, black below.
  EXPECT_EQ(g.At(0, 3), Word({200, 0, 0, 255}));
  EXPECT_EQ(g.At(0, band), Word({100, 0, 0, 255}));
  EXPECT_EQ(g.At(0, band + 1), Word(kBlackCColor));
  g.Feed(sine, cosine);
  g.Draw();
  EXPECT_EQ(g.At(0, band + 1), Word({100, 0, 0, 255}));
  EXPECT_EQ(g.At(0, band + 2), Word(kBlackCColor));
  // Without new data nothing moves.
  g.Draw();
  EXPECT_EQ(g.At(0, band + 2), Word(kBlackCColor));
  EXPECT_EQ(g.At(150, band), Word(kBlackCColor));
}

}  // namespace
