// The full edition in a host that never calls effIdle and never opens the
// editor: settings made while audio plays, from the user-interface thread or
// as automation on the audio thread, are heard while it plays (the effect's
// own idle thread designs them, however long the machine makes it wait),
// a quality mode once audio has been quiet and the host makes any
// request, and an offline render right after the settings has them from its
// first sample. The references are renders of other instances: one with the
// old settings, one given the new settings and idled as idling hosts do.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "prefs/TempConfigFolder.h"
#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/Render.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 256;
constexpr int kMediumHop = 4096 - 2048;
constexpr int kMediumLatency = kMediumHop + 1024;
constexpr int kLowLatency = 2048 - 1024 + 512;
constexpr int kOfflineRender = 303;

// Layout "Thirds", Depth 150 %, bands 3-5 raised 12 dB and band 17 cut
// 10 dB on both channels; with the mode "Low" when asked.
void SetCurve(PluginHost& host, bool withLowMode = false) {
  host.SetParameter(292, 2.0f / 99.0f);
  host.SetParameter(273, 0.75f);
  for (int index : {6, 7, 8, 9, 10, 11}) host.SetParameter(index, 0.8f);
  for (int index : {34, 35}) host.SetParameter(index, 0.25f);
  if (withLowMode) host.SetParameter(298, 20.0f / 999.0f);
}

void Open(PluginHost& host) {
  ASSERT_TRUE(host.Load(QVX2_MASTER_PLUGIN)) << host.Error();
  host.Start(kRate, kBlock);
}

// How a render runs: at a process level, in blocks of a size, paced to real
// time or as fast as it goes, on a thread the host marks as its audio thread
// or on its own user-interface thread.
struct RenderWay {
  VstInt32 level = kVstProcessLevelOffline;
  bool paced = false;
  bool onAudioThread = true;
  int block = kBlock;
};

// Renders on the calling thread with no idle call, `beforeBlock` called with
// each block's first frame; `endMs` gets the host's clock as the last block
// returns.
AudioBuffer Render(PluginHost& host, const AudioBuffer& input, RenderWay way,
                   const std::function<void(int64_t)>& beforeBlock = {}, double* endMs = nullptr) {
  if (way.onAudioThread) PluginHost::MarkAudioThread();
  host.SetProcessLevel(way.level);
  AudioBuffer out;
  out.Resize(2, input.NumFrames());
  std::vector<float> in[2], buffer[2];
  for (int c = 0; c < 2; ++c) in[c].resize(size_t(way.block)), buffer[c].resize(size_t(way.block));
  float* ins[2] = {in[0].data(), in[1].data()};
  float* outs[2] = {buffer[0].data(), buffer[1].data()};
  const auto start = std::chrono::steady_clock::now();
  for (int64_t pos = 0; pos < input.NumFrames(); pos += way.block) {
    const int n = static_cast<int>(std::min<int64_t>(way.block, input.NumFrames() - pos));
    if (way.paced) std::this_thread::sleep_until(start + std::chrono::microseconds(pos * 1000000 / int64_t(kRate)));
    if (beforeBlock) beforeBlock(pos);
    for (int c = 0; c < 2; ++c) std::copy_n(&input.channels[c][size_t(pos)], n, ins[c]);
    host.Process(ins, outs, n);
    if (endMs) *endMs = HostClockMs();
    for (int c = 0; c < 2; ++c) std::copy_n(outs[c], n, &out.channels[c][size_t(pos)]);
  }
  host.SetProcessLevel(PluginHost::kProcessLevelByThread);
  return out;
}

// A fresh instance's render on a thread of its own: flat, or with the
// curve set and idled in before. Offline by default, so that no kernel
// commit (the sample rate's first of all) meets a block and silences it.
AudioBuffer Reference(const AudioBuffer& input, bool curve, VstInt32 level = kVstProcessLevelOffline) {
  PluginHost host;
  Open(host);
  if (curve) {
    SetCurve(host);
    host.IdleFor(300);
  }
  AudioBuffer out;
  std::thread([&] { out = Render(host, input, {level}); }).join();
  return out;
}

double MaxDiff(const AudioBuffer& a, const AudioBuffer& b, int64_t from, int64_t to) {
  double worst = 0.0;
  for (int c = 0; c < 2; ++c)
    for (int64_t f = std::max<int64_t>(0, from); f < std::min(to, a.NumFrames()); ++f)
      worst = std::max(worst, std::fabs(double(a.channels[c][size_t(f)]) - b.channels[c][size_t(f)]));
  return worst;
}

AudioBuffer Noise(double seconds) {
  AudioBuffer noise;
  std::string error;
  EXPECT_TRUE(MakeTestSignal("noise:7", 2, kRate, seconds, noise, error)) << error;
  return noise;
}

}  // namespace

TEST(IdleWorkerThreadTest, WithoutIdleOrEditorACurveIsHeardWhilePlayingAndAModeOnceAudioIsQuiet) {
  TempConfigFolder prefs;
  const AudioBuffer input = Noise(3.0);
  const AudioBuffer oldCurve = Reference(input, false);
  const AudioBuffer newCurve = Reference(input, true);
  for (int row = 0; row < 2; ++row) {
    const bool onAudioThread = row == 1;
    SCOPED_TRACE(onAudioThread ? "automation on the audio thread" : "set on the user-interface thread");
    TempConfigFolder linkedModes;  // the first row's mode, shared through the link, stays there
    PluginHost host;
    Open(host);
    // 0.6 s into a real-time run, the curve and the mode "Low".
    const int64_t due = int64_t(0.6 * kRate) / kBlock * kBlock;
    std::atomic<int64_t> position{0};
    AudioBuffer measured;
    double audioEnd = 0.0;
    std::thread audio([&] {
      // One hop of silence offline first: the sample rate's kernels are in
      // before the first paced block, as in the references.
      AudioBuffer silence;
      silence.Resize(2, kMediumHop);
      Render(host, silence, {kVstProcessLevelOffline});
      measured = Render(host, input, {kVstProcessLevelRealtime, true}, [&](int64_t pos) {
        position = pos;
        if (onAudioThread && pos == due) SetCurve(host, true);
      }, &audioEnd);
    });
    int64_t edit = due;
    if (!onAudioThread) {
      while (position.load() < due) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      edit = position.load();
      SetCurve(host, true);
    }
    audio.join();
    EXPECT_LT(MaxDiff(measured, oldCurve, 0, edit), 1e-6) << "the old curve until the edit";
    // Exactly the new curve over the last second, in the old mode: it waits
    // while audio runs.
    const int64_t lastSecond = input.NumFrames() - int64_t(kRate);
    EXPECT_GT(MaxDiff(measured, oldCurve, edit, lastSecond), 1e-3) << "no change while it played";
    EXPECT_LT(MaxDiff(measured, newCurve, lastSecond, input.NumFrames()), 1e-6);

    // A request right away finds audio recent; once it has been quiet for
    // more than 500 ms any request applies the mode and reports it.
    host.Dispatch(effGetProgram);
    if (HostClockMs() - audioEnd < 400.0) {
      EXPECT_EQ(host.Latency(), kMediumLatency) << "applied too early";
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (host.Latency() != kLowLatency && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      host.Dispatch(effGetProgram);
    }
    EXPECT_EQ(host.QueryInfo().initialDelay, kLowLatency);
    const std::vector<HostCall> log = host.Log();
    const auto report = std::find_if(log.begin(), log.end(), [](const HostCall& c) {
      return c.opcode == audioMasterIOChanged && c.latencyAfter == kLowLatency;
    });
    ASSERT_NE(report, log.end());
    EXPECT_EQ(report->thread, HostThread::UserInterface);
    EXPECT_GE(report->ms - audioEnd, 450.0);
    EXPECT_EQ(host.CallsFromOtherThreads(), 0) << "the effect's own thread called the host";
  }
}

TEST(IdleWorkerThreadTest, AnOfflineRenderRightAfterTheSettingsHasThemFromItsFirstSample) {
  TempConfigFolder prefs;
  const AudioBuffer input = Noise(0.5);
  const AudioBuffer flat = Reference(input, false);
  // Offline as the host's process level says, or, where the host does not
  // say, by the plug-in's own Offline Render setting.
  for (const bool offlineRender : {false, true}) {
    const VstInt32 level = offlineRender ? kVstProcessLevelUnknown : kVstProcessLevelOffline;
    PluginHost host;
    Open(host);
    if (offlineRender) host.SetParameter(kOfflineRender, 1.0f);
    SetCurve(host);
    AudioBuffer immediate;
    std::thread([&] { immediate = Render(host, input, {level}); }).join();
    EXPECT_LT(MaxDiff(immediate, Reference(input, true, level), 0, input.NumFrames()), 1e-6) << offlineRender;
    EXPECT_GT(MaxDiff(immediate, flat, 0, 2 * kMediumLatency), 1e-3) << offlineRender;
  }
}

// A host that bounces on its own user-interface thread, as fast as it goes,
// without saying that it renders offline ("unknown", or "user thread"), three
// times, each after a suspend and resume and with the gains set back: a step
// of the first 60 bands' gains between two blocks is in the block where it
// arrives, as in an offline render of a fresh instance, in every bounce; and
// a mode the host sets on that thread after the bounces is applied, its
// latency reported, before the next render.
TEST(IdleWorkerThreadTest, BouncesOnTheHostsOwnThreadHaveEachStepInItsBlockAndLeaveTheThreadToTheHost) {
  TempConfigFolder prefs;
  HostConfig stopped;
  stopped.transport = HostTransport::Stopped;
  const AudioBuffer input = Noise(0.6);
  const int64_t step = 50 * kBlock;
  const auto setGains = [](PluginHost& host, float value) {
    for (int index = 0; index < 120; ++index) host.SetParameter(index, value);
  };
  const auto stepAt = [&](PluginHost& host) {
    return [&host, step, setGains](int64_t pos) {
      if (pos == step) setGains(host, 1.0f);
    };
  };
  AudioBuffer offline;
  {
    PluginHost host(stopped);
    Open(host);
    std::thread([&] { offline = Render(host, input, {kVstProcessLevelOffline}, stepAt(host)); }).join();
  }
  ASSERT_GT(MaxDiff(offline, input, step + kMediumLatency, input.NumFrames()), 0.1) << "the step is heard";
  for (const VstInt32 level : {kVstProcessLevelUnknown, kVstProcessLevelUser}) {
    SCOPED_TRACE("process level " + std::to_string(level));
    TempConfigFolder linkedModes;  // the mode stays with this host
    PluginHost host(stopped);
    Open(host);
    for (int bounce = 0; bounce < 3; ++bounce) {
      setGains(host, 0.5f);
      host.Dispatch(effMainsChanged, 0, 0);
      host.Dispatch(effMainsChanged, 0, 1);
      const AudioBuffer rendered = Render(host, input, {level, false, false}, stepAt(host));
      EXPECT_LT(MaxDiff(rendered, offline, 0, input.NumFrames()), 1e-6) << "bounce " << bounce;
    }
    // The host's real-time thread goes on processing (it does not say so
    // either); then "Maximum", set with the transport stopped by a host that
    // makes no other request before its next render.
    AudioBuffer afterwards;
    afterwards.Resize(2, 4 * kBlock);
    std::thread([&] { Render(host, afterwards, {kVstProcessLevelUnknown}); }).join();
    host.SetParameter(298, 80.0f / 999.0f);
    EXPECT_EQ(host.Latency(), 32768 - 24576 + 24576 / 2);
  }
}

// A host that applies an effect on its user-interface thread in 8192-frame
// blocks, as fast as it goes, answering "user thread" to the process-level
// request, in the order such a host makes its calls: opened and resumed at
// 44.1 kHz, every parameter set inside a program bracket, then 48 kHz and
// the render at once, with no suspend. It renders what a host renders that
// set everything at 48 kHz and waited, in a short mode and in the longest.
TEST(IdleWorkerThreadTest, AHostThatSetsTheRateLastAndRendersAtOnceRendersAsOneThatWaited) {
  constexpr int kAppBlock = 8192;
  const AudioBuffer input = Noise(1.5);
  for (const int rating : {30, 80}) {
    SCOPED_TRACE("rating " + std::to_string(rating));
    TempConfigFolder prefs;
    // Every parameter as the effect holds it, the first 30 bands +20 dB.
    const auto setAll = [rating](PluginHost& host) {
      const int count = host.QueryInfo().numParams;
      for (int index = 0; index < count; ++index)
        host.SetParameter(index, index < 30 ? 1.0f : index == 298 ? float(rating) / 999.0f : host.GetParameter(index));
    };
    AudioBuffer waited;
    {
      PluginHost host;
      ASSERT_TRUE(host.Load(QVX2_MASTER_PLUGIN)) << host.Error();
      host.Start(kRate, kAppBlock);
      setAll(host);
      host.IdleFor(600);
      std::thread([&] { waited = Render(host, input, {kVstProcessLevelOffline, false, true, kAppBlock}); }).join();
    }
    PluginHost host;
    ASSERT_TRUE(host.Load(QVX2_MASTER_PLUGIN)) << host.Error();
    host.Dispatch(effOpen);
    host.Dispatch(effSetProgram, 0, 0);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.Dispatch(effSetBlockSize, 0, kAppBlock);
    host.Dispatch(effMainsChanged, 0, 1);
    host.Dispatch(effStartProcess);
    host.Dispatch(effBeginSetProgram);
    setAll(host);
    host.Dispatch(effEndSetProgram);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, float(kRate));
    host.Dispatch(effSetBlockSize, 0, kAppBlock);
    const AudioBuffer atOnce = Render(host, input, {kVstProcessLevelUser, false, false, kAppBlock});
    double error = 0.0, power = 0.0;
    for (int c = 0; c < 2; ++c)
      for (int64_t f = 0; f < input.NumFrames(); ++f) {
        error += std::pow(double(atOnce.channels[c][size_t(f)]) - waited.channels[c][size_t(f)], 2.0);
        power += std::pow(double(waited.channels[c][size_t(f)]), 2.0);
      }
    ASSERT_GT(power, 0.0);
    EXPECT_LT(10.0 * std::log10(error / power + 1e-30), -100.0) << "null against the render that waited, dB";
  }
}
