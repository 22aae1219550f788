// The equaliser's reactions to parameter writes: trims, trim link, linked-mode
// snapshot, the band-type refit and marking the filters.
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/EditorHooks.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Bands.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Reactions");

namespace {
// What a write of index asks of the effect. The laws of the A bank are in the
// parameter table; every B copy only marks the filters when it changes.
EQvx2Reaction ReactionOf(int index) {
  if (index >= 0 && index < kQvx2NumParams) return kQvx2ParamTable[static_cast<std::size_t>(index)].info.eReaction;
  if (index >= kQvx2NumParams && index < kQvx2NumHostParams) return EQvx2Reaction::MarkIfChanged;
  if (index >= kQvx2FirstPersistantParam && index < kQvx2FirstPersistantParam + kQvx2NumPersistantParams)
    return kQvx2PersistantTable[static_cast<std::size_t>(index - kQvx2FirstPersistantParam)].eReaction;
  return EQvx2Reaction::Never;
}

float Clamp01(double v) {
  if (!(v >= 0.0)) return 0.0f;
  return v > 1.0 ? 1.0f : static_cast<float>(v);
}
}  // namespace

// Suspends the kernel update and holds the refit's undo group for the
// refit's duration and releases both on every way out, exceptions included:
// a suspension left in place would stop every later filter update, and an
// open group would hold off every later quality-mode rebuild.
class CRefitScope {
 public:
  CRefitScope(CQVX2KernelUpdate& update, XREditorHooks& editor) : m_Update(update), m_Editor(editor) {
    m_Update.Suspend();
  }
  // Counts the group as open before asking for it, so that a failure inside
  // the request still closes whatever it opened.
  void OpenUndoGroup() {
    m_bGroupOpen = true;
    m_Editor.beginEdit(0);
  }
  ~CRefitScope() {
    if (m_bGroupOpen) {
      try {
        m_Editor.endEdit(0);
      } catch (...) {
        HandleException(__PRETTY_FUNCTION__);
      }
    }
    m_Update.Resume();
  }
  CRefitScope(const CRefitScope&) = delete;
  CRefitScope& operator=(const CRefitScope&) = delete;

 private:
  CQVX2KernelUpdate& m_Update;
  XREditorHooks& m_Editor;
  bool m_bGroupOpen = false;
};

bool AQVX2::IsReapplyingValues() const {
  return m_bInProgramChange.load() || m_bSwitchingAB.load() || m_bInUndoRedoEdit.load();
}

void AQVX2::CopyCurrentValues(float* values) {
  for (int i = 0; i < kQvx2NumHostParams; ++i) values[i] = Param(i)->load();
}

void AQVX2::ParameterChanged(int index) {
  XR_TRY
  switch (ReactionOf(index)) {
    case EQvx2Reaction::Never: return;
    case EQvx2Reaction::Trim:
      m_fTrimGain[0].store(Qvx2TrimGain(Param(kQvx2TrimLeft)->load()), std::memory_order_relaxed);
      m_fTrimGain[1].store(Qvx2TrimGain(Param(kQvx2TrimRight)->load()), std::memory_order_relaxed);
      return;
    case EQvx2Reaction::ControlMode:
      if (Qvx2StateOfValue(Param(index)->load(), kQvx2ControlModeStates, Qvx2DefaultOf(index)) == kQvx2ControlModeLinked)
        m_LinkSnapshot.CopyFrom(m_Programs[m_nCurProgram.load()]);
      return;
    case EQvx2Reaction::TrimLink:
      if (Param(index)->load() != 0.0f)
        m_fTrimLinkOffset.store(Qvx2SanitizedValue(Param(kQvx2TrimRight)->load(), 0.5f) -
                                Qvx2SanitizedValue(Param(kQvx2TrimLeft)->load(), 0.5f));
      break;
    case EQvx2Reaction::BandType:
      if (DidParameterActuallyChange(index)) {
        XREditorHooks* editor = GetEditorHooks();
        // Host automation never refits, also when it arrives on the audio
        // thread while the editor's own edit is under way elsewhere.
        if (editor != nullptr && editor->IsChangeFromGui() && !IsReapplyingValues() && !IsAudioThread()) {
          // The gain writes mark the filters themselves; a failed refit
          // still leaves the new layout to be built.
          try {
            RefitBandType(*editor);
          } catch (...) {
            SetFiltersNeedUpdating();
            throw;
          }
        }
      }
      break;
    case EQvx2Reaction::MarkIfChanged: break;
  }
  if (DidParameterActuallyChange(index)) SetFiltersNeedUpdating();
  XR_CATCH_VOID
}

void AQVX2::RefitBandType(XREditorHooks& editor) {
  float values[kQvx2NumHostParams];
  CopyCurrentValues(values);

  // The curve the old layout drew, from the current gains: the layout of the
  // value Band Type held before this write (the calc cache may be older than
  // the last gain edits). Depth and the pass slopes stay out: they act on
  // the new gains again.
  const int oldLayout = Qvx2LayoutOfState(
      Qvx2StateOfValue(m_PreviousValues.values[kQvx2BandType].load(), kQvx2BandTypeStates, Qvx2DefaultOf(kQvx2BandType)));
  const int newLayout = Qvx2LayoutOfState(Qvx2ModelState(values, kQvx2BandType, kQvx2BandTypeStates));
  CQVX2ResponseModel oldCurve;
  oldCurve.Fill(values, oldLayout, CQVX2ResponseModel::EContent::BandGainsOnly);
  const float contour = Qvx2ModelValue(values, kQvx2Contour);

  float refit[2][kQvx2NumBands];
  const QVX2BandTable& freqs = *kQvx2BandLayouts[static_cast<std::size_t>(newLayout)].pFreqs;
  for (int b = 0; b < kQvx2NumBands; ++b) {
    const float f = freqs[static_cast<std::size_t>(b)];
    for (int c = 0; c < 2; ++c) {
      // Bands behind the new layout's end take 0.0; they never enter the
      // response.
      refit[c][b] = f >= kfQvx2BandEndMarker
                        ? 0.0f
                        : Clamp01((oldCurve.GetFilterResponseDb(Qvx2PositionOfFrequency(f), c, contour) - kfSP_MinG) /
                                  static_cast<double>(kfSP_MaxG - kfSP_MinG));
    }
  }

  // No update reads the gains while they are half written. The refit runs
  // in an editor event under the frame lock, so it takes no idle-side lock:
  // the suspension only waits for a step under way, which never waits for
  // the user-interface thread.
  CRefitScope scope(m_KernelUpdate, editor);
  scope.OpenUndoGroup();
  for (int b = 0; b < kQvx2NumBands; ++b) {
    WriteRefitValue(nParamG[static_cast<std::size_t>(b)], refit[0][b]);
    WriteRefitValue(nParamG[static_cast<std::size_t>(kQvx2NumBands + b)], refit[1][b]);
  }
  editor.SetRefreshControls();
}

void AQVX2::WriteRefitValue(int index, float value) {
  // Inside the host's edit bracket of the gain, as the editor's own writes.
  AnnounceEditorWrite(index);
  StoreHostParam(index, value);
  ParameterChanged(index);
  sendAutomationToHost(index, value);
}

float AQVX2::LinkParamDelta(int a, int b) {
  XR_TRY
  if (a < 0 || a >= kXrMaxParams || b < 0 || b >= kXrMaxParams) return 0.0f;
  return m_LinkSnapshot.values[a].load() - m_LinkSnapshot.values[b].load();
  XR_CATCH(0.0f)
}
