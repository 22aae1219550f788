// The vectorscope: cells and polar bins of sample pairs, the density and
// the polar levels of known signals, the balance, and the plot.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Helpers/OwnerDrawControlsVectorscope.h"
#include "ScopeTestSupport.h"

using namespace scopetest;

namespace {

constexpr int kBlock = CVectorscope::kBlockSize;
constexpr CRect kRect(0, 0, 200, 200);  // half 49, 99 x 99 cells

using Scope = ScopeOnSurface<CVectorscope>;

double SumOfDensity(const CVectorscope& v) {
  double sum = 0.0;
  for (int i = 0; i < v.nSide * v.nSide; ++i) sum += v.Shown().density[i];
  return sum;
}

TEST(VectorscopeTest, SamplesMapToCellsSymmetricallyAboutTheCentre) {
  Scope s(kRect);
  const CVectorscope& v = *s.scope;
  ASSERT_EQ(v.nHalf, 49);
  ASSERT_EQ(v.nSide, 99);
  EXPECT_EQ(v.CellOf(0.0f, 1.0f), 49);
  EXPECT_EQ(v.CellOf(1.0f, 1.0f), 98);
  EXPECT_EQ(v.CellOf(-1.0f, 1.0f), 0);
  EXPECT_EQ(v.CellOf(0.5f, 1.0f), 74);  // 24.5 + 49.5
  EXPECT_EQ(v.CellOf(0.25f, 4.0f), 98);
  EXPECT_EQ(v.CellOf(3.0f, 1.0f), 98);
  EXPECT_EQ(v.CellOf(-3.0f, 1.0f), 0);
  EXPECT_EQ(v.CellOf(std::numeric_limits<float>::quiet_NaN(), 1.0f), 0);
}

TEST(VectorscopeTest, PolarBinsRunFromLeftThroughMonoToRightAndPureSideLiesOnAnEdge) {
  EXPECT_EQ(CVectorscope::PolarBinOf(1.0f, 1.0f), 15);
  EXPECT_EQ(CVectorscope::PolarBinOf(-0.3f, -0.3f), 15);
  EXPECT_EQ(CVectorscope::PolarBinOf(1.0f, 0.0f), 7);   // -45 degrees: 7.75
  EXPECT_EQ(CVectorscope::PolarBinOf(0.0f, 1.0f), 23);  // +45 degrees: 23.25
  EXPECT_EQ(CVectorscope::PolarBinOf(1.0f, -1.0f), 0);
  EXPECT_EQ(CVectorscope::PolarBinOf(-1.0f, 1.0f), 30);
  EXPECT_EQ(CVectorscope::PolarBinOf(0.0f, 0.0f), -1);
}

TEST(VectorscopeTest, MonoSignalFillsOnlyTheDiagonalOfTheGridOncePerBlock) {
  Scope s(kRect);
  CVectorscope& v = *s.scope;
  const std::vector<float> sine = Sine(kBlock, 100.0, 0.8f);
  s.Feed(std::vector<float>(sine.begin(), sine.begin() + 1000),
         std::vector<float>(sine.begin(), sine.begin() + 1000));
  s.Draw();
  EXPECT_EQ(SumOfDensity(v), 0.0) << "no full block yet";
  s.Feed(std::vector<float>(sine.begin() + 1000, sine.end()),
         std::vector<float>(sine.begin() + 1000, sine.end()));
  s.Draw();
  // One block: density = (1 - 0.8) x hits, all on cells with row == column.
  EXPECT_NEAR(SumOfDensity(v), 0.2 * kBlock, 1e-2);
  for (int row = 0; row < v.nSide; ++row)
    for (int column = 0; column < v.nSide; ++column)
      if (row != column) {
        ASSERT_EQ(v.Shown().density[row * v.nSide + column], 0.0f);
      }
  const int peakCell = v.CellOf(0.8f, 1.0f);
  EXPECT_GT(v.Shown().density[peakCell * v.nSide + peakCell], 0.0f);

  // The plot: a mono signal stands vertically through the centre (100, 100)
  // up to +-0.8 of the reach; beside it nothing is lit.
  const long top = 100 - 2 * (peakCell - 49);
  EXPECT_NE(s.At(100, top), Word(kBlackCColor));
  EXPECT_EQ(s.At(101, top), s.At(100, top)) << "a cell is two pixels wide";
  EXPECT_EQ(s.At(100, top - 4), Word(kBlackCColor));
  EXPECT_EQ(s.At(110, top), Word(kBlackCColor));
}

TEST(VectorscopeTest, LeftAloneLiesOnTheLeftDiagonalAndAutoGainFillsTheGrid) {
  Scope s(kRect);
  CVectorscope& v = *s.scope;
  v.bAutoGain = true;
  // Peak 0.25 exactly (sample 16 of a period of 64).
  s.Feed(Sine(kBlock, 64.0, 0.25f), std::vector<float>(kBlock, 0.0f));
  s.Draw();
  EXPECT_FLOAT_EQ(v.fGain.load(), 4.0f);
  // Row from left, column from right: left alone keeps the centre column.
  for (int row = 0; row < v.nSide; ++row)
    for (int column = 0; column < v.nSide; ++column)
      if (column != 49) {
        ASSERT_EQ(v.Shown().density[row * v.nSide + column], 0.0f);
      }
  EXPECT_GT(v.Shown().density[98 * v.nSide + 49], 0.0f) << "+L at the edge of the grid";
  EXPECT_GT(v.Shown().density[0 * v.nSide + 49], 0.0f) << "-L at the other edge";
  // +L is drawn up and to the left of the centre, -L down and to the right
  // (on the axes, over which the cells are drawn two pixels wide).
  EXPECT_NE(s.At(51, 51), Word(kBlackCColor));
  EXPECT_EQ(s.At(52, 51), s.At(51, 51));
  EXPECT_NE(s.At(149, 149), Word(kBlackCColor));
  EXPECT_EQ(s.At(150, 149), s.At(149, 149));
}

TEST(VectorscopeTest, LineDrawingKeepsTheDistinctConsecutiveCells) {
  Scope s(kRect);
  CVectorscope& v = *s.scope;
  v.bLineDrawing = true;
  std::vector<float> steps(kBlock, 0.0f);
  for (int i = kBlock / 2; i < kBlock; ++i) steps[static_cast<size_t>(i)] = 0.5f;
  steps[100] = -0.5f;
  s.Feed(steps, steps);
  s.Draw();
  // Centre, the one sample at -0.5, centre again, then 0.5.
  ASSERT_EQ(v.Shown().nLineCells, 4);
  EXPECT_EQ(v.Shown().lineCells[0], 49 * 99 + 49);
  EXPECT_EQ(v.Shown().lineCells[1], 25 * 99 + 25);  // floor(-24.5 + 49.5)
  EXPECT_EQ(v.Shown().lineCells[3], 74 * 99 + 74);
}

TEST(VectorscopeTest, PolarLevelsAndBalanceOfKnownSignals) {
  Scope s(kRect);
  CVectorscope& v = *s.scope;
  v.SetViewType(CVectorscope::ePolar);
  const std::vector<float> sine = Sine(kBlock, 128.0, 0.5f);
  s.Feed(sine, sine);
  s.Draw();
  double energy = 0.0;
  for (float x : sine) energy += std::sqrt(2.0 * x * x);
  EXPECT_NEAR(v.Shown().level[15], 0.2 * std::log(energy), 1e-4);
  for (int b = 0; b < CVectorscope::kPolarBins; ++b)
    if (b != 15) {
      EXPECT_EQ(v.Shown().level[b], 0.0f) << b;
    }
  EXPECT_FLOAT_EQ(v.Shown().balance, 0.0f);
  EXPECT_FLOAT_EQ(v.fPeak[15], v.Shown().level[15]);

  // Left alone: the balance moves toward -1 by 0.2 of the way per block,
  // the slow balance by 0.05 of the balance.
  const std::vector<float> silence(kBlock, 0.0f);
  s.Feed(sine, silence);
  s.Feed(sine, silence);
  s.Draw();
  EXPECT_NEAR(v.Shown().balance, -0.36f, 1e-6);
  const double slow1 = 0.05 * -0.2;
  EXPECT_NEAR(v.Shown().slowBalance, 0.95 * slow1 + 0.05 * -0.36, 1e-6);
  EXPECT_GT(v.Shown().level[7], 0.0f);
  EXPECT_LT(v.Shown().level[15], v.fPeak[15]) << "the peak holds";

  // An anti-phase signal goes to the edges, not to the centre.
  v.Clear();
  s.Feed(sine, Negated(sine));
  s.Draw();
  EXPECT_GT(v.Shown().level[0], 0.0f);
  EXPECT_GT(v.Shown().level[30], 0.0f);
  EXPECT_EQ(v.Shown().level[15], 0.0f);
}

// A NaN or infinite sample is skipped, and the largest finite ones do not
// overflow: the polar levels and balance stay finite and keep following
// the signal.
TEST(VectorscopeTest, PolarViewSkipsSamplesThatAreNotFinite) {
  Scope s(kRect);
  CVectorscope& v = *s.scope;
  v.SetViewType(CVectorscope::ePolar);
  std::vector<float> spoilt = Sine(kBlock, 128.0, 0.5f);
  spoilt[3] = std::numeric_limits<float>::quiet_NaN();
  spoilt[5] = std::numeric_limits<float>::infinity();
  spoilt[7] = std::numeric_limits<float>::max();
  spoilt[9] = -std::numeric_limits<float>::max();
  s.Feed(spoilt, spoilt);
  const std::vector<float> sine = Sine(kBlock, 128.0, 0.5f);
  for (int k = 0; k < 3; ++k) s.Feed(sine, sine);
  s.Draw();
  for (int b = 0; b < CVectorscope::kPolarBins; ++b) {
    ASSERT_TRUE(std::isfinite(v.Shown().level[b])) << b;
    ASSERT_TRUE(std::isfinite(v.fPeak[b])) << b;
  }
  EXPECT_TRUE(std::isfinite(v.Shown().balance));
  EXPECT_TRUE(std::isfinite(v.Shown().slowBalance));
  EXPECT_GT(v.Shown().level[15], 0.0f);
}

TEST(VectorscopeTest, ClearFreezeAndPeakHold) {
  drawtest::ClockScope clock;
  Scope s(kRect);
  CVectorscope& v = *s.scope;
  v.SetViewType(CVectorscope::ePolar);
  v.SetPeakHoldTime(500);
  v.fSmoothing = 0.0f;  // each block's level stands alone
  const std::vector<float> loud = Sine(kBlock, 128.0, 0.5f);
  const std::vector<float> quiet = Sine(kBlock, 128.0, 0.05f);
  s.Feed(loud, loud);
  s.Draw();
  const float held = v.fPeak[15];
  s.Feed(quiet, quiet);
  drawtest::g_Now += 100;
  s.Draw();
  EXPECT_EQ(v.fPeak[15], held);
  drawtest::g_Now += 1000;
  s.Draw();
  EXPECT_EQ(v.fPeak[15], v.Shown().level[15]) << "past the hold the peak falls back";

  v.bFrozen = true;
  s.Feed(loud, loud);
  const float before = v.Shown().level[15];
  s.Draw();
  EXPECT_EQ(v.Shown().level[15], before);
  v.bFrozen = false;

  v.Clear();
  s.Draw();
  EXPECT_EQ(v.Shown().level[15], 0.0f);
  // The analysis starts afresh: one block after the clear.
  v.fSmoothing = 0.8f;
  s.Feed(loud, loud);
  s.Draw();
  double energy = 0.0;
  for (float x : loud) energy += std::sqrt(2.0 * x * x);
  EXPECT_NEAR(v.Shown().level[15], 0.2 * std::log(energy), 1e-4);
}

}  // namespace
