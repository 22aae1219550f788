// The composite graph's frames, drawn into its off-screen: which stores are
// read and how, where the traces and peaks land on the level law, where the
// traces end, the modes, freezing and the grid layer.
#include <cmath>

#include "FreqGraphTestSupport.h"
#include "editor_draw/OwnerDrawTestSupport.h"
#include "gui/CViewContainer.h"

using namespace freqtest;

namespace {

constexpr long kWidth = 400;
constexpr long kHeight = 200;
constexpr float kPlotHeight = kHeight - 3;  // the level law's height

// Amplitude shown at d dB by the display's law.
float AmplitudeOfDb(double d) { return static_cast<float>(std::exp(d / 8.75 + 6.7)); }

// Row of an amplitude's trace on -100..0 dB.
long RowOfDb(double d) { return static_cast<long>(kHeight - kPlotHeight * (d + 100.0) / 100.0); }

class DrawTest : public GraphFixture {
 protected:
  void SetUp() override {
    GraphFixture::SetUp();
    container = new CViewContainer(CRect(0, 0, kWidth, kHeight), nullptr, nullptr);
    graph = new CCompositeGraph(CRect(0, 0, kWidth, kHeight), editor, nullptr);
    graph->SetDataStore(0, &left);
    graph->SetDataStore(1, &right);
    // Each frame replaces the lines, so one draw shows one frame.
    graph->m_fRiseCoef = graph->m_fFallCoef = 0.0f;
    container->addView(graph);
  }
  void TearDown() override { container->forget(); }

  void Draw() { graph->draw(screen.context()); }
  uint32_t At(long x, long y) { return drawtest::Pixels(graph->pOffscreen).at(x, y); }
  static uint32_t Word(const CColor& c) { return drawtest::Word(c); }

  // Every bin but the top two at amplitude a.
  static void Flat(CFrequencyDataStore& store, float a) {
    Spectrum s;
    for (int k = 0; k < kHalf - 1; ++k) s.Set(k, a);
    s.StoreInto(store);
  }

  TestSurface screen{kWidth, kHeight};
  CViewContainer* container = nullptr;
  CCompositeGraph* graph = nullptr;
};

TEST_F(DrawTest, ADrawReadsBothStoresThroughTheHandshake) {
  graph->SetWhatToShow(CCompositeGraph::eLeftAndRight);  // clears the stores
  graph->m_bFill = false;
  // A frame that arrived while a reader was inside waits as a pending flip.
  Flat(left, AmplitudeOfDb(-40.0));
  left.SetConsumed();
  left.BeginRead();
  Flat(left, AmplitudeOfDb(-20.0));
  left.EndRead();
  ASSERT_TRUE(left.IsFlipPending());
  Flat(right, AmplitudeOfDb(-40.0));
  Draw();
  EXPECT_FALSE(left.IsFlipPending());
  EXPECT_EQ(left.GetReaderBusyCount(), 0);
  EXPECT_EQ(right.GetReaderBusyCount(), 0);
  EXPECT_TRUE(left.IsConsumed());
  EXPECT_TRUE(right.IsConsumed());
  EXPECT_NEAR(graph->m_pColumnLine[0][100], AmplitudeOfDb(-20.0), 1e-2);
  EXPECT_EQ(At(100, RowOfDb(-20.0)), Word(graph->m_colLeft));
  EXPECT_EQ(At(100, RowOfDb(-40.0)), Word(graph->m_colRight));
}

TEST_F(DrawTest, WithoutTheLiveFlagOnlyTheScalesAreDrawnAndNoStoreIsRead) {
  Flat(left, AmplitudeOfDb(-40.0));
  Flat(right, AmplitudeOfDb(-40.0));
  graph->m_bLive = false;
  Draw();
  EXPECT_FALSE(left.IsConsumed());
  EXPECT_EQ(graph->m_pColumnLine[0][100], 0.0f);
  for (long y = 0; y < kHeight - 12; ++y) ASSERT_NE(At(100, y), Word(graph->m_colAvFill)) << y;
}

TEST_F(DrawTest, AGraphWithoutItsFirstPairOfStoresDrawsNoTraces) {
  Flat(left, AmplitudeOfDb(-40.0));
  graph->SetDataStore(1, nullptr);
  Draw();
  EXPECT_FALSE(left.IsConsumed());
}

TEST_F(DrawTest, LevelsFollowTheDisplayLawAndClampAtBothEnds) {
  graph->SetWhatToShow(CCompositeGraph::eLeft);
  graph->m_bFill = false;
  Flat(left, AmplitudeOfDb(-40.0));
  Flat(right, 0.0f);
  Draw();
  EXPECT_EQ(graph->m_pTracePoints[0][100].v, RowOfDb(-40.0));
  EXPECT_EQ(At(100, RowOfDb(-40.0)), Word(graph->m_colLeft));

  left.SetConsumed();
  Flat(left, AmplitudeOfDb(30.0));  // above the range: the top
  Draw();
  EXPECT_EQ(graph->m_pTracePoints[0][100].v, kHeight - static_cast<long>(kPlotHeight));

  graph->SetWhatToShow(CCompositeGraph::eRight);  // silence: the bottom
  Draw();
  EXPECT_EQ(graph->m_pTracePoints[0][100].v, kHeight);
}

TEST_F(DrawTest, TheSeparateSpectrumRangeScalesTheTracesApartFromTheAxis) {
  graph->SetWhatToShow(CCompositeGraph::eLeft);
  graph->SetAbsDbRange(-20.0f, 20.0f, -100000.0f, -100000.0f);
  graph->SetDbRange(-20.0f, 20.0f);
  graph->m_bSeparateSpectrumRange = true;
  Flat(left, AmplitudeOfDb(-40.0));
  Draw();
  EXPECT_EQ(graph->m_pTracePoints[0][100].v, RowOfDb(-40.0));
}

TEST_F(DrawTest, FilledTracesEndAtHalfTheSampleRate) {
  graph->SetFreqRange(20.0f, 30000.0f, true);
  Flat(left, AmplitudeOfDb(-40.0));
  Flat(right, AmplitudeOfDb(-40.0));
  Draw();  // "Average", filled
  const long nyquist = graph->GetXForFreq(kRate / 2.0f);
  const long row = RowOfDb(-40.0) + 20;
  EXPECT_EQ(At(nyquist - 5, row), Word(graph->m_colAv));
  for (long x = nyquist + 2; x < kWidth - 1; ++x) ASSERT_NE(At(x, row), Word(graph->m_colAv)) << x;
}

TEST_F(DrawTest, MidSideShowsTheSideBelowAndANegativeSidePeakAtTheBottom) {
  graph->SetWhatToShow(CCompositeGraph::eMidSide);
  Flat(left, AmplitudeOfDb(-40.0));
  Flat(right, AmplitudeOfDb(-30.0));
  Draw();
  const float l = AmplitudeOfDb(-40.0), r = AmplitudeOfDb(-30.0);
  const double mid = 8.75 * (std::log((l + r) / 2.0) - 6.7);
  const double side = 8.75 * (std::log((r - l) / 2.0) - 6.7);
  EXPECT_NEAR(graph->m_pTracePoints[0][100].v, RowOfDb(mid), 1);
  EXPECT_NEAR(graph->m_pTracePoints[1][100].v, RowOfDb(side), 1);
  EXPECT_EQ(graph->m_pPeakPoints[1][100].v, kHeight) << "left peak minus right peak is negative";
  EXPECT_LT(graph->m_pPeakPoints[0][100].v, kHeight);
}

TEST_F(DrawTest, TimeAveragingModesShowTheFirstFrameWhole) {
  graph->m_fRiseCoef = graph->m_fFallCoef = 0.9f;
  graph->SetWhatToShow(CCompositeGraph::eLeftRightTimeAv);
  Flat(left, AmplitudeOfDb(-40.0));
  Flat(right, AmplitudeOfDb(-40.0));
  Draw();
  EXPECT_NEAR(graph->m_pColumnLine[0][100], AmplitudeOfDb(-40.0), 1e-3);
  EXPECT_EQ(graph->m_pTracePoints[0][100].v, RowOfDb(-40.0));
}

TEST_F(DrawTest, FrozenPeaksStayAndTheLinesChangeOnlyAfterARangeChange) {
  graph->SetWhatToShow(CCompositeGraph::eLeftAndRight);
  Flat(left, AmplitudeOfDb(-20.0));
  Flat(right, AmplitudeOfDb(-20.0));
  Draw();
  const float peak = graph->m_pPeakLine[0][100];
  graph->SetFreezeDisplay(true);
  g_nNow += 60000;
  left.SetConsumed();
  Flat(left, AmplitudeOfDb(-60.0));
  Draw();
  EXPECT_EQ(graph->m_pPeakLine[0][100], peak);
  EXPECT_NEAR(graph->m_pColumnLine[0][100], AmplitudeOfDb(-20.0), 1e-2);

  // A new range extracts the snapshot once over it.
  graph->SetFreqRange(100.0f, 10000.0f, true);
  Draw();
  EXPECT_FALSE(graph->m_bRefreshOnce);
  EXPECT_NEAR(graph->m_pColumnLine[0][100], AmplitudeOfDb(-20.0), 1e-2);

  graph->SetFreezeDisplay(false);
  Draw();
  EXPECT_NEAR(graph->m_pColumnLine[0][100], AmplitudeOfDb(-60.0), 1e-3);
}

TEST_F(DrawTest, TheGridLayerCarriesTheDbLines) {
  Draw();
  drawtest::Pixels layer(graph->pBackgroundLayer);
  const uint32_t grid = Word({80, 80, 80, 255});
  // -100..0 dB over 200 px: a line every 10 dB, 20 px apart, from -10 dB.
  auto greyIn = [&](long y) {
    int n = 0;
    for (long x = 0; x < kWidth - 1; ++x) n += layer.at(x, y) == grid;
    return n;
  };
  EXPECT_GT(greyIn(20), 350);
  EXPECT_GT(greyIn(180), 350);
  EXPECT_LT(greyIn(30), 60) << "only the frequency lines cross between them";
  EXPECT_GT(greyIn(30), 20);
}

TEST_F(DrawTest, FrequencyAndDbLabelsAreDrawnInTheScaleRowAndColumn) {
  graph->m_bLive = false;
  auto light = [&](long x0, long y0, long x1, long y1) {
    int n = 0;
    for (long y = y0; y < y1; ++y)
      for (long x = x0; x < x1; ++x) n += ((At(x, y) >> 16) & 0xFF) > 128;
    return n;
  };
  Draw();
  // Labels: the scale row at the bottom, "-10dB" ... beside the dB lines.
  EXPECT_GT(light(0, kHeight - 10, kWidth - 1, kHeight - 1), 50);
  EXPECT_GT(light(3, 16, 30, 24), 5);
  EXPECT_EQ(light(200, 100, 260, 112), 0) << "the read-out is empty";

  graph->m_bScales = false;
  graph->bBackgroundDirty = true;
  Draw();
  const long x1k = graph->GetXForFreq(1000.0f);
  EXPECT_GT(light(x1k - 12, kHeight - 10, x1k + 18, kHeight - 1), 3) << "the fixed \"1k\"";
}

TEST_F(DrawTest, TheDbStripIsShadedWhileHoveredOrDragged) {
  Draw();
  const uint32_t plain = At(10, 30);
  graph->SetZoomControlState(CFreqGraph::eZoomOverDb);
  Draw();
  const uint32_t hovered = At(10, 30);
  graph->SetZoomControlState(CFreqGraph::eZoomDragDb);
  Draw();
  const uint32_t dragged = At(10, 30);
  EXPECT_NE(hovered, plain);
  EXPECT_NE(dragged, hovered);
  EXPECT_EQ(At(kWidth - 20, 30), plain) << "only the dB strip";
}

}  // namespace
