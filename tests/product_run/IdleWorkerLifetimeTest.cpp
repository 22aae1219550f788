// The effect's idle worker lives from the host's open to its close: no thread
// is left after effClose, also when the close comes while the worker runs a
// filter update at the largest FFT size (under the sanitizers too), and
// without any host or editor idle it has a play after a stop start from
// silence. A host that forks while the worker is busy gets a child that can
// use the effect; there the inherited effect runs a worker of the child's
// own, effects open and close beside it in any order, and Stop joins the
// child's threads only.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Helpers/IdleWorker.h"
#include "RunTestSupport.h"
#include "framework/FrameworkTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace {

// An effect opened and resumed as hosts do, in the mode of `rating` (no
// audio has run, so the request after the rating applies it).
AQVX2* OpenInMode(int rating) {
  auto* fx = static_cast<AQVX2*>(createEffectInstance(runtest::HostCallback));
  AEffect* e = fx->getAeffect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, runtest::kRate);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  e->setParameter(e, kQvx2QualityRating, static_cast<float>(rating) / 999.0f);
  e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0.0f);
  return fx;
}
AQVX2* OpenAtMaximum() { return OpenInMode(80); }

// Waits, up to 10 s, for the idle work to be done; true when it was.
bool IdleWorkDone(AQVX2* fx) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (fx->IsIdleWorkPending() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return !fx->IsIdleWorkPending();
}

// Every band at -20 dB, then one request as a host's next one: true when the
// worker carried it to the sound.
bool CutIsHeard(AQVX2* fx) {
  AEffect* e = fx->getAeffect();
  for (int i = 0; i < kQvx2NumGainParams; ++i) e->setParameter(e, i, 0.0f);
  e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0.0f);
  if (!IdleWorkDone(fx)) return false;
  const runtest::Stereo in = runtest::Noise(8192, 3);
  const runtest::Stereo out = runtest::Stream(*fx, in, {512});
  // Flat, the output would be as loud as the input.
  return runtest::MaxAbs(out.l, 4096) < 0.3 * runtest::MaxAbs(in.l);
}

// Threads of this process with the name the worker gives its own.
int WorkerThreads() {
  int n = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string name;
    std::getline(std::ifstream(task.path() / "comm"), name);
    n += name == "qvx idle" ? 1 : 0;
  }
  return n;
}

// The count once at most `most` are left, or after 2 s: a thread whose join
// returned stays listed until the kernel has reaped it, a moment later.
int WorkerThreadsDownTo(int most) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int n = WorkerThreads();
  while (n > most && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    n = WorkerThreads();
  }
  return n;
}

}  // namespace

TEST(IdleWorkerThreadTest, TheWorkerEndsWithTheEffectAlsoWhenClosedDuringAnUpdate) {
  TempConfigFolder prefs;
  // Whether a close meets the update under way depends on the scheduler: on
  // a busy machine the whole update may run while this thread waits, so
  // the rounds go on until two closes have met one.
  int closedDuringUpdate = 0;
  for (int round = 0; round < 40 && closedDuringUpdate < 2; ++round) {
    AQVX2* fx = OpenAtMaximum();
    AEffect* e = fx->getAeffect();
    EXPECT_EQ(WorkerThreads(), 1) << "round " << round;
    ASSERT_EQ(fx->GetFFTSize(), 32768);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fx->IsIdleWorkPending() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_FALSE(fx->IsIdleWorkPending()) << "the worker finished the mode's update";
    // A new gain starts an update of 16385 bins; the host closes as soon as
    // it runs.
    e->setParameter(e, 2 * (round % 6 + 1), round % 2 != 0 ? 0.9f : 0.1f);
    while (fx->GetFilterUpdateState() == CQVX2KernelUpdate::kIdle && fx->IsIdleWorkPending() &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    closedDuringUpdate += fx->GetFilterUpdateState() != CQVX2KernelUpdate::kIdle ? 1 : 0;
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(WorkerThreadsDownTo(0), 0) << "round " << round;
  }
  EXPECT_GT(closedDuringUpdate, 0) << "no close met an update under way";
}

// A host that stops calling process when its transport stops, reports no
// transport and never idles the effect (its editor closed): the next play,
// or export, starts from silence after the latency's worth of its own audio,
// not with the audio of the stop. Each run plays noise, is quiet for a
// second of the judgement's clock and plays new noise through the flat
// curve; then a slow render, whose blocks come a tenth of a second apart,
// goes on without a clear.
TEST(IdleWorkerThreadTest, APlayAfterAStopStartsFromSilenceWithoutAnyIdle) {
  struct Case {
    int nRating;
    double fTolerance;  // the flat curve's error on the float path
  };
  static std::atomic<int64_t> s_nNowUs{1000000};
  const auto clock = [] { return s_nNowUs.load(); };
  for (const Case c : {Case{30, 3e-6}, Case{80, 4e-4}}) {
    runtest::RunQvx2& fx = *new runtest::RunQvx2(c.nRating);
    fx.SetPaceClock(clock);
    fx.Open();
    // The host's close stops the worker before the effect goes.
    const std::unique_ptr<AEffect, void (*)(AEffect*)> close(
        fx.getAeffect(), [](AEffect* e) { e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f); });
    const int latency = fx.HostLatency();
    // Blocks at a real-time pace.
    const auto play = [&](const runtest::Stereo& in, int64_t gapUs) {
      return runtest::Stream(fx, in, {512}, false, [&](size_t) { s_nNowUs += gapUs; });
    };
    play(runtest::Noise(2 * latency, 41), 10667);
    const int64_t streams = fx.GetRenderCounts().newStreams;
    s_nNowUs += 1000000;
    const runtest::Stereo second = runtest::Noise(2 * latency, 42);
    const runtest::Stereo out = play(second, 10667);
    EXPECT_EQ(fx.GetRenderCounts().newStreams, streams + 1) << "mode " << c.nRating;
    EXPECT_LT(runtest::MaxAbs(out.l, 0, latency), c.fTolerance)
        << "mode " << c.nRating << ": audio from before the stop";
    EXPECT_LT(runtest::MaxAbs(out.r, 0, latency), c.fTolerance) << "mode " << c.nRating;
    EXPECT_LT(runtest::MaxDelayedError(out.l, second.l, latency), c.fTolerance) << "mode " << c.nRating;

    // A render whose blocks come a tenth of a second apart is never cleared
    // between them: its output goes on from the play's.
    const runtest::Stereo slow = runtest::Noise(10 * 512, 43);
    std::vector<float> expected(slow.l.size());
    for (size_t i = 0; i < expected.size(); ++i)
      expected[i] = i < static_cast<size_t>(latency) ? second.l[second.l.size() - latency + i] : slow.l[i - latency];
    const runtest::Stereo slowOut = play(slow, 100000);
    EXPECT_EQ(fx.GetRenderCounts().newStreams, streams + 1) << "mode " << c.nRating;
    EXPECT_LT(runtest::MaxDelayedError(slowOut.l, expected, 0), c.fTolerance) << "mode " << c.nRating;
  }
}

// Not under ThreadSanitizer, which ends a forked child that starts a thread
// (the child's requests start the inherited effect's worker).
TEST(IdleWorkerForkTest, AChildForkedWhileTheWorkerIsBusyCanUseTheEffect) {
  TempConfigFolder prefs;
  AQVX2* fx = OpenAtMaximum();
  AEffect* e = fx->getAeffect();
  // The worker did the mode's update: it is past its start, where the
  // sanitizers' allocator could be held across the fork.
  ASSERT_TRUE(IdleWorkDone(fx));
  for (int round = 0; round < 20; ++round) {
    // Updates of 16385 bins keep the worker in its passes while the host
    // forks; the child resumes the effect, which takes the idle side's lock.
    e->setParameter(e, 2 * round, round % 2 != 0 ? 0.9f : 0.1f);
    const int resumed = fxtest::InForkedChild(
        [&] {
          e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
          return 0;
        },
        10);
    ASSERT_EQ(resumed, 0) << "the child hung on a lock, round " << round;
  }
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

TEST(IdleWorkerForkTest, AChildOpensAndClosesEffectsBesideAnInheritedOneInEitherOrder) {
  enum Step { kOpenNew, kUseNew, kUseInherited, kCloseNew, kCloseInherited };
  struct Case {
    const char* pszName;
    std::vector<Step> steps;
  };
  // A new effect's worker can get the id of the parent's worker thread.
  const Case cases[] = {
      {"new opened, inherited closed untouched", {kOpenNew, kUseNew, kCloseInherited, kCloseNew}},
      {"both used, inherited closed first", {kOpenNew, kUseInherited, kUseNew, kCloseInherited, kCloseNew}},
      {"both used, new closed first", {kOpenNew, kUseNew, kUseInherited, kCloseNew, kCloseInherited}},
      {"inherited used and closed, then new opened", {kUseInherited, kCloseInherited, kOpenNew, kUseNew, kCloseNew}},
  };
  TempConfigFolder prefs;
  for (const Case& c : cases) {
    AQVX2* inherited = OpenInMode(10);
    // A change only the worker carries out: it is in its loop at the fork.
    inherited->getAeffect()->setParameter(inherited->getAeffect(), 0, 0.6f);
    ASSERT_TRUE(IdleWorkDone(inherited)) << c.pszName;
    const int status = fxtest::InForkedChild([&] {
      AQVX2* fresh = nullptr;
      for (size_t i = 0; i < c.steps.size(); ++i) {
        bool ok = true;
        switch (c.steps[i]) {
          case kOpenNew:
            fresh = OpenInMode(10);
            break;
          case kUseNew:
            ok = CutIsHeard(fresh);
            break;
          case kUseInherited:
            ok = CutIsHeard(inherited);
            break;
          case kCloseNew:
            fresh->getAeffect()->dispatcher(fresh->getAeffect(), effClose, 0, 0, nullptr, 0.0f);
            break;
          case kCloseInherited:
            inherited->getAeffect()->dispatcher(inherited->getAeffect(), effClose, 0, 0, nullptr, 0.0f);
            break;
        }
        if (!ok) return static_cast<int>(i) + 1;
      }
      return WorkerThreadsDownTo(0) == 0 ? 0 : 100;
    });
    EXPECT_EQ(status, 0) << c.pszName << " (n: step n failed; 100: a worker left; -1: a signal)";
    inherited->getAeffect()->dispatcher(inherited->getAeffect(), effClose, 0, 0, nullptr, 0.0f);
  }
}

// Not under ThreadSanitizer, which ends a forked child that starts a thread.
TEST(IdleWorkerForkTest, AWorkerStartedAgainInAForkedChildIsJoinedByStop) {
  // A pass that lasts: a Stop that returns while one runs has not joined.
  std::atomic<bool> inPass{false};
  CIdleWorker worker([&] {
    inPass = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    inPass = false;
    return CIdleWorker::kUntilWoken;
  });
  ASSERT_TRUE(worker.Start());
  // Forked once the thread is in its pass, not while it still starts: the
  // sanitizers' allocator has no fork handler, and a thread inside it then
  // leaves its lock held in the child.
  const auto started = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!inPass && std::chrono::steady_clock::now() < started) std::this_thread::yield();
  ASSERT_TRUE(inPass);
  const int status = fxtest::InForkedChild([&] {
    worker.Stop();  // the parent's thread, which the child does not have
    worker.Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!inPass && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    if (!inPass) return 2;
    worker.Stop();
    return inPass ? 1 : 0;
  });
  EXPECT_EQ(status, 0) << "Stop returned during the child's pass";
  worker.Stop();
}

// A host forks (to run something apart) while its audio thread renders the
// effect, offline (a fork waits for the block under way, and a block waits
// for the fork) or in real time (a block never waits), 20 times each: the
// child has none of the parent's threads and still closes the inherited
// effect at once, or after processing blocks and idling it, and exits 0; a
// child forked during an offline render hears its input through the effect.
// Not under ThreadSanitizer, which ends a forked child that starts a thread.
TEST(EffectForkTest, AChildForkedDuringPlayOrRenderProcessesIdlesAndClosesTheEffect) {
  TempConfigFolder prefs;
  constexpr int kFrames = 256;
  const runtest::Stereo input = runtest::Noise(kFrames, 5);
  for (const VstInt32 level : {kVstProcessLevelOffline, kVstProcessLevelRealtime}) {
    runtest::ProcessLevel() = level;
    for (const bool useFirst : {false, true}) {
      SCOPED_TRACE(std::string(level == kVstProcessLevelOffline ? "offline" : "real time") +
                   (useFirst ? ", the child processes and idles first" : ", the child closes at once"));
      AQVX2* fx = OpenInMode(10);
      AEffect* e = fx->getAeffect();
      ASSERT_TRUE(IdleWorkDone(fx));
      // Blocks back to back: nearly every fork meets one under way. The
      // loudest output sample of the blocks played.
      std::atomic<bool> stop{false};
      std::atomic<long> blocks{0};
      const auto play = [&](int count) {
        runtest::Stereo in = input, out = runtest::Silence(kFrames);
        float* ins[2] = {in.l.data(), in.r.data()};
        float* outs[2] = {out.l.data(), out.r.data()};
        float loudest = 0.0f;
        for (int b = 0; b < count && !stop; ++b, ++blocks) {
          e->processReplacing(e, ins, outs, kFrames);
          loudest = std::max(loudest, static_cast<float>(runtest::MaxAbs(out.l, 0, kFrames)));
        }
        return loudest;
      };
      std::thread audio([&] { play(std::numeric_limits<int>::max()); });
      int ended = 0, heard = 0;
      for (int fork = 0; fork < 20; ++fork) {
        const long before = blocks.load();
        while (blocks.load() == before) std::this_thread::yield();
        const int status = fxtest::InForkedChild(
            [&] {
              // More blocks than the mode's latency: the input comes out.
              const bool loud = !useFirst || play(8) > 0.01f;
              if (useFirst) e->dispatcher(e, effIdle, 0, 0, nullptr, 0.0f);
              e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
              return loud ? 0 : 3;
            },
            5);
        ended += status == 0 || status == 3;
        heard += status == 0;
      }
      stop = true;
      audio.join();
      EXPECT_EQ(ended, 20) << "children that exited (the others hung, ended by their alarm)";
      if (level == kVstProcessLevelOffline) {
        EXPECT_EQ(heard, 20) << "children that heard their input";
      }
      e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
  }
  runtest::ProcessLevel() = kVstProcessLevelRealtime;
}
