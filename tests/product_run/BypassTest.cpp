// Bypass keeps the latency: the bypassed output is the input delayed by what
// the processed output is delayed by (also when that latency is padded for a
// host that keeps its first latency), switching in and out is seamless
// because the filters keep running, and with Report Latency off the bypassed
// signal passes undelayed.
#include <gtest/gtest.h>

#include <cmath>

#include "Helpers/HostInfo.h"
#include "RunTestSupport.h"

using namespace runtest;

namespace {

void ShapeCurve(RunQvx2& fx) {
  for (int b = 0; b < kQvx2NumBands; ++b) fx.setParameter(2 * b, 0.5f + 0.2f * static_cast<float>(std::sin(0.3 * b)));
  fx.FinishUpdate();
}

// Restores the recognised host when a test ends.
class RecognisedHostScope {
 public:
  explicit RecognisedHostScope(int host) : m_nOld(g_eRecognisedHost.exchange(host)) {}
  ~RecognisedHostScope() { g_eRecognisedHost.store(m_nOld); }

 private:
  int m_nOld;
};

}  // namespace

TEST(BypassTest, BypassedOutputLinesUpWithProcessedOutput) {
  RunQvx2 processed, bypassed;
  for (RunQvx2* fx : {&processed, &bypassed}) fx->SetMode(20, false);
  bypassed.setParameter(kQvx2Bypass, 1.0f);
  bypassed.setParameter(kQvx2TrimLeft, 0.9f);  // trims do not apply while bypassed
  const Stereo input = Noise(12000, 21);
  const Stereo a = Stream(processed, input, {256});
  const Stereo b = Stream(bypassed, input, {256});
  const int latency = processed.HostLatency();
  ASSERT_EQ(bypassed.HostLatency(), latency);
  EXPECT_EQ(MaxDelayedError(b.l, input.l, latency), 0.0) << "the delay line copies samples exactly";
  EXPECT_EQ(MaxDelayedError(b.r, input.r, latency), 0.0);
  EXPECT_LT(MaxDelayedError(a.l, b.l, 0), 3e-6) << "flat processing and bypass line up";
}

TEST(BypassTest, TogglingIsSeamless) {
  RunQvx2 toggled, reference;
  for (RunQvx2* fx : {&toggled, &reference}) {
    fx->SetMode(30, true);
    ShapeCurve(*fx);
  }
  const Stereo input = Noise(60000, 22);
  const int latency = toggled.HostLatency();
  const int block = 500;
  // Bypassed during blocks 20..39 and 70..89 of the toggled effect.
  auto bypassedAt = [&](size_t block_index) {
    return (block_index >= 20 && block_index < 40) || (block_index >= 70 && block_index < 90);
  };
  Stereo out = Silence(static_cast<int>(input.Size()));
  std::vector<float> inL(block), inR(block), outL(block), outR(block);
  for (size_t b = 0; b * block < input.Size(); ++b) {
    toggled.setParameter(kQvx2Bypass, bypassedAt(b) ? 1.0f : 0.0f);
    std::copy_n(input.l.begin() + static_cast<std::ptrdiff_t>(b * block), block, inL.begin());
    std::copy_n(input.r.begin() + static_cast<std::ptrdiff_t>(b * block), block, inR.begin());
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    toggled.processReplacing(ins, outs, block);
    std::copy_n(outL.begin(), block, out.l.begin() + static_cast<std::ptrdiff_t>(b * block));
    std::copy_n(outR.begin(), block, out.r.begin() + static_cast<std::ptrdiff_t>(b * block));
  }
  const Stereo ref = Stream(reference, input, {block});
  for (size_t i = 0; i < input.Size(); ++i) {
    if (bypassedAt(i / block)) {
      const float dry = i >= static_cast<size_t>(latency) ? input.l[i - static_cast<size_t>(latency)] : 0.0f;
      ASSERT_EQ(out.l[i], dry) << "bypassed sample " << i << ": the delayed input, no gap";
    } else {
      ASSERT_EQ(out.l[i], ref.l[i]) << "processed sample " << i << ": continues the filtered signal";
      ASSERT_EQ(out.r[i], ref.r[i]) << i;
    }
  }
}

TEST(BypassTest, ReportLatencyOffPassesTheBypassedSignalUndelayed) {
  RunQvx2 fx;
  fx.setParameter(kQvx2ReportLatency, 0.5f);  // state 1: off
  fx.suspend();
  fx.resume();
  EXPECT_EQ(fx.HostLatency(), 0);
  fx.setParameter(kQvx2Bypass, 1.0f);
  const Stereo input = Noise(3000, 23);
  const Stereo out = Stream(fx, input, {100});
  EXPECT_EQ(out.l, input.l);
  EXPECT_EQ(out.r, input.r);
}

TEST(BypassTest, BypassFollowsAPaddedLatency) {
  RecognisedHostScope cubase(kHostCubaseVst);
  RunQvx2 fx;  // first mode Medium: the host keeps 3072 samples
  const int first = fx.HostLatency();
  ASSERT_EQ(first, 3072);
  fx.SetMode(10, false);  // Minimum: 768 of its own, padded to the first
  ASSERT_EQ(fx.HostLatency(), first);
  const Stereo input = Noise(12000, 24);
  const Stereo processed = Stream(fx, input, {512});
  EXPECT_LT(MaxDelayedError(processed.l, input.l, first), 3e-6) << "the processed output keeps the first latency";
  fx.setParameter(kQvx2Bypass, 1.0f);
  fx.ClearAllFFTFilters();
  fx.UpdateAllFFTSettings();
  const Stereo bypassed = Stream(fx, input, {512});
  EXPECT_EQ(MaxDelayedError(bypassed.l, input.l, first), 0.0) << "and so does the bypassed output";
}

// High 3 has High 1's hop but 10240 samples of delay against 6144: a host
// that keeps its first latency must not be switched to it.
TEST(BypassTest, HostKeepingItsFirstLatencyHearsTheAudioWhenItWasTold) {
  RecognisedHostScope cubase(kHostCubaseVst);
  RunQvx2 fx(40);
  ASSERT_EQ(fx.HostLatency(), 6144);
  fx.SetMode(60, false);
  Stereo impulse = Silence(3 * 10240);
  impulse.l[100] = 1.0f;
  const Stereo out = Stream(fx, impulse, {512});
  EXPECT_EQ(fx.HostLatency(), 6144);
  EXPECT_NEAR(out.l[static_cast<size_t>(100 + fx.HostLatency())], 1.0f, 1e-5);
}

TEST(BypassTest, AudioStopEmptiesTheBypassLines) {
  RunQvx2 fx;
  fx.SetMode(10, false);
  fx.setParameter(kQvx2Bypass, 1.0f);
  Stream(fx, Noise(4000, 25), {256});
  fx.ClearAllFFTFilters();
  fx.UpdateAllFFTSettings();
  const Stereo input = Noise(3000, 26);
  const Stereo out = Stream(fx, input, {256});
  EXPECT_EQ(MaxAbs(out.l, 0, fx.HostLatency()), 0.0) << "one latency of silence first";
  EXPECT_EQ(MaxDelayedError(out.l, input.l, fx.HostLatency()), 0.0);
}
