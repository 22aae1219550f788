// The full edition in a host that never calls effIdle and never opens the
// editor: settings made while audio plays are heard within the latency plus
// 150 ms, a quality mode once audio has been quiet and the host makes any
// request, and an offline render right after the settings has them from its
// first sample. The references are renders of other instances: one with the
// old settings, one given the new settings and then idled as hosts that do
// idle would.
#include <gtest/gtest.h>

#include <algorithm>
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
constexpr int kMediumLatency = 4096 - 2048 + 1024;
constexpr int kLowLatency = 2048 - 1024 + 512;
constexpr int kDepth = 273, kBandType = 292, kQualityRating = 298, kOfflineRender = 303;

struct Setting {
  int index;
  float value;
};

// Layout "Thirds", bands 3-5 raised 12 dB, band 17 cut 10 dB on both
// channels, Depth 150 %.
std::vector<Setting> NewCurve() {
  std::vector<Setting> s{{kBandType, 2.0f / 99.0f}, {kDepth, 0.75f}};
  for (int b : {3, 4, 5}) s.insert(s.end(), {{2 * b, 0.8f}, {2 * b + 1, 0.8f}});
  s.insert(s.end(), {{34, 0.25f}, {35, 0.25f}});
  return s;
}

void Apply(PluginHost& host, const std::vector<Setting>& settings) {
  for (const Setting& s : settings) ASSERT_TRUE(host.SetParameter(s.index, s.value));
}

void Open(PluginHost& host) {
  ASSERT_TRUE(host.Load(QVX2_MASTER_PLUGIN)) << host.Error();
  host.Start(kRate, kBlock);
}

// A render on a thread of its own, as a host's render thread, at the given
// process level, with no idle call; paced to real time when asked, with
// `beforeBlock` called on that thread before each block.
AudioBuffer Render(PluginHost& host, const AudioBuffer& input, VstInt32 level, bool paced = false,
                   const std::function<void(int64_t)>& beforeBlock = {}) {
  AudioBuffer out;
  out.Resize(2, input.NumFrames());
  std::thread render([&] {
    PluginHost::MarkAudioThread();
    host.SetProcessLevel(level);
    float in[2][kBlock], buffer[2][kBlock];
    float* ins[2] = {in[0], in[1]};
    float* outs[2] = {buffer[0], buffer[1]};
    const auto start = std::chrono::steady_clock::now();
    for (int64_t pos = 0; pos < input.NumFrames(); pos += kBlock) {
      const int n = static_cast<int>(std::min<int64_t>(kBlock, input.NumFrames() - pos));
      if (paced) std::this_thread::sleep_until(start + std::chrono::microseconds(pos * 1000000 / int64_t(kRate)));
      if (beforeBlock) beforeBlock(pos);
      for (int c = 0; c < 2; ++c) std::copy_n(&input.channels[c][static_cast<size_t>(pos)], n, in[c]);
      host.Process(ins, outs, n);
      for (int c = 0; c < 2; ++c) std::copy_n(buffer[c], n, &out.channels[c][static_cast<size_t>(pos)]);
    }
    host.SetProcessLevel(kVstProcessLevelUser);
  });
  render.join();
  return out;
}

// Largest difference of the two renders over frames [from, to).
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
  AudioBuffer oldCurve, newCurve;
  {
    PluginHost host;
    Open(host);
    oldCurve = Render(host, input, kVstProcessLevelRealtime);
  }
  {
    PluginHost host;
    Open(host);
    Apply(host, NewCurve());
    host.IdleFor(300);
    newCurve = Render(host, input, kVstProcessLevelRealtime);
  }

  // The curve and the mode "Low" set from the user-interface thread one
  // second into a real-time run that idles nothing.
  PluginHost host;
  Open(host);
  RenderOptions options;
  std::string error;
  ASSERT_TRUE(options.blocks.Parse(std::to_string(kBlock), error)) << error;
  options.idleEveryBlocks = 0;
  for (const Setting& s : NewCurve()) options.edits.push_back({s.index, s.value, 1.0});
  options.edits.push_back({kQualityRating, 20.0f / 999.0f, 1.0});
  AudioBuffer measured;
  RenderStats stats;
  RealtimeTrace trace;
  ASSERT_TRUE(RenderRealtime(host, input, options, measured, stats, trace, error)) << error;
  const double audioEnd = HostClockMs();
  EXPECT_EQ(host.IdleCalls(), 0);
  ASSERT_FALSE(trace.editFrames.empty());

  const int64_t edit = trace.editFrames.front();
  const int64_t heardBy = edit + kMediumLatency + static_cast<int64_t>(0.150 * kRate);
  ASSERT_LT(heardBy, input.NumFrames());
  EXPECT_LT(MaxDiff(measured, oldCurve, 0, edit), 1e-6) << "the old curve until the edit";
  EXPECT_GT(MaxDiff(measured, oldCurve, edit, heardBy), 1e-3) << "a change within the latency + 150 ms";
  // From there on exactly the new curve, in the old mode: the mode waits
  // while audio runs.
  EXPECT_LT(MaxDiff(measured, newCurve, heardBy, input.NumFrames()), 1e-6);
  EXPECT_EQ(host.Latency(), kMediumLatency);

  // Audio has stopped. A request right away finds it recent; once it has
  // been quiet for more than 500 ms any request applies the mode.
  host.Dispatch(effGetProgram);
  if (HostClockMs() - audioEnd < 400.0) {
    EXPECT_EQ(host.Latency(), kMediumLatency) << "applied while audio was recent";
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (host.Latency() != kLowLatency && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    host.Dispatch(effGetProgram);
  }
  EXPECT_EQ(host.Latency(), kLowLatency);
  EXPECT_EQ(host.QueryInfo().initialDelay, kLowLatency);
  const std::vector<HostCall> log = host.Log();
  const auto ioChanged = std::find_if(log.begin(), log.end(), [](const HostCall& c) {
    return c.opcode == audioMasterIOChanged && c.latencyAfter == kLowLatency;
  });
  ASSERT_NE(ioChanged, log.end());
  EXPECT_EQ(ioChanged->thread, HostThread::UserInterface);
  EXPECT_GE(ioChanged->ms - audioEnd, 450.0);
  EXPECT_EQ(host.IdleCalls(), 0);
  // The effect's own thread never called the host.
  EXPECT_EQ(host.CallsFromOtherThreads(), 0);
}

TEST(IdleWorkerThreadTest, AnOfflineRenderRightAfterTheSettingsHasThemFromItsFirstSample) {
  struct Case {
    const char* name;
    bool offlineRender;  // the plug-in's own setting
    VstInt32 level;      // the host's process level
  };
  const Case cases[] = {{"process level offline", false, kVstProcessLevelOffline},
                        {"Offline Render on", true, kVstProcessLevelRealtime}};
  TempConfigFolder prefs;
  const AudioBuffer input = Noise(0.5);
  AudioBuffer flat;
  {
    PluginHost host;
    Open(host);
    flat = Render(host, input, kVstProcessLevelOffline);
  }
  for (const Case& c : cases) {
    std::vector<Setting> settings = NewCurve();
    if (c.offlineRender) settings.insert(settings.begin(), {kOfflineRender, 1.0f});
    AudioBuffer settled, immediate;
    {
      PluginHost host;
      Open(host);
      Apply(host, settings);
      host.IdleFor(300);
      settled = Render(host, input, c.level);
    }
    {
      PluginHost host;
      Open(host);
      Apply(host, settings);
      immediate = Render(host, input, c.level);
      EXPECT_EQ(host.IdleCalls(), 0) << c.name;
    }
    EXPECT_LT(MaxDiff(immediate, settled, 0, input.NumFrames()), 1e-6) << c.name;
    EXPECT_GT(MaxDiff(immediate, flat, 0, 2 * kMediumLatency), 1e-3) << c.name;
  }
}

TEST(IdleWorkerThreadTest, AutomationOnTheAudioThreadIsHeardWithinTheLatency) {
  // Hosts that automate send the values on their audio thread, between
  // blocks; the effect must wake its worker from there without waiting.
  TempConfigFolder prefs;
  const AudioBuffer input = Noise(1.5);
  AudioBuffer oldCurve, newCurve, measured;
  {
    PluginHost host;
    Open(host);
    oldCurve = Render(host, input, kVstProcessLevelRealtime);
  }
  {
    PluginHost host;
    Open(host);
    Apply(host, NewCurve());
    host.IdleFor(300);
    newCurve = Render(host, input, kVstProcessLevelRealtime);
  }
  PluginHost host;
  Open(host);
  const int64_t edit = static_cast<int64_t>(0.5 * kRate) / kBlock * kBlock;
  measured = Render(host, input, kVstProcessLevelRealtime, true, [&](int64_t pos) {
    if (pos == edit) Apply(host, NewCurve());
  });
  const int64_t heardBy = edit + kMediumLatency + static_cast<int64_t>(0.150 * kRate);
  EXPECT_LT(MaxDiff(measured, oldCurve, 0, edit), 1e-6);
  EXPECT_GT(MaxDiff(measured, oldCurve, edit, heardBy), 1e-3);
  EXPECT_LT(MaxDiff(measured, newCurve, heardBy, input.NumFrames()), 1e-6);
  EXPECT_EQ(host.IdleCalls(), 0);
  EXPECT_EQ(host.CallsFromOtherThreads(), 0);
}
