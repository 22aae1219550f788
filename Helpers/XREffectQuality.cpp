// Quality modes and latency reporting: the six quality settings, the link
// that shares them through the preferences, the decision to rebuild, the
// rebuild itself and the latency the host is given.
#include <cstddef>

#include "Helpers/Assert.h"
#include "Helpers/EditorHooks.h"
#include "Helpers/FftFilter.h"
#include "Helpers/HostInfo.h"
#include "Helpers/PersistantStorage.h"
#include "Helpers/XREffect.h"
#include "Helpers/XREffectDetail.h"

namespace {

struct QualityMode {
  int nRating;
  const char* pszName;
  int nFFTSize;
  int nKernelSize;
};

constexpr QualityMode kQualityModes[] = {
    {10, "Minimum", 1024, 512},     {20, "Low", 2048, 1024},        {30, "Medium", 4096, 2048},
    {40, "High 1", 8192, 4096},     {50, "High 2", 16384, 8192},    {60, "High 3", 16384, 12288},
    {70, "High 4", 32768, 16384},   {80, "Maximum", 32768, 24576},
};

constexpr int kAllowableRatings[] = {80, 70, 60, 50, 40, 30, 20, 10, -1};

const QualityMode* FindMode(int rating) {
  for (const QualityMode& m : kQualityModes)
    if (m.nRating == rating) return &m;
  return nullptr;
}

// Finite-state counts of the quality parameters.
constexpr int kRatingStates = 1000;  // the state is the rating itself
constexpr int kDitherStates = 5;
constexpr int kOnOffStates = 3;      // 0 no change, 1 off, 2 on

// Linked preference keys; each holds the 1-based state ("QR" the rating).
constexpr const char* kKeyRating = "QR";
constexpr const char* kKeyDither = "DM";
constexpr const char* kKeyBitDepth = "BD";
constexpr const char* kKeyReportLatency = "RL";
constexpr const char* kKeyOfflineRender = "OFR";
constexpr const char* kKeyWysiwyg = "WY";
constexpr int kNumLinkedKeys = 6;
// Stores made on the audio thread wait in one slot per key: every persistent
// parameter, linked setting and the frame-rate switch must have one.
static_assert(kXrMaxPersistantParams + kNumLinkedKeys + 1 <= CPersistantStorage::kMaxDeferredKeys,
              "a key without a slot for the audio thread's stores");

// A state read from the shared preferences: usable only within 1..nStates-1.
bool ReadLinkedState(const char* key, int nStates, int* state) {
  int v = 0;
  if (!CPersistantStorage::QueryStoredPluginInt(key, &v) || v < 1 || v > nStates - 1) return false;
  *state = v;
  return true;
}

}  // namespace

// --- the table ----------------------------------------------------------------------

const int* XREffect::GetAllowableRatings() { return kAllowableRatings; }

const char* XREffect::GetQualityModeStringFromRating(int rating) {
  const QualityMode* mode = FindMode(rating);
  return mode ? mode->pszName : "UNKNOWN";
}

int XREffect::GetNearestAllowableQualityRating() {
  XR_TRY
  const int rating = m_nQualityRating.load();
  const int* allowed = GetAllowableRatings();
  bool defaultAllowed = false;
  int nearest = -1;
  for (int i = 0; allowed && allowed[i] != -1 && i < 1000; ++i) {
    if (allowed[i] == rating) return rating;
    if (allowed[i] == kXrDefaultQualityRating) defaultAllowed = true;
    const int d = allowed[i] > rating ? allowed[i] - rating : rating - allowed[i];
    const int best = nearest > rating ? nearest - rating : rating - nearest;
    if (nearest == -1 || d < best) nearest = allowed[i];
  }
  // A rating between the modes (a host value between states) falls back to
  // the default mode; a product without it falls back to its nearest mode.
  const int fallback = defaultAllowed || nearest == -1 ? kXrDefaultQualityRating : nearest;
  m_nQualityRating.store(fallback);
  return fallback;
  XR_CATCH(kXrDefaultQualityRating)
}

void XREffect::GetQualityModeSettings(int& fftSize, int& kernelSize, int& passes) {
  XR_TRY
  passes = 1;
  const QualityMode* mode = FindMode(GetNearestAllowableQualityRating());
  if (!mode) mode = FindMode(kXrDefaultQualityRating);
  fftSize = mode->nFFTSize;
  kernelSize = mode->nKernelSize;
  XR_CATCH_VOID
}

int XREffect::GetQualityModeLatency(int fftSize, int kernelSize, int) {
  return fftSize - kernelSize + kernelSize / 2;
}

const char* XREffect::QualityRatingString() {
  XR_TRY
  return GetQualityModeStringFromRating(GetNearestAllowableQualityRating());
  XR_CATCH("UNKNOWN")
}

// --- the settings -------------------------------------------------------------------------

bool XREffect::GetIsQMLinked() {
  XR_TRY
  return Param(GetQMLinkParamNum())->load() != 0.0f;  // NaN counts as linked
  XR_CATCH(false)
}

void XREffect::SetIsQMLinked(bool linked) {
  XR_TRY
  SetParamAndForceHostUpdate(GetQMLinkParamNum(), linked ? 1.0f : 0.0f);
  XR_CATCH_VOID
}

void XREffect::TellEditorQualityChanged() {
  if (XREditorHooks* editor = GetEditorHooks()) editor->UpdateQMControls();
}

void XREffect::ApplyQualityParameter(int index, float value) {
  // State 0 (value 0.0) of every quality parameter means no change.
  if (!m_bInitialised.load() || value == 0.0f) return;
  if (index == GetQualityRatingParamNum()) SetQualityRating(GetParamAsFiniteState(index, kRatingStates));
  if (index == GetBitDepthParamNum()) SetBitDepth(GetParamAsFiniteState(index, kOnOffStates));
  if (index == GetReportLatencyParamNum()) SetReportLatency(GetParamAsFiniteState(index, kOnOffStates));
  if (index == GetOfflineRenderParamNum()) SetOfflineRender(GetParamAsFiniteState(index, kOnOffStates));
  if (index == GetDitherParamNum()) SetDitherMode(GetParamAsFiniteState(index, kDitherStates));
  if (index == GetWysiwygParamNum()) SetWysiwyg(GetParamAsFiniteState(index, kOnOffStates));
}

void XREffect::SetQualityRating(int rating) {
  XR_TRY
  if (rating <= 0 || m_nQualityRating.exchange(rating) == rating) return;
  WriteBackQualityState(kQualityRating);
  m_bQualityRatingChanged.store(true);
  if (GetIsQMLinked()) CPersistantStorage::StorePluginInt(kKeyRating, rating);
  TellEditorQualityChanged();
  XR_CATCH_VOID
}

void XREffect::SetBitDepth(int state) {
  XR_TRY
  if (state < 1 || state >= kOnOffStates || m_nBitDepth.exchange(state - 1) == state - 1) return;
  WriteBackQualityState(kQualityBitDepth);
  if (GetIsQMLinked()) CPersistantStorage::StorePluginInt(kKeyBitDepth, state);
  m_bBitDepthChanged.store(true);
  TellEditorQualityChanged();
  XR_CATCH_VOID
}

void XREffect::SetReportLatency(int state) {
  XR_TRY
  if (state < 1 || state >= kOnOffStates || m_bReportLatency.exchange(state == 2) == (state == 2)) return;
  WriteBackQualityState(kQualityReportLatency);
  if (GetIsQMLinked()) CPersistantStorage::StorePluginInt(kKeyReportLatency, state);
  m_bReportLatencyChanged.store(true);
  TellEditorQualityChanged();
  XR_CATCH_VOID
}

void XREffect::SetOfflineRender(int state) {
  XR_TRY
  if (state < 1 || state >= kOnOffStates || m_bOfflineRender.exchange(state == 2) == (state == 2)) return;
  WriteBackQualityState(kQualityOfflineRender);
  if (GetIsQMLinked()) CPersistantStorage::StorePluginInt(kKeyOfflineRender, state);
  m_bOfflineRenderChanged.store(true);
  TellEditorQualityChanged();
  XR_CATCH_VOID
}

void XREffect::SetDitherMode(int state) {
  XR_TRY
  if (state < 1 || state >= kDitherStates || m_nDitherMode.exchange(state - 1) == state - 1) return;
  WriteBackQualityState(kQualityDither);
  if (GetIsQMLinked()) CPersistantStorage::StorePluginInt(kKeyDither, state);
  // The dither type needs no rebuild: the filters take it at once.
  InPlaceApplyQualityModeSettings();
  TellEditorQualityChanged();
  XR_CATCH_VOID
}

void XREffect::SetWysiwyg(int state) {
  XR_TRY
  if (state < 1 || state >= kOnOffStates || m_bWysiwyg.exchange(state == 2) == (state == 2)) return;
  WriteBackQualityState(kQualityWysiwyg);
  if (GetIsQMLinked()) CPersistantStorage::StorePluginInt(kKeyWysiwyg, state);
  TellEditorQualityChanged();
  XR_CATCH_VOID
}

XREffect::CQualityState XREffect::QualityStateOf(EQualitySetting setting) {
  switch (setting) {
    case kQualityRating:
      return {GetQualityRatingParamNum(), kRatingStates, m_nQualityRating.load()};
    case kQualityBitDepth:
      return {GetBitDepthParamNum(), kOnOffStates, m_nBitDepth.load() + 1};
    case kQualityReportLatency:
      return {GetReportLatencyParamNum(), kOnOffStates, m_bReportLatency.load() ? 2 : 1};
    case kQualityOfflineRender:
      return {GetOfflineRenderParamNum(), kOnOffStates, m_bOfflineRender.load() ? 2 : 1};
    case kQualityDither:
      return {GetDitherParamNum(), kDitherStates, m_nDitherMode.load() + 1};
    case kQualityWysiwyg:
      return {GetWysiwygParamNum(), kOnOffStates, m_bWysiwyg.load() ? 2 : 1};
    default:
      return {-1, 0, 0};
  }
}

void XREffect::WriteBackQualityState(EQualitySetting setting) {
  // The audio thread never calls the host nor waits for the undo history:
  // the setting is in effect, its write-back comes with the next idle.
  if (IsAudioThread()) {
    m_nPendingWriteBacks.fetch_or(1u << setting);
    return;
  }
  // The state now: a later change on the audio thread goes back with it.
  const CQualityState q = QualityStateOf(setting);
  SetParamAsFiniteState(q.nIndex, q.nState, q.nStates);
}

void XREffect::WriteBackPendingQualityStates() {
  XR_TRY
  const unsigned pending = m_nPendingWriteBacks.exchange(0);
  for (unsigned s = 0; s < kNumQualitySettings; ++s)
    if (pending & (1u << s)) WriteBackQualityState(static_cast<EQualitySetting>(s));
  XR_CATCH_VOID
}

void XREffect::MaybeCheckForChangedLinkedQualitySetting() {
  XR_TRY
  std::unique_lock<std::recursive_mutex> lock(m_IdleMutex, std::defer_lock);
  if (!Acquire(lock)) return;
  if (!GetIsQMLinked()) return;
  bool adopted = false;
  int v = 0;
  // Another instance (or another version of the plug-in) may have stored
  // anything: only a rating this product offers and states within range are
  // adopted.
  if (CPersistantStorage::QueryStoredPluginInt(kKeyRating, &v) && FindMode(v)) {
    bool allowed = false;
    const int* list = GetAllowableRatings();
    for (int i = 0; list && list[i] != -1 && i < 1000; ++i) allowed = allowed || list[i] == v;
    if (allowed && m_nQualityRating.exchange(v) != v) {
      SetParamAsFiniteState(GetQualityRatingParamNum(), v, kRatingStates);
      m_bQualityRatingChanged.store(true);
      adopted = true;
    }
  }
  if (ReadLinkedState(kKeyDither, kDitherStates, &v) && m_nDitherMode.exchange(v - 1) != v - 1) {
    SetParamAsFiniteState(GetDitherParamNum(), v, kDitherStates);
    InPlaceApplyQualityModeSettings();
    adopted = true;
  }
  if (ReadLinkedState(kKeyBitDepth, kOnOffStates, &v) && m_nBitDepth.exchange(v - 1) != v - 1) {
    SetParamAsFiniteState(GetBitDepthParamNum(), v, kOnOffStates);
    m_bBitDepthChanged.store(true);
    adopted = true;
  }
  if (ReadLinkedState(kKeyReportLatency, kOnOffStates, &v) && m_bReportLatency.exchange(v == 2) != (v == 2)) {
    SetParamAsFiniteState(GetReportLatencyParamNum(), v, kOnOffStates);
    m_bReportLatencyChanged.store(true);
    adopted = true;
  }
  if (ReadLinkedState(kKeyOfflineRender, kOnOffStates, &v) && m_bOfflineRender.exchange(v == 2) != (v == 2)) {
    SetParamAsFiniteState(GetOfflineRenderParamNum(), v, kOnOffStates);
    m_bOfflineRenderChanged.store(true);
    adopted = true;
  }
  if (ReadLinkedState(kKeyWysiwyg, kOnOffStates, &v) && m_bWysiwyg.exchange(v == 2) != (v == 2)) {
    SetParamAsFiniteState(GetWysiwygParamNum(), v, kOnOffStates);
    adopted = true;
  }
  if (adopted) TellEditorQualityChanged();
  XR_CATCH_VOID
}

// --- rebuilds -------------------------------------------------------------------------------

void XREffect::MaybeUpdateQualityModeSettings() {
  XR_TRY
  std::unique_lock<std::recursive_mutex> lock(m_IdleMutex, std::defer_lock);
  if (!Acquire(lock)) return;
  m_bQualityRatingChanged.store(false);
  int fftSize = 0, kernelSize = 0, passes = 0;
  GetQualityModeSettings(fftSize, kernelSize, passes);
  // The host is told the filters' latency, so that is what is kept; the hop
  // alone does not order the modes (High 3 has High 1's hop and more delay).
  const int modeLatency = GetQualityModeLatency(fftSize, kernelSize, passes);
  m_nLatencyChange.store(0);
  if (m_nFirstModeLatency == -1) {
    m_nFirstModeLatency = modeLatency;
  } else if (m_bReportLatency.load() && g_eRecognisedHost.load() == kHostCubaseVst) {
    // This host keeps the latency it was first given: a larger one is
    // refused, a smaller one is padded up to it (SetLatencyFromFilter).
    if (modeLatency > m_nFirstModeLatency) {
      fftSize = m_nFFTSize.load();
      kernelSize = m_nKernelSize.load();
      passes = m_nPasses.load();
      m_nLatencyChange.store(2);
    } else if (modeLatency < m_nFirstModeLatency) {
      m_nLatencyChange.store(1);
    }
  }
  TellEditorQualityChanged();
  if (fftSize != m_nFFTSize.load() || kernelSize != m_nKernelSize.load() || passes != m_nPasses.load() ||
      m_bReportLatencyChanged.load() || m_bOfflineRenderChanged.load()) {
    const int oldFFTSize = m_nFFTSize.exchange(fftSize);
    const int oldKernelSize = m_nKernelSize.exchange(kernelSize);
    const int oldPasses = m_nPasses.exchange(passes);
    if (!ApplyQualityModeSettingsOuter()) {
      // Put off: the next check must still find the difference.
      m_nFFTSize.store(oldFFTSize);
      m_nKernelSize.store(oldKernelSize);
      m_nPasses.store(oldPasses);
      m_bRebuildDeferred.store(true);
      return;
    }
    m_bRebuildDeferred.store(false);
  }
  m_bQualityNeverApplied.store(false);
  XR_CATCH_VOID
}

bool XREffect::IsRebuildBlockedByEditor() {
  XREditorHooks* editor = GetEditorHooks();
  return editor && editor->IsOpen() && (editor->IsBuildingViews() || m_bInEditGroup.load());
}

bool XREffect::ApplyQualityModeSettingsOuter() {
  XR_TRY
  std::unique_lock<std::recursive_mutex> lock(m_IdleMutex, std::defer_lock);
  if (!Acquire(lock)) return false;
  const bool bitDepthWasChanged = m_bBitDepthChanged.exchange(false);
  XREditorHooks* editor = GetEditorHooks();
  const bool editorOpen = editor && editor->IsOpen();
  // The editor's panel build and an open gesture end only through the user
  // interface thread's own events, which a wait here would block; the
  // editor's views go first, unless this very thread is using them (the
  // host called back from inside an editor event). Either way the rebuild
  // is put off to a later idle.
  if (IsRebuildBlockedByEditor() || (editorOpen && !editor->TryRemoveAllControls())) {
    if (bitDepthWasChanged) m_bBitDepthChanged.store(true);
    return false;
  }
  bool applied = false;
  {
    CAudioBusyHold hold(this);
    if (hold.Held()) ApplyQualityModeSettings();
    applied = hold.Held();
  }
  if (editorOpen) editor->RefreshFrontOrBack();
  if (!applied && bitDepthWasChanged) m_bBitDepthChanged.store(true);
  return applied;
  XR_CATCH(true)
}

// --- latency ---------------------------------------------------------------------------------

void XREffect::NotifyHostOfIOChange() {
  if (g_eRecognisedHost.load() == kHostCubaseVst) return;
  if (IsOnIdleWorker()) {
    m_bHostIOChangePending.store(true);
    return;
  }
  if (canHostDo("acceptIOChanges")) AudioEffectX::ioChanged();
}

template <typename T>
void XREffect::UpdateFFTSettings(FftFilter<T>* filter) {
  XR_TRY
  if (!filter) return;
  filter->NotifyOfProcessingBlockSize(0);
  SetLatencyFromFilter(filter);
  filter->SetDitherType(static_cast<EDitherType>(m_nDitherMode.load()));
  TellEditorQualityChanged();
  XR_CATCH_VOID
}

template <typename T>
void XREffect::InPlaceUpdateFFTSettings(FftFilter<T>* filter) {
  XR_TRY
  if (filter) filter->SetDitherType(static_cast<EDitherType>(m_nDitherMode.load()));
  XR_CATCH_VOID
}

template <typename T>
void XREffect::SetLatencyFromFilter(FftFilter<T>* filter) {
  XR_TRY
  if (!filter) return;
  std::unique_lock<std::recursive_mutex> lock(m_IdleMutex, std::defer_lock);
  if (!Acquire(lock)) return;
  const int latency = m_bReportLatency.load() ? filter->GetOutputLatency() : 0;
  const bool reportChanged = m_bReportLatencyChanged.load();
  const bool offlineChanged = m_bOfflineRenderChanged.load();
  if (latency != m_nLastLatency.load() || reportChanged || offlineChanged) {
    if (g_eRecognisedHost.load() == kHostCubaseVst && !m_bFirstLatencyReport.load() && !reportChanged &&
        !offlineChanged) {
      m_bPadLatency.store(true);
    } else {
      setInitialDelay(latency);
      m_bReportLatencyChanged.store(false);
      m_bOfflineRenderChanged.store(false);
      m_nHostLatency.store(latency);
      if (m_nFirstHostLatency == -1) m_nFirstHostLatency = latency;
      // The record holds the new delay now. Inside ioChanged the host is told
      // once that call's resume has finished; otherwise tell it here.
      if (!m_bFirstLatencyReport.load() && m_bIOChangedAllowed.load()) NotifyHostOfIOChange();
    }
    m_nLastLatency.store(latency);
    m_bFirstLatencyReport.store(false);
  }
  if (m_bPadLatency.load()) filter->PadWithExtraLatency(latency < m_nFirstHostLatency ? m_nFirstHostLatency - latency : 0);
  XR_CATCH_VOID
}

template void XREffect::UpdateFFTSettings<float>(FftFilter<float>*);
template void XREffect::UpdateFFTSettings<double>(FftFilter<double>*);
template void XREffect::InPlaceUpdateFFTSettings<float>(FftFilter<float>*);
template void XREffect::InPlaceUpdateFFTSettings<double>(FftFilter<double>*);
template void XREffect::SetLatencyFromFilter<float>(FftFilter<float>*);
template void XREffect::SetLatencyFromFilter<double>(FftFilter<double>*);

bool XREffect::ioChanged() {
  XR_TRY
  std::unique_lock<std::recursive_mutex> lock(m_IdleMutex, std::defer_lock);
  if (!Acquire(lock)) return false;
  if (!m_bIOChangedAllowed.exchange(false)) return true;  // nested
  xr_detail::ScopeExit allowAgain([this] { m_bIOChangedAllowed.store(true); });
  // The cycle applies pending changes and sets the new initial delay before
  // the host is asked to read it.
  suspend();
  resume();
  NotifyHostOfIOChange();
  return true;
  XR_CATCH(false)
}

void XREffect::resume() {
  XR_TRY
  // Called back from inside the editor's frame while the idle side is busy:
  // the settings stay pending, and the next idle applies them.
  std::unique_lock<std::recursive_mutex> idleSide(m_IdleMutex, std::defer_lock);
  if (!EnterIdleSide(idleSide)) return;
  if (m_bInResume.exchange(true)) return;
  xr_detail::ScopeExit leave([this] { m_bInResume.store(false); });
  if (m_bInitialised.load()) {
    MaybeCheckForChangedLinkedQualitySetting();
    MaybeUpdateQualityModeSettings();
    // A new stream: nothing of the last one sounds in it, and its hops start
    // at its first sample, so that two renders after a resume are the same.
    ClearAllFFTFilters();
    m_bIOChangedAllowed.store(true);
  }
  XR_CATCH_VOID
}

// --- hooks the product fills ---------------------------------------------------------

void XREffect::ApplyQualityModeSettings() {}
void XREffect::UpdateAllFFTSettings() {}
void XREffect::InPlaceApplyQualityModeSettings() {}
void XREffect::ClearAllFFTFilters() {}
int XREffect::GetQMLinkParamNum() { return -1; }
int XREffect::GetQualityRatingParamNum() { return -1; }
int XREffect::GetQMLinkButtonResourceId() { return -1; }
int XREffect::GetDitherParamNum() { return -1; }
int XREffect::GetBitDepthParamNum() { return -1; }
int XREffect::GetReportLatencyParamNum() { return -1; }
int XREffect::GetOfflineRenderParamNum() { return -1; }
int XREffect::GetWysiwygParamNum() { return -1; }
