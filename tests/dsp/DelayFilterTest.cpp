#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "Helpers/DelayFilter.h"

namespace {

std::vector<float> StepAll(CDelayFilter<float>& line, const std::vector<float>& in) {
  std::vector<float> out;
  for (float x : in) out.push_back(line.Step(x));
  return out;
}

std::vector<float> Counting(int from, int to) {
  std::vector<float> v;
  for (int i = from; i <= to; ++i) v.push_back(float(i));
  return v;
}

TEST(DelayFilterTest, StartAtMaximumDelaysByMaximum) {
  CDelayFilter<float> line(4, true);
  EXPECT_EQ(line.GetSamplesDelay(), 4);
  EXPECT_EQ(StepAll(line, Counting(1, 8)), (std::vector<float>{0, 0, 0, 0, 1, 2, 3, 4}));
}

TEST(DelayFilterTest, ZeroDelayAndOneSampleRingPassInputThrough) {
  CDelayFilter<float> line(4, false);
  EXPECT_EQ(StepAll(line, Counting(1, 9)), Counting(1, 9));
  CDelayFilter<double> single(0, true);
  EXPECT_EQ(single.GetSamplesDelay(), 0);
  for (int i = 1; i < 5; ++i) EXPECT_EQ(single.Step(double(i)), double(i));
}

TEST(DelayFilterTest, EveryDelayMatchesAHistoryReference) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  for (int maxDelay : {0, 1, 5, 64}) {
    for (int delay = 0; delay <= maxDelay; ++delay) {
      CDelayFilter<double> line(maxDelay, false);
      line.SetSamplesDelay(delay);
      std::vector<double> history;
      for (int i = 0; i < 3 * (maxDelay + 1) + 5; ++i) {
        const double x = dist(gen);
        history.push_back(x);
        const double expected = int(history.size()) > delay ? history[history.size() - 1 - delay] : 0.0;
        ASSERT_EQ(line.Step(x), expected) << "max " << maxDelay << " delay " << delay << " step " << i;
      }
    }
  }
}

TEST(DelayFilterTest, DelayIsClampedIntoTheRingWhateverIsAsked) {
  CDelayFilter<float> line(4, false);
  line.SetSamplesDelay(10);
  EXPECT_EQ(line.GetSamplesDelay(), 4);
  line.SetSamplesDelay(-3);
  EXPECT_EQ(line.GetSamplesDelay(), 0);
  line.SetSamplesDelay(INT_MAX);
  EXPECT_EQ(line.GetSamplesDelay(), 4);
  line.SetSamplesDelay(INT_MIN);
  EXPECT_EQ(line.GetSamplesDelay(), 0);
  EXPECT_EQ(StepAll(line, Counting(1, 3)), Counting(1, 3));
  line.SetSamplesDelaySmoothAudio(-7);
  EXPECT_EQ(line.GetSamplesDelay(), 0);
  line.SetSamplesDelaySmoothAudio(1000);
  EXPECT_EQ(line.GetSamplesDelay(), 4);

  CDelayFilter<float> negative(-5, true);
  EXPECT_EQ(negative.GetMaxDelay(), 0);
  EXPECT_EQ(negative.GetSamplesDelay(), 0);
  EXPECT_EQ(negative.Step(3.0f), 3.0f);
}

TEST(DelayFilterTest, ClearGivesDelayZerosThenNewInput) {
  CDelayFilter<float> line(6, false);
  line.SetSamplesDelay(3);
  StepAll(line, Counting(1, 10));
  line.Clear();
  EXPECT_EQ(line.GetSamplesDelay(), 3);
  EXPECT_EQ(StepAll(line, Counting(20, 25)), (std::vector<float>{0, 0, 0, 20, 21, 22}));
}

TEST(DelayFilterTest, WriteStepsKeepTheRingCurrentForALaterFullStep) {
  CDelayFilter<float> line(8, true);
  line.SetSamplesDelay(3);
  for (float x : Counting(1, 20)) line.Push(x);
  EXPECT_EQ(StepAll(line, Counting(21, 23)), (std::vector<float>{18, 19, 20}));
}

TEST(DelayFilterTest, BlockWritesLeaveTheRingAsSingleWrites) {
  // Runs shorter than, equal to and longer than the ring, from every
  // position; the full steps afterwards read the same history.
  for (int maxDelay : {0, 1, 5}) {
    for (int offset = 0; offset <= maxDelay; ++offset) {
      for (int n : {1, 3, maxDelay + 1, maxDelay + 2, 3 * maxDelay + 4}) {
        CDelayFilter<float> single(maxDelay, true), block(maxDelay, true);
        const std::vector<float> lead = Counting(100, 100 + offset - 1);
        for (float x : lead) {
          single.Push(x);
          block.Push(x);
        }
        const std::vector<float> in = Counting(1, n);
        for (float x : in) single.Push(x);
        block.PushBlock(in.data(), n);
        const std::vector<float> probe = Counting(-9, -1);
        EXPECT_EQ(StepAll(block, probe), StepAll(single, probe)) << maxDelay << " " << offset << " " << n;
      }
    }
  }
}

TEST(DelayFilterTest, SmoothGrowthHoldsTheNextSampleInsteadOfJumpingBack) {
  for (int maxDelay : {4, 10}) {
    CDelayFilter<float> smooth(maxDelay, false);
    smooth.SetSamplesDelay(2);
    StepAll(smooth, Counting(1, 6));
    smooth.SetSamplesDelaySmoothAudio(4);
    EXPECT_EQ(smooth.GetSamplesDelay(), 4);
    EXPECT_EQ(StepAll(smooth, Counting(7, 11)), (std::vector<float>{5, 5, 5, 6, 7})) << "max " << maxDelay;

    CDelayFilter<float> plain(maxDelay, false);
    plain.SetSamplesDelay(2);
    StepAll(plain, Counting(1, 6));
    plain.SetSamplesDelay(4);
    EXPECT_EQ(StepAll(plain, Counting(7, 9)), (std::vector<float>{3, 4, 5})) << "max " << maxDelay;
  }
}

TEST(DelayFilterTest, SmoothShrinkSkipsSamples) {
  CDelayFilter<float> line(10, false);
  line.SetSamplesDelay(5);
  StepAll(line, Counting(1, 12));
  line.SetSamplesDelaySmoothAudio(2);
  EXPECT_EQ(StepAll(line, Counting(13, 15)), (std::vector<float>{11, 12, 13}));
}

TEST(DelayFilterTest, SmoothGrowthToTheMaximumAtEveryRingPosition) {
  // The fill must wrap correctly wherever the write position stands.
  for (int pushes = 0; pushes < 7; ++pushes) {
    CDelayFilter<float> line(5, false);
    line.SetSamplesDelay(1);
    for (int i = 1; i <= pushes + 6; ++i) line.Push(float(i));
    const float last = float(pushes + 6);
    line.SetSamplesDelaySmoothAudio(5);
    std::vector<float> out = StepAll(line, Counting(100, 106));
    // Old delay 1: the next read would have been the last input; it is held
    // for 5 extra steps, then the new input follows.
    EXPECT_EQ(out, (std::vector<float>{last, last, last, last, last, 100, 101})) << pushes;
  }
}

TEST(FloatDelayFilterTest, WholeDelaysMatchAndFractionsInterpolate) {
  CFloatDelayFilter<float> line(8, false);
  line.SetSamplesDelay(3.0f);
  std::vector<float> out;
  for (int i = 1; i <= 8; ++i) out.push_back(line.Step(float(i)));
  EXPECT_EQ(out, (std::vector<float>{0, 0, 0, 1, 2, 3, 4, 5}));
  line.SetSamplesDelay(2.5f);
  EXPECT_FLOAT_EQ(line.Step(9.0f), 6.5f);
  line.SetSamplesDelay(100.0f);
  EXPECT_EQ(line.GetSamplesDelay(), 8.0f);
  line.SetSamplesDelay(-1.0f);
  EXPECT_EQ(line.GetSamplesDelay(), 0.0f);
  line.SetSamplesDelay(std::nanf(""));
  EXPECT_EQ(line.GetSamplesDelay(), 0.0f);
  EXPECT_EQ(line.Step(42.0f), 42.0f);
  line.SetSamplesDelay(8.0f);
  line.Clear();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(line.Step(1.0f), 0.0f);
  EXPECT_EQ(line.Step(1.0f), 1.0f);
}

}  // namespace
