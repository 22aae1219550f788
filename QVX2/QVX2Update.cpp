// Filter updates: the effect's side of the kernel update
// (QVX2KernelUpdate.h). The effect gives the state machine its response
// model, its kernels and the hand-over of the committed pair, and runs it
// from its idle hook (the host's idle, the editor's idle or the effect's idle
// worker), from the quality-mode build, from the editor's idle and, when the
// block is rendered offline, from the audio thread in a block that takes the
// new pair (one that completes a frame or starts a stream); while an offline
// render runs on another thread, only from its blocks.
//
// Every step runs under the effect base's m_IdleMutex, which also serialises
// the quality-mode rebuilds, so the host's idle and the editor's idle task
// may both call in. No step holds the audio thread off: the commit copies
// both kernels into the engine's hand-over (QVX2KernelHandOver.h), which the
// audio thread takes at the start of its next block, so no block waits for a
// commit or is lost to one.
#include <chrono>
#include <mutex>
#include <thread>

#include "Helpers/Assert.h"
#include "Helpers/ScopedValue.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Engine.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Update");

namespace {
// How long an offline block waits for the idle side at most: a thread that
// holds it while the host answers an I/O change may be waiting for this very
// render to stop.
constexpr auto kOfflineWaitLimit = std::chrono::seconds(2);

bool TryLockFor(std::unique_lock<std::recursive_mutex>& lock, std::chrono::steady_clock::duration limit) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
}  // namespace

// What one step of the update works on, held by the caller of the step.
class AQVX2::CKernelUpdateClient final : public CQVX2KernelUpdate::CClient {
 public:
  explicit CKernelUpdateClient(AQVX2& fx) : m_Fx(fx) {}

  void RestartResponse() override { m_Fx.m_nResponseResume = 0; }
  void UpdateCalcCache() override { m_Fx.UpdateFilterCalcCache(); }
  bool ComputeResponseSlice(int bins) override { return m_Fx.UpdateCachedIdealisedResponse(bins); }
  CQVX2KernelUpdate::Kernel* KernelToDesign(int channel) override {
    CQVX2Engine* engine = m_Fx.m_pEngine.get();
    FftQVX2* kernel = engine != nullptr ? engine->pKernel[channel].get() : nullptr;
    // A response of another size (a mode change under way) is never
    // designed from.
    if (kernel == nullptr || m_Fx.GetCachedResponse(kernel->m_nChannel, kernel->m_nFftSize) == nullptr)
      return nullptr;
    return kernel;
  }
  float DesignSampleRate() override { return m_Fx.getSampleRate(); }
  void CommitTogether(CQVX2KernelUpdate::Kernel& left, CQVX2KernelUpdate::Kernel& right) override {
    // The kernels themselves are the idle side's (the editor draws them);
    // the audio thread multiplies by its copy of the pair.
    left.CommitSetup();
    right.CommitSetup();
    CQVX2Engine* engine = m_Fx.m_pEngine.get();
    if (engine != nullptr && engine->pKernelHandOver) engine->pKernelHandOver->Publish(left, right);
  }
  bool IsWysiwyg() override { return m_Fx.m_bWysiwyg.load(); }
  void MarkCurveStale() override { m_Fx.MarkEditorCurveStale(); }

 private:
  AQVX2& m_Fx;
};

void AQVX2::fxIdleInner() {
  XR_TRY
  // Beside an offline render the idle side designs nothing: the render's
  // blocks do, and a design here would only take its time from the host's
  // own work between them.
  if (!IsIdleWorkPending()) return;
  const CFlagScope idleBusy(m_bIdleBusy);
  UpdateFilters(true);
  XR_CATCH_VOID
}

void AQVX2::UpdateFilters([[maybe_unused]] bool bTakeAudioBusy) {
  XR_TRY
  std::unique_lock<std::recursive_mutex> serialise(m_IdleMutex, std::defer_lock);
  if (!Acquire(serialise)) return;
  // A caller that waited for the lock may find the update done meanwhile
  // (by an offline block): it designs the same kernels again for nothing.
  if (!m_KernelUpdate.IsPending()) return;
  CKernelUpdateClient client(*this);
  // Short steps inside a host's call: a host may hold its own lock around
  // the call, and its audio thread wait for it.
  m_KernelUpdate.Step(client,
                      IsOnIdleWorker() ? CQVX2KernelUpdate::kSliceBudgetMs : CQVX2KernelUpdate::kHostCallBudgetMs);
  XR_CATCH_VOID
}

void AQVX2::CompleteFilterUpdate() {
  XR_TRY
  std::unique_lock<std::recursive_mutex> serialise(m_IdleMutex, std::defer_lock);
  if (!Acquire(serialise)) return;
  const CFlagScope idleBusy(m_bIdleBusy);
  // Bounded: writes from other threads may mark the filters again at any
  // time, and a step that keeps failing must not hold the caller for ever.
  // Each call does at least one slice or design, so one update takes at most
  // bins/1024 + 3 calls (its slices and two designs).
  const int bins = m_nResponseFftSize / 2 + 1;
  const int maxCalls = 2 * (bins / CQVX2KernelUpdate::kSliceBins + 4);
  int completed = 0;
  for (int calls = 0; calls < maxCalls && completed < 2; ++calls) {
    if (!m_KernelUpdate.IsPending()) break;
    // While a refit writes the gains (further up on this very thread, or on
    // the user-interface thread) the update is left to the next idle call:
    // waiting here could never end in the first case.
    if (m_KernelUpdate.IsSuspended()) break;
    UpdateFilters(false);
    if (m_KernelUpdate.State() == CQVX2KernelUpdate::kIdle) ++completed;
  }
  XR_CATCH_VOID
}

bool AQVX2::EnterIdleSideForOfflineBlock(std::unique_lock<std::recursive_mutex>& idleSide, bool bMayWait) {
  XR_TRY
  // Waits only for an update to complete, and never when a host renders
  // from inside an editor event (the idle side may be waiting for that very
  // frame: a rebuild removes the views first) or in a forked child (the
  // holder may be a thread the child does not have).
  if (!idleSide.try_lock()) {
    const bool wait = m_KernelUpdate.IsPending() && !IsCalledBackFromEditorFrame() && !IsForkedChild();
    if (!wait) return true;
    if (!bMayWait) return false;
    if (!TryLockFor(idleSide, kOfflineWaitLimit)) return true;
  }
  if (m_KernelUpdate.IsPending()) CompleteFilterUpdate();
  return true;
  XR_CATCH(true)
}
