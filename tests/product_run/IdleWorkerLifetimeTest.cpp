// The effect's idle worker lives from the host's open to its close: no thread
// is left after effClose, also when the close comes while the worker runs a
// filter update at the largest FFT size (meant for AddressSanitizer and
// ThreadSanitizer as well).
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "RunTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace {

// Threads of this process named as the idle worker names its own.
int WorkerThreads() {
  int n = 0;
  DIR* tasks = ::opendir("/proc/self/task");
  if (tasks == nullptr) return -1;
  while (const dirent* task = ::readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    std::ifstream comm(std::string("/proc/self/task/") + task->d_name + "/comm");
    std::string name;
    std::getline(comm, name);
    n += name == "qvx idle" ? 1 : 0;
  }
  ::closedir(tasks);
  return n;
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstIntPtr value = 0, float opt = 0.0f) {
  return e->dispatcher(e, opcode, 0, value, nullptr, opt);
}

}  // namespace

TEST(IdleWorkerThreadTest, TheWorkerEndsWithTheEffectAlsoWhenClosedDuringAnUpdate) {
  TempConfigFolder prefs;
  int closedDuringUpdate = 0;
  for (int round = 0; round < 6; ++round) {
    AudioEffect* effect = createEffectInstance(runtest::HostCallback);
    ASSERT_NE(effect, nullptr);
    AEffect* e = effect->getAeffect();
    auto* fx = static_cast<AQVX2*>(effect);
    Dispatch(e, effOpen);
    Dispatch(e, effSetSampleRate, 0, runtest::kRate);
    Dispatch(e, effMainsChanged, 1);
    EXPECT_EQ(WorkerThreads(), 1) << "round " << round;

    // "Maximum": no audio has run, so the next request applies it.
    e->setParameter(e, kQvx2QualityRating, 80.0f / 999.0f);
    Dispatch(e, effGetProgram);
    ASSERT_EQ(fx->GetFFTSize(), 32768);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fx->IsIdleWorkPending() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_FALSE(fx->IsIdleWorkPending()) << "the worker finished the mode's update";

    // A new gain wakes the worker; the host closes as soon as the update
    // has started (16385 bins take several slices).
    e->setParameter(e, 2 * (round + 1), round % 2 != 0 ? 0.9f : 0.1f);
    while (fx->GetFilterUpdateState() == CQVX2KernelUpdate::kIdle && fx->IsIdleWorkPending() &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    closedDuringUpdate += fx->GetFilterUpdateState() != CQVX2KernelUpdate::kIdle ? 1 : 0;
    Dispatch(e, effClose);
    EXPECT_EQ(WorkerThreads(), 0) << "round " << round;
  }
  EXPECT_GT(closedDuringUpdate, 0) << "no close met an update under way";
}
