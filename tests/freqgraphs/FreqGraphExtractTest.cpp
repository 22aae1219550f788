// Extraction of the column lines from a store's bins: where a bin lands and
// at what level, interpolation and maxima, the hidden top bins, smoothing,
// averaging, freezing, the window gain, and the band charts with their
// tables.
#include <algorithm>
#include <cmath>
#include <vector>

#include "FreqGraphTestSupport.h"
#include "QVX2/QVX2Bands.h"

using namespace freqtest;

namespace {

constexpr double kPi = 3.14159265358979323846;

using ExtractTest = GraphFixture;

std::vector<float> Line(const CFreqGraph& graph, int slot) {
  return std::vector<float>(graph.m_pColumnLine[slot].get(),
                            graph.m_pColumnLine[slot].get() + graph.GetPlotWidth());
}

int ArgMax(const std::vector<float>& line) {
  return static_cast<int>(std::max_element(line.begin(), line.end()) - line.begin());
}

// A sine of amplitude a on bin k0, through a naive DFT of N samples.
void StoreSine(CFrequencyDataStore& store, int k0, double a) {
  std::vector<double> x(kFftSize);
  for (int n = 0; n < kFftSize; ++n) x[static_cast<size_t>(n)] = a * std::sin(2.0 * kPi * k0 * n / kFftSize);
  std::vector<Complex<double>> bins(kHalf + 1);
  for (int k = 0; k <= kHalf; ++k) {
    double re = 0.0, im = 0.0;
    for (int n = 0; n < kFftSize; ++n) {
      const double phase = 2.0 * kPi * static_cast<double>((static_cast<long>(k) * n) % kFftSize) / kFftSize;
      re += x[static_cast<size_t>(n)] * std::cos(phase);
      im -= x[static_cast<size_t>(n)] * std::sin(phase);
    }
    bins[static_cast<size_t>(k)] = {re, im};
  }
  store.StoreValuesForGraph(bins.data(), kHalf + 1);
}

TEST_F(ExtractTest, ASineShowsInTheColumnOfItsFrequencyAtItsBinsAmplitude) {
  auto graph = MakeGraph(400, 200);
  const int k0 = 464;  // about 5 kHz, where a column spans several bins
  StoreSine(left, k0, 0.5);
  Extract(*graph, 0);
  const std::vector<float> line = Line(*graph, 0);
  const int peak = ArgMax(line);
  EXPECT_NEAR(peak, graph->GetXForFreq(static_cast<float>(BinFreq(k0))), 1);
  EXPECT_NEAR(line[static_cast<size_t>(peak)], 0.5 * kFftSize / 2, 1e-3 * kFftSize);
  for (int x = 0; x < static_cast<int>(line.size()); ++x)
    if (std::abs(x - peak) > 1) { ASSERT_LT(line[static_cast<size_t>(x)], 1e-6 * kFftSize) << x; }
  EXPECT_TRUE(left.IsConsumed());
  EXPECT_EQ(graph->m_fMaxValue, line[static_cast<size_t>(peak)]);
}

TEST_F(ExtractTest, AColumnSpanningSeveralBinsShowsTheirMaximum) {
  auto graph = MakeGraph(400, 200);
  Spectrum().Set(1000, 1.0).Set(1001, 4.0).Set(1002, 2.0).StoreInto(left);
  Extract(*graph, 0);
  const std::vector<float> line = Line(*graph, 0);
  EXPECT_EQ(*std::max_element(line.begin(), line.end()), 4.0f);
  EXPECT_LE(std::count_if(line.begin(), line.end(), [](float v) { return v > 1e-6f; }), 2);
}

TEST_F(ExtractTest, ColumnsInsideOneBinAreInterpolatedGeometrically) {
  auto graph = MakeGraph(400, 200);
  Spectrum().Set(4, 1.0).Set(5, 100.0).StoreInto(left);  // 43 and 54 Hz
  Extract(*graph, 0);
  const std::vector<float> line = Line(*graph, 0);
  // Column x reaches up to bin position binsPerHz x f(x + 1) plus one bin;
  // inside bin 5 it weighs the logs of bin 4 (1) and bin 5 (100) by its
  // fraction into the bin, inside bin 6 those of 100 and of silence (1e-10).
  // The first column to reach into a bin still shows the bin before it.
  const double binsPerHz = kFftSize / static_cast<double>(kRate);
  auto edgeOf = [&](int x) { return binsPerHz * 20.0 * std::pow(1100.0, (x + 1) / 400.0) + 1.0; };
  int inside = 0;
  for (int x = 1; x < 400; ++x) {
    const double edge = edgeOf(x);
    const double t = edge - std::floor(edge);
    if (std::floor(edgeOf(x - 1)) != std::floor(edge) || t < 1e-3) continue;
    const double v = line[static_cast<size_t>(x)];
    if (edge >= 5.0 && edge < 6.0) {
      ++inside;
      EXPECT_NEAR(std::log(v), t * std::log(100.0), 1e-3) << x;
    } else if (edge >= 6.0 && edge < 7.0) {
      EXPECT_NEAR(std::log(v), (1.0 - t) * std::log(100.0) + t * std::log(1e-10), 1e-3) << x;
    }
  }
  EXPECT_GE(inside, 5) << "several columns per bin at 50 Hz";
}

TEST_F(ExtractTest, TheTopTwoBinsAreNeverShownAndLaterColumnsAreZeroOrHeld) {
  auto graph = MakeGraph(400, 200);
  graph->SetFreqRange(20.0f, 30000.0f, true);
  graph->SetDataStore(2, &right);
  Spectrum all;
  for (int k = 0; k < kHalf - 1; ++k) all.Set(k, 1.0);
  all.Set(kHalf - 1, 50.0).Set(kHalf, 50.0);
  all.StoreInto(left);
  all.StoreInto(right);
  Extract(*graph, 0);
  Extract(*graph, 2, false, true, true);
  const std::vector<float> live = Line(*graph, 0);
  const std::vector<float> held = Line(*graph, 2);
  EXPECT_EQ(*std::max_element(live.begin(), live.end()), 1.0f);
  const int nyquist = graph->GetXForFreq(kRate / 2.0f);
  for (int x = 0; x < 400; ++x) {
    if (x < nyquist - 2) { ASSERT_EQ(live[static_cast<size_t>(x)], 1.0f) << x; }
    if (x > nyquist) { ASSERT_EQ(live[static_cast<size_t>(x)], 0.0f) << x; }
    ASSERT_EQ(held[static_cast<size_t>(x)], 1.0f) << x;
  }
}

TEST_F(ExtractTest, SmoothingRisesAndFallsByTheCoefficientsAndFlushesTinyValues) {
  auto graph = MakeGraph(400, 200);
  const int k = 464;
  Spectrum().Set(k, 10.0).StoreInto(left);
  Extract(*graph, 0, true);
  const int x = ArgMax(Line(*graph, 0));
  EXPECT_FLOAT_EQ(graph->m_pColumnLine[0][x], 1.0f);  // 0.9 x 0 + 0.1 x 10
  left.SetConsumed();
  Spectrum().StoreInto(left);
  Extract(*graph, 0, true);
  EXPECT_FLOAT_EQ(graph->m_pColumnLine[0][x], 0.9f);

  graph->m_pColumnLine[0][x] = 1e-10f;
  Extract(*graph, 0, true);
  EXPECT_EQ(graph->m_pColumnLine[0][x], 0.0f);
}

TEST_F(ExtractTest, AveragingStartsFromTheCurrentFrameAndKeepsARunningMean) {
  auto graph = MakeGraph(400, 200);
  graph->SetWhatToShow(CCompositeGraph::eLeftRightTimeAv);
  EXPECT_TRUE(graph->m_bAveraging);
  EXPECT_EQ(graph->m_nAveragingCount, 0);
  const int k = 464;
  const double frames[] = {6.0, 3.0, 9.0, 2.0};
  double sum = 0.0;
  int x = -1;
  for (int i = 0; i < 4; ++i) {
    left.SetConsumed();
    Spectrum().Set(k, frames[i]).StoreInto(left);
    Extract(*graph, 0, true);
    if (x < 0) x = ArgMax(Line(*graph, 0));
    sum += frames[i];
    EXPECT_NEAR(graph->m_pColumnLine[0][x], sum / (i + 1), 1e-5) << i;
  }
  graph->SetWhatToShow(CCompositeGraph::eLeftAndRight);
  EXPECT_FALSE(graph->m_bAveraging);
  EXPECT_EQ(graph->m_pColumnLine[0][x], 0.0f) << "a mode change starts from empty lines";
}

TEST_F(ExtractTest, AFrozenDisplayReadsItsSnapshotOnlyWhenForcedOrRefreshed) {
  auto graph = MakeGraph(400, 200);
  const int k = 464;
  Spectrum().Set(k, 4.0).StoreInto(left);
  Extract(*graph, 0);
  const int x = ArgMax(Line(*graph, 0));
  graph->SetFreezeDisplay(true);
  left.SetConsumed();
  Spectrum().Set(k, 8.0).StoreInto(left);
  graph->m_pColumnLine[0][x] = 1.0f;
  Extract(*graph, 0);
  EXPECT_EQ(graph->m_pColumnLine[0][x], 1.0f) << "frozen: unchanged";
  Extract(*graph, 0, false, false, true);
  EXPECT_EQ(graph->m_pColumnLine[0][x], 4.0f) << "forced: the snapshot, not the live store";
  graph->m_pColumnLine[0][x] = 1.0f;
  graph->m_bRefreshOnce = true;
  Extract(*graph, 0);
  EXPECT_EQ(graph->m_pColumnLine[0][x], 4.0f);
}

TEST_F(ExtractTest, TheWindowGainScalesTheLineChartButNotTheBands) {
  auto graph = MakeGraph(400, 200);
  left.SetUsingWindowFn(eWindowHann);
  left.SetGain(2.0f);
  Spectrum().Set(464, 10.0).StoreInto(left);
  Extract(*graph, 0);
  const std::vector<float> windowed = Line(*graph, 0);
  EXPECT_NEAR(*std::max_element(windowed.begin(), windowed.end()), 10.0 * 0.84693 * 2.0, 1e-4);
  left.SetUsingWindow(false);
  Extract(*graph, 0);
  const std::vector<float> plain = Line(*graph, 0);
  EXPECT_NEAR(*std::max_element(plain.begin(), plain.end()), 20.0, 1e-4);
  graph->SetBarChartType(1);
  left.SetUsingWindow(true);
  Extract(*graph, 0);
  const std::vector<float> bands = Line(*graph, 0);
  EXPECT_EQ(*std::max_element(bands.begin(), bands.end()), 10.0f);
}

TEST_F(ExtractTest, WithoutARateOrAStoreTheLineStaysAsItWas) {
  auto graph = MakeGraph(400, 200);
  graph->m_pColumnLine[0][7] = 3.0f;
  effect->setSampleRate(0.0f);
  Spectrum().Set(464, 10.0).StoreInto(left);
  Extract(*graph, 0);
  EXPECT_EQ(graph->m_pColumnLine[0][7], 3.0f);
  graph->ExtractGraphFromDataStore(3, false, false, false);  // no store bound
  EXPECT_EQ(graph->m_pColumnLine[3][7], 0.0f);
}

TEST_F(ExtractTest, ARangeAboveHalfTheSampleRateReadsNoBinBeyondTheSpectrum) {
  auto graph = MakeGraph(400, 200);
  graph->SetFreqRange(25000.0f, 30000.0f, true);
  Spectrum all;
  for (int k = 0; k < kHalf - 1; ++k) all.Set(k, 1.0);
  all.Set(kHalf - 1, 50.0).Set(kHalf, 50.0);
  all.StoreInto(left);
  // The line chart shows nothing; a band reaching below half the rate shows
  // what it holds there, never the top two bins.
  Extract(*graph, 0);
  const std::vector<float> line = Line(*graph, 0);
  EXPECT_EQ(*std::max_element(line.begin(), line.end()), 0.0f);
  for (int type : {1, 4, 5, 8}) {
    graph->SetBarChartType(type);
    Extract(*graph, 0);
    const std::vector<float> bands = Line(*graph, 0);
    EXPECT_LE(*std::max_element(bands.begin(), bands.end()), 1.0f) << type;
  }
}

// --- band charts ------------------------------------------------------------

TEST_F(ExtractTest, OctaveBandsAreCentredOnA440AndFillTheirColumns) {
  auto graph = MakeGraph(400, 200);
  graph->SetBarChartType(1);
  Spectrum().Set(41, 7.0).StoreInto(left);  // 441 Hz
  Extract(*graph, 0);
  const std::vector<float> line = Line(*graph, 0);
  const int from = graph->GetXForFreq(440.0f / std::sqrt(2.0f));
  const int to = graph->GetXForFreq(440.0f * std::sqrt(2.0f));
  for (int x = 0; x < 400; ++x) {
    if (x > from && x < to - 1) { ASSERT_EQ(line[static_cast<size_t>(x)], 7.0f) << x; }
    if (x < from - 1 || x > to) { ASSERT_EQ(line[static_cast<size_t>(x)], 0.0f) << x; }
  }
  // The first band inside the plot spans one octave: 38.9 to 77.8 Hz.
  EXPECT_NEAR(graph->m_nFirstBandWidth, graph->GetXForFreq(80.0f) - graph->GetXForFreq(40.0f), 1);
}

TEST_F(ExtractTest, ChromaticBandsReachAQuarterToneEachWay) {
  auto graph = MakeGraph(400, 200);
  graph->SetBarChartType(4);
  Spectrum().Set(41, 7.0).StoreInto(left);  // 441 Hz, inside the A4 band
  Extract(*graph, 0);
  const std::vector<float> line = Line(*graph, 0);
  EXPECT_EQ(line[static_cast<size_t>(graph->GetXForFreq(440.0f))], 7.0f);
  EXPECT_EQ(line[static_cast<size_t>(graph->GetXForFreq(440.0f * std::pow(2.0f, 1.0f / 12.0f)))], 0.0f);
  EXPECT_EQ(line[static_cast<size_t>(graph->GetXForFreq(440.0f / std::pow(2.0f, 1.0f / 12.0f)))], 0.0f);
}

TEST_F(ExtractTest, BarkBandsFollowTheirEdgeTable) {
  auto graph = MakeGraph(400, 200);
  graph->SetBarChartType(5);
  Spectrum().Set(23, 5.0).StoreInto(left);  // 248 Hz, in the 200-300 Hz band
  Extract(*graph, 0);
  const std::vector<float> line = Line(*graph, 0);
  EXPECT_EQ(line[static_cast<size_t>(graph->GetXForFreq(210.0f))], 5.0f);
  EXPECT_EQ(line[static_cast<size_t>(graph->GetXForFreq(290.0f))], 5.0f);
  EXPECT_EQ(line[static_cast<size_t>(graph->GetXForFreq(310.0f))], 0.0f);
  EXPECT_EQ(line[static_cast<size_t>(graph->GetXForFreq(190.0f))], 0.0f);
}

// Rows 6 to 8 lie halfway (geometrically) between the equaliser's band
// centres; each used row ends with two end entries and then zeros.
void ExpectMeans(const float* row, const QVX2BandTable& centres, int means) {
  for (int i = 0; i < means; ++i) {
    const double mean = std::sqrt(static_cast<double>(centres[static_cast<size_t>(i)]) *
                                  centres[static_cast<size_t>(i + 1)]);
    ASSERT_NEAR(row[i], mean, mean * 1e-6) << i;
  }
}

void ExpectEnd(const float* row, int edges) {
  EXPECT_EQ(row[edges], 1000000.0f);
  EXPECT_EQ(row[edges + 1], 1000000.0f);
  for (int i = edges + 2; i < CFreqGraph::kBandBreaksPerRow; ++i) ASSERT_EQ(row[i], 0.0f) << i;
}

TEST(BandTableTest, TableRowsFollowTheEqualisersLayouts) {
  const auto& t = CFreqGraph::c_fBandBreaks;
  for (int r = 0; r < 5; ++r)
    for (int i = 0; i < CFreqGraph::kBandBreaksPerRow; ++i) ASSERT_EQ(t[r][i], 0.0f);
  EXPECT_EQ(t[5][0], 100.0f);
  EXPECT_EQ(t[5][24], 20500.0f);
  ExpectEnd(t[5], 25);

  ExpectMeans(t[6], kfBandFreqBark_Master, 77);
  EXPECT_NEAR(t[6][0], 28.0616f, 1e-3f);
  EXPECT_NEAR(t[6][76], 19339.1f, 0.1f);
  ExpectEnd(t[6], 77);

  ExpectMeans(t[7], kfBandFreqMel, 31);
  EXPECT_NEAR(t[7][30], 17958.0f, 1.0f);
  EXPECT_NEAR(t[7][31], 20101.3f, 0.1f);
  ExpectEnd(t[7], 32);

  ExpectMeans(t[8], kfBandFreqMel_Master, 95);
  EXPECT_NEAR(t[8][0], 31.8552f, 1e-3f);
  EXPECT_NEAR(t[8][94], 20101.3f, 0.1f);
  ExpectEnd(t[8], 95);
}

}  // namespace
