// The effect's idle worker lives from the host's open to its close: no thread
// is left after effClose, also when the close comes while the worker runs a
// filter update at the largest FFT size (under the sanitizers too).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "RunTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace {

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

}  // namespace

TEST(IdleWorkerThreadTest, TheWorkerEndsWithTheEffectAlsoWhenClosedDuringAnUpdate) {
  TempConfigFolder prefs;
  int closedDuringUpdate = 0;
  for (int round = 0; round < 6; ++round) {
    auto* fx = static_cast<AQVX2*>(createEffectInstance(runtest::HostCallback));
    ASSERT_NE(fx, nullptr);
    AEffect* e = fx->getAeffect();
    auto dispatch = [e](VstInt32 opcode, VstIntPtr value = 0, float opt = 0.0f) {
      return e->dispatcher(e, opcode, 0, value, nullptr, opt);
    };
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, runtest::kRate);
    dispatch(effMainsChanged, 1);
    EXPECT_EQ(WorkerThreads(), 1) << "round " << round;
    // "Maximum" (no audio has run, so the next request applies it) and its
    // first update, done by the worker.
    e->setParameter(e, kQvx2QualityRating, 80.0f / 999.0f);
    dispatch(effGetProgram);
    ASSERT_EQ(fx->GetFFTSize(), 32768);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fx->IsIdleWorkPending() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_FALSE(fx->IsIdleWorkPending());
    // A new gain starts an update of 16385 bins; the host closes as soon as
    // it runs.
    e->setParameter(e, 2 * (round + 1), round % 2 != 0 ? 0.9f : 0.1f);
    while (fx->GetFilterUpdateState() == CQVX2KernelUpdate::kIdle && fx->IsIdleWorkPending() &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    closedDuringUpdate += fx->GetFilterUpdateState() != CQVX2KernelUpdate::kIdle ? 1 : 0;
    dispatch(effClose);
    EXPECT_EQ(WorkerThreads(), 0) << "round " << round;
  }
  EXPECT_GT(closedDuringUpdate, 0) << "no close met an update under way";
}
