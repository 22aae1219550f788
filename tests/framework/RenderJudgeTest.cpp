// The render judgement as hosts drive it: one table of named host layouts,
// each a run of stretches of blocks on a scripted clock, on the threads the
// host would use, with its answers (process level, "Offline Render",
// transport), and the render mode and new streams expected of every block,
// and the idle side's answer to whether audio has stopped between them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Helpers/RenderJudge.h"

namespace {

using Word = CRenderJudge::EHostWord;

std::atomic<int64_t> g_nNowUs{0};
int64_t ScriptedClock() { return g_nNowUs.load(); }

constexpr double kRate = 48000.0;
constexpr double kFlatOut = 0.02;  // wall per audio second of a render flat out (50 times real time)
constexpr int kAnnouncedBlockSize = 8192;

// Threads that run one task at a time each, on request, and wait for it.
class CThreads {
 public:
  explicit CThreads(int count) {
    for (int i = 0; i < count; ++i) m_Workers.emplace_back(new Worker);
  }
  ~CThreads() {
    for (auto& w : m_Workers) {
      {
        std::lock_guard<std::mutex> lock(w->mutex);
        w->quit = true;
      }
      w->wake.notify_all();
      w->thread.join();
    }
  }
  void Run(int index, const std::function<void()>& task) {
    Worker& w = *m_Workers[static_cast<size_t>(index)];
    std::unique_lock<std::mutex> lock(w.mutex);
    w.task = &task;
    w.wake.notify_all();
    w.wake.wait(lock, [&] { return w.task == nullptr; });
  }

 private:
  struct Worker {
    std::mutex mutex;
    std::condition_variable wake;
    const std::function<void()>* task = nullptr;
    bool quit = false;
    std::thread thread{[this] {
      std::unique_lock<std::mutex> lock(mutex);
      for (;;) {
        wake.wait(lock, [&] { return quit || task != nullptr; });
        if (task == nullptr) return;
        (*task)();
        task = nullptr;
        wake.notify_all();
      }
    }};
  };
  std::vector<std::unique_ptr<Worker>> m_Workers;
};

enum class Thread { kUserInterface, kAudio, kPool };
enum class Transport { kNone, kStopped, kPlaying };
enum class Mode { kRealTime, kOffline, kFound, kReleased, kAny };
enum class Event { kNone, kSuspendResume, kNewRate, kNewBlockSize, kJump };
constexpr int kPoolThreads = 32;

// A stretch of blocks of one size. The host delivers them at `pace` seconds
// of wall clock per second of audio, or, with `burst`, that much audio at
// once (flat out) each time the device has played the last burst.
struct Stretch {
  Thread thread = Thread::kAudio;
  Word word = Word::kRealTime;
  bool offlineRender = false;
  Transport transport = Transport::kNone;
  int frames = 256;
  double rate = kRate;
  double seconds = 1.0;  // of audio
  double pace = 1.0;
  double burst = 0.0;  // seconds of audio
  double pauseBefore = 0.0;  // seconds of wall clock
  double ownWork = 0.0;  // block durations of the effect's own work, in an offline block
  Event before = Event::kNone;
  // Expected: the render mode of its blocks; for kFound the first offline
  // block and for kReleased the first real-time one lie within [from, by]
  // seconds of the stretch's audio. The new streams: how many, and whether
  // the first block starts one.
  Mode mode = Mode::kRealTime;
  double from = 0.0, by = 0.0;
  int newStreams = 0;
  // The user-interface thread asks whether audio has stopped every
  // `idleEvery` seconds of wall clock (0: never) and expects `stopped`.
  double idleEvery = 0.0;
  bool stopped = false;

  Stretch& On(Thread t) { return thread = t, *this; }
  Stretch& Says(Word w) { return word = w, *this; }
  Stretch& OfflineRender() { return offlineRender = true, *this; }
  Stretch& With(Transport t) { return transport = t, *this; }
  Stretch& At(double r) { return rate = r, *this; }
  Stretch& Pace(double p) { return pace = p, *this; }
  Stretch& Bursts(double b) { return burst = b, *this; }
  Stretch& After(double pause) { return pauseBefore = pause, *this; }
  Stretch& OwnWork(double blocks) { return ownWork = blocks, *this; }
  Stretch& Before(Event e) { return before = e, *this; }
  Stretch& Expect(Mode m, double f = 0.0, double b = 0.0) { return mode = m, from = f, by = b, *this; }
  Stretch& Clears(int n) { return newStreams = n, *this; }
  Stretch& Idled(double every, bool expectStopped) { return idleEvery = every, stopped = expectStopped, *this; }
};
Stretch Blocks(int frames, double seconds) {
  Stretch s;
  s.frames = frames;
  s.seconds = seconds;
  return s;
}

struct Scenario {
  const char* name;
  std::vector<Stretch> stretches;
};

// Plays a scenario against a fresh judge; failures name the stretch.
class CHost {
 public:
  CHost() : m_Threads(2 + kPoolThreads) {
    g_nNowUs = 1000000;
    m_Threads.Run(kUi, [&] { m_Judge.NoteUserInterfaceThread(); });
  }

  void Play(const std::vector<Stretch>& stretches) {
    for (size_t i = 0; i < stretches.size(); ++i) {
      SCOPED_TRACE("stretch " + std::to_string(i + 1));
      PlayStretch(stretches[i]);
    }
    // Half a second of quiet and more: stopped, whatever came before.
    Advance(CRenderJudge::kQuietSeconds + 0.1);
    bool stopped = false;
    m_Threads.Run(kUi, [&] { stopped = m_Judge.IsAudioStopped(); });
    EXPECT_TRUE(stopped) << "not stopped after a quiet";
  }

  CRenderJudge m_Judge{&ScriptedClock};
  CThreads m_Threads;
  static constexpr int kUi = 0, kAudio = 1, kPool = 2;

 private:
  static void Advance(double seconds) { g_nNowUs += static_cast<int64_t>(std::llround(seconds * 1e6)); }
  static void AdvanceTo(double wall) {
    const int64_t at = static_cast<int64_t>(std::llround(wall * 1e6));
    if (at > g_nNowUs.load()) g_nNowUs = at;
  }
  static double Now() { return static_cast<double>(g_nNowUs.load()) * 1e-6; }

  void PlayStretch(const Stretch& s) {
    switch (s.before) {
      case Event::kSuspendResume:
        m_Threads.Run(kUi, [&] {
          m_Judge.NoteSuspended();
          m_Judge.RequestNewStream();
        });
        break;
      case Event::kNewBlockSize: m_nBlockSize /= 2; break;
      case Event::kJump: m_fPosition += 10 * s.rate; break;
      default: break;
    }
    Advance(s.pauseBefore);
    const double start = Now(), block = s.frames / s.rate;
    const long count = std::lround(s.seconds / block);
    double nextIdle = start + s.idleEvery;
    std::vector<CRenderJudge::CVerdict> verdicts(static_cast<size_t>(count));
    // Stretches that nobody idles run on their thread in one go.
    const bool oneGo = s.idleEvery == 0.0 && s.thread != Thread::kPool;
    const auto blockAt = [&](long b) {
      const double audio = static_cast<double>(b) * block;
      double due = start + audio * s.pace;
      if (s.burst > 0.0) {
        const double burstStart = std::floor(audio / s.burst + 1e-9) * s.burst;
        due = start + burstStart * s.pace + (audio - burstStart) * kFlatOut;
      }
      AdvanceTo(due);
      CRenderJudge::CBlockFacts facts;
      facts.word = s.word;
      facts.offlineRender = s.offlineRender;
      facts.transportKnown = s.transport != Transport::kNone;
      facts.transportPlaying = s.transport == Transport::kPlaying;
      facts.transportPosition = m_fPosition;
      facts.frames = s.frames;
      facts.sampleRate = s.rate;
      facts.blockSize = m_nBlockSize;
      const CRenderJudge::CVerdict v = m_Judge.BeginBlock(facts);
      if (v.offline) Advance(s.ownWork * block);
      m_Judge.EndBlock();
      if (facts.transportPlaying) m_fPosition += s.frames;
      verdicts[static_cast<size_t>(b)] = v;
    };
    const int thread = s.thread == Thread::kUserInterface ? kUi : kAudio;
    if (oneGo) {
      m_Threads.Run(thread, [&] {
        for (long b = 0; b < count; ++b) blockAt(b);
      });
    } else {
      for (long b = 0; b < count; ++b) {
        m_Threads.Run(s.thread == Thread::kPool ? kPool + static_cast<int>(b % kPoolThreads) : thread,
                      [&] { blockAt(b); });
        // The user-interface thread's idle, at its own times between blocks.
        while (s.idleEvery > 0.0 && b + 1 < count && nextIdle <= start + (b + 1) * block * s.pace) {
          AdvanceTo(nextIdle);
          nextIdle += s.idleEvery;
          bool stopped = false;
          m_Threads.Run(kUi, [&] { stopped = m_Judge.IsAudioStopped(); });
          if (stopped != s.stopped) {
            ADD_FAILURE() << "the idle side found audio " << (stopped ? "stopped" : "running") << " after block " << b;
            return;
          }
        }
      }
    }
    Check(s, verdicts, block);
  }

  static void Check(const Stretch& s, const std::vector<CRenderJudge::CVerdict>& verdicts, double block) {
    int newStreams = 0;
    long switchAt = -1, switches = 0;
    for (size_t b = 0; b < verdicts.size(); ++b) {
      newStreams += verdicts[b].newStream ? 1 : 0;
      if (b > 0 && verdicts[b].offline != verdicts[b - 1].offline) {
        ++switches;
        if (switchAt < 0) switchAt = static_cast<long>(b);
      }
    }
    EXPECT_EQ(newStreams, s.newStreams) << "new streams";
    if (s.newStreams > 0) {
      EXPECT_TRUE(verdicts.front().newStream) << "the first block starts no new stream";
    }
    const bool first = verdicts.front().offline, last = verdicts.back().offline;
    switch (s.mode) {
      case Mode::kRealTime:
      case Mode::kOffline:
        EXPECT_EQ(switches, 0) << "blocks judged both ways, first switch at " << switchAt * block << " s";
        EXPECT_EQ(first, s.mode == Mode::kOffline) << "judged " << (first ? "offline" : "real time");
        break;
      case Mode::kFound:
      case Mode::kReleased: {
        const bool found = s.mode == Mode::kFound;
        ASSERT_EQ(switches, 1) << (found ? "offline" : "real time") << " from " << switchAt * block << " s";
        EXPECT_EQ(last, found);
        EXPECT_GE(switchAt * block, s.from - 1e-9);
        EXPECT_LE(switchAt * block, s.by + 1e-9);
        break;
      }
      case Mode::kAny: break;
    }
  }

  double m_fPosition = 0.0;
  int m_nBlockSize = kAnnouncedBlockSize;
};

constexpr Word kNone = Word::kNone, kRealTime = Word::kRealTime, kOffline = Word::kOffline;
constexpr Transport kPlaying = Transport::kPlaying, kStopped = Transport::kStopped;

}  // namespace

TEST(RenderJudgeTest, EveryHostLayoutGetsItsRenderModeAndItsNewStreams) {
  const double b256 = 256 / kRate, b512 = 512 / kRate;
  const Scenario scenarios[] = {
      // Exports and bounces the host declares, idled meanwhile.
      {"an export declared offline while the user-interface thread idles the effect every 20 ms",
       {Blocks(512, 60.0).Says(kOffline).With(kPlaying).Pace(kFlatOut).Expect(Mode::kOffline).Idled(0.02, false)}},
      {"an export declared offline that pauses 0.5 s and more between blocks",
       {Blocks(512, 2.0).Says(kOffline).With(kPlaying).Pace(kFlatOut).Expect(Mode::kOffline),
        Blocks(512, 2.0).Says(kOffline).With(kPlaying).Pace(kFlatOut).After(0.8).Expect(Mode::kOffline).Idled(0.05, false),
        Blocks(512, 2.0).Says(kOffline).With(kPlaying).Pace(kFlatOut).After(3.0).Expect(Mode::kOffline)}},
      {"\"Offline Render\" on, the host saying nothing, with pauses and no transport",
       {Blocks(1024, 2.0).Says(kNone).OfflineRender().Pace(kFlatOut).Expect(Mode::kOffline),
        Blocks(1024, 2.0).Says(kNone).OfflineRender().Pace(0.5).After(0.8).Expect(Mode::kOffline)}},
      {"a bounce on the user-interface thread, the host saying nothing (its idle after it finds it ended)",
       {Blocks(4096, 5.0).On(Thread::kUserInterface).Says(kNone).With(kStopped).Pace(kFlatOut).Expect(Mode::kOffline),
        Blocks(512, 1.0).Says(kRealTime).With(kStopped).Expect(Mode::kRealTime).Idled(0.01, true)}},
      // Real-time play.
      {"real time, 256 frames, for two minutes", {Blocks(256, 120.0).Expect(Mode::kRealTime)}},
      {"real time in bursts of 8 blocks", {Blocks(256, 60.0).Bursts(8 * b256).Expect(Mode::kRealTime)}},
      {"a device clock 0.05 % fast, for two hours", {Blocks(512, 7200.0).Pace(0.9995).Expect(Mode::kRealTime)}},
      {"real time in bursts of 0.4 s, transport playing, idled",
       {Blocks(512, 15.0).With(kPlaying).Bursts(0.4).Expect(Mode::kRealTime).Idled(0.02, false)}},
      {"real time in bursts of 0.5 s, transport playing",
       {Blocks(512, 15.0).With(kPlaying).Bursts(0.5).Expect(Mode::kRealTime)}},
      {"real time in bursts of 0.75 s and of 1.5 s, transport playing: never a new stream",
       {Blocks(512, 15.0).With(kPlaying).Bursts(0.75).Expect(Mode::kAny),
        Blocks(512, 15.0).With(kPlaying).Bursts(1.5).Expect(Mode::kAny)}},
      {"a pool of 32 threads taking turns in real time", {Blocks(128, 4.0).On(Thread::kPool).Expect(Mode::kRealTime)}},
      {"\"Offline Render\" on while the host says real time at real-time pace",
       {Blocks(512, 5.0).OfflineRender().Expect(Mode::kRealTime)}},
      {"a host that plays on with its transport stopped: audio has stopped for the idle side",
       {Blocks(512, 2.0).With(kStopped).Expect(Mode::kRealTime).Idled(0.02, true)}},
      // Renders the host calls real time, or says nothing of.
      {"an export reported real time at 1.5 and at 1.9 times real time",
       {Blocks(1024, 60.0).Pace(1 / 1.5).Expect(Mode::kRealTime),
        Blocks(1024, 60.0).Pace(1 / 1.9).Expect(Mode::kRealTime)}},
      {"three times real time", {Blocks(1024, 10.0).Pace(1 / 3.0).Expect(Mode::kFound, 1.3, 1.8)}},
      {"a bounce said to be real time, flat out, slowed by a busy machine to 1.2 times for half a second and to 1.5 "
       "times for three",
       {Blocks(256, 2.0).With(kPlaying).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 1.0),
        Blocks(256, 0.6).With(kPlaying).Pace(1 / 1.2).Expect(Mode::kOffline),
        Blocks(256, 4.5).With(kPlaying).Pace(1 / 1.5).Expect(Mode::kOffline),
        Blocks(256, 2.0).With(kPlaying).Pace(kFlatOut).Expect(Mode::kOffline).Idled(0.02, false)}},
      {"a bounce flat out on an audio thread, the host saying nothing",
       {Blocks(512, 3.0).Says(kNone).With(kPlaying).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 1.0)}},
      {"flat out, 8192 frames", {Blocks(8192, 10.0).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 1.0)}},
      {"a buffer filled flat out for 3 s, then kept full in bursts of 0.5 s",
       {Blocks(512, 3.0).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 1.0),
        Blocks(512, 10.0).Bursts(0.5).Expect(Mode::kReleased, 0.9, 1.5)}},
      {"two seconds flat out, then bursts of 16 blocks in their time",
       {Blocks(512, 2.0).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 1.0),
        Blocks(512, 30.0).Bursts(16 * b512).Expect(Mode::kReleased, 0.9, 1.2)}},
      {"flat out, then real time",
       {Blocks(8192, 10.0).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 1.0),
        Blocks(256, 60.0).Expect(Mode::kReleased, 0.9, 1.1)}},
      {"flat out, then one and a half times real time",
       {Blocks(8192, 2.0).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 1.0),
        Blocks(1024, 30.0).Pace(1 / 1.5).Expect(Mode::kOffline)}},
      {"a render too short to be found, a pause, and a second render (after a quiet: a new stream)",
       {Blocks(256, 0.4).Pace(kFlatOut).Expect(Mode::kRealTime),
        Blocks(256, 2.0).Pace(kFlatOut).After(3.0).Expect(Mode::kFound, 0.5, 0.6).Clears(1)}},
      {"flat out across stalls of four blocks",
       {Blocks(256, 1.0).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 0.6),
        Blocks(256, 0.5).Pace(kFlatOut).After(4 * b256).Expect(Mode::kOffline),
        Blocks(256, 0.5).Pace(kFlatOut).After(4 * b256).Expect(Mode::kOffline)}},
      {"three times real time across stalls of eight blocks",
       {Blocks(256, 2.0).Pace(1 / 3.0).Expect(Mode::kFound, 1.4, 1.7),
        Blocks(256, 0.4).Pace(1 / 3.0).After(8 * b256).Expect(Mode::kOffline),
        Blocks(256, 0.4).Pace(1 / 3.0).After(8 * b256).Expect(Mode::kOffline)}},
      {"real time, then flat out",
       {Blocks(256, 60.0).Expect(Mode::kRealTime), Blocks(256, 5.0).Pace(kFlatOut).Expect(Mode::kFound, 0.5, 0.6)}},
      {"real time, a stall, then flat out in blocks of 8192 (after a quiet: a new stream)",
       {Blocks(256, 5.0).Expect(Mode::kRealTime),
        Blocks(8192, 5.0).Pace(kFlatOut).After(30.0).Expect(Mode::kFound, 0.5, 1.0).Clears(1)}},
      {"three times real time, each offline block one and a half blocks of the effect's own work",
       {Blocks(1024, 10.0).Pace(1 / 3.0).OwnWork(1.5).Expect(Mode::kFound, 1.3, 1.8)}},
      {"flat out, each offline block a block's length of the effect's own work",
       {Blocks(256, 10.0).Pace(0.1).OwnWork(1.0).Expect(Mode::kFound, 0.5, 0.7)}},
      // The host's boundaries.
      {"an offline render whose transport starts",
       {Blocks(512, 1.0).Says(kOffline).With(kStopped).Pace(kFlatOut).Expect(Mode::kOffline),
        Blocks(512, 1.0).Says(kOffline).With(kPlaying).Pace(kFlatOut).Expect(Mode::kOffline).Clears(1)}},
      {"an offline render of a new range: the position jumps",
       {Blocks(512, 1.0).Says(kOffline).With(kPlaying).Pace(kFlatOut).Expect(Mode::kOffline),
        Blocks(512, 1.0).Says(kOffline).With(kPlaying).Pace(kFlatOut).Before(Event::kJump).Expect(Mode::kOffline).Clears(1)}},
      {"real-time play in a loop: the position jumps back while playing",
       {Blocks(512, 2.0).With(kPlaying).Expect(Mode::kRealTime),
        Blocks(512, 2.0).With(kPlaying).Before(Event::kJump).Expect(Mode::kRealTime)}},
      {"real time after 0.6 s of quiet, the transport playing on from where it was",
       {Blocks(512, 1.0).With(kPlaying).Expect(Mode::kRealTime),
        Blocks(512, 1.0).With(kPlaying).After(0.6).Expect(Mode::kRealTime)}},
      {"real time after 0.6 s of quiet, the transport playing elsewhere",
       {Blocks(512, 1.0).With(kPlaying).Expect(Mode::kRealTime),
        Blocks(512, 1.0).With(kPlaying).After(0.6).Before(Event::kJump).Expect(Mode::kRealTime).Clears(1)}},
      {"real time after 0.4 s of quiet, no transport", {Blocks(512, 1.0), Blocks(512, 1.0).After(0.4)}},
      {"mains off and on between two offline renders",
       {Blocks(512, 1.0).Says(kOffline).Pace(kFlatOut).Expect(Mode::kOffline),
        Blocks(512, 1.0).Says(kOffline).Pace(kFlatOut).Before(Event::kSuspendResume).Expect(Mode::kOffline).Clears(1)}},
      {"a new sample rate, a new block size",
       {Blocks(512, 1.0).Says(kOffline).Pace(kFlatOut).Expect(Mode::kOffline),
        Blocks(512, 1.0).Says(kOffline).Pace(kFlatOut).At(44100.0).Expect(Mode::kOffline).Clears(1),
        Blocks(512, 1.0).Says(kOffline).Pace(kFlatOut).At(44100.0).Before(Event::kNewBlockSize).Expect(Mode::kOffline).Clears(1)}},
      {"real time, then freewheel on the same thread, then real time again, each block by its word",
       {Blocks(512, 2.0).With(kPlaying).Expect(Mode::kRealTime),
        Blocks(512, 5.0).Says(kOffline).With(kPlaying).Pace(kFlatOut).Expect(Mode::kOffline),
        Blocks(512, 2.0).With(kPlaying).Expect(Mode::kRealTime)}},
  };
  for (const Scenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    CHost host;
    host.Play(scenario.stretches);
  }
}

// The threads' roles: the thread that last idled is the user-interface
// thread and no other is, whatever blocks it processed; and the thread that
// renders offline knows its render has ended while another does not.
TEST(RenderJudgeTest, ThreadsKeepTheirRolesAndAnOfflineRenderIsItsThreadsOwn) {
  CHost host;
  CRenderJudge& judge = host.m_Judge;
  CRenderJudge::CBlockFacts facts;
  facts.word = Word::kOffline;
  facts.frames = 512;
  facts.sampleRate = kRate;
  const auto block = [&] {
    judge.BeginBlock(facts);
    judge.EndBlock();
  };
  bool ui = false, stopped = false, elsewhere = false;
  host.m_Threads.Run(CHost::kUi, [&] {
    block();
    ui = judge.IsUserInterfaceThread();
  });
  EXPECT_TRUE(ui) << "the user-interface thread after a block of its own";
  host.m_Threads.Run(CHost::kAudio, [&] {
    block();
    ui = judge.IsUserInterfaceThread();
    stopped = judge.IsAudioStopped();
  });
  EXPECT_FALSE(ui);
  EXPECT_TRUE(stopped) << "the render's own thread, out of its block";
  host.m_Threads.Run(CHost::kUi, [&] {
    stopped = judge.IsAudioStopped();
    elsewhere = judge.IsOfflineRenderOnAnotherThread();
  });
  EXPECT_FALSE(stopped) << "the render runs on another thread";
  EXPECT_TRUE(elsewhere);

  host.m_Threads.Run(CHost::kPool + 1, [&] { judge.NoteUserInterfaceThread(); });
  int roles = 0;
  for (int t : {CHost::kUi, CHost::kAudio, CHost::kPool, CHost::kPool + 1})
    host.m_Threads.Run(t, [&] { roles += judge.IsUserInterfaceThread() ? 1 << t : 0; });
  EXPECT_EQ(roles, 1 << (CHost::kPool + 1)) << "only the thread that last idled";
}
