// Idle scheduling and audio activity: one idle entry gathers the heavy work,
// rate-limits it, and holds it back while audio runs; the audio side leaves a
// time stamp per block, takes the stream clears asked of it at the start of a
// block, and meets the idle side's engine replacement at m_bAudioBusy.
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

// --- the audio-busy flag -----------------------------------------------------------

XREffect::CAudioBusyHold::CAudioBusyHold(XREffect* effect) : m_pEffect(effect) {
  const uint64_t me = ThisThreadSerial();
  if (m_pEffect->m_nAudioBusyOwner.load() == me) {
    ++m_pEffect->m_nAudioBusyDepth;
    return;
  }
  // The audio thread holds the flag for one block at most; in a forked child
  // the block may be one of a thread the child does not have.
  if (m_pEffect->IsForkedChild()) {
    m_bHeld = !m_pEffect->m_bAudioBusy.exchange(true, std::memory_order_acquire);
    if (!m_bHeld) return;
  } else {
    while (m_pEffect->m_bAudioBusy.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  }
  m_pEffect->m_nAudioBusyDepth = 1;
  m_pEffect->m_nAudioBusyOwner.store(me);
}

XREffect::CAudioBusyHold::~CAudioBusyHold() {
  if (!m_bHeld || --m_pEffect->m_nAudioBusyDepth > 0) return;
  m_pEffect->m_nAudioBusyOwner.store(0);
  m_pEffect->m_bAudioBusy.store(false, std::memory_order_release);
}

XREffect::CAudioBusyTry::CAudioBusyTry(XREffect* effect)
    : m_pEffect(effect), m_bHeld(!effect->m_bAudioBusy.exchange(true, std::memory_order_acquire)) {}

XREffect::CAudioBusyTry::~CAudioBusyTry() {
  if (m_bHeld) m_pEffect->m_bAudioBusy.store(false, std::memory_order_release);
}

// --- audio activity --------------------------------------------------------------------

void XREffect::RegisterProcessBlockSizeToReduceLatency(float**, int) {
  const uint32_t now = GetTickCount();
  m_bBlockAfterQuiet.store(!IsAudioRecent(now), std::memory_order_relaxed);
  m_dwLastProcessTime.store(now, std::memory_order_relaxed);
  m_bBlockProcessed.store(true, std::memory_order_release);
  // While the transport is stopped the host's idle clears the streams
  // (fxIdle); hosts that go on processing then without idling the effect
  // get the same at the block that finds it playing again. So a play or an
  // export starts its hops at its first sample whatever came while stopped,
  // and two renders of the same range are the same.
  const VstTimeInfo* info = getTimeInfo(kVstTransportPlaying);
  const bool stopped = info && (info->flags & kVstTransportPlaying) == 0;
  if (m_bTransportStopped.exchange(stopped, std::memory_order_relaxed) && !stopped) RequestStreamClear();
  // The worker watches for the quiet after these blocks (ClearAfterQuietAudio).
  if (m_bIdleWorkerWanted && !m_bQuietWatch.load(std::memory_order_relaxed) && !m_bQuietWatch.exchange(true))
    WakeIdleWorker();
}

void XREffect::RequestStreamClear() { m_nStreamClear.fetch_or(kStreamClearNow); }

bool XREffect::TakeStreamClear() {
  if (m_nStreamClear.load(std::memory_order_relaxed) == 0) return false;
  const unsigned asked = m_nStreamClear.exchange(0);
  // A clear asked for after a quiet interval is dropped once a block has
  // come within it: the stream it meant has gone on.
  return (asked & kStreamClearNow) != 0 ||
         ((asked & kStreamClearIfQuiet) != 0 && m_bBlockAfterQuiet.load(std::memory_order_relaxed));
}

bool XREffect::IsAudioRecent(uint32_t now) const {
  return m_bBlockProcessed.load(std::memory_order_acquire) &&
         MsElapsed(now, m_dwLastProcessTime.load(std::memory_order_relaxed)) <= kXrAudioRecentMs;
}

bool XREffect::IsAudioRunning(uint32_t now) {
  if (!IsAudioRecent(now)) return false;
  // Hosts bounce with the transport stopped, or report it playing for the
  // bounce: the render's own thread knows it has ended, any other must not
  // rebuild or clear between its blocks.
  const uint64_t renderer = m_nOfflineRenderThread.load(std::memory_order_relaxed);
  if (renderer != 0) return renderer != ThisThreadSerial();
  return IsAudioPlaying();
}

bool XREffect::IsOfflineRenderOnAnotherThread() const {
  const uint64_t renderer = m_nOfflineRenderThread.load(std::memory_order_relaxed);
  return renderer != 0 && renderer != ThisThreadSerial() && IsAudioRecent(GetTickCount());
}

bool XREffect::IsAudioPlaying() {
  XR_TRY
  // The worker never asks the host: it takes the transport as running.
  if (IsOnIdleWorker()) return true;
  const VstTimeInfo* info = getTimeInfo(kVstTransportPlaying);
  return !info || (info->flags & kVstTransportPlaying) != 0;
  XR_CATCH(true)
}

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
  // A thread that idles is not the audio thread until its next block.
  ForgetAudioThreadIfCalling();
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
  // The rest asks the host for its transport and may tell it of a new
  // latency: never on the worker.
  if (onWorker) return 0;
  if (IsAudioRunning(now)) {
    m_bStopWorkDone.store(false);
    return 0;
  }
  ApplyPendingQualityWork();
  if (!m_bStopWorkDone.load()) {
    if (!m_bOfflineRender.load()) {
      // Hosts may go on processing with the transport stopped: the product
      // has its next block start a new stream.
      ClearAllFFTFilters();
      UpdateAllFFTSettings();
    }
    m_bStopWorkDone.store(true);
  }
  XR_CATCH(0)
  return 0;
}
