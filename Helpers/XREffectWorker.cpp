// The effect's own idle source. VST 2.4 hosts need not call effIdle, and on
// Linux most do not while the editor is closed; without another source the
// filter updates that carry every setting to the sound would never run. A
// product that asks for it (m_bIdleWorkerWanted) gets a worker thread:
//
// - It starts at the host's effOpen and at every resume and stops (joined,
//   a pass under way finishing first) at effClose, before anything is taken
//   down; the product's destructor stops it too.
// - It runs a pass when woken (a parameter write that marks work, on any
//   thread) and then every kPassGapMs while the work lasts; with nothing
//   pending it sleeps, without a timeout. Beside an offline render, whose
//   blocks do the work, it looks again after the render, deaf to wakes.
//   While the host's or the editor's idle has run within kStandbyMs it
//   stands by: they do the work.
// - A pass is fxIdle on the worker: the audio thread's leftovers (undo
//   points, preference writes, quality write-backs), the product's idle
//   work (its filter update, under m_IdleMutex like every idle-side step)
//   and the linked-settings poll.
// - The worker never calls the host: not for the transport, not for a
//   latency report, not for automation. So it never rebuilds for a quality
//   mode (that needs the transport and tells the host a new latency), and a
//   value the poll or a write-back adopts, or an I/O change, is left flagged
//   here.
// - What the worker leaves, the host's user-interface thread does: effIdle,
//   the editor's idle, and any other dispatcher request the host makes
//   there (not from inside a call the effect made to the host, nor the
//   events of a block) first sends the deferred automation and I/O change,
//   polls the linked settings and applies a pending quality change once
//   audio has stopped (Helpers/RenderJudge.h). So does a quality setting the
//   host writes there (some hosts make no other request while the editor is
//   closed). No other thread ever gets that work.
#include <algorithm>
#include <iterator>

#include "Helpers/Assert.h"
#include "Helpers/XREffect.h"
#include "Helpers/XREffectDetail.h"

namespace {
constexpr unsigned kStandbyMs = 150;  // the host's or the editor's idle counts as running this long
constexpr int kPassGapMs = 10;        // between passes while work lasts, a host's usual idle period
}  // namespace

bool XREffect::IsIdleWorkPending() { return false; }

VstIntPtr XREffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  XR_TRY
  // An editor open at a fork is the parent's: the child's first request
  // sets it aside before anything reaches it.
  if (m_EditorProcess.IsForkedChild()) LeaveEditorToParent();
  NoteDispatcherThread(opcode, value);
  // A request made from inside one of the effect's own calls to the host
  // may come with the editor's locks held further up: it gets no share.
  // Nor does any thread but the host's user-interface thread, nor the
  // events that come with a block.
  const bool hostThread = IsHostThreadRequest() && opcode != effProcessEvents;
  // An effect a forked child inherited runs a worker of its own.
  if (hostThread && opcode != effClose) m_IdleWorker.RestartIfForkedAway();
  if (!m_bIdleWorkerWanted) return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
  if (opcode == effClose) {
    m_IdleWorker.Stop();
    return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
  }
  if (hostThread && opcode != effIdle) RunHostThreadWork();
  const VstIntPtr answer = AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
  if (hostThread && (opcode == effOpen || (opcode == effMainsChanged && value != 0))) {
    m_IdleWorker.Start();
    // Hosts that honour it idle the effect themselves; the worker then
    // stands by.
    needIdle();
  }
  return answer;
  XR_CATCH(0)
}

bool XREffect::IsHostThreadRequest() {
  // Only the host's user-interface thread: a pool thread whose first call
  // comes before its first block is no more that thread than after it.
  return IsUserInterfaceThread() && !IsAudioThread() && !isInsideHostCall() && !IsOnIdleWorker();
}

void XREffect::RunHostThreadWorkForQualitySetting(int index) {
  // Not for the editor's own edits nor a host calling back from inside
  // them: their idle applies the setting.
  if (!m_bIdleWorkerWanted || m_bQualityNeverApplied.load() || !IsHostThreadRequest() ||
      IsEditorWritingOnThisThread() || IsCalledBackFromEditorFrame())
    return;
  if (index == GetQualityRatingParamNum() || index == GetBitDepthParamNum() || index == GetReportLatencyParamNum() ||
      index == GetOfflineRenderParamNum())
    RunHostThreadWork();
}

int XREffect::RunIdleWorkerPass() {
  XR_TRY
  if (!m_bInitialised.load()) return CIdleWorker::kUntilWoken;
  // Beside an offline render its blocks do the work: the worker looks again
  // after it, deaf to the render's automation, which would wake it at
  // every block.
  if (!IsIdleWorkPending())
    return IsOfflineRenderOnAnotherThread()
               ? CIdleWorker::Deaf(static_cast<int>(CRenderJudge::kQuietSeconds * 1000) + 1)
               : CIdleWorker::kUntilWoken;
  const uint32_t sinceHostIdle = MsElapsed(GetTickCount(), m_dwLastHostIdleTime.load());
  if (m_bHostIdleSeen.load() && sinceHostIdle <= kStandbyMs) return static_cast<int>(kStandbyMs + 1 - sinceHostIdle);
  {
    m_eFxIdleCalledFrom.store(eFxIdleFromWorkerThread);
    xr_detail::ScopeExit done([this] { m_eFxIdleCalledFrom.store(eFxIdleFromUnknown); });
    fxIdle();
  }
  return IsIdleWorkPending() ? kPassGapMs : CIdleWorker::kUntilWoken;
  XR_CATCH(CIdleWorker::kUntilWoken)
}

void XREffect::NoteHostOrEditorIdle() {
  if (IsOnIdleWorker()) return;
  m_dwLastHostIdleTime.store(GetTickCount());
  m_bHostIdleSeen.store(true);
}

void XREffect::MaybePollLinkedSettings(uint32_t now) {
  if (!MsReached(now, m_dwNextLinkPoll.load()) || !GetIsQMLinked()) return;
  m_dwNextLinkPoll.store(now + kXrLinkPollMs);
  MaybeCheckForChangedLinkedQualitySetting();
}

bool XREffect::IsModeRebuildPending() {
  const bool modeChanged =
      m_bQualityRatingChanged.load() || m_bReportLatencyChanged.load() || m_bOfflineRenderChanged.load();
  return (modeChanged && !m_bQualityNeverApplied.load()) || m_bRebuildDeferred.load();
}

bool XREffect::IsQualityWorkPending() { return IsModeRebuildPending() || m_bBitDepthChanged.load(); }

void XREffect::ApplyPendingQualityWork() {
  // While the editor builds a panel or a gesture is open the rebuild waits;
  // asking now would only tell the host of a change that did not happen.
  if (IsRebuildBlockedByEditor()) return;
  if (IsModeRebuildPending()) ioChanged();
  if (m_bBitDepthChanged.load()) {
    ApplyQualityModeSettingsOuter();
    TellEditorQualityChanged();
  }
}

void XREffect::DeferHostAutomation(int index) {
  if (index < 0 || index >= kXrMaxParams) return;
  m_PendingAutomation[index / 64].fetch_or(uint64_t{1} << (index % 64));
  m_bAutomationPending.store(true);
}

void XREffect::FlushDeferredHostCalls() {
  if (m_bAutomationPending.exchange(false)) {
    for (std::size_t w = 0; w < std::size(m_PendingAutomation); ++w) {
      for (uint64_t bits = m_PendingAutomation[w].exchange(0); bits != 0; bits &= bits - 1) {
        const int index = static_cast<int>(w) * 64 + __builtin_ctzll(bits);
        // The value now: the host hears where the parameter ended up.
        HostAutomate(index, Param(index)->load());
      }
    }
  }
  if (m_bHostIOChangePending.exchange(false)) NotifyHostOfIOChange();
}

void XREffect::RunHostThreadWork() {
  if (!m_bInitialised.load() || m_bInHostThreadWork.exchange(true)) return;
  xr_detail::ScopeExit leave([this] { m_bInHostThreadWork.store(false); });
  FlushDeferredHostCalls();
  const uint32_t now = GetTickCount();
  MaybePollLinkedSettings(now);
  if (!IsQualityWorkPending()) return;
  if (!IsAudioStopped()) return;
  std::unique_lock<std::recursive_mutex> lock(m_IdleMutex, std::defer_lock);
  if (!Acquire(lock)) return;
  ApplyPendingQualityWork();
}
