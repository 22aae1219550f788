// The stereo graph: its mirrored law, the traces of a left and a right
// excess, the mirrored dB lines, the mouse read-out and the tone requests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Helpers/StereoGraph.h"
#include "editor_draw/OwnerDrawTestSupport.h"
#include "freqgraphs/EditorBaseTestSupport.h"
#include "freqgraphs/FreqGraphTestSupport.h"
#include "gui/CViewContainer.h"

using namespace freqtest;
using drawtest::Word;

namespace {

// Amplitude whose level is `db` by the graphs' law dB = 8.75 (ln v - 6.7).
float AmplitudeOfDb(float db) { return std::exp(db / 8.75f + 6.7f); }

class StereoGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effect = std::make_unique<fxtest::TestEffect>();
    effect->setSampleRate(kRate);
    editor = new displaytest::ScriptedEditor(effect.get());  // owned by the effect
    container = new CViewContainer(CRect(0, 0, 420, 220), nullptr, nullptr);
    graph = new CStereoGraph(CRect(0, 0, 400, 200), editor, nullptr);
    graph->SetDataStore(0, &left);
    graph->SetDataStore(1, &right);
    graph->m_fRiseCoef = graph->m_fFallCoef = 0.0f;  // columns follow at once
    container->addView(graph);
  }
  void TearDown() override { container->forget(); }
  uint32_t At(long x, long y) { return drawtest::Pixels(graph->pOffscreen).at(x, y); }

  frametest::HeadlessScope headless;
  FakeHost host;
  TempConfigFolder prefs;
  ClockScope clock;
  std::unique_ptr<fxtest::TestEffect> effect;
  displaytest::ScriptedEditor* editor = nullptr;
  CFrequencyDataStore left{kFftSize};
  CFrequencyDataStore right{kFftSize};
  CViewContainer* container = nullptr;
  CStereoGraph* graph = nullptr;  // owned by the container
  TestSurface screen{420, 220};
};

TEST_F(StereoGraphTest, LawPutsTheRangesTopAtTheEdgesAndItsMiddleOnTheCentreLine) {
  // -100..0 dB over 200 rows: centre 100, 98 rows each way.
  ASSERT_EQ(graph->CentreRow(), 100);
  ASSERT_EQ(graph->HalfHeight(), 98);
  EXPECT_NEAR(graph->DistanceOf(AmplitudeOfDb(0.0f)), 98.0f, 1e-3);
  EXPECT_NEAR(graph->DistanceOf(AmplitudeOfDb(-25.0f)), 49.0f, 1e-3);
  EXPECT_NEAR(graph->DistanceOf(AmplitudeOfDb(-50.0f)), 0.0f, 1e-3);
  EXPECT_EQ(graph->DistanceOf(AmplitudeOfDb(-80.0f)), 0.0f);
  EXPECT_EQ(graph->DistanceOf(AmplitudeOfDb(20.0f)), 98.0f);
  EXPECT_EQ(graph->DistanceOf(0.0f), 0.0f);
  EXPECT_NEAR(graph->DbAtRow(2), 0.0f, 1e-4);
  EXPECT_NEAR(graph->DbAtRow(51), -25.0f, 1e-4);
  EXPECT_NEAR(graph->DbAtRow(149), -25.0f, 1e-4);
  EXPECT_NEAR(graph->DbAtRow(100), -50.0f, 1e-4);
}

TEST_F(StereoGraphTest, LeftExcessRisesAndRightExcessFallsFromTheCentre) {
  // Near 1 kHz the left channel is louder, near 5 kHz the right one.
  graph->m_bShowPeaks = false;  // their lines would run over the columns
  Spectrum().Set(93, 400.0).Set(465, 100.0).StoreInto(left);
  Spectrum().Set(93, 100.0).Set(465, 400.0).StoreInto(right);
  graph->draw(screen.context());
  const float* l = graph->m_pColumnLine[0].get();
  const float* r = graph->m_pColumnLine[1].get();
  int leftX = 0, rightX = 0;
  for (int x = 0; x < graph->m_nColumns; ++x) {
    if (l[x] - r[x] > l[leftX] - r[leftX]) leftX = x;
    if (r[x] - l[x] > r[rightX] - l[rightX]) rightX = x;
  }
  ASSERT_LT(leftX, rightX) << "1 kHz lies left of 5 kHz";
  const long centre = graph->CentreRow();
  const long up = centre - static_cast<long>(graph->DistanceOf(l[leftX] - r[leftX]));
  ASSERT_LT(up, centre - 5);
  EXPECT_EQ(graph->m_pTracePoints[0][leftX].v, up);
  EXPECT_EQ(graph->m_pTracePoints[1][leftX].v, centre);
  const long down = centre + static_cast<long>(graph->DistanceOf(r[rightX] - l[rightX]));
  ASSERT_GT(down, centre + 5);
  EXPECT_EQ(graph->m_pTracePoints[1][rightX].v, down);
  EXPECT_EQ(graph->m_pTracePoints[0][rightX].v, centre);
  // The peaks start where the traces are (held, though not shown).
  EXPECT_EQ(graph->m_pPeakPoints[0][leftX].v, up);
  EXPECT_EQ(graph->m_pPeakPoints[1][rightX].v, down);
  // Filled columns: the left colour above the centre, the right one below.
  EXPECT_EQ(At(leftX, centre - 2), Word(graph->m_colLeftFill));
  EXPECT_EQ(At(leftX, up + 1), Word(graph->m_colLeftFill));
  EXPECT_EQ(At(rightX, centre + 2), Word(graph->m_colRightFill));
  EXPECT_EQ(At(rightX, down - 1), Word(graph->m_colRightFill));
}

TEST_F(StereoGraphTest, DbLinesAreMirroredAboutTheCentre) {
  graph->draw(screen.context());
  ASSERT_GT(graph->m_nDbLines, 1);
  drawtest::Pixels layer(graph->pBackgroundLayer);
  const uint32_t grey = Word({80, 80, 80, 255});
  for (int i = 0; i < graph->m_nDbLines; ++i) {
    const long y = graph->m_DbLines[i].nY;
    // A column that no frequency line crosses.
    long x = 100;
    while (x < 300 && layer.at(x, y + 4) != Word(kBlackCColor)) ++x;
    ASSERT_LT(x, 300);
    EXPECT_EQ(layer.at(x, y), grey) << y;
    EXPECT_EQ(layer.at(x, 200 - y), grey) << 200 - y;
  }
}

TEST_F(StereoGraphTest, MouseReadOutAndToneRequestsNameTheSide) {
  CPoint above(10, 51), below(10, 149);
  graph->FillInMouseInfoFor(above, 1000.0f);
  EXPECT_NE(std::strstr(graph->m_szMouseInfo, ", -25.0dB L"), nullptr) << graph->m_szMouseInfo;
  graph->FillInMouseInfoFor(below, 1000.0f);
  EXPECT_NE(std::strstr(graph->m_szMouseInfo, ", -25.0dB R"), nullptr) << graph->m_szMouseInfo;

  graph->TriggerGenerateToneFor(above, 1000.0f);
  graph->TriggerGenerateToneFor(below, 2000.0f);
  ASSERT_EQ(editor->reports.size(), 2u);
  const auto& a = editor->reports[0];
  EXPECT_EQ(a.kind, DivuVazize::eCC_Tone);
  EXPECT_EQ(a.control, graph);
  EXPECT_EQ(a.a, 1000.0f);
  EXPECT_NEAR(a.b, -25.0f, 1e-4);
  EXPECT_EQ(a.c, -1000.0f) << "the right channel is silent";
  const auto& b = editor->reports[1];
  EXPECT_EQ(b.b, -1000.0f);
  EXPECT_NEAR(b.c, -25.0f, 1e-4);
}

TEST_F(StereoGraphTest, AveragingModeAndDefaultDbRange) {
  graph->SetWhatToShow(CStereoGraph::eAveraging);
  EXPECT_TRUE(graph->m_bAveraging);
  graph->SetWhatToShow(CStereoGraph::eDynamic);
  EXPECT_FALSE(graph->m_bAveraging);

  graph->SetAbsDbRange(-120.0f, 20.0f, -90.0f, 10.0f);
  graph->SetDbRange(-40.0f, -10.0f);
  CPoint where(5, 100);
  graph->captureMouseDb(nullptr, where, kMouseLeft | kModifierCommand);
  EXPECT_EQ(graph->m_fDbMin, -90.0f);
  EXPECT_EQ(graph->m_fDbMax, 10.0f);
  ASSERT_EQ(editor->reports.size(), 1u);
  EXPECT_EQ(editor->reports[0].kind, DivuVazize::eCC_DbZoom);
  EXPECT_EQ(editor->reports[0].a, 1.0f);
}

}  // namespace
