// Band layouts: counts, named centre frequencies, the construction rules of
// the derived layouts (checked against std::pow in double) and the widths.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cmath>
#include <vector>

#include "QVX2/QVX2Bands.h"

namespace {
const std::vector<double> kBark = {25,   50,   150,  250,  350,  450,  570,  700,  840,  1000,  1170,  1370,  1600,
                                   1850, 2150, 2500, 2900, 3400, 4000, 4800, 5800, 7000, 8500, 10500, 13500, 17000};
const std::vector<double> kMel = {25,   107,  197,  298,  410,  535,  673,  828,   1000,  1191,  1403,
                                  1640, 1902, 2195, 2520, 2882, 3285, 3732, 4230,  4784,  5400,  6086,
                                  6848, 7696, 8639, 9689, 10856, 12154, 13599, 15204, 16992, 18979};

std::vector<double> Thirded(const std::vector<double>& c, double tail1, double tail2) {
  std::vector<double> r;
  for (std::size_t i = 0; i < c.size(); ++i) {
    r.push_back(c[i]);
    if (i + 1 < c.size()) {
      r.push_back(c[i] * std::pow(c[i + 1] / c[i], 1.0 / 3.0));
      r.push_back(c[i] * std::pow(c[i + 1] / c[i], 2.0 / 3.0));
    }
  }
  r.push_back(tail1);
  r.push_back(tail2);
  return r;
}

void ExpectLayout(const QVX2BandTable& t, const std::vector<double>& bands, double relTol, const char* what) {
  for (std::size_t i = 0; i < bands.size(); ++i)
    EXPECT_NEAR(t[i], bands[i], bands[i] * relTol) << what << " band " << i;
  for (std::size_t i = bands.size(); i < t.size(); ++i)
    EXPECT_EQ(t[i], kfQvx2BandEndMarker) << what << " entry " << i << " lies behind the last band";
}
}  // namespace

TEST(QVX2_SUITE(Qvx2BandLayoutTest), LayoutsHaveTheirBandCounts) {
  const int counts[] = {26, 32, 31, 78, 96, 135, 67};
  for (int s = 0; s < kQvx2NumBandTypesFull; ++s) EXPECT_EQ(kQvx2BandLayouts[static_cast<std::size_t>(s)].nBands, counts[s]);
}

TEST(QVX2_SUITE(Qvx2BandLayoutTest), CentreFrequenciesFollowTheirRules) {
  ExpectLayout(kfBandFreqBark, kBark, 0.0, "Bark");
  ExpectLayout(kfBandFreqMel, kMel, 0.0, "Mel");
  ExpectLayout(kfBandFreqBark_Master, Thirded(kBark, 18525.66, 20188.21), 1e-6, "Bark Thirds");
  ExpectLayout(kfBandFreqMel_Master, Thirded(kMel, 19720.03, 20489.98), 1e-6, "Mel Thirds");

  std::vector<double> semis, wholes;
  for (int k = 0; k < 135; ++k) semis.push_back(440.0 * std::pow(2.0, (k - 65) / 12.0));
  for (int k = 0; k < 67; ++k) wholes.push_back(440.0 * std::pow(2.0, (k - 32) / 6.0));
  for (int k = 0; k < 135; ++k) EXPECT_NEAR(kfBandFreqThirds_Master[static_cast<std::size_t>(k)], semis[static_cast<std::size_t>(k)], 0.2) << k;
  for (int k = 0; k < 67; ++k) EXPECT_NEAR(kfBandFreqSixths[static_cast<std::size_t>(k)], wholes[static_cast<std::size_t>(k)], 0.006) << k;
  EXPECT_EQ(kfBandFreqThirds_Master[135], kfQvx2BandEndMarker);
  for (std::size_t i = 67; i < 136; ++i) EXPECT_EQ(kfBandFreqSixths[i], kfQvx2BandEndMarker);
  for (std::size_t i = 31; i < 136; ++i) EXPECT_EQ(kfBandFreqThirds[i], kfQvx2BandEndMarker);
}

// The standard Thirds layout and the ends of the equal-tempered ones; the
// other centres follow from the rules above.
TEST(QVX2_SUITE(Qvx2BandLayoutTest), NamedCentresSitWhereDocumented) {
  EXPECT_FLOAT_EQ(kfBandFreqThirds[0], 21.83f);
  EXPECT_FLOAT_EQ(kfBandFreqThirds[13], 440.0f);
  EXPECT_FLOAT_EQ(kfBandFreqThirds[30], 22350.0f);
  EXPECT_FLOAT_EQ(kfBandFreqThirds_Master[65], 440.0f);
  EXPECT_NEAR(kfBandFreqThirds_Master[0], 10.3, 0.005);
  EXPECT_NEAR(kfBandFreqThirds_Master[134], 23679.8, 0.2);
  EXPECT_FLOAT_EQ(kfBandFreqSixths[32], 440.0f);
  EXPECT_FLOAT_EQ(kfBandFreqSixths[0], 10.91f);
  EXPECT_NEAR(kfBandFreqSixths[66], 22350.6, 0.02);
  for (int s = 0; s < kQvx2NumBandTypesFull; ++s) {
    const auto& l = kQvx2BandLayouts[static_cast<std::size_t>(s)];
    for (int b = 1; b < l.nBands; ++b)
      EXPECT_GT((*l.pFreqs)[static_cast<std::size_t>(b)], (*l.pFreqs)[static_cast<std::size_t>(b - 1)])
          << "layout " << s << " rises at band " << b;
  }
}

TEST(QVX2_SUITE(Qvx2BandLayoutTest), WidthsFollowTheirRamps) {
  auto ramp = [](std::vector<float> r, int nBands, bool narrowTail, float factor) {
    std::vector<float> w(136, 1.0f);
    for (std::size_t i = 0; i < r.size(); ++i) w[i] = r[i];
    if (narrowTail)
      for (int i = nBands - 1; i < 135; ++i) w[static_cast<std::size_t>(i)] = 0.5f;
    for (auto& e : w) e *= factor;
    return w;
  };
  const std::vector<std::vector<float>> expected = {
      ramp({0.2f, 0.2f, 0.3f, 0.5f, 0.7f}, 26, false, 1.0f), ramp({0.2f, 0.3f, 0.5f, 0.7f}, 32, false, 1.0f),
      std::vector<float>(136, 0.8f),                          ramp({0.2f, 0.2f, 0.3f, 0.5f, 0.7f}, 78, true, 2.0f),
      ramp({0.2f, 0.3f, 0.5f, 0.7f}, 96, true, 2.0f),         ramp({0.2f}, 135, true, 2.0f),
      ramp({0.2f}, 67, true, 2.0f)};
  for (int s = 0; s < kQvx2NumBandTypesFull; ++s)
    for (std::size_t b = 0; b < 136; ++b)
      EXPECT_FLOAT_EQ(kQvx2BandLayouts[static_cast<std::size_t>(s)].fWidths[b], expected[static_cast<std::size_t>(s)][b])
          << "layout " << s << " band " << b;
  EXPECT_FLOAT_EQ(kfBandSmoothBark_Master[77], 0.5f);
  EXPECT_FLOAT_EQ(kfBandSmoothBark_Master[135], 1.0f);
}

TEST(QVX2_SUITE(Qvx2BandLayoutTest), StatesPastTheLastLayoutSelectTheLast) {
  EXPECT_EQ(Qvx2LayoutOfState(-3), 0);
  EXPECT_EQ(Qvx2LayoutOfState(1), 1);
  EXPECT_EQ(Qvx2LayoutOfState(99), kbQvx2StandardEdition ? kQvx2BandThirds : kQvx2BandSixths);
  EXPECT_EQ(Qvx2LayoutOfState(7), kbQvx2StandardEdition ? kQvx2BandThirds : kQvx2BandSixths);
  EXPECT_STREQ(g_szQVX2BandTypes[3], "Bark Thirds");
  EXPECT_EQ(g_szQVX2BandTypes[7], nullptr);
}
