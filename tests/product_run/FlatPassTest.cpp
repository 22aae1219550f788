// With every band at 0 dB, no pass filters and trims at 0 dB, the equaliser
// is a pure delay: in every quality mode, on the float and the double path
// and for any pattern of block sizes, the output is the input delayed by
// exactly the latency reported to the host.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "RunTestSupport.h"

using namespace runtest;

namespace {

struct FlatCase {
  ModeInfo mode;
  bool bDouble;
};

// Printed as the case's name rather than its bytes.
void PrintTo(const FlatCase& c, std::ostream* os) { *os << c.mode.pszName << (c.bDouble ? " double" : " float"); }

std::string CaseName(const testing::TestParamInfo<FlatCase>& info) {
  return std::string(info.param.mode.pszName) + (info.param.bDouble ? "Double" : "Float");
}

std::vector<FlatCase> AllCases() {
  std::vector<FlatCase> cases;
  for (const ModeInfo& m : kModes)
    for (bool d : {false, true}) cases.push_back({m, d});
  return cases;
}

class FlatPassTest : public testing::TestWithParam<FlatCase> {};

}  // namespace

TEST_P(FlatPassTest, OutputIsInputDelayedByReportedLatency) {
  const FlatCase c = GetParam();
  auto fx = std::make_unique<RunQvx2>();
  fx->SetMode(c.mode.nRating, c.bDouble);
  ASSERT_NE(fx->Engine(), nullptr);
  ASSERT_EQ(fx->Engine()->nFftSize, c.mode.nFftSize);
  ASSERT_EQ(fx->Engine()->pDoubleFilter[0] != nullptr, c.bDouble) << "the bit depth chooses the pair";
  ASSERT_EQ(fx->Engine()->pFloatFilter[0] != nullptr, !c.bDouble);
  const int latency = fx->HostLatency();
  EXPECT_EQ(latency, ModeLatency(c.mode)) << "hop + half the kernel";

  // One sample, odd sizes, exactly one hop, several hops plus a remainder,
  // and the sizes hosts vary between.
  const int hop = c.mode.nFftSize - c.mode.nKernelSize;
  const std::vector<std::vector<int>> patterns = {
      {512}, {1, 37, 4096, 3}, {hop}, {3 * hop + 17}, {64, 1000, 2, 333, 8191}};
  const int frames = 2 * latency + 3 * hop + 1000;
  const Stereo input = Noise(frames, 11);
  // The double path rounds only once, into the float output. The float
  // path is as exact as the single-precision transforms: their twiddles for
  // the long passes come from a recurrence run in float, whose error grows
  // with the length (about 3e-5 of full scale at 8192 points, 3e-4 at 32768).
  const double tolerance = c.bDouble ? 2e-7 : (c.mode.nFftSize <= 4096 ? 3e-6 : c.mode.nFftSize <= 16384 ? 4e-5 : 4e-4);
  for (const auto& pattern : patterns) {
    fx->ClearAllFFTFilters();
    fx->UpdateAllFFTSettings();
    const Stereo out = Stream(*fx, input, pattern, pattern.size() == 1 && pattern[0] == 512);
    EXPECT_LT(MaxDelayedError(out.l, input.l, latency), tolerance) << "left, first block " << pattern[0];
    EXPECT_LT(MaxDelayedError(out.r, input.r, latency), tolerance) << "right, first block " << pattern[0];
  }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, FlatPassTest, testing::ValuesIn(AllCases()), CaseName);

TEST(FlatPassLatencyTest, ImpulseLandsAtTheReportedLatencyAtEverySampleRate) {
  for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
    RunQvx2 fx;
    fx.setSampleRate(rate);
    fx.SetMode(10, false);
    const int latency = fx.HostLatency();
    Stereo impulse = Silence(4 * latency);
    impulse.l[100] = 1.0f;
    impulse.r[101] = -0.5f;
    const Stereo out = Stream(fx, impulse, {256});
    EXPECT_NEAR(out.l[static_cast<size_t>(100 + latency)], 1.0f, 1e-5) << rate << " Hz";
    EXPECT_NEAR(out.r[static_cast<size_t>(101 + latency)], -0.5f, 1e-5) << rate << " Hz";
    Stereo rest = out;
    rest.l[static_cast<size_t>(100 + latency)] = 0.0f;
    rest.r[static_cast<size_t>(101 + latency)] = 0.0f;
    EXPECT_LT(MaxAbs(rest.l), 1e-5) << "nothing but the delayed impulse, " << rate << " Hz";
    EXPECT_LT(MaxAbs(rest.r), 1e-5) << rate << " Hz";
  }
}

TEST(FlatPassLatencyTest, DepthDoesNotBendAFlatCurve) {
  RunQvx2 fx;
  fx.SetMode(30, false);
  fx.setParameter(kQvx2Depth, 1.0f);
  fx.FinishUpdate();
  const Stereo input = Noise(20000, 5);
  const Stereo out = Stream(fx, input, {480});
  EXPECT_LT(MaxDelayedError(out.l, input.l, fx.HostLatency()), 3e-6);
}
