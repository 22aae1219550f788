// The equaliser editor's edits: its untagged controls, the graph's reports,
// channel linking, the refresh of its controls and its idle work.
#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/ColorControls.h"
#include "Helpers/Lock.h"
#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "Helpers/ScopedValue.h"
#include "QVX/QVXHelp.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Bands.h"
#include "QVX2/QVX2Editor.h"
#include "QVX2/QVX2Graph.h"
#include "gui/CFrame.h"
#include "gui/CKickButton.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2EditorEdits");

namespace {
constexpr int kBands = kQvx2NumBands;
// The graph's own least zoom spans (Helpers/FreqGraph*.cpp).
constexpr float kfMinFreqSpanHz = 10.0f;
constexpr float kfMinDbSpan = 5.0f;
// Quiet time the editor leaves the effect's own filter updates.
constexpr unsigned int kFilterUpdateGraceMs = 100;

// 1 above 1, 0 below 0 and for NaN.
float Clamp01(float x) {
  if (x > 1.0f) return 1.0f;
  return x > 0.0f ? x : 0.0f;
}

// The band parameters pair left and right gains; the pass filters pair the
// two channels' switches and frequencies.
bool IsBandParam(long index) { return index >= 0 && index < kQvx2NumGainParams; }
int BandPartner(int index) { return index ^ 1; }
int HandleOfBandParam(int index) { return index / 2 + (index % 2) * kBands; }
int FilterPartner(long index) {
  const int pairs[4][2] = {{kQvx2Hpf0, kQvx2Hpf1}, {kQvx2Hpf0Freq, kQvx2Hpf1Freq}, {kQvx2Lpf0, kQvx2Lpf1},
                           {kQvx2Lpf0Freq, kQvx2Lpf1Freq}};
  for (const auto& p : pairs) {
    if (index == p[0]) return p[1];
    if (index == p[1]) return p[0];
  }
  return -1;
}
bool IsFilterFrequency(int index) {
  return index == kQvx2Hpf0Freq || index == kQvx2Hpf1Freq || index == kQvx2Lpf0Freq || index == kQvx2Lpf1Freq;
}

}  // namespace

float QVX2Editor::FrequencyOfParam(float p) { return std::exp(kfSP_LogRangeF * p + kfSP_LogMinF); }
float QVX2Editor::ParamOfFrequency(float hz) { return (std::log(hz) - kfSP_LogMinF) / kfSP_LogRangeF; }

int QVX2Editor::GetChannel() {
  XR_TRY
  return P(kQvx2ControlChannel) != 0.0f ? 1 : 0;
  XR_CATCH(0)
}

int QVX2Editor::GetLayout() {
  XR_TRY
  return Qvx2LayoutOfState(Qvx2StateOfValue(P(kQvx2BandType), kQvx2BandTypeStates, Qvx2DefaultOf(kQvx2BandType)));
  XR_CATCH(0)
}

// --- writes ---------------------------------------------------------------------------

// One gesture for a scope.
class QVX2Editor::CGesture {
 public:
  explicit CGesture(QVX2Editor& editor) : m_Editor(editor) { m_Editor.BeginGesture(); }
  ~CGesture() { m_Editor.EndGesture(); }
  CGesture(const CGesture&) = delete;
  CGesture& operator=(const CGesture&) = delete;

 private:
  QVX2Editor& m_Editor;
};

void QVX2Editor::BeginGesture() {
  if (OnUiThread()) ++m_nGestureDepth;
}

void QVX2Editor::EndGesture() {
  XR_TRY
  if (!OnUiThread() || m_nGestureDepth == 0 || --m_nGestureDepth > 0) return;
  const std::bitset<kQvx2NumHostParams> opened = m_GestureOpened;
  m_GestureOpened.reset();
  m_GestureBracketed.reset();
  AQVX2* fx = Effect();
  for (int i = 0; fx && i < kQvx2NumHostParams; ++i)
    if (opened.test(static_cast<size_t>(i))) fx->HostEndEdit(i);
  XR_CATCH_VOID
}

void QVX2Editor::AnnounceWrite(int index) {
  XR_TRY
  if (!OnUiThread() || m_nGestureDepth == 0 || index < 0 || index >= kQvx2NumHostParams) return;
  const size_t bit = static_cast<size_t>(index);
  if (m_GestureBracketed.test(bit)) return;
  m_GestureBracketed.set(bit);
  m_GestureOpened.set(bit);
  if (AQVX2* fx = Effect()) fx->HostBeginEdit(index);
  XR_CATCH_VOID
}

bool QVX2Editor::beginEdit(int index) {
  XR_TRY
  BeginGesture();
  // The control's own parameter: its bracket reaches the host from here.
  if (OnUiThread() && index >= 0 && index < kQvx2NumHostParams) m_GestureBracketed.set(static_cast<size_t>(index));
  return DivuVazize::beginEdit(index);
  XR_CATCH(false)
}

bool QVX2Editor::endEdit(int index) {
  XR_TRY
  EndGesture();
  return DivuVazize::endEdit(index);
  XR_CATCH(false)
}

void QVX2Editor::WriteParam(int index, float value) {
  if (index < 0) return;
  CScopedValue<int> writing(m_nEditorWrite, index);
  HostWrite(index, value);
}

void QVX2Editor::HostWrite(int index, float value) {
  AQVX2* fx = Effect();
  if (!fx || index < 0) return;
  const CGesture gesture(*this);
  AnnounceWrite(index);
  fx->SetParamAndForceHostUpdate(index, value);
}

void QVX2Editor::MirrorToPartner(int index, float value) {
  AQVX2* fx = Effect();
  if (!fx) return;
  const int mode = Qvx2StateOfValue(P(kQvx2ControlMode), kQvx2ControlModeStates, Qvx2DefaultOf(kQvx2ControlMode));
  if (mode == kQvx2ControlModeSeparate) return;
  int partner = -1;
  float partnerValue = value;
  if (IsBandParam(index)) {
    partner = BandPartner(index);
    if (mode == kQvx2ControlModeLinked) {
      partnerValue = Clamp01(value + fx->LinkParamDelta(partner, index));
      m_nSelectedHandle = HandleOfBandParam(index);
    }
  } else {
    partner = FilterPartner(index);
    if (partner >= 0 && mode == kQvx2ControlModeLinked && IsFilterFrequency(index))
      partnerValue = Clamp01(value + fx->LinkParamDelta(partner, index));
  }
  if (partner < 0) return;
  // Re-enters setParameter, which finds the mirroring guard set.
  HostWrite(partner, partnerValue);
}

// --- the effect's calls ---------------------------------------------------------------

void QVX2Editor::setParameter(long index, float value) {
  XR_TRY
  if (!IsOpen()) return;
  AQVX2* fx = Effect();
  // Automation from another thread only raises flags for the next idle.
  if (OnUiThread() && !m_bMirroring) {
    CScopedValue<bool> guard(m_bMirroring, true);
    const bool editorEdit = IsChangeFromGui() && index == m_nEditorWrite;
    if (fx && editorEdit && !fx->IsSwitchingAB() && !fx->IsInUndoRedoEdit() &&
        fx->DidParameterActuallyChange(static_cast<int>(index)))
      MirrorToPartner(static_cast<int>(index), value);
  }
  // After the partner's write: any write may part or join the two curves.
  m_bRecheckLeftRight.store(true);

  if (index == kQvx2ControlChannel) {
    if (OnUiThread())
      m_nSelectedHandle = m_nSelectedHandle % kBands + kBands * GetChannel();
    else
      m_bChannelChanged.store(true);
    m_bPendingUpdateUi.store(true);
  } else if (index == kQvx2ControlMode || index == kQvx2BandType || index == kQvx2FftBands ||
             (index >= kQvx2Hpf0 && index <= kQvx2Lpf1Freq)) {
    m_bPendingUpdateUi.store(true);
  }
  // The channel buttons, the graph's traces and the meter's scale follow
  // M/S Mode; the curve's source follows WYSIWYG.
  const bool rebuildsPanel = (kQvx2MSMode >= 0 && index == kQvx2MSMode) || (kQvx2Wysiwyg >= 0 && index == kQvx2Wysiwyg);
  if (rebuildsPanel && fx && fx->DidParameterActuallyChange(static_cast<int>(index))) {
    MarkCurveStale();
    m_bPendingRefresh.store(true);
  }
  DivuVazize::setParameter(index, value);
  XR_CATCH_VOID
}

// --- controls -------------------------------------------------------------------------

void QVX2Editor::valueChanged(CDrawContext* context, CControl* control) {
  XR_TRY
  const CGesture gesture(*this);
  const CScopedValue<std::atomic<bool>> gui(m_bChangeFromGui, true);
  valueChangedInner(context, control);
  XR_CATCH_VOID
}

void QVX2Editor::valueChangedInner(CDrawContext* context, CControl* control) {
  XR_TRY
  AQVX2* fx = Effect();
  if (!control || !fx) return;
  const float v = control->getValue();
  const long tag = control->getTag();
  const float range = control->getMax() - control->getMin();
  const float n = range != 0.0f ? (v - control->getMin()) / range : 0.0f;
  const int e = GetChannel();

  if (P(kQvx2TrimLink) != 0.0f && control->isDirty()) {
    if (tag == kQvx2TrimRight) WriteParam(kQvx2TrimLeft, Clamp01(n - fx->GetTrimLinkOffset()));
    if (tag == kQvx2TrimLeft) WriteParam(kQvx2TrimRight, Clamp01(n + fx->GetTrimLinkOffset()));
  }
  if (control == m_pLeftButton || control == m_pRightButton) {
    const float channel = control == m_pLeftButton ? (v == 0.0f ? 1.0f : 0.0f) : (v != 0.0f ? 1.0f : 0.0f);
    if (!m_bShowLeftRight) WriteParam(kQvx2ControlMode, 1.0f);  // "Seperate"
    WriteParam(kQvx2ControlChannel, channel);
  }
  if (control == m_pLinkButton) WriteParam(kQvx2ControlMode, v != 0.0f ? 0.0f : 1.0f);
  if (control == m_pLinkRelButton) WriteParam(kQvx2ControlMode, v != 0.0f ? 0.5f : 1.0f);
  if (control == m_pLeftButton || control == m_pRightButton || control == m_pLinkButton ||
      control == m_pLinkRelButton) {
    m_bRecheckLeftRight.store(true);
    m_bPendingUpdateUi.store(true);
  }
  if (control == m_pHpfFreq) WriteParam(e ? kQvx2Hpf1Freq : kQvx2Hpf0Freq, Clamp01(ParamOfFrequency(v)));
  if (control == m_pLpfFreq) WriteParam(e ? kQvx2Lpf1Freq : kQvx2Lpf0Freq, Clamp01(ParamOfFrequency(v)));
  if (control == m_pHpfOnButton) WriteParam(e ? kQvx2Hpf1 : kQvx2Hpf0, v);
  if (control == m_pLpfOnButton) WriteParam(e ? kQvx2Lpf1 : kQvx2Lpf0, v);
  if (control == m_pResetButton && v == 1.0f) Reset();
  if (control == m_pBandTypeMenu) {
    const int state = std::min(std::max(static_cast<int>(v), 0), kQvx2NumBandTypes - 1);
    WriteParam(kQvx2BandType, static_cast<float>(state) / (kQvx2BandTypeStates - 1));
  }
  if (control == m_pColorModeButton) {
    m_bColorMode = v != 0.0f;
    m_bPendingRefresh.store(true);
  }
  for (int k = 0; k < kNumColorSlots; ++k) {
    if (control != m_pColorSlotButton[k]) continue;
    m_nColorSlot = k;
    m_bPendingUpdateUi.store(true);
  }
  if (control == m_pColorPicker) {
    fx->SetPersistantParam(kColEqLinked + m_nColorSlot, v);
    m_bPendingUpdateUi.store(true);
  }
  if (control == m_pResetColorsButton) {
    for (int k = 0; k < kNumColorSlots; ++k)
      fx->SetPersistantParam(kColEqLinked + k, kQvx2PersistantTable[static_cast<size_t>(k)].fDefault);
    m_bPendingUpdateUi.store(true);
    return;
  }
  if (control == m_pFillButton) {
    fx->SetPersistantParam(kGraphFillParam, fx->GetPersistantParam(kGraphFillParam) == 0.0f ? 1.0f : 0.0f);
    m_bPendingUpdateUi.store(true);
  }
  LatencyWarningValueChanged(control, this, kShowLatencyWarningParam);
  // The base writes a tagged control's own parameter.
  CScopedValue<int> writing(m_nEditorWrite, static_cast<int>(tag));
  DivuVazize::valueChanged(context, control);
  XR_CATCH_VOID
}

void QVX2Editor::ControlCallbackInner(EControlCallback kind, CControl* control, float a, float b, float) {
  XR_TRY
  AQVX2* fx = Effect();
  if (!fx || !control) return;
  if (kind == eCC_FreqZoom && m_pGraph) {
    const float lo = ParamOfFrequency(m_pGraph->m_fFreqMin);
    const float hi = ParamOfFrequency(m_pGraph->m_fFreqMax);
    if (lo == P(kQvx2GraphMinFreq) && hi == P(kQvx2GraphMaxFreq)) return;
    WriteParam(kQvx2GraphMinFreq, lo);
    WriteParam(kQvx2GraphMaxFreq, hi);
    UpdateGraph(true);
  } else if (kind == eCC_DbZoom && m_pGraph) {
    WriteParam(kQvx2GraphMinDb, (m_pGraph->m_fDbMin - kfSP_MinG) / (kfSP_MaxG - kfSP_MinG));
    WriteParam(kQvx2GraphMaxDb, (m_pGraph->m_fDbMax - kfSP_MinG) / (kfSP_MaxG - kfSP_MinG));
    UpdateGraph(true);
  } else if (kind == eCC_BandEdit && m_pGraph) {
    if (!(a >= 0.0f && a < static_cast<float>(kBands))) return;
    const int index = nParamG[static_cast<size_t>(static_cast<int>(a) + kBands * GetChannel())];
    WriteParam(index, Clamp01((b - kfSP_MinG) / (kfSP_MaxG - kfSP_MinG)));
  }
  XR_CATCH_VOID
}

void QVX2Editor::Reset() {
  XR_TRY
  AQVX2* fx = Effect();
  if (!fx) return;
  // The reset sets both channels itself: none of its writes is mirrored,
  // which in Linked mode would carry the old difference onto the partner
  // just reset.
  const CScopedValue<bool> whole(m_bMirroring, true);
  // Every setting with a B copy (0..294 in the full edition) but Band Type.
  for (int i = 0; i < kQvx2NumABParams; ++i)
    if (i != kQvx2BandType) WriteParam(i, fx->GetDefaultParam(i));
  XR_CATCH_VOID
}

// --- left and right apart -----------------------------------------------------------

bool QVX2Editor::CheckShouldDisplayLeftRight(bool) {
  XR_TRY
  m_bShowLeftRight = CheckShouldDisplayLeftRightInner();
  return m_bShowLeftRight;
  XR_CATCH(m_bShowLeftRight)
}

bool QVX2Editor::CheckShouldDisplayLeftRightInner() {
  XR_TRY
  m_bRecheckLeftRight.store(false);
  if (Qvx2StateOfValue(P(kQvx2ControlMode), kQvx2ControlModeStates, Qvx2DefaultOf(kQvx2ControlMode)) ==
      kQvx2ControlModeSeparate)
    return true;
  // NaN on either side counts as different.
  for (int b = 0; b < kBands; ++b)
    if (!(P(nParamG[static_cast<size_t>(b)]) == P(nParamG[static_cast<size_t>(kBands + b)]))) return true;
  return !(P(kQvx2Hpf0) == P(kQvx2Hpf1)) || !(P(kQvx2Lpf0) == P(kQvx2Lpf1)) ||
         !(P(kQvx2Hpf0Freq) == P(kQvx2Hpf1Freq)) || !(P(kQvx2Lpf0Freq) == P(kQvx2Lpf1Freq));
  XR_CATCH(true)
}

// --- refresh --------------------------------------------------------------------------

void QVX2Editor::UpdateUi() {
  XR_TRY
  if (!IsOpen() || !IsFrontShown() || !OnUiThread() || !frame) return;
  // The frame's idle thread draws these controls from the opening on.
  CScopedLock hold(frame->getFrameLock());
  if (m_bChannelChanged.exchange(false)) m_nSelectedHandle = m_nSelectedHandle % kBands + kBands * GetChannel();
  if (m_bRecheckLeftRight.load()) CheckShouldDisplayLeftRight(true);

  // The first refresh after the editor was made takes the channel the
  // settings hold instead of moving them to the initial selection.
  if (m_nLastShownSelectedHandle < 0) {
    m_nSelectedHandle = m_nSelectedHandle % kBands + kBands * GetChannel();
    m_nLastShownSelectedHandle = m_nSelectedHandle;
  }
  const int previous = m_nLastShownSelectedHandle;
  const int selected = m_nSelectedHandle;
  if (!m_bShowLeftRight && selected >= kBands) {
    if (m_pGraph && m_pGraph->m_nHoveredHandle == selected) m_pGraph->m_nHoveredHandle = selected % kBands;
    m_nSelectedHandle = selected % kBands;
  }

  const bool right = GetChannel() != 0;
  if (m_pLinkButton && m_pLeftButton && m_pRightButton && m_pLinkRelButton) {
    m_pLeftButton->setValue(m_bShowLeftRight && !right ? 1.0f : 0.0f);
    m_pRightButton->setValue(m_bShowLeftRight && right ? 1.0f : 0.0f);
    const int mode =
        Qvx2StateOfValue(P(kQvx2ControlMode), kQvx2ControlModeStates, Qvx2DefaultOf(kQvx2ControlMode));
    m_pLinkButton->setValue(mode == kQvx2ControlModeSnap ? 1.0f : 0.0f);
    m_pLinkRelButton->setValue(mode == kQvx2ControlModeLinked ? 1.0f : 0.0f);
    for (CControl* c : {static_cast<CControl*>(m_pLinkButton), static_cast<CControl*>(m_pLeftButton),
                        static_cast<CControl*>(m_pRightButton), static_cast<CControl*>(m_pLinkRelButton)})
      c->setDirty(true);
  }

  m_nLastShownSelectedHandle = m_nSelectedHandle;
  if (previous != selected) {
    // The edited channel follows the selection (Linked edits select).
    const int channel = m_nSelectedHandle / kBands;
    if (GetChannel() != channel) HostWrite(kQvx2ControlChannel, static_cast<float>(channel));
  }

  const bool e = GetChannel() != 0;
  if (m_pHpfOnButton) {
    m_pHpfOnButton->setValue(P(e ? kQvx2Hpf1 : kQvx2Hpf0) != 0.0f ? 1.0f : 0.0f);
    m_pHpfOnButton->setDirty(true);
  }
  if (m_pLpfOnButton) {
    m_pLpfOnButton->setValue(P(e ? kQvx2Lpf1 : kQvx2Lpf0) != 0.0f ? 1.0f : 0.0f);
    m_pLpfOnButton->setDirty(true);
  }
  if (m_pHpfFreq) m_pHpfFreq->setValue(FrequencyOfParam(Clamp01(P(e ? kQvx2Hpf1Freq : kQvx2Hpf0Freq))));
  if (m_pLpfFreq) m_pLpfFreq->setValue(FrequencyOfParam(Clamp01(P(e ? kQvx2Lpf1Freq : kQvx2Lpf0Freq))));

  if (m_pGraph) {
    // Band Type order to bar-chart type: Barks, Mels, Octave Thirds, Bark
    // Thirds, Mel Thirds, Chromatic, Octave Sixths.
    static const int kBarChartOfLayout[kQvx2NumBandTypesFull] = {5, 7, 2, 6, 8, 4, 3};
    m_pGraph->SetBarChartType(P(kQvx2FftBands) == 0.0f ? 0 : kBarChartOfLayout[GetLayout()]);
  }
  if (m_pBandTypeMenu) {
    m_pBandTypeMenu->setValue(static_cast<float>(GetLayout()));
    m_pBandTypeMenu->setDirty(true);
  }
  UpdateGraph(false);

  if (m_pColorPicker) {
    AQVX2* fx = Effect();
    for (int k = 0; k < kNumColorSlots; ++k) {
      if (!m_pColorSlotButton[k]) continue;
      m_pColorSlotButton[k]->GetTextPart()->setBackColor(k == m_nColorSlot ? kGreyCColor : kBlackCColor);
      m_pColorSlotButton[k]->setDirty(true);
    }
    if (fx) m_pColorPicker->setValue(fx->GetPersistantParam(kColEqLinked + m_nColorSlot));
    m_pColorPicker->setDirty(true);
    if (m_pFillButton && fx)
      m_pFillButton->SetText(fx->GetPersistantParam(kGraphFillParam) != 0.0f ? "Switch Fill Off" : "Switch Fill On");
  }
  XR_CATCH_VOID
}

void QVX2Editor::GetGraphFreqRange(float& fmin, float& fmax) {
  float lo = Qvx2SanitizedValue(P(kQvx2GraphMinFreq), Qvx2DefaultOf(kQvx2GraphMinFreq));
  float hi = Qvx2SanitizedValue(P(kQvx2GraphMaxFreq), Qvx2DefaultOf(kQvx2GraphMaxFreq));
  if (lo > hi) std::swap(lo, hi);
  fmin = std::max(FrequencyOfParam(lo), kfSP_MinF);
  fmax = std::min(FrequencyOfParam(hi), kfSP_MaxF);
  if (fmax - fmin < kfMinFreqSpanHz) {
    fmax = std::min(fmin + kfMinFreqSpanHz, kfSP_MaxF);
    fmin = fmax - kfMinFreqSpanHz;
  }
}

void QVX2Editor::GetGraphDbRange(float& dbMin, float& dbMax) {
  float lo = Qvx2SanitizedValue(P(kQvx2GraphMinDb), Qvx2DefaultOf(kQvx2GraphMinDb));
  float hi = Qvx2SanitizedValue(P(kQvx2GraphMaxDb), Qvx2DefaultOf(kQvx2GraphMaxDb));
  if (lo > hi) std::swap(lo, hi);
  dbMin = kfSP_MinG + (kfSP_MaxG - kfSP_MinG) * lo;
  dbMax = kfSP_MinG + (kfSP_MaxG - kfSP_MinG) * hi;
  if (dbMax - dbMin < kfMinDbSpan) {
    dbMax = std::min(dbMin + kfMinDbSpan, kfSP_MaxG);
    dbMin = dbMax - kfMinDbSpan;
  }
}

void QVX2Editor::UpdateGraph(bool force) {
  XR_TRY
  if (!m_pGraph) return;
  const bool show = P(kQvx2ShowFft) != 0.0f;
  if (m_pGraph->m_bLive != show) {
    m_pGraph->m_bLive = show;
    m_pGraph->bBackgroundDirty = true;
    m_pGraph->setDirty(true);
  }
  float fmin = 0.0f, fmax = 0.0f;
  GetGraphFreqRange(fmin, fmax);
  if (force || fmin != m_pGraph->m_fFreqMin || fmax != m_pGraph->m_fFreqMax) {
    m_pGraph->SetFreqRange(fmin, fmax, true);
    m_pGraph->bBackgroundDirty = true;
    m_pGraph->setDirty(true);
    m_fLogMinFreq = std::log(fmin);
    m_fLogFreqRange = std::log(fmax) - std::log(fmin);
    MarkCurveStale();
  }
  float dbMin = 0.0f, dbMax = 0.0f;
  GetGraphDbRange(dbMin, dbMax);
  if (force || dbMin != m_pGraph->m_fDbMin || dbMax != m_pGraph->m_fDbMax) {
    m_pGraph->SetDbRange(dbMin, dbMax);
    m_pGraph->bBackgroundDirty = true;
    m_pGraph->setDirty(true);
    MarkCurveStale();
  }
  XR_CATCH_VOID
}

// --- idle -------------------------------------------------------------------------------

void QVX2Editor::IdleInner() {
  XR_TRY
  AQVX2* fx = Effect();
  if (!fx) return;
  CheckDisplayLatencyWarning(this, kShowLatencyWarningParam, kFirstRunParam);
  // Wrap-safe, and a clock that went back does not hold the update off.
  if (MsElapsed(GetTickCount(), fx->GetLastFilterUpdateTime()) > kFilterUpdateGraceMs && fx->GetFiltersNeedUpdating())
    fx->UpdateFiltersIfIdle(true);
  if (m_pGraph) m_pGraph->setDirty(true);
  if (CLevelMeter* meter = m_pLevelMeter.load()) meter->setDirty(true);
  if (m_bRecheckLeftRight.load()) CheckShouldDisplayLeftRight(true);
  XR_CATCH_VOID
}
