// The equaliser effect: 135 band gains per channel on one of seven band
// layouts, shaped into a Gaussian-blended curve with pass slopes, depth and
// trims. This class gives the effect its identity and parameter set (see
// QVX2Params.h for the index maps of both editions), names and displays its
// parameters, keeps the response model (QVX2Model.h) and reacts to parameter
// writes.
//
// Reactions. Only writes that shape the curve or the quality mode mark the
// filters for the idle-side rebuild; a Band Type change made in the editor
// refits the band gains so the new layout draws the curve the old one drew.
// The refit samples the plain band curve of the old layout (Depth and the
// pass slopes stay out, since they apply again to the new gains), writes only
// values in 0..1, and writes past the editor's per-parameter reaction: the
// editor mirrors edits between channels, which would fold one channel's new
// gains onto the other. The editor re-reads its controls once afterwards.
//
// Threads. Parameter writes, and so ParameterChanged, arrive on the host's
// threads (any thread for automation, the user-interface thread for editor
// edits, program changes and the refit). The audio thread reads the trim
// gains only. The filter calc cache belongs to the idle side; the editor may
// sample GetFilterResponseDb while no update is marked or running.
//
// Source files: QVX2.cpp (creation, identity, start-up, programs),
// QVX2Params.h/.cpp (the parameter table and index maps of both editions),
// QVX2Display.cpp (parameter names, labels and display texts), QVX2Bands.h
// (the band layouts), QVX2Model.h/.cpp (the response model),
// QVX2Response.cpp (the calc cache and the per-bin response),
// QVX2Reactions.cpp (reactions to writes, the band-type refit),
// QVX2KernelUpdate.h/.cpp and QVX2Update.cpp (the kernel update and the
// effect's side of it), QVX2KernelHandOver.h/.cpp (the committed pair on its
// way to the audio thread), FftQVX2.h/.cpp (the channel kernel), QVX2Engine.h
// (what one quality mode builds), QVX2Lifecycle.cpp (quality-mode
// application, rebuilds, teardown), QVX2Process.cpp (the audio path and its
// thread contract), QVX2Callbacks.h (the spectrum callbacks),
// QVX2KernelMath.h/.cpp and QVX2KernelMathAvx2.cpp (the kernel products),
// QVX2EditorLink.cpp (where the effect meets its editor, QVX2Editor.h).
#pragma once

#include <atomic>
#include <memory>

#include "Helpers/XREffect.h"
#include "QVX2/QVX2Callbacks.h"
#include "QVX2/QVX2Engine.h"
#include "QVX2/QVX2KernelUpdate.h"
#include "QVX2/QVX2Model.h"
#include "QVX2/QVX2Params.h"

class XREditorHooks;

// The product's name ("QVX2 Master" or "QVX2") and version text. Any thread.
const char* GetPluginName();
const char* GetPluginVersion();

class AQVX2 : public XREffect {
 public:
  // Runs the whole start-up: base, identity, defaults, persistent
  // parameters, Init, programs, one pass of every parameter through the
  // writing road, then InitAfterParametersSet. The host has no record yet:
  // nothing is asked of it or reported to it. [host thread that creates]
  explicit AQVX2(audioMasterCallback audioMaster);
  ~AQVX2() override;

  // --- identity and texts: [host threads] --------------------------------
  bool getEffectName(char* name) override;
  bool getProductString(char* text) override;
  // Texts are written whole up to kQvx2HostTextBytes bytes (terminator
  // included) and never beyond. Unknown indexes: the name becomes empty, the
  // label and display stay as they were.
  void getParameterName(VstInt32 index, char* text) override;
  void getParameterLabel(VstInt32 index, char* text) override;
  void getParameterDisplay(VstInt32 index, char* text) override;
  // Programs 0..19; any other number is ignored. [UI thread]
  void setProgram(VstInt32 program) override;

  // Equalises one stereo block (see QVX2Process.cpp). [audio thread]
  void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

  // --- framework hooks ----------------------------------------------------
  void Init() override;
  void InitAfterProgramsSet() override;
  void ParameterChanged(int index) override;
  // Parameter indexes of the quality settings (-1 for those the standard
  // edition lacks) and the bitmap of the quality-link button.
  int GetQMLinkParamNum() override { return kQvx2QMLink; }
  int GetQualityRatingParamNum() override { return kQvx2QualityRating; }
  int GetQMLinkButtonResourceId() override { return 156; }
  int GetDitherParamNum() override { return kQvx2DitherMode; }
  int GetBitDepthParamNum() override { return kQvx2BitDepth; }
  int GetReportLatencyParamNum() override { return kQvx2ReportLatency; }
  int GetOfflineRenderParamNum() override { return kQvx2OfflineRender; }
  int GetWysiwygParamNum() override { return kQvx2Wysiwyg; }
  // The standard edition offers the four modes up to "High" (rating 40).
  const int* GetAllowableRatings() override;
  const char* GetQualityModeStringFromRating(int rating) override;

  // --- product operations ---------------------------------------------------
  // The instrument guide set (0..11) "Guide Display" selects; 0 for any value
  // whose set lies outside the table. [any thread]
  int GetGuideSet();
  // Linked-mode snapshot value of a minus that of b; 0 for an index outside
  // the program. [UI thread]
  float LinkParamDelta(int a, int b);
  // Trim Right minus Trim Left when Trim Link was last switched on. [any]
  float GetTrimLinkOffset() const { return m_fTrimLinkOffset.load(); }
  // Linear trim gains of channel 0 and 1. [any thread; audio reads them]
  double GetTrimGain(int channel) const { return m_fTrimGain[channel != 0 ? 1 : 0].load(std::memory_order_relaxed); }

  // Marks the filters for an update on the idle side and wakes the idle
  // worker for it. [any thread; never waits]
  void SetFiltersNeedUpdating() {
    m_KernelUpdate.Mark();
    WakeIdleWorker();
  }
  bool GetFiltersNeedUpdating() const { return m_KernelUpdate.IsMarked(); }
  // True while a band-type refit writes the gains: updates must wait.
  bool IsRefitSuspended() const { return m_KernelUpdate.IsSuspended(); }

  // --- response model: [idle side; the editor as documented above] --------
  static void InitBellGraph() { CQVX2ResponseModel::InitBellGraph(); }
  // Refills the trim gains, band records and pass positions from the current
  // parameters.
  void UpdateFilterCalcCache();
  // Response in dB of channel 0 or 1 at x, from the last calc cache and the
  // current Contour.
  double GetFilterResponseDb(float x, int channel);
  // Next count bins (count -1: all remaining) of both per-bin responses for
  // FFT size n; true when all are done or nothing is to be done.
  bool UpdateCachedIdealisedResponse(int count);
  // The per-bin linear response of channel 0 or 1 (n/2 + 1 values), or null
  // unless the response arrays exist for FFT size n.
  const double* GetCachedResponse(int channel, int n) const;

 protected:
  // The band-type refit; called by ParameterChanged for an editor edit.
  void RefitBandType(XREditorHooks& editor);
  // One refit write: the writing road without the editor's per-write
  // reaction (undo point, snapshot, value, ParameterChanged, host).
  void WriteRefitValue(int index, float value);
  // (Re)builds both response arrays for FFT size n (n/2 + 1 values each,
  // all 1.0) and restarts their computation; frees them for n < 2.
  void AllocateResponseArrays(int n);
  // The current program's values 0..kQvx2NumHostParams-1.
  void CopyCurrentValues(float* values);
  // True while a program change, an A/B switch, undo or redo writes stored
  // values back: those restore gains as they were and must not refit them.
  bool IsReapplyingValues() const;
  // Whether a quality switch (Report Latency, WYSIWYG, Offline Render) at
  // law row index is in force.
  bool IsQualitySwitchOn(int index);

  // The kernel update (QVX2KernelUpdate.h): marked by any parameter writer,
  // the sample rate and quality modes; stepped on the idle side; suspended
  // by the refit (user-interface thread) for its duration.
  CQVX2KernelUpdate m_KernelUpdate;
  // Set by the idle side while it runs an update; read by the teardown.
  std::atomic<bool> m_bIdleBusy{false};
  // Last filter update time (ms); stays 0, so the editor's idle check passes
  // whenever the filters are marked.
  unsigned int m_dwLastFilterUpdateTime = 0;
  // Written by parameter writers and the update; read by the audio thread.
  // Relaxed: a block may use one old and one new gain.
  std::atomic<double> m_fTrimGain[2] = {{1.0}, {1.0}};
  // Written by ParameterChanged; read by the editor's trim link.
  std::atomic<float> m_fTrimLinkOffset{0.0f};
  // Set by setProgram (UI thread) while it re-applies the program; read by
  // ParameterChanged.
  std::atomic<bool> m_bInProgramChange{false};
  // Copy of the current program taken when Control Mode is written Linked.
  ProgramRecord m_LinkSnapshot;

  // Filter calc cache. [idle side]
  CQVX2ResponseModel m_Model;
  // Per-bin linear responses of channel 0 and 1 (m_nResponseFftSize/2 + 1
  // each) and the next bin to compute. Built with the quality mode; absent
  // until then. Their own size, not m_nFFTSize, bounds every access: a mode
  // change may set the base's size before the arrays are rebuilt. [idle side]
  std::unique_ptr<double[]> m_pfResponse[2];
  int m_nResponseFftSize = 0;
  int m_nResponseResume = 0;
  // Set when the engine built at creation is left for the first resume to
  // design. [creation, then the host's resume]
  std::atomic<bool> m_bFirstDesignAtResume{false};

  static_assert(std::atomic<double>::is_always_lock_free, "the audio thread reads the trims without blocking");

  // ===== Audio path, filter updates and lifecycle =========================
  // (QVX2Process.cpp, QVX2Update.cpp, QVX2Lifecycle.cpp)
  //
  // The audio path runs on an engine (QVX2Engine.h) built per quality mode.
  // The audio thread touches it only while it holds m_AudioBusy, which the
  // idle side holds only to replace the engine (a rebuild, teardown): a block
  // that finds the flag held is output as silence. Every other change
  // reaches the audio thread at the start of a block, without a wait and
  // without a block lost: the committed kernel pair through the engine's
  // hand-over, a clear of the filters and bypass lines as a request
  // (ClearAllFFTFilters), the dither type as a flag. Every idle-side filter
  // update and rebuild is serialised by the effect base's m_IdleMutex (the
  // band-type refit, which runs in an editor event, suspends the kernel
  // update instead). All locks in one order: docs/synchronisation.md.
 public:
  // Quality-mode application and the idle side's hooks. [idle side]
  void InitAfterParametersSet() override;
  // The host's effOpen: the host is known, and a host that needs "Offline
  // Render" gets it on. [host thread]
  void open() override;
  // The base's resume; the first one also completes the kernels of the
  // engine built at creation (which designs none), at the sample rate the
  // host set, so that its first block is equalised. [host thread]
  void resume() override;
  void ApplyQualityModeSettings() override;
  void UpdateAllFFTSettings() override;
  void ClearAllFFTFilters() override;
  void Cleanup() override;
  void fxIdleInner() override;
  // The idle side's work: a filter update marked or under way, unless an
  // offline render on another thread completes it in its next block that
  // takes a pair.
  bool IsIdleWorkPending() override { return m_KernelUpdate.IsPending() && !IsOfflineRenderOnAnotherThread(); }
  // The new dither type reaches the filters at the next block. [any thread]
  void InPlaceApplyQualityModeSettings() override;
  // Stores the rate and marks the filters; nothing is rebuilt. [dispatcher]
  void setSampleRate(float sampleRate) override;

  // Advances the kernel update within its time budget (short on a host's
  // thread, longer on the idle worker). The commit hands the
  // pair over without the audio-busy flag, so bTakeAudioBusy (false where
  // the caller holds the flag, a rebuild) changes nothing. [idle side, any
  // idle thread]
  void UpdateFilters(bool bTakeAudioBusy);
  // Frees the engine (waits for a running update). [idle side]
  void CleanupFFTObjects();
  int GetFilterUpdateState() const { return m_KernelUpdate.State(); }
  // UpdateFilters unless another thread holds the idle side now or an
  // offline render runs on another thread; never waits. [the editor's
  // user-interface thread]
  void UpdateFiltersIfIdle(bool bTakeAudioBusy);
  unsigned int GetLastFilterUpdateTime() const { return m_dwLastFilterUpdateTime; }

  // ===== The editor's side (QVX2EditorLink.cpp) ============================
  // The editor reads the response model and the committed kernels while it
  // holds the idle side off. The scope only tries: while an update or a
  // rebuild runs, Held() is false and the editor reads nothing.
  // [user-interface thread]
  class CEditorReadScope {
   public:
    explicit CEditorReadScope(AQVX2& fx);
    ~CEditorReadScope();
    CEditorReadScope(const CEditorReadScope&) = delete;
    CEditorReadScope& operator=(const CEditorReadScope&) = delete;
    bool Held() const { return m_bHeld; }
    // The engine's FFT size, 0 without one.
    int FftSize() const;
    // The committed response of kernel 0 or 1 (FftSize()/2 + 1 bins), or
    // null when there is none.
    const Complex<double>* CommittedResponse(int channel) const;

   private:
    AQVX2& m_Fx;
    bool m_bHeld;
  };
  // The host's edit bracket of one parameter, without the effect's undo
  // group: an editor gesture opens one group for all it writes.
  // [user-interface thread]
  bool HostBeginEdit(int index);
  bool HostEndEdit(int index);
  // A write made for an editor's gesture (the refit's) is announced in the
  // gesture's host brackets. [user-interface thread]
  void AnnounceEditorWrite(int index);
  // The output block to the open editor's level meter. The editor's lock A
  // is only tried: while the editor holds it the block is not metered.
  // [audio thread]
  void FeedEditorMeter(float* const* outputs, int sampleFrames) noexcept;
  // The editor's curve is recomputed before its next draw: after the
  // response step of an update (WYSIWYG off) or its commit (WYSIWYG on).
  // [idle side]
  void MarkEditorCurveStale();

  // The data stores 0..3 of the current engine (all null without one). The
  // pointers change with every quality-mode application, which removes the
  // editor's views before it frees them. Never waits: false, with all null,
  // while another thread holds the idle side (a rebuild or an update may be
  // under way); the editor then builds without them and asks again at its
  // next idle. [user-interface thread]
  bool GetDataStores(CFrequencyDataStore* (&stores)[kQvx2NumDataStores]);
  // One of them, null for an index outside 0..3 or when GetDataStores has
  // none to give.
  CFrequencyDataStore* GetDataStore(int index);
  // The right callback's work on a frame pair, in place; the spectra as bins
  // (Complex<FTYPE>) or in the FFT's packed order (FTYPE). [audio thread]
  template <typename SPECTRUM>
  void ProcessSpectra(int N, SPECTRUM* left, SPECTRUM* right);

 protected:
  // The filter pass of one block with the engine held; false without a
  // filter pair. [audio thread]
  template <typename FTYPE>
  bool RunFilters(FftFilterWithCallBack<FTYPE>* const* filters, CQVX2Engine& engine, float* const* in,
                  float* const* out, int n, bool bBypass);
  // Builds a complete engine for the current mode; throws on failure.
  std::unique_ptr<CQVX2Engine> BuildEngine();
  // Runs UpdateFilters(false) until the update is complete. [idle side]
  void CompleteFilterUpdate();
  // An offline block (XREffect::CProcessCallScope) that takes a new kernel
  // pair (at its start, or after the first frame it completes) takes the
  // idle side into `idleSide` for its duration and completes a pending
  // update first: every setting and sample rate set before the block shapes
  // the pair, and no commit meets the block. Called with the audio-busy flag
  // held and bMayWait false, it only tries the idle side, and returns false
  // when it would wait for it (an update is pending): the caller lets the
  // flag go and calls again with bMayWait, which waits for a bounded time.
  // Never waits on a thread that holds the editor's frame. [audio thread,
  // offline only]
  bool EnterIdleSideForOfflineBlock(std::unique_lock<std::recursive_mutex>& idleSide, bool bMayWait);
  // Whether n more samples complete a frame of the engine's filters. [audio
  // thread, the engine held]
  static bool CompletesFrame(const CQVX2Engine& engine, int n);
  // The kernel update's view of this effect (QVX2Update.cpp).
  class CKernelUpdateClient;
  // What the bypass path delays by: the latency the processed output has
  // when it is reported, 0 otherwise.
  int BypassLatency();

  // [audio thread] At the start of a block, the stream clear asked for: the
  // filters, the bypass lines and a waiting left frame.
  void ClearStreams(CQVX2Engine& engine);

  // Written only with m_AudioBusy held and under m_IdleMutex; read by the
  // audio thread while it holds m_AudioBusy, and by the idle side.
  std::unique_ptr<CQVX2Engine> m_pEngine;
  // Set while ApplyQualityModeSettings builds an engine. [idle side, under
  // m_IdleMutex]
  bool m_bBuildingEngine = false;
  FilterCallBack0<float> m_FloatCallBack0;
  FilterCallBack1<float> m_FloatCallBack1;
  FilterCallBack0<double> m_DoubleCallBack0;
  FilterCallBack1<double> m_DoubleCallBack1;
  // Raised by InPlaceApplyQualityModeSettings (any thread); taken by the
  // audio thread, which hands the dither type to its filters.
  std::atomic<bool> m_bDitherPending{false};
  // One block's take of the newest kernel pair, on processReplacing's stack:
  // offline, unless the block starts a new stream or has no valid pair in
  // use, the pair is taken after the first frame the block completes.
  struct CBlockKernelTake {
    bool bAfterFirstFrame = false;
  };
  // The running block's take, for the right channel's callback
  // (ProcessSpectra); null between blocks. [audio thread, the engine held]
  CBlockKernelTake* m_pBlockKernelTake = nullptr;
  // Testing only: every offline block completes a pending update, whether
  // it takes the pair or not, as a reference for the renders of the blocks
  // that design only where they take one. [before the first block]
  void SetDesignBeforeEveryOfflineBlockForTesting(bool bEvery) { m_bDesignEveryOfflineBlock = bEvery; }
  bool m_bDesignEveryOfflineBlock = false;
};
