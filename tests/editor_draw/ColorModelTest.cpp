#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Helpers/ColorModel.h"

namespace {

CColor Rgb(int r, int g, int b) {
  return {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
          static_cast<unsigned char>(b), 255};
}

::testing::AssertionResult SameColour(const CColor& actual, const CColor& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << int(actual.red) << ", " << int(actual.green) << ", " << int(actual.blue)
         << ", " << int(actual.alpha) << ") instead of (" << int(expected.red) << ", "
         << int(expected.green) << ", " << int(expected.blue) << ", " << int(expected.alpha)
         << ")";
}

int StopCount(const ColorBoundary* list) {
  int n = 0;
  while (list[n].level != kfColorBoundaryTerminator) ++n;
  return n;
}

TEST(ColorScaleTest, AStopsLevelGivesItsColour) {
  const CColorBoundaryPickerInfo* sets[] = {&g_ColorBoundaryPickerComposite,
                                            &g_ColorBoundaryPickerStereo,
                                            &g_ColorBoundaryPickerCorrelation};
  for (const CColorBoundaryPickerInfo* set : sets) {
    for (int p = 0; p < set->nCount; ++p) {
      const ColorBoundary* list = set->ppLists[p];
      for (int s = 0; s < StopCount(list); ++s)
        EXPECT_TRUE(SameColour(GetColorForLevel(list[s].level, list), list[s].colour))
            << "preset " << p << ", stop " << s;
    }
  }
}

TEST(ColorScaleTest, LevelsBetweenStopsInterpolateLinearly) {
  // Halfway between 0.1 (0, 0, 255) and 0.4 (0, 255, 0).
  EXPECT_TRUE(SameColour(GetColorForLevel(0.25f, boundaryArrayPickerComposite7), Rgb(0, 127, 127)));
  // A quarter of the way from 0.6 (255, 255, 0) to 1 (255, 0, 0).
  EXPECT_TRUE(SameColour(GetColorForLevel(0.7f, boundaryArrayPickerComposite7), Rgb(255, 191, 0)));
  // Between two stops of the same colour.
  EXPECT_TRUE(SameColour(GetColorForLevel(0.05f, boundaryArrayPickerComposite0), Rgb(0, 150, 0)));
  // Correlation 0: from -1 (200, 0, 0) to -0.1 (200, 200, 0), at a third.
  EXPECT_TRUE(
      SameColour(GetColorForLevel(-0.7f, boundaryArrayPickerCorrelation0), Rgb(200, 66, 0)));
}

TEST(ColorScaleTest, AboveTheLastStopTheColourRunsTowardTheTerminatorOverItsWholeDistance) {
  // Last real stop 1: (0, 0, 255), terminator (255, 0, 0): t = 0.5 / 9999.
  EXPECT_TRUE(SameColour(GetColorForLevel(1.5f, boundaryArrayPickerStereo5), Rgb(0, 0, 254)));
  // Terminator colour equal to the last stop's: that colour.
  EXPECT_TRUE(
      SameColour(GetColorForLevel(5.0f, boundaryArrayPickerComposite0), Rgb(255, 255, 255)));
  EXPECT_TRUE(SameColour(GetColorForLevel(9999.0f, boundaryArrayPickerStereo1), Rgb(236, 177, 0)));
}

TEST(ColorScaleTest, BelowTheFirstStopTheFirstPairExtrapolates) {
  // Both first stops black: black however far below.
  EXPECT_TRUE(SameColour(GetColorForLevel(-3.0f, boundaryArrayPickerComposite3), Rgb(0, 0, 0)));
  // -1.5 on (-1: (255, 0, 255), 0: (0, 0, 0)): 255 * 1.5 = 382.5, low byte 126.
  EXPECT_TRUE(
      SameColour(GetColorForLevel(-1.5f, boundaryArrayPickerComposite7), Rgb(126, 0, 126)));
}

TEST(ColorScaleTest, LevelsThatAreNotNumbersOrFarOutsideGiveDefinedColours) {
  EXPECT_TRUE(SameColour(GetColorForLevel(std::numeric_limits<float>::quiet_NaN(),
                                          boundaryArrayPickerComposite7),
                         Rgb(255, 0, 255)));
  // Extrapolations beyond any integer read 0.
  EXPECT_TRUE(SameColour(GetColorForLevel(-1e30f, boundaryArrayPickerComposite7), Rgb(0, 0, 0)));
  EXPECT_TRUE(SameColour(GetColorForLevel(-std::numeric_limits<float>::infinity(),
                                          boundaryArrayPickerComposite7),
                         Rgb(0, 0, 0)));
  EXPECT_TRUE(SameColour(
      GetColorForLevel(std::numeric_limits<float>::infinity(), boundaryArrayPickerStereo5),
      Rgb(0, 0, 0)));
}

TEST(ColorScaleTest, PresetListsAscendToTheirTerminatorAndSpanTheSetsRange) {
  const CColorBoundaryPickerInfo* sets[] = {&g_ColorBoundaryPickerComposite,
                                            &g_ColorBoundaryPickerStereo,
                                            &g_ColorBoundaryPickerCorrelation};
  const int counts[] = {9, 9, 7};
  for (int k = 0; k < 3; ++k) {
    const CColorBoundaryPickerInfo* set = sets[k];
    ASSERT_EQ(set->nCount, counts[k]);
    for (int p = 0; p < set->nCount; ++p) {
      const ColorBoundary* list = set->ppLists[p];
      const int n = StopCount(list);
      ASSERT_GE(n, 2) << "set " << k << " preset " << p;
      for (int s = 1; s < n; ++s)
        EXPECT_LT(list[s - 1].level, list[s].level) << "set " << k << " preset " << p;
      EXPECT_LE(list[0].level, set->fMin) << "set " << k << " preset " << p;
      EXPECT_GE(list[n - 1].level, set->fMax) << "set " << k << " preset " << p;
      for (int s = 0; s <= n; ++s) EXPECT_EQ(list[s].colour.alpha, 255);
    }
  }
  EXPECT_EQ(g_ColorBoundaryPickerComposite.ppLists[0], boundaryArrayPickerComposite7);
  EXPECT_EQ(g_ColorBoundaryPickerComposite.ppLists[8], boundaryArrayPickerComposite2);
  EXPECT_EQ(g_ColorBoundaryPickerStereo.ppLists[2], boundaryArrayPickerStereo1a);
}

TEST(ColorScaleCacheTest, HoldsTheScaleOverItsRangeUntilTheListChanges) {
  ColorBoundaryCache cache;
  cache.CheckCachedColorValues(boundaryArrayPickerStereo5, -1.0f, 1.0f);
  EXPECT_EQ(cache.pList, boundaryArrayPickerStereo5);
  for (int i = 0; i < ColorBoundaryCache::kNumColours; ++i) {
    const float level = -1.0f + static_cast<float>(i) * 2.0f / 200.0f;
    EXPECT_TRUE(SameColour(cache.colours[i], GetColorForLevel(level, boundaryArrayPickerStereo5)))
        << "entry " << i;
  }
  EXPECT_TRUE(SameColour(cache.colours[0], Rgb(255, 0, 0)));
  EXPECT_TRUE(SameColour(cache.colours[100], Rgb(0, 0, 0)));

  // Same list, other range: the old colours stay.
  cache.CheckCachedColorValues(boundaryArrayPickerStereo5, 0.0f, 1.0f);
  EXPECT_TRUE(SameColour(cache.colours[0], Rgb(255, 0, 0)));
  // After the owner resets the list the new range takes effect.
  cache.pList = nullptr;
  cache.CheckCachedColorValues(boundaryArrayPickerStereo5, 0.0f, 1.0f);
  EXPECT_TRUE(SameColour(cache.colours[0], Rgb(0, 0, 0)));
}

TEST(PaletteTest, TellingEntries) {
  const struct {
    int index;
    CColor colour;
  } entries[] = {{0, Rgb(255, 178, 178)},   {4, Rgb(127, 0, 0)},       {16, Rgb(255, 223, 178)},
                 {104, Rgb(229, 217, 208)}, {120, Rgb(255, 255, 255)}, {121, Rgb(223, 223, 223)},
                 {122, Rgb(192, 192, 192)}, {123, Rgb(160, 160, 160)}, {124, Rgb(150, 150, 150)},
                 {125, Rgb(105, 105, 105)}, {126, Rgb(45, 45, 45)},    {127, Rgb(0, 0, 0)}};
  for (const auto& e : entries) {
    EXPECT_TRUE(SameColour(CLookupColorUser::s_colArray.entries[e.index], e.colour))
        << "entry " << e.index;
    EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(e.index / 8, e.index % 8), e.colour))
        << "entry " << e.index;
  }
}

TEST(PaletteTest, ShadeTwoIsTheHuesBaseColourAndHue15IsAGreyRamp) {
  const CColor bases[15] = {Rgb(255, 0, 0),    Rgb(255, 80, 0),    Rgb(255, 150, 0),
                            Rgb(255, 255, 0),  Rgb(150, 255, 0),   Rgb(0, 255, 0),
                            Rgb(0, 255, 155),  Rgb(0, 255, 255),   Rgb(0, 150, 255),
                            Rgb(0, 0, 255),    Rgb(150, 0, 255),   Rgb(255, 0, 255),
                            Rgb(255, 0, 150),  Rgb(170, 130, 100), Rgb(150, 140, 120)};
  for (int hue = 0; hue < 15; ++hue)
    EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(hue, 2), bases[hue])) << "hue " << hue;
  for (int shade = 1; shade < 8; ++shade) {
    const CColor lighter = CLookupColorUser::GetLookupColor(15, shade - 1);
    const CColor c = CLookupColorUser::GetLookupColor(15, shade);
    EXPECT_LT(c.red, lighter.red);
    EXPECT_EQ(c.red, c.green);
    EXPECT_EQ(c.red, c.blue);
  }
}

TEST(PaletteTest, ValuesMapToEntriesAndOutOfRangeValuesClamp) {
  for (int i = 0; i < 128; ++i) {
    const CColor entry = CLookupColorUser::s_colArray.entries[i];
    EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(i / 128.0f), entry)) << i;
    EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor((i + 0.99f) / 128.0f), entry)) << i;
  }
  const CColor first = CLookupColorUser::s_colArray.entries[0];
  const CColor last = CLookupColorUser::s_colArray.entries[127];
  EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(1.0f), last));
  EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(0.0f), first));
  EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(-0.5f), first));
  EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(1.5f), last));
  EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(std::numeric_limits<float>::infinity()), last));
  EXPECT_TRUE(SameColour(
      CLookupColorUser::GetLookupColor(std::numeric_limits<float>::quiet_NaN()), first));
  EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(16, 0), last));
  EXPECT_TRUE(SameColour(CLookupColorUser::GetLookupColor(-1, 0), first));
}

TEST(ColourOperatorTest, ScaleAndSumSaturateAndKeepTheFirstAlpha) {
  const CColor half = {200, 100, 50, 128};
  EXPECT_TRUE(SameColour(half * 2.0f, CColor{255, 200, 100, 128}));
  EXPECT_TRUE(SameColour(half * 0.5f, CColor{100, 50, 25, 128}));
  EXPECT_TRUE(SameColour(half * -1.0f, CColor{0, 0, 0, 128}));
  EXPECT_TRUE(SameColour(CColor{200, 100, 0, 10} + CColor{100, 100, 100, 255},
                         CColor{255, 200, 100, 10}));
}

}  // namespace
