// The instrument guide table: names and well-formed ranges.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include "QVX/QVXHelp.h"

TEST(QVX2_SUITE(QvxGuideTest), SetsHaveTheirInstrumentNames) {
  const char* names[] = {"",      "Kick drum",       "Snare Drum", "Toms",  "Cymbals", "Bass Guitar",
                         "Acoustic Guitar", "Vocals", "Electric Guitar", "Horns", "Strings",   "Mix"};
  for (int s = 0; s < 12; ++s) EXPECT_STREQ(QvxGuideSetName(s), names[s]);
  EXPECT_STREQ(QvxGuideSetName(-1), "");
  EXPECT_STREQ(QvxGuideSetName(12), "");
}

TEST(QVX2_SUITE(QvxGuideTest), RangesAreOrderedAndEndAtAZeroTop) {
  int rows[12] = {};
  for (int s = 0; s < kQvxNumGuideSets; ++s) {
    for (const auto& r : g_sQvxGuideSet[s].rows) {
      if (r.fHighHz == 0.0f) break;
      EXPECT_LT(r.fLowHz, r.fHighHz) << "set " << s;
      EXPECT_NE(r.pszLabel, nullptr);
      ++rows[s];
    }
  }
  const int expected[] = {0, 3, 4, 3, 2, 5, 4, 9, 3, 2, 2, 8};
  for (int s = 0; s < 12; ++s) EXPECT_EQ(rows[s], expected[s]) << "set " << s;
}
