// The frequency graph's axes and ranges, its grids and note names, the peak
// hold and the freeze snapshots.
#include <cmath>
#include <cstring>
#include <set>

#include "FreqGraphTestSupport.h"

using namespace freqtest;

namespace {

using AxisTest = GraphFixture;

TEST_F(AxisTest, FrequencyAxisIsLogarithmicOverTheViewWidth) {
  auto graph = MakeGraph(400, 200);
  EXPECT_EQ(graph->GetXForFreq(20.0f), 0);
  EXPECT_NEAR(graph->GetXForFreq(22000.0f), 400, 1);
  // Equal ratios take equal widths; the geometric mean sits in the middle.
  const int decade1 = graph->GetXForFreq(200.0f) - graph->GetXForFreq(20.0f);
  const int decade2 = graph->GetXForFreq(2000.0f) - graph->GetXForFreq(200.0f);
  EXPECT_NEAR(decade1, decade2, 1);
  EXPECT_NEAR(graph->GetXForFreq(std::sqrt(20.0f * 22000.0f)), 200, 1);
  for (float f : {35.0f, 480.0f, 9000.0f}) {
    const float back = graph->GetFreqForX(static_cast<float>(graph->GetXForFreq(f)), 400.0f);
    EXPECT_LE(back, f);
    EXPECT_GT(back, f / std::pow(1100.0f, 1.0f / 400.0f)) << "within one column";
  }
}

TEST_F(AxisTest, DefaultRangesTakeTheAbsoluteEndsWhenAskedTo) {
  auto graph = MakeGraph();
  graph->SetAbsFreqRange(10.0f, 30000.0f, -100000.0f, -100000.0f);
  EXPECT_EQ(graph->m_fDefFreqMin, 10.0f);
  EXPECT_EQ(graph->m_fDefFreqMax, 30000.0f);
  EXPECT_EQ(graph->m_fFreqMin, 20.0f) << "the visible range is not touched";
  graph->SetAbsDbRange(-20.0f, 20.0f, -6.0f, -100000.0f);
  EXPECT_EQ(graph->m_fDefDbMin, -6.0f);
  EXPECT_EQ(graph->m_fDefDbMax, 20.0f);
}

TEST_F(AxisTest, RangeChangesClearPeaksAndAskForRedrawsButTheSameRangeDoesNothing) {
  auto graph = MakeGraph();
  graph->OperatePeak(3.0f, 0, 10, 1000);
  graph->bBackgroundDirty = false;
  graph->SetFreqRange(20.0f, 22000.0f, true);
  EXPECT_EQ(graph->m_pPeakLine[0][10], 3.0f) << "same range: peaks stay";
  EXPECT_FALSE(graph->bBackgroundDirty);

  graph->m_bAveraging = true;
  graph->m_nAveragingCount = 7;
  graph->m_bFreeze = true;
  graph->SetFreqRange(100.0f, 10000.0f, true);
  EXPECT_EQ(graph->m_pPeakLine[0][10], 0.0f);
  EXPECT_TRUE(graph->bBackgroundDirty);
  EXPECT_TRUE(graph->m_bRefreshOnce) << "a frozen display extracts once for the new range";
  EXPECT_EQ(graph->m_nAveragingCount, 0);

  graph->OperatePeak(3.0f, 1, 4, 1000);
  graph->SetDbRange(-60.0f, -10.0f);
  EXPECT_EQ(graph->m_pPeakLine[1][4], 0.0f);
  EXPECT_EQ(graph->m_fDbMin, -60.0f);
  EXPECT_EQ(graph->m_fDbMax, -10.0f);
}

TEST_F(AxisTest, RangesThatCannotMakeAnAxisAreIgnored) {
  auto graph = MakeGraph();
  graph->SetFreqRange(0.0f, 1000.0f, true);
  graph->SetFreqRange(1000.0f, 1000.0f, true);
  graph->SetFreqRange(2000.0f, 1000.0f, true);
  graph->SetFreqRange(std::nanf(""), 1000.0f, true);
  EXPECT_EQ(graph->m_fFreqMin, 20.0f);
  EXPECT_EQ(graph->m_fFreqMax, 22000.0f);
  graph->SetDbRange(-10.0f, -10.0f);
  graph->SetDbRange(0.0f, -10.0f);
  EXPECT_EQ(graph->m_fDbMin, -100.0f);
  EXPECT_EQ(graph->m_fDbMax, 0.0f);
}

TEST_F(AxisTest, DbGridStepIsTheFirstOverFifteenPixelsAndKeepsClearOfTheTop) {
  auto graph = MakeGraph(400, 200);
  graph->SetDbRange(-20.0f, 20.0f);  // 40 dB over 200 pixels: 5 px per dB
  graph->CalcDbLines(1);
  ASSERT_EQ(graph->m_nDbLines, 7);
  for (int i = 0; i < graph->m_nDbLines; ++i) {
    EXPECT_EQ(graph->m_DbLines[i].fDb, 15.0f - 5.0f * i);
    EXPECT_EQ(graph->m_DbLines[i].nY, 25 + 25 * i);
  }

  // Two divisions: lines only in the upper half.
  graph->CalcDbLines(2);
  ASSERT_EQ(graph->m_nDbLines, 3);
  EXPECT_EQ(graph->m_DbLines[2].fDb, 5.0f);

  // 60 dB per 100 px division: steps up to 5 dB are too dense.
  graph->SetDbRange(-120.0f, 0.0f);
  graph->CalcDbLines(2);
  ASSERT_GT(graph->m_nDbLines, 1);
  EXPECT_EQ(graph->m_DbLines[0].fDb - graph->m_DbLines[1].fDb, 10.0f);
  EXPECT_GE(graph->m_DbLines[0].nY, 10);

  graph->m_bScalesOutside = true;  // the scale row leaves less height
  graph->SetDbRange(-20.0f, 20.0f);
  graph->CalcDbLines(1);
  EXPECT_EQ(graph->m_DbLines[0].nY, static_cast<int>(5.0f * 190.0f / 200.0f * 5.0f));
}

// Far from zero a dB step vanishes in float rounding: every walk along an
// axis still ends, and the dB lines still step down from the top.
TEST_F(AxisTest, HugeFiniteRangesEndEveryAxisWalk) {
  auto graph = MakeGraph(400, 200);
  graph->SetDbRange(4e8f, 4e8f + 80.0f);
  for (int divisions : {1, 2}) {
    graph->CalcDbLines(divisions);
    ASSERT_GT(graph->m_nDbLines, 0) << divisions;
    for (int i = 0; i < graph->m_nDbLines; ++i) {
      EXPECT_GE(graph->m_DbLines[i].nY, 10) << i;
      EXPECT_LT(graph->m_DbLines[i].nY, 200) << i;
      if (i > 0) { EXPECT_GT(graph->m_DbLines[i].nY, graph->m_DbLines[i - 1].nY) << i; }
    }
  }
  graph->SetFreqRange(1e-30f, 3e38f, true);
  for (int type = 0; type < CFreqGraph::kNumBarChartTypes; ++type) {
    graph->SetBarChartType(type);
    graph->DrawFreqLines(nullptr, true);
    Spectrum().Set(10, 1.0).StoreInto(left);
    Extract(*graph, 0);
  }
}

TEST_F(AxisTest, DecadeLinesSitOnRoundFrequenciesWithMajorsAtEachDecade) {
  auto graph = MakeGraph(400, 200);
  graph->DrawFreqLines(nullptr, true);
  ASSERT_GT(graph->m_nFreqLines, 20);
  std::set<float> majors;
  for (int i = 0; i < graph->m_nFreqLines; ++i) {
    const auto& rec = graph->m_FreqLines[i];
    EXPECT_GE(rec.fFreq, 20.0f);
    if (i > 0) { EXPECT_GT(rec.nX, graph->m_FreqLines[i - 1].nX); }
    EXPECT_NEAR(rec.nX, graph->GetXForFreq(rec.fFreq), 1) << rec.fFreq;
    // d x 10^e
    const double e = std::pow(10.0, std::floor(std::log10(rec.fFreq)));
    EXPECT_EQ(std::fmod(rec.fFreq, e), 0.0) << rec.fFreq;
    if (rec.bMajor) majors.insert(rec.fFreq);
  }
  EXPECT_EQ(graph->m_FreqLines[0].fFreq, 20.0f);
  EXPECT_EQ(majors, (std::set<float>{100.0f, 1000.0f, 10000.0f}));

  // Without the scales only fixed lines are drawn and nothing is recorded.
  graph->m_bScales = false;
  graph->m_nFreqLines = 0;
  graph->DrawFreqLines(nullptr, true);
  EXPECT_EQ(graph->m_nFreqLines, 0);
}

TEST_F(AxisTest, ChromaticLinesRecordEveryNoteWithItsNameAndCsAsMajors) {
  auto graph = MakeGraph(400, 200);
  graph->SetBarChartType(4);
  graph->SetFreqRange(100.0f, 1000.0f, true);
  graph->DrawFreqLines(nullptr, true);
  ASSERT_GT(graph->m_nFreqLines, 30);
  bool sawA4 = false;
  for (int i = 0; i < graph->m_nFreqLines; ++i) {
    const auto& rec = graph->m_FreqLines[i];
    const double semitones = 12.0 * std::log2(rec.fFreq / 440.0);
    EXPECT_NEAR(semitones, std::round(semitones), 1e-3) << "on a note";
    EXPECT_EQ(rec.bMajor, rec.szLabel[0] == 'C' && rec.szLabel[1] != '#') << rec.szLabel;
    if (std::strcmp(rec.szLabel, "A4") == 0) {
      sawA4 = true;
      EXPECT_NEAR(rec.fFreq, 440.0f, 0.01f);
    }
  }
  EXPECT_TRUE(sawA4);
  EXPECT_LT(graph->m_FreqLines[0].fFreq, 100.0f * 1.06f);
  EXPECT_LT(graph->m_FreqLines[graph->m_nFreqLines - 1].fFreq, 1000.0f * 1.06f);
}

TEST(NoteNameTest, NotesCountFromA0WithOctavesChangingAtC) {
  char text[11];
  EXPECT_FALSE(CFreqGraph::sprintfNoteName(text, 49));
  EXPECT_STREQ(text, "A4");
  EXPECT_TRUE(CFreqGraph::sprintfNoteName(text, 4));
  EXPECT_STREQ(text, "C1");
  EXPECT_FALSE(CFreqGraph::sprintfNoteName(text, 3));
  EXPECT_STREQ(text, "B0");
  EXPECT_FALSE(CFreqGraph::sprintfNoteName(text, 1));
  EXPECT_STREQ(text, "A0");
  EXPECT_TRUE(CFreqGraph::sprintfNoteName(text, 52));
  EXPECT_STREQ(text, "C5");
  EXPECT_FALSE(CFreqGraph::sprintfNoteName(text, 301));
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(CFreqGraph::sprintfNoteName(text, 0));
  EXPECT_STREQ(text, "");
}

TEST_F(AxisTest, ChromaticChartSnapsTonesAndReadOutsToNotes) {
  auto graph = MakeGraph();
  EXPECT_EQ(graph->GetToneFreqOf(450.0f), 450.0f);
  EXPECT_STREQ(graph->GetMouseInfoFreqString(1234.4f), "1234Hz");
  graph->SetBarChartType(4);
  EXPECT_NEAR(graph->GetToneFreqOf(450.0f), 440.0f, 0.01f);
  EXPECT_NEAR(graph->GetToneFreqOf(460.0f), 466.16f, 0.01f);
  EXPECT_STREQ(graph->GetMouseInfoFreqString(261.0f), "C4");
  const char* text = graph->GetMouseInfoFreqString(450.0f);
  MakeGraph()->GetMouseInfoFreqString(1000.0f);
  EXPECT_STREQ(text, "A4") << "another graph's read-out leaves this one's text alone";
}

TEST_F(AxisTest, BarChartTypeSetsTheBandWidthAndIgnoresUnknownTypes) {
  auto graph = MakeGraph();
  graph->SetBarChartType(2);
  EXPECT_FLOAT_EQ(graph->m_fBarWidth, std::cbrt(2.0f));
  graph->SetBarChartType(7);
  EXPECT_EQ(graph->m_fBarWidth, -1.0f);
  graph->SetBarChartType(9);
  graph->SetBarChartType(-1);
  EXPECT_EQ(graph->m_nBarChartType, 7);
}

// --- peak hold --------------------------------------------------------------

TEST_F(AxisTest, PeakIsHeldForTheHoldTimeThenFallsByTheElapsedTime) {
  auto graph = MakeGraph();
  const unsigned int t0 = 50000;
  graph->OperatePeak(1.0f, 0, 5, t0);
  graph->OperatePeak(0.5f, 0, 5, t0 + 4999);
  graph->OperatePeak(0.5f, 0, 5, t0 + 5000);
  EXPECT_EQ(graph->m_pPeakLine[0][5], 1.0f);

  // Draws 20 ms apart: about 0.52 dB on the display law per draw.
  graph->OperatePeak(0.5f, 0, 5, t0 + 5020);
  const float once = graph->m_pPeakLine[0][5];
  EXPECT_NEAR(8.75 * std::log(1.0 / once), 0.524, 0.002);
  graph->OperatePeak(0.5f, 0, 5, t0 + 5040);
  EXPECT_NEAR(graph->m_pPeakLine[0][5], once * once, 1e-5);

  // A new maximum is held again.
  graph->OperatePeak(2.0f, 0, 5, t0 + 6000);
  graph->OperatePeak(0.1f, 0, 5, t0 + 10999);
  EXPECT_EQ(graph->m_pPeakLine[0][5], 2.0f);
  EXPECT_EQ(graph->m_pPeakLine[1][5], 0.0f) << "channels are apart";
}

TEST_F(AxisTest, PeakHoldEndsAcrossTheClockWrap) {
  auto graph = MakeGraph();
  const unsigned int t0 = 0xFFFFFFFFu - 5010u;  // the hold ends 11 ms before the wrap
  graph->OperatePeak(1.0f, 0, 5, t0);
  graph->OperatePeak(0.5f, 0, 5, t0 + 5020u);  // 9 ms after it: 20 ms of fall
  EXPECT_NEAR(8.75 * std::log(1.0 / graph->m_pPeakLine[0][5]), 0.524, 0.002);
}

TEST_F(AxisTest, FrozenPeaksDoNotDecay) {
  auto graph = MakeGraph();
  graph->OperatePeak(1.0f, 1, 0, 0);
  graph->OperatePeak(0.5f, 1, 0, 0);
  EXPECT_EQ(graph->m_pPeakLine[1][0], 1.0f);
  EXPECT_EQ(graph->m_pPeakHoldUntil[1][0], 5000u);
}

TEST_F(AxisTest, HoldTimeRestartsEveryHoldAndClearingZeroesAChannel) {
  auto graph = MakeGraph();
  graph->OperatePeak(1.0f, 2, 3, 10);
  g_nNow = 70000;
  graph->SetPeakHoldTime(1000);
  EXPECT_EQ(graph->m_pPeakHoldUntil[2][3], 71000u);
  EXPECT_EQ(graph->m_pPeakHoldUntil[0][399], 71000u);
  graph->OperatePeak(0.5f, 2, 3, 71100);
  EXPECT_LT(graph->m_pPeakLine[2][3], 1.0f);
  graph->ClearGraphPeaks(2);
  EXPECT_EQ(graph->m_pPeakLine[2][3], 0.0f);
  EXPECT_EQ(graph->m_pPeakHoldUntil[2][3], 0u);
}

TEST_F(AxisTest, ClearingAllValuesEmptiesTheStoresLinesAndPeaksAndRestartsAveraging) {
  auto graph = MakeGraph();
  Spectrum().Set(10, 3.0).StoreInto(left);
  graph->m_pColumnLine[0][4] = 2.0f;
  graph->m_pColumnLine[3][4] = 2.0f;  // no store bound: left alone
  graph->OperatePeak(2.0f, 1, 4, 1000);
  graph->m_nAveragingCount = 9;
  graph->ClearAllGraphValues();
  EXPECT_EQ(left.GetBuffer(0)[10], 0.0);
  EXPECT_EQ(left.GetBuffer(1)[10], 0.0);
  EXPECT_EQ(graph->m_pColumnLine[0][4], 0.0f);
  EXPECT_EQ(graph->m_pColumnLine[3][4], 2.0f);
  EXPECT_EQ(graph->m_pPeakLine[1][4], 0.0f);
  EXPECT_EQ(graph->m_nAveragingCount, 0);
}

// --- freeze -----------------------------------------------------------------

TEST_F(AxisTest, FreezeSnapshotsTheBoundStoresAndUnfreezeDropsThem) {
  auto graph = std::make_unique<CCompositeGraph>(CRect(0, 0, 100, 50), editor, nullptr);
  graph->SetFreezeDisplay(true);
  EXPECT_EQ(graph->m_pFrozen[0], nullptr) << "no store, no snapshot";
  graph->SetDataStore(0, &left);
  Spectrum().Set(10, 3.0).StoreInto(left);
  graph->SetFreezeDisplay(true);
  ASSERT_NE(graph->m_pFrozen[0], nullptr);
  EXPECT_EQ(graph->m_pFrozen[1], nullptr);
  const CFrequencyDataStore& snap = *graph->m_pFrozen[0];
  EXPECT_EQ(snap.GetHalfSize(), kHalf);
  EXPECT_EQ(snap.GetBuffer(snap.GetCurrentIndex())[10], 9.0);

  // Later frames do not reach the snapshot.
  Spectrum().Set(10, 5.0).StoreInto(left);
  EXPECT_EQ(snap.GetBuffer(snap.GetCurrentIndex())[10], 9.0);
  graph->SetFreezeDisplay(false);
  EXPECT_EQ(graph->m_pFrozen[0], nullptr);
  EXPECT_FALSE(graph->m_bFreeze);
}

TEST_F(AxisTest, ASnapshotWithAnImplausibleBinShowsItsOtherBuffer) {
  auto graph = MakeGraph(100, 50);
  Spectrum().Set(10, 2.0).StoreInto(left);
  left.SetConsumed();
  Spectrum().Set(20, 2000.0).StoreInto(left);  // 4e6 in power
  graph->SetFreezeDisplay(true);
  const CFrequencyDataStore& snap = *graph->m_pFrozen[0];
  EXPECT_EQ(snap.GetCurrentIndex(), 1 - left.GetCurrentIndex());
  EXPECT_EQ(snap.GetFlipCount(), 1);
}

}  // namespace
