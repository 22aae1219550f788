// What happens when things are missing or held: a block skipped while the
// idle side holds the audio-busy flag, a rebuild that fails, no engine at
// all, a missing kernel, response arrays of another size, bad host buffers;
// and the update's own rules: slices, both kernels together, the refit's
// suspension, a change during an update, teardown during an update.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

#include "Helpers/Assert.h"
#include "RunTestSupport.h"
#include "ExceptionCheck.h"

using namespace runtest;

namespace {

// A clock that moves 20 ms per reading: every update call on a host's
// thread then has time for exactly one piece of work (a slice of the per-bin
// response, a design).
std::atomic<unsigned> g_nFakeMs{1000};
unsigned SteppingClock() { return g_nFakeMs.fetch_add(20); }

class FakeClockScope {
 public:
  FakeClockScope() { SetTickCountSourceForTesting(SteppingClock); }
  ~FakeClockScope() { SetTickCountSourceForTesting(nullptr); }
};

class EffectWithIdleLock : public RunQvx2 {
 public:
  std::recursive_mutex& IdleMutex() { return m_IdleMutex; }
};

std::vector<float> Filled(int n, float v) { return std::vector<float>(static_cast<size_t>(n), v); }

}  // namespace

TEST(FaultTest, BlockSkippedWhileTheIdleSideHoldsTheFlagIsSilence) {
  RunQvx2 fx;
  Stream(fx, Noise(5000, 1), {512});
  std::vector<float> inL = Filled(256, 0.3f), inR = inL, outL = Filled(256, 7.0f), outR = outL;
  float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  {
    XREffect::CAudioBusyHold hold(&fx);
    fx.processReplacing(ins, outs, 256);
  }
  EXPECT_EQ(outL, Filled(256, 0.0f)) << "never the buffer's stale contents";
  EXPECT_EQ(outR, Filled(256, 0.0f));
  EXPECT_FALSE(fx.AudioBusyHeld());
  outL.assign(256, 7.0f);
  fx.processReplacing(ins, outs, 256);
  EXPECT_NE(outL[100], 7.0f) << "the next block runs again";
}

TEST(FaultTest, BadInputSamplesNeverSpoilTheOutput) {
  // NaN and infinity read as silence; the largest float is limited before it
  // reaches the transforms. Every output stays finite, and the output owed
  // to clean input before and after the burst is exactly that of a clean run.
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kMax = std::numeric_limits<float>::max();
  const float burst[] = {std::nanf(""), kInf, -kInf, kMax, -kMax, std::nanf(""), 0.25f, kMax};
  for (const ModeInfo& mode : kModes) {
    for (bool bDouble : {false, true}) {
      RunQvx2 clean, hit;
      for (RunQvx2* fx : {&clean, &hit}) {
        fx->SetMode(mode.nRating, bDouble);
        for (int b = 30; b < 50; ++b) fx->setParameter(2 * b, 0.9f);  // +16 dB over two octaves
        fx->FinishUpdate();
      }
      const int hop = mode.nFftSize - mode.nKernelSize;
      const int at = 2 * mode.nFftSize + 123;
      const int after = at + static_cast<int>(std::size(burst)) + hop + mode.nFftSize;
      const Stereo input = Noise(after + 2 * mode.nFftSize, 21);
      Stereo bad = input;
      for (size_t i = 0; i < std::size(burst); ++i) bad.l[at + i] = bad.r[at + 3 * i] = burst[i];
      const Stereo ref = Stream(clean, input, {512});
      const Stereo out = Stream(hit, bad, {512});
      const std::string name = std::string(mode.pszName) + (bDouble ? " double" : " float");
      for (size_t i = 0; i < out.Size(); ++i)
        ASSERT_TRUE(std::isfinite(out.l[i]) && std::isfinite(out.r[i])) << name << " sample " << i;
      for (int i = 0; i <= at; ++i) ASSERT_EQ(out.l[i], ref.l[i]) << name << ": before the burst, " << i;
      for (size_t i = static_cast<size_t>(after); i < out.Size(); ++i)
        ASSERT_EQ(out.r[i], ref.r[i]) << name << ": after the burst, " << i;
    }
  }
  // Bypassed, the delayed input is cleaned the same way.
  RunQvx2 fx;
  fx.setParameter(kQvx2Bypass, 1.0f);
  Stereo bad = Noise(4096, 3);
  for (size_t i = 0; i < std::size(burst); ++i) bad.l[100 + i] = burst[i];
  const Stereo out = Stream(fx, bad, {256});
  for (size_t i = 0; i < out.Size(); ++i) ASSERT_TRUE(std::isfinite(out.l[i])) << "bypassed, " << i;
}

TEST(FaultTest, FailedRebuildKeepsTheOldEngineRunning) {
  RunQvx2 fx;
  fx.SetMode(10, false);
  CQVX2Engine* engine = fx.Engine();
  const int latency = fx.HostLatency();
  fx.ForceModeSizes(1000, 512);  // no filter can be built for this size
  EXPECT_GT(SwallowedBy([&] { fx.ApplyQualityModeSettingsOuter(); }), 0u);
  EXPECT_EQ(fx.Engine(), engine);
  EXPECT_FALSE(fx.AudioBusyHeld()) << "released on the failure path";
  const Stereo input = Noise(6000, 2);
  const Stereo out = Stream(fx, input, {300});
  EXPECT_LT(MaxDelayedError(out.l, input.l, latency), 3e-6);
}

TEST(FaultTest, WithoutAnEngineTheOutputIsSilence) {
  RunQvx2 fx;
  fx.CleanupFFTObjects();
  EXPECT_EQ(fx.Engine(), nullptr);
  EXPECT_EQ(fx.GetDataStore(0), nullptr);
  std::vector<float> in = Filled(64, 0.5f), outL = Filled(64, 3.0f), outR = outL;
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {outL.data(), outR.data()};
  fx.processReplacing(ins, outs, 64);
  EXPECT_EQ(outL, Filled(64, 0.0f));
  fx.setParameter(kQvx2Bypass, 1.0f);
  outR.assign(64, 3.0f);
  fx.processReplacing(ins, outs, 64);
  EXPECT_EQ(outR, Filled(64, 0.0f));
  fx.SetFiltersNeedUpdating();
  // An update without kernels ends without a commit, once its response is
  // complete.
  for (int calls = 0; calls < 10 && fx.GetFilterUpdateState() != 4; ++calls) fx.fxIdleInner();
  EXPECT_EQ(fx.GetFilterUpdateState(), 4);
  fx.fxIdleInner();
  EXPECT_EQ(fx.GetFilterUpdateState(), 0);
}

TEST(FaultTest, MissingKernelPassesTheDryDelayedSignal) {
  RunQvx2 fx;
  fx.SetMode(10, false);
  for (int b = 0; b < kQvx2NumBands; ++b) fx.setParameter(2 * b, 0.9f);
  fx.FinishUpdate();
  fx.Engine()->pKernel[1].reset();
  const Stereo input = Noise(6000, 3);
  const Stereo out = Stream(fx, input, {128});
  // Both spectra pass unchanged: the frames come out after one hop, without
  // the kernel's centre delay.
  const int hop = 1024 - 512;
  EXPECT_LT(MaxDelayedError(out.l, input.l, hop), 3e-6);
  EXPECT_LT(MaxDelayedError(out.r, input.r, hop), 3e-6);
}

TEST(FaultTest, ResponseOfAnotherSizeIsNeverDesignedFrom) {
  RunQvx2 fx;  // Medium: 4096
  const Complex<double>* committed = fx.Engine()->pKernel[0]->m_pResponse;
  fx.SetResponseArrays(1024);
  fx.setParameter(10, 0.9f);
  fx.FinishUpdate();
  EXPECT_EQ(fx.Engine()->pKernel[0]->m_pResponse, committed) << "the kernels keep their design";
  EXPECT_EQ(fx.GetFilterUpdateState(), 0);
}

TEST(FaultTest, BadHostBuffersAreSafe) {
  RunQvx2 fx;
  std::vector<float> outL = Filled(32, 2.0f), outR = outL;
  float* outs[2] = {outL.data(), outR.data()};
  float* nullIns[2] = {nullptr, nullptr};
  fx.processReplacing(nullIns, outs, 32);
  EXPECT_EQ(outL, Filled(32, 0.0f)) << "no input reads as silence";
  outL.assign(32, 2.0f);
  fx.processReplacing(nullptr, outs, 32);
  EXPECT_EQ(outL, Filled(32, 0.0f));
  outL.assign(32, 2.0f);
  float* ins[2] = {outL.data(), outR.data()};
  fx.processReplacing(ins, outs, 0);
  EXPECT_EQ(outL, Filled(32, 2.0f)) << "a block of 0 samples writes nothing";
  float* oneOut[2] = {outL.data(), nullptr};
  fx.processReplacing(ins, oneOut, 32);
  EXPECT_EQ(outL, Filled(32, 2.0f));
}

TEST(FaultTest, UpdateSpansCallsAndCommitsBothKernelsTogether) {
  RunQvx2 fx;
  fx.SetMode(80, false);  // 16385 bins: 17 slices, then two designs
  FftQVX2* k0 = fx.Engine()->pKernel[0].get();
  FftQVX2* k1 = fx.Engine()->pKernel[1].get();
  const Complex<double>* before0 = k0->m_pResponse;
  const Complex<double>* before1 = k1->m_pResponse;
  fx.setParameter(40, 0.8f);
  FakeClockScope clock;
  int calls = 0;
  do {
    fx.UpdateFilters(true);
    ++calls;
    if (fx.GetFilterUpdateState() != 0) {
      EXPECT_EQ(k0->m_pResponse, before0) << "call " << calls << ": no kernel changes before the end";
      EXPECT_EQ(k1->m_pResponse, before1) << "call " << calls;
    }
  } while (fx.GetFilterUpdateState() != 0 && calls < 100);
  EXPECT_EQ(calls, 19);
  EXPECT_NE(k0->m_pResponse, before0) << "both change in the same call";
  EXPECT_NE(k1->m_pResponse, before1);
  EXPECT_FALSE(fx.AudioBusyHeld());
}

TEST(FaultTest, ChangeDuringAnUpdateStartsAnotherOne) {
  RunQvx2 fx;
  fx.SetMode(80, false);
  fx.setParameter(40, 0.8f);
  FakeClockScope clock;
  fx.UpdateFilters(true);
  ASSERT_EQ(fx.GetFilterUpdateState(), 2);
  EXPECT_FALSE(fx.FiltersMarked()) << "cleared when the update started";
  fx.setParameter(42, 0.2f);
  EXPECT_TRUE(fx.FiltersMarked());
  while (fx.GetFilterUpdateState() != 0) fx.UpdateFilters(true);
  EXPECT_TRUE(fx.FiltersMarked()) << "one more update follows";
  fx.UpdateFilters(true);
  EXPECT_EQ(fx.GetFilterUpdateState(), 2);
}

TEST(FaultTest, RefitSuspensionHoldsEveryUpdateStep) {
  RunQvx2 fx;
  fx.setParameter(40, 0.8f);
  fx.SetRefitSuspend(true);
  for (int i = 0; i < 3; ++i) fx.UpdateFilters(true);
  EXPECT_EQ(fx.GetFilterUpdateState(), 0);
  EXPECT_TRUE(fx.FiltersMarked());
  fx.SetRefitSuspend(false);
  fx.FinishUpdate();
  EXPECT_FALSE(fx.FiltersMarked());
}

TEST(FaultTest, TeardownWaitsForARunningUpdate) {
  auto* fx = new EffectWithIdleLock;
  std::atomic<bool> holding{false};
  std::thread update([&] {
    std::lock_guard<std::recursive_mutex> running(fx->IdleMutex());
    holding = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  });
  while (!holding) std::this_thread::yield();
  const auto start = std::chrono::steady_clock::now();
  delete fx;
  const auto waited = std::chrono::steady_clock::now() - start;
  update.join();
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 100);
}
