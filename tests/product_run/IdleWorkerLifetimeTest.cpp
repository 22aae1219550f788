// The effect's idle worker lives from the host's open to its close: no thread
// is left after effClose, also when the close comes while the worker runs a
// filter update at the largest FFT size (under the sanitizers too); and a
// host that forks while the worker is busy gets a child that can use the
// effect, and whose Stop joins a worker the child started itself.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "Helpers/IdleWorker.h"
#include "RunTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace {

// An effect opened and resumed as hosts do, in "Maximum" (no audio has run,
// so the request after the rating applies it).
AQVX2* OpenAtMaximum() {
  auto* fx = static_cast<AQVX2*>(createEffectInstance(runtest::HostCallback));
  AEffect* e = fx->getAeffect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, runtest::kRate);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  e->setParameter(e, kQvx2QualityRating, 80.0f / 999.0f);
  e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0.0f);
  return fx;
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

// A child's exit status once it ended; -1 when a signal ended it.
int ChildStatus(pid_t child) {
  int status = -1;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(IdleWorkerThreadTest, TheWorkerEndsWithTheEffectAlsoWhenClosedDuringAnUpdate) {
  TempConfigFolder prefs;
  int closedDuringUpdate = 0;
  for (int round = 0; round < 6; ++round) {
    AQVX2* fx = OpenAtMaximum();
    AEffect* e = fx->getAeffect();
    EXPECT_EQ(WorkerThreads(), 1) << "round " << round;
    ASSERT_EQ(fx->GetFFTSize(), 32768);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fx->IsIdleWorkPending() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_FALSE(fx->IsIdleWorkPending()) << "the worker finished the mode's update";
    // A new gain starts an update of 16385 bins; the host closes as soon as
    // it runs.
    e->setParameter(e, 2 * (round + 1), round % 2 != 0 ? 0.9f : 0.1f);
    while (fx->GetFilterUpdateState() == CQVX2KernelUpdate::kIdle && fx->IsIdleWorkPending() &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    closedDuringUpdate += fx->GetFilterUpdateState() != CQVX2KernelUpdate::kIdle ? 1 : 0;
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(WorkerThreadsDownTo(0), 0) << "round " << round;
  }
  EXPECT_GT(closedDuringUpdate, 0) << "no close met an update under way";
}

TEST(IdleWorkerThreadTest, AChildForkedWhileTheWorkerIsBusyCanUseTheEffect) {
  TempConfigFolder prefs;
  AQVX2* fx = OpenAtMaximum();
  AEffect* e = fx->getAeffect();
  for (int round = 0; round < 20; ++round) {
    // Updates of 16385 bins keep the worker in its passes while the host
    // forks; the child resumes the effect, which takes the idle side's lock.
    e->setParameter(e, 2 * round, round % 2 != 0 ? 0.9f : 0.1f);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::alarm(10);  // a child hung on a lock ends by the signal
      e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
      ::_exit(0);
    }
    ASSERT_EQ(ChildStatus(child), 0) << "the child hung on a lock, round " << round;
  }
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
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
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    worker.Stop();  // the parent's thread, which the child does not have
    worker.Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!inPass && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    if (!inPass) ::_exit(2);
    worker.Stop();
    ::_exit(inPass ? 1 : 0);
  }
  EXPECT_EQ(ChildStatus(child), 0) << "Stop returned during the child's pass";
  worker.Stop();
}
