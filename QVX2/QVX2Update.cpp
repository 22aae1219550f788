// Filter updates: parameter changes reach the audio path only through new
// kernels, designed on the idle side in steps (a state machine working in
// slices of 1024 bins for at most 50 ms per call) and committed for both
// channels together while the audio thread is held off.
//
// Every update runs under the effect base's m_IdleMutex, which also
// serialises the quality-mode rebuilds and the band-type refit, so the host's
// idle and the editor's idle task may both call in. Only the two pointer
// swaps run with m_bAudioBusy held; the design runs outside it.
#include <mutex>

#include "Helpers/Assert.h"
#include "Helpers/ScopedValue.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Engine.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Update");

namespace {

constexpr int kSliceBins = 1024;          // bins of the per-bin response per step
constexpr unsigned kSliceBudgetMs = 50;   // time one call may spend on the response

enum EUpdateState { kStateIdle = 0, kStateStart = 1, kStateResponse = 2, kStateKernels = 3, kStateFinish = 4 };

}  // namespace

void AQVX2::fxIdleInner() {
  XR_TRY
  if (!m_bFiltersNeedUpdating.load() && m_nFilterUpdateState.load() == kStateIdle) return;
  const CFlagScope idleBusy(m_bIdleBusy);
  UpdateFilters(true);
  XR_CATCH_VOID
}

void AQVX2::UpdateFilters([[maybe_unused]] bool bTakeAudioBusy) {
  XR_TRY
  std::lock_guard<std::recursive_mutex> serialise(m_IdleMutex);
  if (m_bRefitSuspend.load()) return;

  if (m_nFilterUpdateState.load() == kStateIdle) {
    m_nFilterUpdateState.store(kStateStart);
    // Changes from here on mark the filters again: one more update follows.
    m_bFiltersNeedUpdating.store(false);
    m_nResponseResume = 0;
  }
  if (m_nFilterUpdateState.load() == kStateStart) {
    m_nFilterUpdateState.store(kStateResponse);
    UpdateFilterCalcCache();
    // The drawn curve follows the model at once.
    if (!m_bWysiwyg.load()) MarkEditorCurveStale();
  }
  if (m_nFilterUpdateState.load() == kStateResponse) {
    // At least one slice per call; more while the budget lasts.
    const unsigned start = GetTickCount();
    while (!UpdateCachedIdealisedResponse(kSliceBins))
      if (MsReached(GetTickCount(), start + kSliceBudgetMs)) return;
    m_nFilterUpdateState.store(kStateKernels);
  }
  if (m_nFilterUpdateState.load() == kStateKernels) {
    m_nFilterUpdateState.store(kStateFinish);
    CQVX2Engine* engine = m_pEngine.get();
    if (engine == nullptr || !engine->pKernel[0] || !engine->pKernel[1]) return;
    FftQVX2* kernels[2] = {engine->pKernel[0].get(), engine->pKernel[1].get()};
    const float rate = getSampleRate();
    for (FftQVX2* kernel : kernels) {
      // A response of another size (a mode change under way) is never
      // designed from.
      if (GetCachedResponse(kernel->m_nChannel, kernel->m_nFftSize) == nullptr) return;
      kernel->m_fSampleRate = rate;
      kernel->m_bNeedsSetup = true;
      kernel->Setup(true);
    }
    // Both channels change together or not at all: a failed design keeps
    // both committed kernels.
    if (kernels[0]->m_bSetupReady && kernels[1]->m_bSetupReady) {
      // Taken whatever bTakeAudioBusy says: the hold is re-entrant, so a
      // caller that holds the flag already (the quality-mode build) is not
      // blocked by it, and a caller that wrongly claims to hold it still
      // never commits while a block runs.
      CAudioBusyHold hold(this);
      kernels[0]->CommitSetup();
      kernels[1]->CommitSetup();
    }
  }
  // The finish step; also where a call resumes after a missing kernel.
  m_nFilterUpdateState.store(kStateIdle);
  // The drawn curve follows the committed kernels.
  if (m_bWysiwyg.load()) MarkEditorCurveStale();
  XR_CATCH_VOID
}

void AQVX2::CompleteFilterUpdate() {
  XR_TRY
  std::lock_guard<std::recursive_mutex> serialise(m_IdleMutex);
  const CFlagScope idleBusy(m_bIdleBusy);
  // Bounded: writes from other threads may mark the filters again at any
  // time, and a step that keeps failing must not hold the caller for ever.
  // Each call computes at least one slice, so one update takes at most
  // bins/1024 + 2 calls.
  const int bins = m_nResponseFftSize / 2 + 1;
  const int maxCalls = 2 * (bins / kSliceBins + 4);
  int completed = 0;
  for (int calls = 0; calls < maxCalls && completed < 2; ++calls) {
    if (!m_bFiltersNeedUpdating.load() && m_nFilterUpdateState.load() == kStateIdle) break;
    // A refit holds the idle mutex for its whole run, so the flag can only
    // be set by this very thread further up: waiting would never end.
    if (m_bRefitSuspend.load()) break;
    UpdateFilters(false);
    if (m_nFilterUpdateState.load() == kStateIdle) ++completed;
  }
  XR_CATCH_VOID
}
