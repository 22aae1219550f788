// The level meter's scales, names, layout and the dB-to-row law.
#include <gtest/gtest.h>

#include "MeterTestSupport.h"

using namespace metertest;

namespace {

TEST(LevelMeterScaleTest, ConstructionLaysOutTheStripsAndTheProductBarRows) {
  MeterOnSurface s;
  CLevelMeter& m = *s.meter;
  EXPECT_EQ(m.getTag(), -1);
  EXPECT_EQ(m.rectTopStrip, CRect(0, 0, 43, 12));
  EXPECT_EQ(m.rectScaleStrip, CRect(31, 0, 43, 228));
  EXPECT_EQ(m.fTopDb, 0.0f);
  EXPECT_EQ(m.fBottomDb, -60.0f);
  EXPECT_EQ(m.eVolScale, eVS_DigitalFSRms);
  EXPECT_TRUE(m.bShowSecondary);
  EXPECT_FALSE(m.bRmsPrimary);
  EXPECT_EQ(m.colClip[0], CLevelMeter::colDefaultBackground);
  // Bar rows are laid out at the first draw: the label strip plus 5 down to
  // two rows above the bottom.
  s.Draw();
  EXPECT_EQ(m.nBarTop, 17);
  EXPECT_EQ(m.nBarBottom, 226);
  EXPECT_EQ(m.nBarHeight, 209);
}

TEST(LevelMeterScaleTest, RowsFollowTheDecibelRangeLinearly) {
  MeterOnSurface s;
  CLevelMeter& m = *s.meter;
  s.Draw();
  // 209 rows over 60 dB.
  EXPECT_EQ(static_cast<int>(m.RowOfDb(0.0f)), 17);
  EXPECT_EQ(static_cast<int>(m.RowOfDb(-3.0f)), 27);  // 17 + 3 * 209 / 60 = 27.45
  EXPECT_EQ(static_cast<int>(m.RowOfDb(-30.0f)), 121);
  EXPECT_EQ(static_cast<int>(m.RowOfDb(-60.0f)), 226);
  m.fTopDb = -10.0f;
  m.fBottomDb = -30.0f;
  EXPECT_FLOAT_EQ(m.RowOfDb(-20.0f), 17.0f + 104.5f);
}

TEST(LevelMeterScaleTest, EachScaleSetsItsBarsHeadroomThresholdsAndStyle) {
  MeterOnSurface s;
  CLevelMeter& m = *s.meter;
  const CColor paletteRed = CLookupColorUser::GetLookupColor(0.015625f);
  const CColor paletteGreen = CLookupColorUser::GetLookupColor(0.328125f);

  m.SetVolScale(eVS_K12);
  EXPECT_FALSE(m.bShowSecondary);
  EXPECT_TRUE(m.bRmsPrimary);
  EXPECT_FALSE(m.bMidSide.load());
  EXPECT_EQ(m.fHeadroomDb, 12.0f);
  EXPECT_EQ(m.fRedDb, 4.0f);
  EXPECT_EQ(m.fYellowDb, 0.0f);
  EXPECT_EQ(m.eBarStyle, eBS_Shrp);
  EXPECT_EQ(m.colRed, kRedCColor);
  EXPECT_EQ(m.colGreen2, kGreenCColor);

  m.SetVolScale(eVS_DigitalFSRms);
  EXPECT_TRUE(m.bShowSecondary);
  EXPECT_FALSE(m.bRmsPrimary);
  EXPECT_EQ(m.fHeadroomDb, 0.0f);
  EXPECT_EQ(m.fRedDb, -3.0f);
  EXPECT_EQ(m.fYellowDb, -9.0f);
  EXPECT_EQ(m.eBarStyle, eBS_Smth);
  EXPECT_EQ(m.colRed, paletteRed);
  EXPECT_EQ(m.colRed2, paletteRed);
  EXPECT_EQ(m.colGreen, paletteGreen);
  EXPECT_EQ(m.colHold, kWhiteCColor);

  // Custom and M/S scales keep headroom, thresholds, style and colours.
  m.SetVolScale(eVS_K20);
  m.SetVolScale(eVS_MSRmsDig);
  EXPECT_TRUE(m.bShowSecondary);
  EXPECT_TRUE(m.bRmsPrimary);
  EXPECT_TRUE(m.bMidSide.load());
  EXPECT_EQ(m.fHeadroomDb, 20.0f);
  EXPECT_EQ(m.eBarStyle, eBS_Shrp);
  EXPECT_EQ(m.colRed, kRedCColor);
  m.SetVolScale(eVS_CustomDig);
  EXPECT_FALSE(m.bShowSecondary);
  EXPECT_FALSE(m.bRmsPrimary);
  EXPECT_FALSE(m.bMidSide.load()) << "a scale change stops Mid/Side unless the scale meters it";
}

TEST(LevelMeterScaleTest, ChangingTheScaleClearsTheClipMaximaButTheSameScaleDoesNothing) {
  MeterOnSurface s;
  CLevelMeter& m = *s.meter;
  s.Feed(Square(64, 1.0f));
  ASSERT_EQ(m.fPeakMax[0].load(), 1.0f);
  m.bBackgroundDirty = false;
  m.SetVolScale(eVS_DigitalFSRms);  // the current scale
  EXPECT_EQ(m.fPeakMax[0].load(), 1.0f);
  EXPECT_FALSE(m.bBackgroundDirty);
  m.SetVolScale(eVS_DigitalFS);
  EXPECT_EQ(m.fPeakMax[0].load(), 0.0f);
  EXPECT_EQ(m.fPeakMax[1].load(), 0.0f);
  EXPECT_TRUE(m.bBackgroundDirty);
}

TEST(LevelMeterScaleTest, NonStandardScaleFollowsTheBarsAndKeepsMidSide) {
  MeterOnSurface s;
  CLevelMeter& m = *s.meter;
  m.SetVolScale(eVS_MSRmsDig);
  m.SetNonStandard();
  EXPECT_EQ(m.eVolScale, eVS_CustomRmsDig);
  EXPECT_TRUE(m.bMidSide.load());

  // Colour setters make the scale a custom one and touch only the main bar.
  m.SetVolScale(eVS_DigitalFS);
  const CColor secondaryGreen = m.colGreen2;
  m.SetColGreen(kGreen);
  EXPECT_EQ(m.eVolScale, eVS_CustomDig);
  EXPECT_EQ(m.colGreen, kGreen);
  EXPECT_EQ(m.colGreen2, secondaryGreen);
}

TEST(LevelMeterScaleTest, ProductConfigurationMetersMidSideOnlyWhenAsked) {
  for (bool midSide : {false, true}) {
    MeterOnSurface s;
    CLevelMeter& m = *s.meter;
    ConfigureAsProduct(m, midSide);
    EXPECT_EQ(m.eVolScale, eVS_CustomDig);
    EXPECT_EQ(m.bMidSide.load(), midSide);
    EXPECT_FALSE(m.bShowSecondary);
    EXPECT_FALSE(m.bRmsPrimary);
    EXPECT_EQ(m.eBarStyle, eBS_Solid);
    EXPECT_EQ(m.colRed, kRed);
  }
}

TEST(LevelMeterScaleTest, NamesOfScalesStylesAndDirections) {
  EXPECT_STREQ(CLevelMeter::VolScaleName(eVS_DigitalFSRms), "Digital FS + RMS");
  EXPECT_STREQ(CLevelMeter::VolScaleName(eVS_K14), "K-14/RMS");
  EXPECT_STREQ(CLevelMeter::VolScaleName(eVS_MSRmsDig), "MS RMS+Dig");
  EXPECT_STREQ(CLevelMeter::VolScaleName(static_cast<EVolScale>(14)), "");
  EXPECT_STREQ(CLevelMeter::BarStyleName(eBS_Shrp), "Shrp");
  EXPECT_STREQ(CLevelMeter::BarStyleName(static_cast<EBarStyle>(-1)), "");
  EXPECT_STREQ(CLevelMeter::BarDirName(eBD_Horizontal), "Horizontal");
  EXPECT_STREQ(CLevelMeter::BarDirName(static_cast<EBarDir>(2)), "");
}

TEST(LevelMeterScaleTest, BarDirectionMovesTheStripsAndComesBackToTheSameLayout) {
  MeterOnSurface s(CRect(0, 0, 228, 43), 12);
  CLevelMeter& m = *s.meter;
  m.SetBarDir(eBD_Horizontal);
  // The label strip runs down the right edge, the scale strip along the
  // bottom.
  EXPECT_EQ(m.rectTopStrip, CRect(216, 0, 228, 43));
  EXPECT_EQ(m.rectScaleStrip, CRect(0, 31, 228, 43));
  EXPECT_EQ(m.LayoutRect(), CRect(0, 0, 43, 228));
  EXPECT_EQ(m.OrientRect(CRect(4, 17, 11, 226)), CRect(2, 4, 211, 11));
  m.SetBarDir(eBD_Vertical);
  EXPECT_EQ(m.rectTopStrip, CRect(0, 0, 228, 12));
  EXPECT_EQ(m.rectScaleStrip, CRect(216, 0, 228, 43));
}

}  // namespace
