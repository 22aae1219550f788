// The command-line host's core driving the pass-through test plug-in: how it
// renders and what it logs of the effect's requests. What it reads from the
// record is checked through the program (HostCliTest).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "tools/qvxhost/AudioIO.h"
#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/Render.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

// Loads and starts the test plug-in; fails the test when it cannot.
void LoadAndStart(PluginHost& host, const char* path = QVX_TEST_MODULE) {
  ASSERT_TRUE(host.Load(path)) << host.Error();
  host.Start(kRate, kBlock);
}

RenderOptions Options(const std::string& blocks = "512") {
  RenderOptions options;
  std::string error;
  EXPECT_TRUE(options.blocks.Parse(blocks, error)) << error;
  return options;
}

AudioBuffer Noise(double seconds, int channels = 2) {
  AudioBuffer audio;
  std::string error;
  EXPECT_TRUE(MakeTestSignal("noise:7", channels, kRate, seconds, audio, error)) << error;
  return audio;
}

// Each failure's message is checked through the program (HostCliTest); here,
// that one host survives them all.
TEST(PluginHostTest, LoadFailuresAreReportedNotFatal) {
  PluginHost host;
  for (const char* bad : {QVX_TEST_MODULE_NORECORD, "/nonexistent/plug-in.so", "/", "/etc/hostname"}) {
    EXPECT_FALSE(host.Load(bad)) << bad;
    EXPECT_FALSE(host.Error().empty()) << bad;
    EXPECT_EQ(host.Effect(), nullptr) << bad;
  }
  EXPECT_TRUE(host.Load(QVX_TEST_MODULE)) << "the host is usable after failures";
}

TEST(PluginHostTest, RendersAtUnityAndDelaysByTheReportedLatency) {
  PluginHost host;
  LoadAndStart(host);
  const AudioBuffer input = Noise(0.3);
  AudioBuffer output;
  RenderStats stats;
  std::string error;
  ASSERT_TRUE(RenderOffline(host, input, Options(), output, stats, error)) << error;
  ASSERT_EQ(output.NumChannels(), 2);
  EXPECT_EQ(output.channels, input.channels) << "gain 0.5 is unity and the delay starts at 0";

  // A delay of 0.25 x 4096 samples is reported through ioChanged; the host
  // re-reads the latency and can take it out of the output again.
  ASSERT_TRUE(host.SetParameter(1, 0.25f));
  EXPECT_EQ(host.Latency(), 1024);
  const std::vector<HostCall> log = host.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].opcode, audioMasterIOChanged);
  EXPECT_EQ(log[0].latencyBefore, 0);
  EXPECT_EQ(log[0].latencyAfter, 1024);
  host.Dispatch(effMainsChanged, 0, 0);
  host.Dispatch(effMainsChanged, 0, 1);
  ASSERT_TRUE(RenderOffline(host, input, Options(), output, stats, error)) << error;
  for (int64_t i = 0; i < 1024; ++i) ASSERT_EQ(output.channels[1][i], 0.0f);
  for (int64_t i = 1024; i < output.NumFrames(); ++i) ASSERT_EQ(output.channels[1][i], input.channels[1][i - 1024]);
  RenderOptions compensated = Options();
  compensated.compensateLatency = true;
  host.Dispatch(effMainsChanged, 0, 0);
  host.Dispatch(effMainsChanged, 0, 1);
  ASSERT_TRUE(RenderOffline(host, input, compensated, output, stats, error)) << error;
  EXPECT_EQ(stats.latencyUsed, 1024);
  EXPECT_EQ(output.channels, input.channels);
}

TEST(PluginHostTest, VaryingAndInPlaceBlocksGiveTheSameOutput) {
  const AudioBuffer input = Noise(0.5);
  std::vector<AudioBuffer> outputs;
  for (const char* blocks : {"4096", "1,7,64,333,4096,2", "random:1-3000:9", "random:1-3000:9"}) {
    for (bool inPlace : {false, true}) {
      PluginHost host;
      LoadAndStart(host);
      ASSERT_TRUE(host.SetParameter(0, 0.25f));  // half gain
      ASSERT_TRUE(host.SetParameter(1, 100.0f / 4096.0f));
      RenderOptions options = Options(blocks);
      options.inPlace = inPlace;
      AudioBuffer output;
      RenderStats stats;
      std::string error;
      ASSERT_TRUE(RenderOffline(host, input, options, output, stats, error)) << error;
      EXPECT_EQ(stats.frames, input.NumFrames());
      outputs.push_back(output);
    }
  }
  for (size_t i = 1; i < outputs.size(); ++i) EXPECT_EQ(outputs[i].channels, outputs[0].channels) << i;
  EXPECT_EQ(outputs[0].channels[0][100], input.channels[0][0] * 0.5f);
}

TEST(PluginHostTest, HostRefusingIOChangesKeepsItsLatency) {
  HostConfig config;
  config.acceptIOChanges = 0;
  PluginHost host(config);
  LoadAndStart(host);
  ASSERT_TRUE(host.SetParameter(1, 0.5f));
  EXPECT_EQ(host.Latency(), 0);
  EXPECT_TRUE(host.Log().empty());
  EXPECT_EQ(host.Effect()->initialDelay, 2048);
}

TEST(PluginHostTest, TheEffectSeesTheTransportTheHostReports) {
  const struct {
    HostTransport transport;
    const char* seen;
  } cases[] = {{HostTransport::Playing, "playing"}, {HostTransport::Stopped, "stopped"}, {HostTransport::None, "none"}};
  for (const auto& c : cases) {
    HostConfig config;
    config.transport = c.transport;
    PluginHost host(config);
    LoadAndStart(host);
    AudioBuffer output;
    RenderStats stats;
    std::string error;
    ASSERT_TRUE(RenderOffline(host, Noise(0.05), Options(), output, stats, error)) << error;
    EXPECT_EQ(host.QueryParameter(3).display, c.seen);
  }
}

TEST(PluginHostTest, EditsReachTheHostOnlyWithIndexesOfParameters) {
  PluginHost host;
  LoadAndStart(host);
  ASSERT_TRUE(host.SetParameter(4, 1.0f));  // the effect reports a burst of edits
  const std::vector<HostCall> log = host.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(DescribeHostCall(log[0]), "automate index=0 value=0.5");
  EXPECT_EQ(DescribeHostCall(log[1]), "beginEdit index=0");
  EXPECT_EQ(DescribeHostCall(log[2]), "endEdit index=0");
}

// Two plug-ins of this framework in one process keep their own process-wide
// state: each identifies its own host. Were their symbols bound to each
// other, the second would find the first's identification already done.
TEST(PluginHostTest, TwoModulesInOneProcessKeepTheirOwnHostIdentification) {
  HostConfig nuendo;
  nuendo.vendor = "Steinberg";
  nuendo.product = "Nuendo";
  HostConfig cakewalk;
  cakewalk.vendor = "Cakewalk";
  cakewalk.product = "";
  nuendo.loadGlobal = true;  // its symbols become visible to later modules
  PluginHost first(nuendo), second(cakewalk);
  LoadAndStart(first, QVX_TEST_MODULE);
  LoadAndStart(second, QVX_TEST_MODULE_STD);
  EXPECT_EQ(first.QueryParameter(2).display, "6/50");
  EXPECT_EQ(second.QueryParameter(2).display, "8/100");
}

TEST(PluginHostTest, BenchmarkFiguresAreConsistent) {
  PluginHost host;
  LoadAndStart(host);
  AudioBuffer output;
  RenderStats stats;
  std::string error;
  RenderOptions options = Options("1000");
  options.idleEveryBlocks = 3;
  ASSERT_TRUE(RenderOffline(host, Noise(1.0), options, output, stats, error)) << error;
  EXPECT_EQ(stats.frames, 44100);
  EXPECT_EQ(stats.blocks, 45);
  EXPECT_GT(stats.processSeconds, 0.0);
  EXPECT_LE(stats.meanBlockUs, stats.worstBlockUs);
  EXPECT_NEAR(stats.realTimeFactor, 1.0 / stats.processSeconds, 1e-6 / stats.processSeconds);
}

TEST(PluginHostTest, RendersIdleTheEffectUnlessToldNever) {
  // Offline after every block (or every N), in real time every idle period;
  // with 0 not once, in either.
  for (const bool realtime : {false, true})
    for (const int every : {1, 0}) {
      PluginHost host;
      LoadAndStart(host);
      RenderOptions options = Options();
      options.idleEveryBlocks = every;
      AudioBuffer output;
      RenderStats stats;
      RealtimeTrace trace;
      std::string error;
      ASSERT_TRUE(realtime ? RenderRealtime(host, Noise(0.1), options, output, stats, trace, error)
                           : RenderOffline(host, Noise(0.1), options, output, stats, error))
          << error;
      EXPECT_EQ(host.IdleCalls() > 0, every != 0) << "real time " << realtime << ", every " << every;
    }
}

TEST(PluginHostTest, AnEditDuringARealTimeRenderChangesTheFollowingAudio) {
  auto prepare = [](PluginHost& host, std::string& error) {
    if (!host.Load(QVX_TEST_MODULE)) {
      error = host.Error();
      return false;
    }
    host.Start(kRate, 256);
    return true;
  };
  RenderOptions options = Options("256");
  options.edits.push_back({0, 1.0f, 0.1});  // gain to x2
  EditResponse response;
  std::string error;
  ASSERT_TRUE(MeasureEditResponse(prepare, HostConfig(), Noise(0.3), options, 1e-4f, response, error)) << error;
  EXPECT_TRUE(response.changed);
  EXPECT_GE(response.changeFrame, response.editFrame) << "no change before the edit";
  // The gain applies from the next block; a few samples of slack for noise
  // samples smaller than the threshold.
  EXPECT_LE(response.changeFrame, response.editFrame + 256 + 8);
}

TEST(AudioFileTest, WavRoundTripAndUnreadableFiles) {
  const AudioBuffer noise = Noise(0.1, 3);
  const std::string path = testing::TempDir() + "qvx_roundtrip_" + std::to_string(::getpid()) + ".wav";
  std::string error;
  ASSERT_TRUE(WriteWavFile(path, noise, 48000.0, error)) << error;
  AudioBuffer back;
  double rate = 0.0;
  ASSERT_TRUE(ReadAudioFile(path, back, rate, error)) << error;
  EXPECT_EQ(rate, 48000.0);
  EXPECT_EQ(back.channels, noise.channels);
  std::remove(path.c_str());
  EXPECT_FALSE(ReadAudioFile("/etc/hostname", back, rate, error));
  EXPECT_FALSE(ReadAudioFile("/nonexistent.wav", back, rate, error));
  EXPECT_FALSE(error.empty());
}

TEST(AudioFileTest, TestSignalsAndTheirArguments) {
  AudioBuffer audio;
  std::string error;
  ASSERT_TRUE(MakeTestSignal("impulse:10", 1, 1000.0, 0.05, audio, error)) << error;
  for (int64_t i = 0; i < audio.NumFrames(); ++i) EXPECT_EQ(audio.channels[0][i], i % 10 == 0 ? 1.0f : 0.0f);
  ASSERT_TRUE(MakeTestSignal("sine:1000", 2, 48000.0, 0.01, audio, error)) << error;
  EXPECT_NEAR(audio.channels[1][12], 0.5f, 1e-6f) << "a quarter period of 1 kHz at 48 kHz";
  ASSERT_TRUE(MakeTestSignal("sweep", 2, 44100.0, 1.0, audio, error)) << error;
  float peak = 0.0f;
  for (float v : audio.channels[0]) peak = std::max(peak, std::fabs(v));
  EXPECT_NEAR(peak, 0.5f, 1e-3f);
  for (const char* bad : {"sine:0", "sine:30000", "sweep:100-50", "sweep:x", "noise:-1", "impulse:0", "chirp", "silence:1"})
    EXPECT_FALSE(MakeTestSignal(bad, 2, 44100.0, 0.1, audio, error)) << bad;
}

TEST(BlockScheduleTest, SizesListsAndRandomRanges) {
  BlockSchedule schedule;
  std::string error;
  ASSERT_TRUE(schedule.Parse("3,1,4", error));
  EXPECT_EQ(schedule.MaxSize(), 4);
  EXPECT_EQ(schedule.Next(), 3);
  EXPECT_EQ(schedule.Next(), 1);
  EXPECT_EQ(schedule.Next(), 4);
  EXPECT_EQ(schedule.Next(), 3);
  ASSERT_TRUE(schedule.Parse("random:5-9:3", error));
  std::vector<int> first;
  for (int i = 0; i < 50; ++i) {
    first.push_back(schedule.Next());
    EXPECT_GE(first.back(), 5);
    EXPECT_LE(first.back(), 9);
  }
  schedule.Restart();
  for (int i = 0; i < 50; ++i) EXPECT_EQ(schedule.Next(), first[i]) << "a seed repeats its sizes";
  for (const char* bad : {"", "0", "-4", "1,,2", "12x", "random:0-5", "random:9-5", "random:1-5:x", "2000000"})
    EXPECT_FALSE(schedule.Parse(bad, error)) << bad;
}

}  // namespace
