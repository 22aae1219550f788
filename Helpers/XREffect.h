// The framework's effect base. It sits between the VST 2.4 layer and the
// product effect and owns what every product shares: 20 programs of parameter
// values with an A and a B copy of the settings, the previous-value snapshot
// that tells the product which parameters really changed, machine-wide
// persistent parameters kept in the user's preferences, the writing road of
// every parameter change, and one undo/redo history per settings bank.
//
// Threads. Parameter writes come from the host's user-interface thread
// (editor, dispatcher, idle) and, for automation, from any thread the host
// chooses, possibly its audio thread; the audio thread reads values through
// Param(). Every value is therefore a std::atomic<float>, and every flag that
// more than one thread touches is atomic. The undo rings are guarded by
// m_UndoMutex, held only for the ring operations themselves: undo and redo
// collect their writes under it and apply them after releasing it, so no
// thread waits on it while the effect calls its product, its editor or the
// host. The audio thread (automation may arrive there) never waits on it: it
// tries it, and an undo point it cannot record at once waits in
// m_DeferredUndoPoints for the next holder of the lock (at the latest the
// next idle call). Program changes, A/B switches, program names and edit
// brackets belong to the user-interface thread.
//
// Each block's render mode (offline or real time) and whether its stream
// starts afresh, which thread is the host's user-interface thread and
// whether audio has stopped are the render judgement's (m_Judge, Helpers/RenderJudge.h, where the rule
// stands). Automation from any thread but the user-interface thread is
// served as the audio thread's: it never waits, never calls the host and
// never rebuilds.
//
// Quality modes and idle work (XREffectQuality.cpp, XREffectIdle.cpp): the
// quality settings are parameters, so their setters run wherever parameters
// are written and only raise atomic flags (off the user-interface thread the
// write-back of the snapped state to the host and the undo history waits
// for the next idle); the decision to rebuild, the rebuild and the latency
// report run on the host's user-interface thread (its idle, the editor's
// idle, the dispatcher's resume and, with the idle worker, its other
// requests and its own writes of quality settings) under m_IdleMutex, and
// only once audio has stopped. The audio thread meets a rebuild only at
// m_AudioBusy (Helpers/AudioBusyFlag.h): it skips a block while the idle
// side holds the flag, and the idle side holds it only around a rebuild.
// Whatever else the idle side changes for the audio path it hands over for
// the start of the next block, which never waits for it: a new stream
// (RequestStreamClear) and the product's own hand-overs.

// The editor is reached only through XREditorHooks (Helpers/EditorHooks.h),
// found on the VST editor object; with no editor these calls are skipped.
//
// Source files: XREffect.cpp (construction, parameters, programs, A/B,
// persistent parameters, the block's judgement), XREffectUndo.cpp (undo,
// redo, edit brackets), XREffectQuality.cpp (quality modes, rebuilds,
// latency reports), XREffectIdle.cpp (idle scheduling, the accumulating
// process call), XREffectWorker.cpp (the effect's own idle source and the
// work it leaves to the host's user-interface thread), XREffectDetail.h
// (helpers shared by those files). Its state by section: XREffectTypes.h
// (sizes and records), XREffectUndoState.h, XREffectQualityState.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "Helpers/AudioBusyFlag.h"
#include "Helpers/AudioThread.h"
#include "Helpers/ForkedChild.h"
#include "Helpers/IdleWorker.h"
#include "Helpers/RenderJudge.h"
#include "Helpers/XREffectQualityState.h"
#include "Helpers/XREffectTypes.h"
#include "Helpers/XREffectUndoState.h"
#include "vst/AudioEffectX.h"

class XREditorHooks;
struct CColor;
template <typename FTYPE>
class FftFilter;

class XREffect : public AudioEffectX, protected CXrUndoState, protected CXrQualityState {
 public:
  // A list of (index, value) pairs ended by index -1, with a program name.
  struct PresetStreamEntry {
    int32_t nIndex;
    float fValue;
  };
  struct PresetStream {
    const char* pszName;
    const PresetStreamEntry* pEntries;
  };

  // Who runs fxIdle, for diagnostics.
  enum EFxIdleCalledFrom {
    eFxIdleFromEditor = 0,
    eFxIdleFromSetParam = 1,
    eFxIdleFromProcess = 2,
    eFxIdleFromWorkerThread = 3,
    eFxIdleFromUnknown = 4,
  };
  static const char* const s_szFxIdleCalledFromString[5];

  // The audio-busy flag's scopes (Helpers/AudioBusyFlag.h) on this effect's
  // flag: the idle side's hold only tries in a forked child, since the
  // block that holds it may be one of a thread the child does not have.
  class CAudioBusyHold : public CAudioBusyFlag::CHold {
   public:
    explicit CAudioBusyHold(XREffect* effect) : CHold(effect->m_AudioBusy, effect->IsForkedChild()) {}
  };
  class CAudioBusyTry : public CAudioBusyFlag::CTry {
   public:
    explicit CAudioBusyTry(XREffect* effect) : CTry(effect->m_AudioBusy) {}
  };

  // nParams: the A settings and the settings without a B copy; nABParams: the
  // B copies, parameter i < nABParams having its copy at nParams + i. The
  // host sees nParams + nABParams parameters (limited to kXrMaxParams).
  XREffect(audioMasterCallback audioMaster, int nParams, int nABParams);
  ~XREffect() override;

  // --- overrides of the VST layer ------------------------------------------
  // With the idle worker (XREffectWorker.cpp): starts it at the host's open
  // and resume, stops it at close, and gives every other request from a host
  // thread the work the worker leaves to those threads. [host threads]
  // Tells the render judgement of a suspend, and of a thread that opens or
  // idles the effect or works the editor.
  VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
  // The host has the record: identifies the host (once per process) and
  // applies the "LimitFramerate" preference after it. [host thread]
  void open() override;
  // Any thread. Host indexes outside the parameter count and the persistent
  // range are ignored. A quality setting written on one of the host's own
  // threads gets that thread's share of the work, as a request does
  // (XREffectWorker.cpp).
  void setParameter(VstInt32 index, float value) override;
  float getParameter(VstInt32 index) override;
  // True only for indexes the host knows: 0 .. parameter count - 1.
  bool getIsIndexValidForEditing(VstInt32 index) override;
  VstInt32 getProgram() override;
  // UI thread. Programs outside 0..19 are ignored.
  void setProgram(VstInt32 program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  // Edit brackets, undo (10001) and redo (10002) requests. UI thread.
  bool beginEdit(VstInt32 index) override;
  bool endEdit(VstInt32 index) override;
  bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
  bool beginSetProgram() override;
  bool endSetProgram() override;
  bool getVendorString(char* text) override;
  VstInt32 getVendorVersion() override;
  // The host's mouse-wheel message goes to the editor's onWheel.
  VstIntPtr vendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg) override;
  VstInt32 getPlugCategory() override;
  // Applies pending quality changes and resets the product's filters for a
  // new stream. Dispatcher or idle side.
  void resume() override;
  // Tells the host of a new latency: applies pending changes through the
  // effect's own suspend/resume first, so the record holds the new initial
  // delay when the host reads it. Idle side.
  bool ioChanged() override;
  // The host's idle: the product's idle work, then (rate-limited, and only
  // while audio is quiet) quality rebuilds, latency reports and the filters'
  // reset after audio stops. Always 0. Any thread; a concurrent or nested call
  // returns at once.
  VstInt32 fxIdle() override;
  // [audio thread] The accumulating process call: adds the effect's output to
  // what the output buffers hold, one frame at a time through
  // processReplacing.
  void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;

  // --- operations for the product ------------------------------------------
  virtual bool InitPresetsFromPresetStream();
  // Re-applies every parameter of the current program against the snapshot,
  // then every persistent parameter. UI thread.
  virtual void RefreshAllParameters();
  // Told after every write of a parameter (persistent ones included), on the
  // writer's thread.
  virtual void ParameterChanged(int index) = 0;
  virtual void ClearUndos();
  // Take back or redo one entry, or one whole group. Callers pass false; true
  // continues inside a group. UI thread.
  virtual void Undo(bool bInGroup);
  virtual void Redo(bool bInGroup);
  // Records the value to restore for a parameter, or a group marker. Any
  // thread; the ring is guarded. On the audio thread it never waits: while
  // another thread holds the history the point is recorded later, in order
  // (dropped only when 256 points wait already).
  virtual void StoreUndoPoint(int index, float value);
  virtual bool ParamShouldUndo(int index);
  virtual void SwitchABProgram();
  virtual void CopyAtoB();
  virtual void Init();
  virtual void InitAfterProgramsSet();
  virtual void InitAfterParametersSet();
  virtual void Cleanup();
  virtual void fxIdleInner();
  virtual const char* GetQualityModeStringFromRating(int rating);
  // Allowed ratings, ended by -1.
  virtual const int* GetAllowableRatings();
  virtual void GetQualityModeSettings(int& fftSize, int& kernelSize, int& passes);
  // The latency the product's filters report for a mode's settings (before
  // any pad): what the host is told, and what a host that keeps its first
  // latency is compared against. The default is that of an overlap filter
  // (FftFilterWithCallBack) with the kernel as its overlap: a hop plus half
  // a kernel. [idle side]
  virtual int GetQualityModeLatency(int fftSize, int kernelSize, int passes);
  // The product rebuilds its filters for m_nFFTSize, m_nKernelSize, m_nPasses
  // and m_nBitDepth; called with m_AudioBusy held.
  virtual void ApplyQualityModeSettings();
  // The product calls UpdateFFTSettings for each filter.
  virtual void UpdateAllFFTSettings();
  // The product calls InPlaceUpdateFFTSettings for each filter.
  virtual void InPlaceApplyQualityModeSettings();
  // The product's filters lose their history (a new stream); the product
  // may leave that to its next block (RequestStreamClear).
  virtual void ClearAllFFTFilters();
  // Parameter indexes of the quality settings; -1 when the product has none.
  virtual int GetQMLinkParamNum();
  virtual int GetQualityRatingParamNum();
  virtual int GetQMLinkButtonResourceId();
  virtual int GetDitherParamNum();
  virtual int GetBitDepthParamNum();
  virtual int GetReportLatencyParamNum();
  virtual int GetOfflineRenderParamNum();
  virtual int GetWysiwygParamNum();
  virtual const char* QualityRatingString();

  // The address of a parameter's value in the current program. Indexes
  // outside 0..kXrMaxParams-1 get a scratch slot that always reads 0, so a bad
  // index can never reach past a program. Any thread.
  std::atomic<float>* Param(int index);

  // setParameter, then the host is told of the new value (indexes the host
  // knows only). Editor edits, undo, redo and quality settings come this way.
  void SetParamAndForceHostUpdate(int index, float value);
  // For the product's ParameterChanged: whether the value differs from the
  // snapshot (NaN counts as a change). Persistent indexes always changed;
  // indexes outside the program and the persistent range never.
  bool DidParameterActuallyChange(int index);
  void SetParamAsFiniteState(int index, int state, int nStates);
  // The state 0..nStates-1 of a parameter holding state s as s/(nStates-1).
  // Values outside 0..1 clamp to the end states; NaN reads as state 0.
  int GetParamAsFiniteState(int index, int nStates);
  // The palette colour (CLookupColorUser) of a parameter's value; persistent
  // indexes read the persistent value. Any thread.
  CColor GetParamAsColor(int index);

  // Persistent parameters 9000 + k, shared through the preferences; values
  // are kept within 0..1.
  void InitPersistantParam(int index, float defaultValue);
  float GetPersistantParam(int index);
  void SetPersistantParam(int index, float value);

  // Records the undo points the audio thread left waiting, recomputes
  // m_bCanUndo/m_bCanRedo and tells the editor when either changed. Idle
  // side (fxIdle calls it).
  void CheckForChangeCanUndoOrRedo();
  // Writes back the quality settings that automation on the audio thread
  // changed (parameter, undo point, the host's automate). Idle side (fxIdle
  // calls it).
  void WriteBackPendingQualityStates();

  // Fills a program from the "Default" record and a preset stream.
  void UsePresetStream(int program, const PresetStream& stream);

  // --- quality modes ---------------------------------------------------------
  // The current rating when allowed; otherwise the rating falls back to 30.
  int GetNearestAllowableQualityRating();
  bool GetIsQMLinked();
  void SetIsQMLinked(bool linked);
  // Setters from the quality parameters' states; state 0 changes nothing.
  // Any thread: they only raise flags for the idle side (a dither change is
  // handed to the filters at once).
  void SetQualityRating(int rating);
  void SetBitDepth(int state);
  void SetReportLatency(int state);
  void SetOfflineRender(int state);
  void SetDitherMode(int state);
  void SetWysiwyg(int state);
  // Adopts settings another instance stored while the link is on. Idle side.
  void MaybeCheckForChangedLinkedQualitySetting();
  // Rebuilds when the mode or a latency setting changed. Idle side.
  void MaybeUpdateQualityModeSettings();
  // Rebuilds the product's filters with audio held off. False when it had to
  // be put off because the editor is building a panel or a gesture is open
  // (only that thread's own events end them), or this thread is inside the
  // editor's use of its views (TryRemoveAllControls); a later idle retries.
  // Idle side.
  bool ApplyQualityModeSettingsOuter();
  // For the product, per filter, with m_AudioBusy held or audio stopped:
  // reset the block-size skip, report (or pad) the latency, set the dither.
  template <typename T>
  void UpdateFFTSettings(FftFilter<T>* filter);
  // Only the dither type. Any thread.
  template <typename T>
  void InPlaceUpdateFFTSettings(FftFilter<T>* filter);
  template <typename T>
  void SetLatencyFromFilter(FftFilter<T>* filter);

  // --- idle scheduling ----------------------------------------------------------
  // Runs fxIdle when more than 100 ms (500 ms from "Process") have passed
  // since its last pass. Idle side.
  void MaybeCallFxIdle(EFxIdleCalledFrom from);
  // The effect's own idle source, for products that ask for it (see
  // XREffectWorker.cpp). Stop: any thread but the worker; the product's
  // destructor stops it before it frees anything the worker uses.
  void StopIdleWorker() { m_IdleWorker.Stop(); }
  // Asks the worker for a pass. Any thread, the audio thread too: never waits.
  void WakeIdleWorker() { m_IdleWorker.Wake(); }
  bool IsOnIdleWorker() const { return m_IdleWorker.OnWorkerThread(); }
  // Whether audio has stopped: the render judgement's answer
  // (Helpers/RenderJudge.h). Any thread.
  bool IsAudioStopped() const { return m_Judge.IsAudioStopped(); }
  // Asks the audio thread to start a new stream (clear the product's
  // filters) at its next block. Any thread; never waits.
  void RequestStreamClear() { m_Judge.RequestNewStream(); }
  // [audio thread] Held by the product's process call for its duration:
  // marks the thread as the audio thread and has the block judged
  // (Helpers/RenderJudge.h) from the host's answers for it (its process
  // level and its transport, asked for every block), "Offline Render", the
  // thread and the clock.
  class CProcessCallScope {
   public:
    CProcessCallScope(XREffect* effect, int sampleFrames);
    ~CProcessCallScope();
    bool IsOffline() const { return m_Verdict.offline; }
    // The filters and bypass lines start afresh before this block.
    bool StartsNewStream() const { return m_Verdict.newStream; }

   private:
    CAudioThreadScope m_Mark;  // not copyable, so neither is the scope
    XREffect* m_pEffect;
    CRenderJudge::CVerdict m_Verdict;
    // No fork meets the block half done (Helpers/ForkedChild.h).
    CForkGate::CBlock m_ForkGate{m_Verdict.offline};
  };
  // True on the thread that last opened or idled the effect or worked its
  // editor. Any thread.
  bool IsUserInterfaceThread() const { return m_Judge.IsUserInterfaceThread(); }
  // What the render judgement has counted. Any thread.
  CRenderJudge::CCounts GetRenderCounts() const { return m_Judge.Counts(); }

  // True in a process forked from the one that created the effect: a lock
  // or flag may be held there for good by a thread of the parent's, so
  // nothing of the effect waits for one (Acquire, CAudioBusyHold). Any thread.
  bool IsForkedChild() const { return m_Process.IsForkedChild(); }

  // Host parameter count (A, unshared and B settings).
  int GetNumHostParams() const { return m_nNumParams + m_nNumABParams; }

  // --- state the editor reads (any thread; each a single atomic load) -------
  int GetABBank() const { return m_nUndoBank.load(); }  // 0 A, 1 B
  bool IsSwitchingAB() const { return m_bSwitchingAB.load(); }
  bool CanUndo() const { return m_bCanUndo.load(); }
  bool CanRedo() const { return m_bCanRedo.load(); }
  bool IsInEditGroup() const { return m_bInEditGroup.load(); }
  bool IsInUndoRedoEdit() const { return m_bInUndoRedoEdit.load(); }
  bool IsAudioBusy() const { return m_AudioBusy.IsHeld(); }
  // The "Default" record's value of a parameter; 0 outside the program.
  float GetDefaultParam(int index) const {
    return index >= 0 && index < kXrMaxParams ? m_DefaultProgram.values[index].load() : 0.0f;
  }
  int GetQualityRating() const { return m_nQualityRating.load(); }
  bool IsQualityRatingChangePending() const { return m_bQualityRatingChanged.load(); }
  int GetLatencyChange() const { return m_nLatencyChange.load(); }
  int GetBitDepth() const { return m_nBitDepth.load(); }
  bool IsBitDepthChangePending() const { return m_bBitDepthChanged.load(); }
  bool GetReportLatency() const { return m_bReportLatency.load(); }
  bool IsReportLatencyChangePending() const { return m_bReportLatencyChanged.load(); }
  bool GetOfflineRender() const { return m_bOfflineRender.load(); }
  bool IsOfflineRenderChangePending() const { return m_bOfflineRenderChanged.load(); }
  int GetDitherMode() const { return m_nDitherMode.load(); }
  bool GetWysiwyg() const { return m_bWysiwyg.load(); }
  int GetFFTSize() const { return m_nFFTSize.load(); }
  int GetKernelSize() const { return m_nKernelSize.load(); }
  int GetHostLatency() const { return m_nHostLatency.load(); }

 protected:
  // The editor's hooks, or null when there is no editor, or when it is the
  // parent's (a forked child before its first request).
  XREditorHooks* GetEditorHooks();
  // Takes the lock's mutex, waiting for it, except in a forked child, where
  // it is only tried: its holder may be a thread the child does not have.
  // False when not taken: the caller skips its work, or leaves behind what
  // it cannot release. Every wait for the idle mutex or the undo history
  // goes through here.
  template <typename Mutex>
  bool Acquire(std::unique_lock<Mutex>& lock) const {
    if (IsForkedChild()) return lock.try_lock();
    lock.lock();
    return true;
  }
  // Work for the idle worker that no host or editor idle has done: the
  // product's (its filter update). The base has none. [any thread]
  virtual bool IsIdleWorkPending();
  // True on a thread that holds the editor's frame (IsInUseOnThisThread).
  bool IsCalledBackFromEditorFrame();
  // An offline render runs on another thread than this one: its blocks
  // complete the work they need themselves; the idle side leaves it to
  // them. [any thread]
  bool IsOfflineRenderOnAnotherThread() const { return m_Judge.IsOfflineRenderOnAnotherThread(); }
  // The render judgement's clock, scripted by tests before the first block.
  void SetRenderClockForTesting(CRenderJudge::Clock clock) { m_Judge.SetClockForTesting(clock); }
  // Set by a product's Init to have the idle worker (XREffectWorker.cpp).
  bool m_bIdleWorkerWanted = false;
  // Set by the product's constructor for its duration: the host has no
  // record yet, so values adopted meanwhile (stored quality settings) are not
  // reported to it; it reads them when it asks. [constructing thread]
  std::atomic<bool> m_bConstructing{false};
  // Stores the value of host parameter `index` as setParameter does (an undo
  // point for a change, the old value kept as the previous one) and tells
  // nobody. Any thread.
  void StoreHostParam(int index, float value);
  // First step of the product's destructor: an open editor is closed (its
  // views removed, its frame's idle thread joined) while everything it
  // draws from still exists.
  void CloseEditorForTeardown();

  // --- parameter store -------------------------------------------------------
  int m_nNumPersistantParams = 0;  // set by the product's constructor
  ProgramRecord m_DefaultProgram;
  ProgramRecord m_PreviousValues;
  const char* m_pszPersistantParamName[kXrMaxPersistantParams];
  float m_fPersistantParamDefault[kXrMaxPersistantParams];
  std::atomic<float> m_fPersistantParam[kXrMaxPersistantParams];
  // Written by setProgram (UI thread); read by Param on every thread.
  std::atomic<int> m_nCurProgram{0};
  ProgramRecord m_Programs[kXrNumPrograms];
  int m_nNumParams = 0;
  int m_nNumABParams = 0;

  // --- idle state ---------------------------------------------------------------
  std::atomic<uint32_t> m_dwLastFxIdleTime{0};   // written by fxIdle; read by MaybeCallFxIdle
  std::atomic<int> m_eFxIdleCalledFrom{eFxIdleFromUnknown};
  std::atomic<bool> m_bInResume{false};
  std::atomic<bool> m_bInitialised{false};       // set by the product's Init; read by setParameter
  // Held by the audio thread for each block and by the idle side around a
  // rebuild.
  CAudioBusyFlag m_AudioBusy;
  std::atomic<uint32_t> m_dwNextLinkPoll{0};
  std::atomic<bool> m_bInFxIdle{false};          // fxIdle's re-entry guard, across threads
  // A rebuild was put off (editor busy); the next quiet idle retries it.
  std::atomic<bool> m_bRebuildDeferred{false};
  // Serialises the idle side's quality work between the host's idle, the
  // editor's idle thread and the dispatcher's resume.
  std::recursive_mutex m_IdleMutex;

 private:
  bool IsHostParam(int index) const { return index >= 0 && index < GetNumHostParams(); }
  bool IsPersistantParam(int index) const;
  bool ShouldSkipUndoStore() const;
  // Recomputes the can-undo/can-redo flags; true when either changed. Caller
  // holds m_UndoMutex.
  bool UpdateCanUndoRedoLocked();
  // The ring steps of StoreUndoPoint, and the recording of the deferred
  // points before any other ring operation. Caller holds m_UndoMutex.
  void StoreUndoPointLocked(int index, float value);
  void StoreDeferredUndoPointsLocked();
  void TellEditorUndoRedoChanged();
  float CurrentValueForUndo(int index);
  void RunUndoOrRedo(bool bRedo, bool bInGroup);
  // audioMasterAutomate for an index the host knows.
  void HostAutomate(int index, float value);
  // Step 4 of the writing road: a quality parameter applies its state.
  void ApplyQualityParameter(int index, float value);
  void TellEditorQualityChanged();
  // True while the open editor builds a panel or a gesture is open: a
  // rebuild must wait for the next idle.
  bool IsRebuildBlockedByEditor();
  // Takes the idle mutex for a host call (idle, resume) into the given lock;
  // on a thread that holds the editor's frame (the host calling back from a
  // host call the editor made there) only when it is free. False: not
  // taken; the call leaves its work to a later idle.
  bool EnterIdleSide(std::unique_lock<std::recursive_mutex>& idleSide);
  // audioMasterIOChanged where the host takes it; on the worker only a flag
  // for the next host thread.
  void NotifyHostOfIOChange();

  // --- the idle worker and the host threads' share (XREffectWorker.cpp) ---
  int RunIdleWorkerPass();
  // The host's or the editor's idle runs: the worker stands by.
  void NoteHostOrEditorIdle();
  // The linked settings' poll, at most every kXrLinkPollMs.
  void MaybePollLinkedSettings(uint32_t now);
  // A new mode (rating, latency report, offline render) or a rebuild put
  // off, to be applied through the host's I/O-change cycle.
  bool IsModeRebuildPending();
  // That or a new bit depth: rebuilds and latency reports waiting for quiet
  // audio and a host thread.
  bool IsQualityWorkPending();
  // Applies them. Host threads, with m_IdleMutex held and audio quiet.
  void ApplyPendingQualityWork();
  // What the worker left for a host thread: automation reports and the
  // I/O-change request.
  void DeferHostAutomation(int index);
  void FlushDeferredHostCalls();
  // The share of a host request (not the idle's): the above and the poll.
  void RunHostThreadWork();
  // A request on one of the host's own threads: not an audio thread, the
  // worker, nor a request made from inside a call the effect made.
  bool IsHostThreadRequest();
  // The share for a host's write of a quality setting on such a thread.
  void RunHostThreadWorkForQualitySetting(int index);

  // When the host's or the editor's idle last ran (ms), and whether it has
  // at all: written by those idles, read by the worker, which stands by
  // while they run.
  std::atomic<uint32_t> m_dwLastHostIdleTime{0};
  std::atomic<bool> m_bHostIdleSeen{false};
  // What the worker left for a host thread: raised on the worker, taken by
  // FlushDeferredHostCalls on a host thread. The automation is one bit per
  // parameter, with a summary flag so that a request scans the bits only
  // when one is set.
  std::atomic<bool> m_bHostIOChangePending{false};
  std::atomic<bool> m_bAutomationPending{false};
  std::atomic<uint64_t> m_PendingAutomation[(kXrMaxParams + 63) / 64] = {};
  // One host thread's share at a time; nested and concurrent requests skip it.
  std::atomic<bool> m_bInHostThreadWork{false};

  // Reads as 0 for any index outside the program.
  std::atomic<float> m_fOutOfRangeParam{0.0f};

  // How each block renders and whether its stream starts afresh, the
  // threads' roles, and whether audio has stopped.
  CRenderJudge m_Judge;
  // [audio thread] The host's answers for a block of `sampleFrames`, judged.
  CRenderJudge::CVerdict JudgeBlock(int sampleFrames);
  // The dispatcher's part: what a request tells of the calling thread.
  void NoteDispatcherThread(VstInt32 opcode, VstIntPtr value);
  bool IsEditorWritingOnThisThread();

  // The six quality settings, for the write-backs the audio thread leaves to
  // the idle side: one bit each in m_nPendingWriteBacks (set by the setters
  // on the audio thread, taken by WriteBackPendingQualityStates).
  enum EQualitySetting : unsigned {
    kQualityRating,
    kQualityBitDepth,
    kQualityReportLatency,
    kQualityOfflineRender,
    kQualityDither,
    kQualityWysiwyg,
    kNumQualitySettings
  };
  std::atomic<unsigned> m_nPendingWriteBacks{0};
  // The parameter of a setting, its number of states and its state now.
  struct CQualityState {
    int nIndex, nStates, nState;
  };
  CQualityState QualityStateOf(EQualitySetting setting);
  // A setting's state now to its parameter: at once, or from the audio
  // thread by the next idle.
  void WriteBackQualityState(EQualitySetting setting);

  // The process that created the effect, and the one whose requests reach
  // its editor: an editor open at a fork is the parent's, and the child's
  // first request sets it aside (LeaveEditorToParent).
  const CProcessMark m_Process;
  CProcessMark m_EditorProcess;
  void LeaveEditorToParent();

  // Last: built after everything its passes use, and stopped first.
  CIdleWorker m_IdleWorker{[this] { return RunIdleWorkerPass(); }};

  friend class CDontStoreUndoScope;
};

// Calls the effect's RefreshAllParameters / SetParamAndForceHostUpdate with
// the held value, for effects built on XREffect.
void RefreshAllParameters(AudioEffect* effect);
void ForceHostUpdateParameter(AudioEffect* effect, int index);
