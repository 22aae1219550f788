// Idle scheduling: one idle entry gathers the heavy work, rate-limits it,
// and holds it back until audio has stopped (as the render judgement says).
#include "Helpers/Assert.h"
#include "Helpers/EditorHooks.h"
#include "Helpers/PersistantStorage.h"
#include "Helpers/XREffect.h"
#include "Helpers/XREffectDetail.h"

namespace {
constexpr unsigned kMaybeIdleGapMs = 100;         // MaybeCallFxIdle's minimum interval
constexpr unsigned kMaybeIdleGapProcessMs = 500;  // ... when asked from the audio path
constexpr int kMaxProcessChannels = 64;           // channels the accumulating call serves
}  // namespace

const char* const XREffect::s_szFxIdleCalledFromString[5] = {"Editor", "SetParam", "Process", "Worker Thread",
                                                             "Unknown"};

// --- the accumulating process call ----------------------------------------------

void XREffect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
  XR_TRY
  const AEffect* record = getAeffect();
  const int nIn = record->numInputs;
  const int nOut = record->numOutputs;
  if (!inputs || !outputs || sampleFrames <= 0 || nIn < 0 || nOut < 0 || nIn > kMaxProcessChannels ||
      nOut > kMaxProcessChannels)
    return;
  for (int c = 0; c < nIn; ++c)
    if (!inputs[c]) return;
  for (int c = 0; c < nOut; ++c)
    if (!outputs[c]) return;
  // One frame at a time through copies, so that an input that shares memory
  // with an output is read before the output is touched, and a frame the
  // product skips (audio busy) adds silence instead of the held samples.
  float inFrame[kMaxProcessChannels];
  float outFrame[kMaxProcessChannels];
  float* in[kMaxProcessChannels];
  float* out[kMaxProcessChannels];
  for (int c = 0; c < kMaxProcessChannels; ++c) {
    in[c] = &inFrame[c];
    out[c] = &outFrame[c];
  }
  for (VstInt32 i = 0; i < sampleFrames; ++i) {
    for (int c = 0; c < nIn; ++c) inFrame[c] = inputs[c][i];
    for (int c = 0; c < nOut; ++c) outFrame[c] = 0.0f;
    processReplacing(in, out, 1);
    for (int c = 0; c < nOut; ++c) outputs[c][i] += outFrame[c];
  }
  XR_CATCH_VOID
}

// --- idle ----------------------------------------------------------------------------------

bool XREffect::IsCalledBackFromEditorFrame() {
  XREditorHooks* editor = GetEditorHooks();
  return editor && editor->IsInUseOnThisThread();
}

bool XREffect::EnterIdleSide(std::unique_lock<std::recursive_mutex>& idleSide) {
  // A host calling back from a host call the editor made under its frame
  // lock: the idle side may be waiting for that frame (a rebuild removes
  // the views first), so it is only tried, as the editor's own code does.
  if (IsCalledBackFromEditorFrame()) return idleSide.try_lock();
  return Acquire(idleSide);
}

void XREffect::fxIdleInner() {}

void XREffect::MaybeCallFxIdle(EFxIdleCalledFrom from) {
  XR_TRY
  // The editor's idle runs, even when it finds nothing due yet.
  if (from != eFxIdleFromWorkerThread) NoteHostOrEditorIdle();
  const uint32_t now = GetTickCount();
  const unsigned gap = from == eFxIdleFromProcess ? kMaybeIdleGapProcessMs : kMaybeIdleGapMs;
  // A clock that went back gives a huge elapsed time and runs the idle too.
  if (MsElapsed(now, m_dwLastFxIdleTime.load()) <= gap) return;
  m_eFxIdleCalledFrom.store(from);
  xr_detail::ScopeExit done([this] { m_eFxIdleCalledFrom.store(eFxIdleFromUnknown); });
  fxIdle();
  XR_CATCH_VOID
}

VstInt32 XREffect::fxIdle() {
  const bool onWorker = IsOnIdleWorker();
  NoteHostOrEditorIdle();
  // What the audio thread handed over instead of waiting (undo points,
  // preference writes, the quality settings' write-backs) is done by every
  // idle call, also while another thread's pass runs.
  if (!IsAudioThread()) {
    CheckForChangeCanUndoOrRedo();
    CPersistantStorage::StoreDeferredWrites();
    WriteBackPendingQualityStates();
  }
  // One pass at a time, from whichever thread: nested and concurrent calls
  // return at once.
  if (m_bInFxIdle.exchange(true)) return 0;
  xr_detail::ScopeExit leave([this] { m_bInFxIdle.store(false); });
  XR_TRY
  // What the worker left for a host thread.
  if (!onWorker) FlushDeferredHostCalls();
  // Called back from inside the editor's frame: the whole pass, or none.
  std::unique_lock<std::recursive_mutex> calledBack(m_IdleMutex, std::defer_lock);
  if (IsCalledBackFromEditorFrame() && !calledBack.try_lock()) return 0;
  fxIdleInner();
  const uint32_t now = GetTickCount();
  if (MsElapsed(now, m_dwLastFxIdleTime.load()) <= kXrFxIdleGateMs) return 0;
  m_dwLastFxIdleTime.store(now);
  if (!m_bInitialised.load()) return 0;

  std::unique_lock<std::recursive_mutex> lock(m_IdleMutex, std::defer_lock);

  if (!Acquire(lock)) return 0;
  MaybePollLinkedSettings(now);
  // The rest may tell the host of a new latency: never on the worker, and
  // only once audio has stopped (asked after the wait for the lock). A new
  // stream after the stop is the blocks' own judgement, not this side's.
  if (onWorker || !IsAudioStopped()) return 0;
  ApplyPendingQualityWork();
  XR_CATCH(0)
  return 0;
}
