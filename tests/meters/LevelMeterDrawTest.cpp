// The level meter's pixels: scale marks, bars, hold markers, colour zones,
// segment lines, clip indicators, and the horizontal layout.
#include <gtest/gtest.h>

#include <cstdlib>

#include "MeterTestSupport.h"

using namespace metertest;

namespace {

constexpr uint32_t kScaleGrey = 0xFF787878u;  // (120, 120, 120)
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// The colour `word` is `c` within one step per channel: a zone colour comes
// from interpolating between stops of the same colour, truncated.
::testing::AssertionResult Near(uint32_t word, CColor c) {
  const int got[3] = {static_cast<int>((word >> 16) & 0xFF), static_cast<int>((word >> 8) & 0xFF),
                      static_cast<int>(word & 0xFF)};
  const int want[3] = {c.red, c.green, c.blue};
  for (int i = 0; i < 3; ++i)
    if (std::abs(got[i] - want[i]) > 1 || (word >> 24) != 0xFF)
      return ::testing::AssertionFailure() << std::hex << "pixel " << word << " is not near "
                                           << Word(c);
  return ::testing::AssertionSuccess();
}

// Columns of the product meter's bars (no secondary bar): 4-10 and 13-19.
constexpr long kLeftBar = 5;
constexpr long kRightBar = 15;

class LevelMeterDrawTest : public ::testing::Test {
 protected:
  void SetUp() override { ConfigureAsProduct(*s.meter, false); }

  drawtest::ClockScope clock;
  MeterOnSurface s;
};

TEST_F(LevelMeterDrawTest, ScaleMarksEveryFourDecibelsOnTheProductMeter) {
  s.Draw();
  // 3.48 rows per dB: a mark every 4 dB at 17 + trunc(209 * 4k / 60), from
  // 0 dB down to the bottom mark at -60 dB. Each tick is two rows tall and
  // runs under the (unlit) bars from column 2.
  for (int k = 0; k <= 15; ++k) {
    const long row = 17 + (209 * 4 * k) / 60;
    SCOPED_TRACE(row);
    EXPECT_EQ(s.At(2, row), kScaleGrey);
    EXPECT_EQ(s.At(12, row + 1), kScaleGrey);
    if (k < 15) {
      EXPECT_EQ(s.At(2, row + 2), kBlack);
    }
  }
  EXPECT_EQ(s.At(2, 16), kBlack);
}

TEST_F(LevelMeterDrawTest, SolidBarTakesTheColourOfTheHeldLevelUnderItsMarker) {
  s.Feed(Square(256, Amp(-6.0)));
  s.Draw();
  // -6 dB is row trunc(17 + 6 * 209 / 60) = 37: the hold marker there, three
  // rows tall, the bar below it down to the bottom in the yellow zone.
  for (long x : {kLeftBar, kRightBar}) {
    EXPECT_EQ(s.At(x, 36), kBlack);
    EXPECT_EQ(s.At(x, 37), kWhite);
    EXPECT_EQ(s.At(x, 39), kWhite);
    EXPECT_TRUE(Near(s.At(x, 40), kYellow));
    EXPECT_TRUE(Near(s.At(x, 225), kYellow));
    EXPECT_EQ(s.At(x, 226), kScaleGrey) << "the bottom mark lies below the bar";
  }
  EXPECT_TRUE(Near(s.At(4, 120), kYellow));
  EXPECT_TRUE(Near(s.At(10, 120), kYellow));
  EXPECT_EQ(s.At(11, 120), kBlack);

  // The level falls to -20 dB at once (fall coefficient 0) within the hold
  // time: the bar shrinks to row 86 but keeps the held level's colour, and
  // the marker stays; between them the unlit bar shows the scale's ticks.
  s.meter->fPeakFall = 0.0f;
  drawtest::g_Now += 100;
  s.Feed(Square(256, Amp(-20.0)));
  s.Draw();
  EXPECT_EQ(s.At(kLeftBar, 37), kWhite);
  EXPECT_EQ(s.At(kLeftBar, 50), kBlack);
  EXPECT_EQ(s.At(kLeftBar, 44), kScaleGrey);
  EXPECT_EQ(s.At(kLeftBar, 85), kBlack);
  EXPECT_TRUE(Near(s.At(kLeftBar, 86), kYellow));
  EXPECT_TRUE(Near(s.At(kLeftBar, 200), kYellow));
}

TEST_F(LevelMeterDrawTest, LevelOfMinusThreeDecibelsReachesRow27) {
  s.Feed(Square(256, Amp(-3.0)), Square(256, Amp(-20.0)));
  s.Draw();
  EXPECT_EQ(s.At(kLeftBar, 26), kBlack);
  EXPECT_EQ(s.At(kLeftBar, 27), kWhite);
  // Green below the yellow zone: -20 dB lies under -11 dB.
  EXPECT_EQ(s.At(kRightBar, 86), kWhite);
  EXPECT_TRUE(Near(s.At(kRightBar, 89), kGreen));
}

TEST_F(LevelMeterDrawTest, ClipIndicatorLightsAtTheClipLevelUntilTheStripIsClicked) {
  s.meter->SetBackground(0, 0, 40);
  const uint32_t background = Word({0, 0, 40, 255});
  s.Feed(Square(64, 0.999f), Square(64, 0.998f));
  s.Draw();
  const uint32_t clip = Word(CLevelMeter::colHeadroomClip);
  EXPECT_EQ(s.At(1, 2), clip);
  EXPECT_EQ(s.At(1, 11), clip);
  EXPECT_EQ(s.At(41, 2), background) << "0.998 does not clip";
  EXPECT_EQ(s.At(1, 12), background);

  // The indicator stays on after the level has fallen.
  drawtest::g_Now += 5000;
  s.Feed(Square(64, 0.1f));
  s.Draw();
  EXPECT_EQ(s.At(1, 2), clip);

  // A click on the label strip turns it off.
  CPoint where(kProductRect.left + 30, kProductRect.top + 3);
  s.meter->mouse(s.screen.context(), where, kMouseLeft);
  EXPECT_EQ(s.meter->fPeakMax[0].load(), 0.0f);
  s.Draw();
  EXPECT_EQ(s.At(1, 2), background);

  // Lit by hand, the indicator stays until the next reset as well.
  s.meter->SetClipHasOccurred(1);
  s.meter->SetClipHasOccurred(2);
  s.Draw();
  EXPECT_EQ(s.At(41, 2), clip);
  EXPECT_EQ(s.At(1, 2), background);
}

TEST_F(LevelMeterDrawTest, SharpBarsOfAKScaleChangeColourAroundItsReference) {
  CLevelMeter& m = *s.meter;
  m.SetVolScale(eVS_K12);
  m.fRmsRise = 0.0f;
  // RMS of -4 dBFS (the square's RMS is its amplitude, +3 dB).
  s.Feed(Square(1024, Amp(-7.0)));
  s.Draw();
  // Yellow from -12 dBFS (row 58), red from -8 dBFS (row 44); the level of
  // -4 dBFS at row 30 carries the marker.
  ASSERT_EQ(m.nRedRow, 44);
  ASSERT_EQ(m.nYellowRow, 58);
  EXPECT_EQ(s.At(kLeftBar, 29), kBlack);
  EXPECT_EQ(s.At(kLeftBar, 30), kWhite);
  EXPECT_EQ(s.At(kLeftBar, 33), Word(kRedCColor));
  EXPECT_EQ(s.At(kLeftBar, 43), Word(kRedCColor));
  EXPECT_EQ(s.At(kLeftBar, 44), Word(kYellowCColor));
  EXPECT_EQ(s.At(kLeftBar, 57), Word(kYellowCColor));
  EXPECT_EQ(s.At(kLeftBar, 58), Word(kGreenCColor));
  EXPECT_EQ(s.At(kLeftBar, 225), Word(kGreenCColor));
  // The scale reads "+12" at the top: its marks lie at +12, +8, +4 and 0
  // (-12 dBFS).
  for (long row : {17L, 30L, 44L, 58L}) EXPECT_EQ(s.At(2, row), kScaleGrey) << row;
}

TEST_F(LevelMeterDrawTest, SecondaryBarShowsTheOtherQuantityInItsOwnColumns) {
  CLevelMeter& m = *s.meter;
  m.SetVolScale(eVS_DigitalFSRms);  // peak main bar, RMS secondary, smooth
  m.fPeakRise = 0.0f;
  m.fRmsRise = 0.0f;
  // One spike of -6 dB over a quiet block: RMS far below the peak.
  std::vector<float> block(1024, 0.01f);
  block[100] = Amp(-6.0);
  s.Feed(block);
  s.Draw();
  const float rmsDb = 20.0f * std::log10(m.fRms[0].load());
  const long rmsRow = static_cast<long>(m.RowOfDb(rmsDb));
  ASSERT_GT(rmsRow, 100);
  // Main (peak) bar: columns 10-16; secondary (RMS): columns 4-7.
  EXPECT_EQ(s.At(12, 36), kBlack);
  EXPECT_EQ(s.At(12, 37), kWhite);
  EXPECT_EQ(s.At(5, rmsRow - 1), kBlack);
  EXPECT_EQ(s.At(5, rmsRow), kWhite);
  EXPECT_EQ(s.At(8, rmsRow + 20), kBlack) << "column 8 lies between the bars";
  // Smooth bars start from the colour of the bottom of the range.
  const CColor green = CLookupColorUser::GetLookupColor(0.328125f);
  EXPECT_EQ(s.At(5, 225), Word(green));
  EXPECT_EQ(s.At(12, 225), Word(green));
}

TEST_F(LevelMeterDrawTest, SegmentLinesCutTheLitBarFromTheBottomOfTheScale) {
  CLevelMeter& m = *s.meter;
  m.fBottomDb = -20.0f;  // 10.45 rows per dB
  s.Feed(Square(64, 1.0f));
  s.Draw();
  // Lines two rows tall every 10.45 rows from row 226 up.
  for (int k = 1; k <= 19; ++k) {
    const long row = static_cast<long>(226.0 - 10.45 * k + 1e-6);
    SCOPED_TRACE(row);
    EXPECT_EQ(s.At(kLeftBar, row), kBlack);
    EXPECT_EQ(s.At(kLeftBar, row + 1), kBlack);
    EXPECT_NE(s.At(kLeftBar, row + 2), kBlack);
  }
}

TEST_F(LevelMeterDrawTest, FinerLinesSpareTheBarsEdges) {
  CLevelMeter& m = *s.meter;
  m.fBottomDb = -10.0f;  // 20.9 rows per dB: half-dB lines as well
  s.Feed(Square(64, 1.0f));
  s.Draw();
  // Finer lines start one dB below the bottom (row 246) and step 10.45 rows:
  // rows 225, 214, 204 ... leave the bar's outer columns lit.
  for (long row : {214L, 204L}) {
    EXPECT_EQ(s.At(5, row), kBlack) << row;
    EXPECT_TRUE(Near(s.At(4, row), kRed)) << row;
  }
}

TEST_F(LevelMeterDrawTest, HorizontalBarsGrowFromTheLeft) {
  MeterOnSurface h(CRect(0, 0, 228, 43), 12);
  CLevelMeter& m = *h.meter;
  ConfigureAsProduct(m, false);
  m.SetBarDir(eBD_Horizontal);
  h.Feed(Square(64, Amp(-6.0)));
  h.Draw();
  // Layout rows map to columns from the right: bar rows 40..225 become
  // columns 2..187, the marker's rows 37..39 columns 188..190.
  EXPECT_TRUE(Near(h.At(2, 5), kYellow));
  EXPECT_TRUE(Near(h.At(187, 5), kYellow));
  EXPECT_EQ(h.At(188, 5), kWhite);
  EXPECT_EQ(h.At(190, 10), kWhite);
  EXPECT_EQ(h.At(191, 5), kBlack);
  EXPECT_EQ(h.At(100, 3), kBlack) << "above the left channel's bar";
  EXPECT_TRUE(Near(h.At(100, 14), kYellow)) << "the right channel's bar";
}

}  // namespace
