// Telling a render that runs faster than real time from one an audio device
// paces, on a scripted clock: real-time hosts with small blocks, bursts of
// blocks and a device clock a little fast never count as fast, nor does a
// render at one and a half times real time, and a host that fills a buffer
// flat out and then keeps it full in bursts counts as real time within a
// second of filling it; renders at twice real time or flat out do (flat out
// from the block where the audio rendered over the last quarter second or
// so passes half a second and two blocks, also after a pause), and stop
// counting by the third block that comes at a real-time pace, or at once on
// another thread; a fast render stays fast at one and a half times real time
// and across stalls, and the time the effect spends on its own work is not
// counted against it. Then the effect's judgement of each block by the
// host's answer to it, and its threads told apart by serials that no later
// thread gets.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Helpers/AudioThread.h"
#include "framework/QualityTestFixture.h"

namespace {

int64_t g_nNowUs = 0;
int64_t ScriptedClock() { return g_nNowUs; }

constexpr double kRate = 48000.0;

// A stretch of blocks of one size, each `periodScale` block durations of
// wall clock after the last (0: flat out), and every `burst` blocks arriving
// together after `burst` periods.
struct Stretch {
  int frames;
  double seconds;  // of audio
  double periodScale;
  int burst = 1;
  double pauseBefore = 0.0;  // seconds of wall clock
  double ownWork = 0.0;      // block durations of the effect's own work an offline block
};

struct Scenario {
  const char* name;
  std::vector<Stretch> stretches;
  // The audio time of the first block judged fast lies within [from, to];
  // a negative `from`: no block is.
  double from, to;
  // The audio time of the last block judged fast is at most this; 0: the
  // render is fast to its end.
  double lastBy = 0.0;
};

}  // namespace

TEST(RenderPaceTest, OnlyRendersFasterThanRealTimeCountAsFast) {
  const double block256 = 256.0 / kRate, flatOutEnd = 58 * 8192 / kRate;
  const Scenario scenarios[] = {
      {"real time, 256 frames", {{256, 600.0, 1.0}}, -1, -1},
      {"real time, bursts of 8 blocks", {{256, 600.0, 1.0, 8}}, -1, -1},
      {"a device clock 0.05 % fast, for two hours", {{512, 7200.0, 0.9995}}, -1, -1},
      {"one and a half times real time", {{1024, 60.0, 2.0 / 3.0}}, -1, -1},
      {"twice real time", {{1024, 10.0, 0.5}}, 1.3, 1.8},
      {"flat out, 8192 frames", {{8192, 10.0, 0.0}}, 5 * 8192 / kRate, 5 * 8192 / kRate},
      {"flat out, then real time", {{8192, 10.0, 0.0}, {256, 60.0, 1.0}}, 0.8, 0.9, flatOutEnd + 3 * block256},
      {"a render too short to be found, a pause, and a second render",
       {{256, 0.4, 0.0}, {256, 2.0, 0.0, 1, 3.0}},
       0.9,
       0.9 + 3 * block256},
      {"flat out across stalls of four blocks",
       {{256, 1.0, 0.0}, {256, 0.5, 0.0, 1, 4 * block256}, {256, 0.5, 0.0, 1, 4 * block256}},
       0.5,
       0.5 + 3 * block256},
      {"real time, then flat out", {{256, 60.0, 1.0}, {256, 5.0, 0.0}}, 60.5, 60.5 + 3 * block256},
      {"real time after a stall, then flat out", {{256, 5.0, 1.0}, {8192, 5.0, 0.0, 1, 30.0}}, 5.8, 7.0},
      {"flat out, then one and a half times real time", {{8192, 2.0, 0.0}, {1024, 30.0, 2.0 / 3.0}}, 0.8, 0.9},
      {"twice real time, and the effect's own work", {{1024, 10.0, 0.5, 1, 0.0, 1.5}}, 1.3, 1.8},
      {"flat out, each offline block a block's length of the effect's own work",
       {{256, 10.0, 0.1, 1, 0.0, 1.0}},
       0.5,
       0.6},
      {"three times real time across stalls of eight blocks",
       {{256, 1.0, 0.3}, {256, 0.4, 0.3, 1, 8 * block256}, {256, 0.4, 0.3, 1, 8 * block256}},
       0.7,
       0.85},
      {"two seconds flat out, then bursts of 16 blocks in their time",
       {{512, 2.0, 0.0}, {512, 30.0, 1.0, 16}},
       0.5,
       0.55,
       3.0},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    g_nNowUs = 1000;
    CRenderPace pace(&ScriptedClock);
    double audio = 0.0, firstFast = -1.0, lastFast = -1.0;
    for (const Stretch& stretch : s.stretches) {
      g_nNowUs += static_cast<int64_t>(stretch.pauseBefore * 1e6);
      const double block = stretch.frames / kRate;
      const long blocks = static_cast<long>(stretch.seconds / block);
      for (long b = 0; b < blocks; ++b) {
        if (b % stretch.burst == 0 && b > 0)
          g_nNowUs += static_cast<int64_t>(stretch.burst * block * stretch.periodScale * 1e6);
        const bool fast = pace.NoteBlock(stretch.frames, kRate);
        // An offline block: its whole time is the effect's own work.
        if (fast) {
          g_nNowUs += static_cast<int64_t>(stretch.ownWork * block * 1e6);
          pace.EndOwnWork();
        }
        audio += block;
        if (fast && firstFast < 0.0) firstFast = audio;
        if (fast) lastFast = audio;
      }
    }
    if (s.from < 0.0) {
      EXPECT_LT(firstFast, 0.0) << "judged fast at " << firstFast << " s of audio";
      continue;
    }
    EXPECT_GE(firstFast, s.from - 1e-9);
    EXPECT_LE(firstFast, s.to + 1e-9);
    if (s.lastBy > 0.0)
      EXPECT_LE(lastFast, s.lastBy + 1e-9) << "still fast at " << lastFast << " s of audio";
    else
      EXPECT_EQ(lastFast, audio) << "fast to the end";
    // The next block on another thread starts a render of its own.
    bool fastElsewhere = true;
    std::thread([&] { fastElsewhere = pace.NoteBlock(256, kRate); }).join();
    EXPECT_FALSE(fastElsewhere);
  }
}

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
  JudgedEffect() { SetRenderPaceClockForTesting(&DevicePacedClock); }
  bool Block() { return CProcessCallScope(this, 16).IsOffline(); }
  // A block of `frames` on the scripted clock, `ownWorkUs` of it the
  // effect's own work inside the process call.
  bool ScriptedBlock(int frames, int64_t ownWorkUs) {
    SetRenderPaceClockForTesting(&ScriptedClock);
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

// glibc starts the next thread with the id of the one that ended last: an
// ended audio thread's id does not make a request thread an audio thread,
// nor the id of the loader thread that opened the effect the audio thread
// the host's user-interface thread. And 64 threads are all remembered.
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
  bool remembered = false, offline = true;
  run([&] { fx.Block(); });
  ASSERT_TRUE(run([&] { remembered = fx.IsRememberedAudioThread(); }));
  EXPECT_FALSE(remembered) << "a request thread with an ended audio thread's id";
  run([&] { fx.dispatcher(effOpen, 0, 0, nullptr, 0.0f); });
  ASSERT_TRUE(run([&] {
    offline = fx.Block();
    remembered = fx.IsRememberedAudioThread();
  }));
  EXPECT_FALSE(offline) << "an audio thread with the id of the loader that opened the effect";
  EXPECT_TRUE(remembered);

  std::atomic<int> arrived{0}, forgotten{0};
  std::vector<std::thread> pool;
  for (int i = 0; i < 64; ++i)
    pool.emplace_back([&] {
      fx.Block();
      for (++arrived; arrived.load() < 64;) std::this_thread::yield();
      if (!fx.IsRememberedAudioThread()) ++forgotten;
    });
  for (std::thread& thread : pool) thread.join();
  EXPECT_EQ(forgotten.load(), 0) << "threads of a pool of 64";
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
