// The level meter's metering: peaks and windowed RMS values from the audio
// thread's blocks, their hand-over to the display, smoothing and hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "AllocationCounter.h"
#include "Helpers/OwnerDrawControlsMetering.h"

namespace {

constexpr float kK = CLevelMeterMetering::kRmsFactor;
// Sums of squares run in single precision over up to a few thousand samples.
constexpr double kRmsTolerance = 2e-5;

// A square wave of amplitude a: the RMS of any whole number of samples is a.
std::vector<float> Square(int n, float a) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = (i % 2) ? -a : a;
  return v;
}

void Feed(CLevelMeterMetering& m, const std::vector<float>& l, const std::vector<float>& r) {
  m.StoreValues(l.data(), r.data(), static_cast<int>(l.size()));
}
void Feed(CLevelMeterMetering& m, const std::vector<float>& both) { Feed(m, both, both); }

// Reads one bar as the display does and returns what it read.
float Read(CLevelMeterMetering& m, int channel, int which) {
  float* shown;
  float* hold;
  unsigned int* until;
  return m.ExtractValue(channel, which, shown, hold, until);
}

TEST(MeteringTest, FullScaleSquareReadsThreeDecibelsAboveItsPeak) {
  CLevelMeterMetering m;
  Feed(m, Square(1024, 1.0f), Square(1024, 0.5f));
  EXPECT_EQ(m.fRms[0].load(), kK);
  EXPECT_NEAR(m.fRms[1].load(), 0.5f * kK, kRmsTolerance);
  EXPECT_EQ(m.fPeak[0].load(), 1.0f);
  EXPECT_EQ(m.fPeak[1].load(), 0.5f);
}

TEST(MeteringTest, RmsWindowsEndAtTheFirstBlockBoundaryPastTheWindow) {
  CLevelMeterMetering m;
  // 512-sample blocks: a new value on every second block.
  Feed(m, Square(512, 0.25f));
  EXPECT_EQ(m.fRms[0].load(), 0.0f);
  EXPECT_EQ(m.nRmsCount[0], 512);
  Feed(m, Square(512, 0.25f));
  EXPECT_NEAR(m.fRms[0].load(), 0.25f * kK, kRmsTolerance);
  EXPECT_EQ(m.nRmsCount[0], 0);

  // 1000-sample blocks: each value covers 2000 samples.
  CLevelMeterMetering w;
  Feed(w, Square(1000, 0.8f));
  EXPECT_EQ(w.fRms[0].load(), 0.0f);
  Feed(w, Square(1000, 0.2f));
  const double expected = std::sqrt((1000.0 * 0.64 + 1000.0 * 0.04) / 2000.0) * kK;
  EXPECT_NEAR(w.fRms[0].load(), expected, kRmsTolerance);
}

TEST(MeteringTest, UnreadPeaksAccumulateAndAReadStartsAfresh) {
  CLevelMeterMetering m;
  Feed(m, Square(64, 0.5f));
  Feed(m, Square(64, 0.2f));
  EXPECT_EQ(m.fPeak[0].load(), 0.5f) << "no read in between";
  Read(m, 0, 0);
  Read(m, 1, 0);
  Feed(m, Square(64, 0.2f));
  EXPECT_EQ(m.fPeak[0].load(), 0.2f) << "after a read the next block alone decides";
  EXPECT_EQ(m.fPeak[1].load(), 0.2f);
  // A channel that was not read keeps its peak.
  Feed(m, Square(64, 0.7f));
  Read(m, 0, 0);
  Feed(m, Square(64, 0.1f));
  EXPECT_EQ(m.fPeak[0].load(), 0.1f);
  EXPECT_EQ(m.fPeak[1].load(), 0.7f);
  EXPECT_EQ(m.fPeakMax[0].load(), 0.7f);
}

TEST(MeteringTest, UnreadRmsKeepsTheLargerValueUntilRead) {
  CLevelMeterMetering m;
  m.nRmsWindow = 100;
  Feed(m, Square(100, 0.6f));
  Feed(m, Square(100, 0.3f));
  EXPECT_NEAR(m.fRms[0].load(), 0.6f * kK, kRmsTolerance) << "the larger unread value stays";
  Feed(m, Square(100, 0.9f));
  EXPECT_NEAR(m.fRms[0].load(), 0.9f * kK, kRmsTolerance) << "a larger one replaces it";
  m.bRmsPrimary = true;
  Read(m, 0, 0);
  Feed(m, Square(100, 0.3f));
  EXPECT_NEAR(m.fRms[0].load(), 0.3f * kK, kRmsTolerance) << "after a read the next window replaces it";
}

TEST(MeteringTest, HiddenSecondaryBarDoesNotGatherAStaleMaximum) {
  CLevelMeterMetering m;
  m.nRmsWindow = 64;
  m.bShowSecondary = false;
  Feed(m, Square(64, 0.9f));
  Read(m, 0, 0);  // main bar: the peak
  Feed(m, Square(64, 0.1f));
  EXPECT_NEAR(m.fRms[0].load(), 0.1f * kK, kRmsTolerance);

  m.bShowSecondary = true;
  Feed(m, Square(64, 0.9f));
  Read(m, 0, 0);
  Feed(m, Square(64, 0.1f));
  EXPECT_NEAR(m.fRms[0].load(), 0.9f * kK, kRmsTolerance) << "a shown secondary bar reads its own value";
}

TEST(MeteringTest, MidSideMetersSumAndDifference) {
  CLevelMeterMetering m;
  m.bMidSide = true;
  Feed(m, Square(1024, 0.5f), Square(1024, 0.5f));
  EXPECT_EQ(m.fPeak[0].load(), 0.5f);
  EXPECT_EQ(m.fPeak[1].load(), 0.0f);
  EXPECT_NEAR(m.fRms[0].load(), 0.5f * kK, kRmsTolerance);
  EXPECT_EQ(m.fRms[1].load(), 0.0f);

  CLevelMeterMetering opposite;
  opposite.bMidSide = true;
  Feed(opposite, Square(1024, 0.5f), Square(1024, -0.5f));
  EXPECT_EQ(opposite.fPeak[0].load(), 0.0f);
  EXPECT_EQ(opposite.fPeak[1].load(), 0.5f);
}

TEST(MeteringTest, EmptyBlocksAndNaNSamplesChangeNothing) {
  CLevelMeterMetering m;
  Feed(m, Square(100, 0.4f));
  const std::vector<float> block = Square(8, 0.9f);
  m.StoreValues(block.data(), block.data(), 0);
  m.StoreValues(block.data(), block.data(), -5);
  m.StoreValues(nullptr, block.data(), 8);
  EXPECT_EQ(m.fPeak[0].load(), 0.4f);
  EXPECT_EQ(m.nRmsCount[0], 100);

  std::vector<float> withNaN = Square(924, 0.4f);
  withNaN[3] = std::numeric_limits<float>::quiet_NaN();
  Feed(m, withNaN);
  EXPECT_EQ(m.fPeak[0].load(), 0.4f);
  ASSERT_FALSE(std::isnan(m.fRms[0].load()));
  EXPECT_NEAR(m.fRms[0].load(), std::sqrt(1023.0 * 0.16 / 1024.0) * kK, kRmsTolerance);
}

TEST(MeteringTest, ShownValuesRiseAndFallByTheirCoefficientsAndStopAtFullScale) {
  CLevelMeterMetering m;
  float* shown;
  float* hold;
  unsigned int* until;
  Feed(m, Square(1024, 0.5f));
  // At construction the peak's rise coefficient is 1: the shown peak holds.
  EXPECT_EQ(m.ExtractValue(0, 0, shown, hold, until), 0.0f);
  EXPECT_EQ(shown, &m.fPeakShown[0]);
  EXPECT_EQ(hold, &m.fPeakHold[0]);
  EXPECT_EQ(until, &m.nPeakHoldUntil[0]);

  // As the product editor sets them: rises at once, falls by 0.84.
  m.fPeakRise = 0.0f;
  m.fPeakFall = 0.84f;
  EXPECT_EQ(m.ExtractValue(0, 0, shown, hold, until), 0.5f);
  Feed(m, Square(1024, 0.1f));
  EXPECT_FLOAT_EQ(m.ExtractValue(0, 0, shown, hold, until), 0.84f * 0.5f + 0.16f * 0.1f);
  Feed(m, Square(1024, 3.0f));
  EXPECT_EQ(m.ExtractValue(0, 0, shown, hold, until), 1.0f) << "limited before smoothing";

  // The secondary bar of a peak-primary meter is the RMS: 0.8 up, 0.5 down.
  EXPECT_FLOAT_EQ(m.ExtractValue(1, 1, shown, hold, until), 0.2f * 1.0f);
  EXPECT_EQ(shown, &m.fRmsShown[1]);
  EXPECT_EQ(until, &m.nRmsHoldUntil[1]);
  m.bRmsPrimary = true;
  m.ExtractValue(1, 0, shown, hold, until);
  EXPECT_EQ(shown, &m.fRmsShown[1]);
  m.ExtractValue(1, 1, shown, hold, until);
  EXPECT_EQ(shown, &m.fPeakShown[1]);

  // A value that is not a number shows as silence and does not stick.
  m.fPeak[0].store(std::numeric_limits<float>::quiet_NaN());
  m.fPeakShown[0] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(m.ExtractValue(0, 1, shown, hold, until), 0.0f);
}

TEST(MeteringTest, HeldPeakWaitsThenDecaysWithTheElapsedTime) {
  CLevelMeterMetering m;
  float hold = 0.0f;
  unsigned int until = 0;
  const unsigned int t0 = 5000;
  m.ApplyHold(0.5f, hold, until, t0);
  EXPECT_EQ(hold, 0.5f);
  EXPECT_EQ(until, t0 + 1000);
  m.ApplyHold(0.2f, hold, until, t0 + 1000);
  EXPECT_EQ(hold, 0.5f) << "held until its end";
  m.ApplyHold(0.2f, hold, until, t0 + 1100);
  EXPECT_NEAR(hold, 0.5 * std::pow(100.0, -0.005), 1e-6);
  EXPECT_EQ(until, t0 + 1100);
  const float before = hold;
  m.ApplyHold(0.2f, hold, until, t0 + 1110);
  EXPECT_NEAR(hold, before * std::pow(10.0, -0.005), 1e-6);
  m.ApplyHold(0.6f, hold, until, t0 + 1120);
  EXPECT_EQ(hold, 0.6f);
  EXPECT_EQ(until, t0 + 2120);

  // Across the clock's wrap the hold still ends and decays.
  hold = 0.5f;
  until = 0xFFFFFFF0u;
  m.ApplyHold(0.1f, hold, until, 0xFFFFFFE0u);
  EXPECT_EQ(hold, 0.5f);
  m.ApplyHold(0.1f, hold, until, 84);  // 100 ms past the end
  EXPECT_NEAR(hold, 0.5 * std::pow(100.0, -0.005), 1e-6);
}

TEST(MeteringTest, ClearHasBeenDisplayedAndQuiet) {
  CLevelMeterMetering m;
  EXPECT_TRUE(m.GetIsQuiet());
  Feed(m, Square(1024, 0.5f));
  EXPECT_FALSE(m.GetIsQuiet());
  m.HasBeenDisplayed();
  Feed(m, Square(16, 0.01f));
  EXPECT_EQ(m.fPeak[0].load(), 0.01f);
  m.Clear();
  EXPECT_TRUE(m.GetIsQuiet());
  EXPECT_EQ(m.fRms[1].load(), 0.0f);
  EXPECT_EQ(m.fPeakMax[0].load(), 0.0f);
}

TEST(MeteringTest, StoringABlockAllocatesNothing) {
  CLevelMeterMetering m;
  m.bMidSide = true;
  const std::vector<float> l = Square(4096, 0.3f);
  const std::vector<float> r = Square(4096, 0.1f);
  alloccount::CScope scope;
  for (int i = 0; i < 8; ++i) m.StoreValues(l.data(), r.data(), 4096);
  EXPECT_EQ(scope.Count(), 0);
}

// A block that lands while the display is reading: the read saw the value
// before the block, so the block's peak must outlive the read.
TEST(MeteringTest, ABlockStoredDuringAReadIsNotLost) {
  CLevelMeterMetering m;
  Feed(m, Square(64, 0.2f));
  // The read's steps, as ExtractValue takes them, with a block in between.
  const unsigned int version = m.nPeakVersion[0].load();
  const float read = m.fPeak[0].load();
  Feed(m, Square(64, 0.9f));
  m.nPeakReadVersion[0].store(version);
  EXPECT_EQ(read, 0.2f);
  Feed(m, Square(64, 0.1f));
  EXPECT_EQ(m.fPeak[0].load(), 0.9f) << "the unread peak stays";
  EXPECT_EQ(Read(m, 0, 0), 0.0f) << "the constructor's rise coefficient holds the shown value";
  m.fPeakRise = 0.0f;
  EXPECT_EQ(Read(m, 0, 0), 0.9f);
  Feed(m, Square(64, 0.1f));
  EXPECT_EQ(m.fPeak[0].load(), 0.1f);

  // The same for a window's RMS value.
  CLevelMeterMetering r;
  r.nRmsWindow = 64;
  r.bRmsPrimary = true;
  Feed(r, Square(64, 0.3f));
  const unsigned int rmsVersion = r.nRmsVersion[1].load();
  Feed(r, Square(64, 0.8f));
  r.nRmsReadVersion[1].store(rmsVersion);
  Feed(r, Square(64, 0.1f));
  EXPECT_NEAR(r.fRms[1].load(), 0.8f * kK, kRmsTolerance);
}

}  // namespace
