// The correction tables against the design they describe.
#include <gtest/gtest.h>

#include <cmath>

#include "Helpers/FftHighPass.h"
#include "HighPassCutOff.h"

namespace {

using Table = const float (*)[g_kFudgeSlopeCount];

TEST(FftHighPassTableTest, EveryEntryIsTheMeasuredCutOffOfItsDesign) {
  for (int N : {4096, 2048}) {
    Table table = N == 4096 ? g_fFudgeActualCutOff_4096 : g_fFudgeActualCutOff_2048;
    for (int i = 0; i < g_kFudgeFreqCount; ++i) {
      for (int j = 0; j < g_kFudgeSlopeCount; ++j) {
        const int k = highpass::MeasureCutOffBin<double>(N, g_fFudgeFreqIndex[i], g_fFudgeSlopeIndex[j]);
        ASSERT_EQ(table[i][j], highpass::BinToHz(k, N))
            << "N=" << N << " designed " << g_fFudgeFreqIndex[i] << " Hz, slope " << g_fFudgeSlopeIndex[j];
        // The single-precision kernel realises the same cut-off.
        const int kf = highpass::MeasureCutOffBin<float>(N, g_fFudgeFreqIndex[i], g_fFudgeSlopeIndex[j]);
        ASSERT_EQ(kf, k) << "N=" << N << " designed " << g_fFudgeFreqIndex[i] << " slope " << g_fFudgeSlopeIndex[j];
      }
    }
  }
}

TEST(FftHighPassTableTest, ColumnsAreWholeBinsThatNeverDecrease) {
  for (int N : {4096, 2048}) {
    Table table = N == 4096 ? g_fFudgeActualCutOff_4096 : g_fFudgeActualCutOff_2048;
    const double bin = 44100.0 / N;
    for (int j = 0; j < g_kFudgeSlopeCount; ++j) {
      EXPECT_EQ(table[0][j], 0.0f);
      EXPECT_GT(table[g_kFudgeFreqCount - 1][j], 21900.0f / (4096 / N));
      for (int i = 0; i < g_kFudgeFreqCount; ++i) {
        const double bins = table[i][j] / bin;
        EXPECT_NEAR(bins, std::round(bins), 1e-4) << N << " " << i << " " << j;
        if (i > 0) {
          EXPECT_GE(table[i][j], table[i - 1][j]) << N << " " << i << " " << j;
        }
      }
    }
  }
}

TEST(FftHighPassTableTest, KnownRowsOfTheLargerTable) {
  // Rows measured independently of this implementation: {row, first column,
  // last column} in Hz, to 0.1 Hz.
  struct Row {
    int nRow;
    float fFirst, fLast;
  };
  const Row rows[] = {{9, 53.8f, 86.1f}, {19, 150.7f, 183.0f}, {23, 947.5f, 969.0f}};
  for (const Row& r : rows) {
    EXPECT_NEAR(g_fFudgeActualCutOff_4096[r.nRow][0], r.fFirst, 0.05f) << g_fFudgeFreqIndex[r.nRow];
    EXPECT_NEAR(g_fFudgeActualCutOff_4096[r.nRow][g_kFudgeSlopeCount - 1], r.fLast, 0.05f)
        << g_fFudgeFreqIndex[r.nRow];
  }
  EXPECT_NEAR(g_fFudgeActualCutOff_4096[g_kFudgeFreqCount - 1][0], 21996.2f, 0.05f);
}

}  // namespace
