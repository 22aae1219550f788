// The effect's judgement of each block by the host's answer to it, and its
// threads told apart by serials that no later thread gets.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "Helpers/AudioThread.h"
#include "framework/QualityTestFixture.h"

namespace {

int64_t g_nNowUs = 0;
int64_t ScriptedClock() { return g_nNowUs; }

}  // namespace

namespace {

using fxtest::HostLog;
using fxtest::QualityTestEffect;

// Each reading a second after the last: a device that asks for every block
// in time, however fast a test sends them (from any number of threads).
std::atomic<int64_t> g_nDeviceUs{0};
int64_t DevicePacedClock() { return g_nDeviceUs += 1000000; }

// Judges a block as the product's process call does.
class JudgedEffect : public QualityTestEffect {
 public:
  JudgedEffect() { SetRenderClockForTesting(&DevicePacedClock); }
  bool Block() { return CProcessCallScope(this, 16).IsOffline(); }
  // A block of `frames` on the scripted clock, `ownWorkUs` of it the
  // effect's own work inside the process call.
  bool ScriptedBlock(int frames, int64_t ownWorkUs) {
    SetRenderClockForTesting(&ScriptedClock);
    const CProcessCallScope block(this, frames);
    g_nNowUs += ownWorkUs;
    return block.IsOffline();
  }
};

class AudioThreadRoleTest : public fxtest::QualityTestBase {};

}  // namespace

// A host that plays in real time and renders in freewheel on one thread,
// answering each block as it goes, one that says nothing, and one that
// answers "user thread" wherever it asks, its audio thread too: each block is
// judged by the answer to it, by "Offline Render" and by its thread.
TEST_F(AudioThreadRoleTest, EachBlockIsJudgedByTheHostsAnswerToIt) {
  JudgedEffect fx;
  fx.dispatcher(effIdle, 0, 0, nullptr, 0.0f);  // this thread serves the host's idle
  const struct {
    bool onAudioThread;
    VstInt32 answer;
    bool offlineRender, offline;
  } blocks[] = {
      {true, kVstProcessLevelRealtime, false, false},  {true, kVstProcessLevelOffline, false, true},
      {true, kVstProcessLevelOffline, false, true},    {true, kVstProcessLevelRealtime, false, false},
      {true, kVstProcessLevelUser, false, false},      {true, kVstProcessLevelPrefetch, false, false},
      {true, kVstProcessLevelUnknown, false, false},   {true, kVstProcessLevelUnknown, true, true},
      {true, kVstProcessLevelRealtime, true, false},   {false, kVstProcessLevelUnknown, false, true},
      {false, kVstProcessLevelRealtime, false, false}, {false, kVstProcessLevelUser, false, true},
  };
  const auto judge = [&](bool onAudioThread) {
    for (size_t i = 0; i < std::size(blocks); ++i) {
      if (blocks[i].onAudioThread != onAudioThread) continue;
      fx.setParameter(QualityTestEffect::kOfflineRenderParam, blocks[i].offlineRender ? 1.0f : 0.5f);
      HostLog::Get().m_nProcessLevel = blocks[i].answer;
      EXPECT_EQ(fx.Block(), blocks[i].offline) << "block " << i;
    }
  };
  std::thread(judge, true).join();
  judge(false);
}

// glibc starts the next thread with the id of the one that ended last: a
// thread with the id of the loader thread that opened the effect is neither
// the host's user-interface thread nor judged as rendering on it.
TEST_F(AudioThreadRoleTest, ThreadsAreToldApartBySerialsNeverByIdsALaterThreadGets) {
  JudgedEffect fx;
  std::thread::id endedId;
  // Runs f on a new thread to its end; true when it had the last one's id.
  const auto run = [&endedId](const std::function<void()>& f) {
    std::thread thread(f);
    const bool reused = thread.get_id() == endedId;
    endedId = thread.get_id();
    thread.join();
    return reused;
  };
  bool ui = true, offline = true;
  run([&] { fx.dispatcher(effOpen, 0, 0, nullptr, 0.0f); });
  ASSERT_TRUE(run([&] {
    ui = fx.IsUserInterfaceThread();
    offline = fx.Block();
  }));
  EXPECT_FALSE(ui) << "a thread with the id of the loader that opened the effect";
  EXPECT_FALSE(offline);
}

// A host that answers "real time" while it renders flat out, each offline
// block taking about a block's length of the effect's own work (a kernel
// design): once found, the render stays offline to its end.
TEST_F(AudioThreadRoleTest, AnOfflineBlocksOwnWorkIsNoRealTimePace) {
  JudgedEffect fx;
  HostLog::Get().m_nProcessLevel = kVstProcessLevelRealtime;
  const int64_t blockUs = static_cast<int64_t>(256 * 1e6 / fx.getSampleRate());
  g_nNowUs = 1000;
  int offline = 0, realTimeAfterFound = 0;
  for (int b = 0; b < 1000; ++b) {
    g_nNowUs += blockUs / 10;
    const bool isOffline = fx.ScriptedBlock(256, offline > 0 ? blockUs : 0);
    if (isOffline)
      ++offline;
    else if (offline > 0)
      ++realTimeAfterFound;
  }
  EXPECT_GT(offline, 800);
  EXPECT_EQ(realTimeAfterFound, 0);
}
