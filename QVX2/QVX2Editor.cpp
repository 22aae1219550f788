// The equaliser editor: construction and the front panel in its normal, M/S
// and colour forms.
#include "QVX2/QVX2Editor.h"

#include "Helpers/Assert.h"
#include "Helpers/ColorControls.h"
#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "QVX/QVXHelp.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Bands.h"
#include "QVX2/QVX2Graph.h"
#include "gui/CAnimKnob.h"
#include "gui/CFrame.h"
#include "gui/CKickButton.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Editor");

const CRect g_rectCompositeGraph(32, 35, 504, 263);
const CRect g_rectColorPicker(304, 35, 504, 263);

namespace {
constexpr long kFrontBitmap = 161;
constexpr long kBackBitmap = 114;
constexpr long kUnbound = 9999;
constexpr int kKnobFrames = 127;
constexpr int kMeterLabelStrip = 12;
const CColor kVersionColour = {192, 192, 192, 255};

void SetTextDragDefaults(const char* format, float min, float max, float inc) {
  CTextDrag::c_szDefaultFormat = format;
  CTextDrag::c_szDefaultKFormat = nullptr;
  CTextDrag::c_fDefaultMin = min;
  CTextDrag::c_fDefaultMax = max;
  CTextDrag::c_fDefaultInc = inc;
}

// The band-type menu's entries: the layouts this edition offers.
const char* const* BandTypeEntries() {
  static const char* entries[kQvx2NumBandTypesFull + 1] = {};
  for (int i = 0; i < kQvx2NumBandTypes; ++i) entries[i] = g_szQVX2BandTypes[i];
  entries[kQvx2NumBandTypes] = nullptr;
  return entries;
}
}  // namespace

QVX2Editor::QVX2Editor(AudioEffect* effect)
    : DivuVazize(effect, kFrontBitmap, kBackBitmap, CRect(390, 0, 600, 25), CRect(0, 0, 0, 0), 300, 30, 312, 184),
      m_fLogMinFreq(kfSP_LogMinF),
      m_fLogFreqRange(kfSP_LogRangeF) {
  XR_TRY
  m_szTitle = "QVX2 v1.2.8";
  m_colBackPanelBack = {0, 0, 0, 255};
  m_rectBackFlipButton = CRect(0, 0, 0, 0);
  m_nTextButtonHalfWidth = 180;
  m_bShowQualityModeControls = true;
  m_bShowQualityAdvice = true;
  m_nUndoBitmapOn = 150;
  m_nUndoBitmapOff = 158;
  m_nRedoBitmapOn = 148;
  m_nRedoBitmapOff = 157;
  setKnobMode(2);
  InnerZeroControlPtrs();
  XR_CATCH_VOID
}

QVX2Editor::~QVX2Editor() {
  XR_TRY
  // A host that deletes the editor while it is open: close it while this
  // part still exists, so the meter pointer is cleared under lock A.
  if (IsOpen()) close();
  XR_CATCH_VOID
}

AQVX2* QVX2Editor::Effect() const { return dynamic_cast<AQVX2*>(effect); }

float QVX2Editor::P(int index) {
  AQVX2* fx = Effect();
  return fx && index >= 0 ? fx->getParameter(index) : 0.0f;
}

void QVX2Editor::InnerZeroControlPtrs() {
  XR_TRY
  m_pGraph = nullptr;
  m_pLevelMeter.store(nullptr);
  m_pResetButton = nullptr;
  m_pBandTypeMenu = nullptr;
  m_pLinkButton = m_pLeftButton = m_pRightButton = m_pLinkRelButton = nullptr;
  m_pHpfOnButton = m_pLpfOnButton = nullptr;
  m_pHpfFreq = m_pLpfFreq = nullptr;
  m_pColorModeButton = nullptr;
  m_pColorPicker = nullptr;
  for (CTextButton*& slot : m_pColorSlotButton) slot = nullptr;
  m_pResetColorsButton = nullptr;
  m_pFillButton = nullptr;
  ClearLatencyWarningDisplay();
  XR_CATCH_VOID
}

void QVX2Editor::UpdateABControls() {
  XR_TRY
  DivuVazize::UpdateABControls();
  XREffect* fx = GetXREffect();
  if (!m_pCopyABButton || !fx) return;
  m_pCopyABButton->setBackground(GetBitmap(fx->GetABBank() == 1 ? 154 : 155));
  m_pCopyABButton->setDirty(true);
  XR_CATCH_VOID
}

void QVX2Editor::AddFrontViewsInner() {
  XR_TRY
  AQVX2* fx = Effect();
  if (!fx || !frame) return;
  const bool midSide = kQvx2MSMode >= 0 && P(kQvx2MSMode) != 0.0f;

  if (CStaticText* version = AddStaticText(CRect(527, 10, 567, 21), "v1.2.8", kFontNormal, kFaceNormal, kAlignLeft))
    version->setFontColor(kVersionColour);

  g_rectLatencyWarning = g_rectCompositeGraph;
  if (m_bColorMode) {
    SetupColorControls();
  } else if (!CheckDisplayLatencyWarning(this, kShowLatencyWarningParam, kFirstRunParam)) {
    auto* graph = new QVX2CompositeGraph(g_rectCompositeGraph, this);
    // The mode before the stores: a mode change clears the bound stores,
    // which the audio thread may be writing now.
    graph->SetWhatToShow(midSide ? CCompositeGraph::eMidSide : CCompositeGraph::eLeftAndRight);
    CFrequencyDataStore* stores[kQvx2NumDataStores];
    // While the idle side is busy the graph shows no spectrum until the
    // next idle builds the panel again.
    if (!fx->GetDataStores(stores)) m_bPendingRefresh.store(true);
    for (int slot = 0; slot < CFreqGraph::kNumSlots && slot < kQvx2NumDataStores; ++slot)
      graph->SetDataStore(slot, stores[slot]);
    graph->SetColLeft(fx->GetParamAsColor(kColFftLeft));
    graph->SetColRight(fx->GetParamAsColor(kColFftRight));
    graph->m_colLeftCurve = fx->GetParamAsColor(kColEqLeft);
    graph->m_colRightCurve = fx->GetParamAsColor(kColEqRight);
    graph->m_colLinkedCurve = fx->GetParamAsColor(kColEqLinked);
    graph->SetAbsDbRange(kfSP_MinG, kfSP_MaxG, -100000.0f, -100000.0f);
    graph->SetDbRange(kfSP_MinG, kfSP_MaxG);
    // The traces keep the -100..0 dB scale the graph was made with; the
    // axis shows the equaliser's range.
    graph->m_bSeparateSpectrumRange = true;
    graph->SetAbsFreqRange(kfSP_MinF, kfSP_MaxF, -100000.0f, -100000.0f);
    graph->SetFreqRange(kfSP_MinF, kfSP_MaxF, true);
    frame->addView(graph);
    m_pGraph = graph;
    MarkCurveStale();
  }

  auto* meter = new CLevelMeter(CRect(504, 35, 547, 263), kMeterLabelStrip, this, nullptr);
  meter->SetVolScale(eVS_DigitalFS);
  meter->SetVolScale(midSide ? eVS_MSDig : eVS_DigitalFS);
  meter->eBarStyle = eBS_Solid;
  meter->SetNonStandard();
  meter->bScaleDragEnabled = false;
  meter->SetColRed(fx->GetParamAsColor(kColMeterRed));
  meter->SetColYellow(fx->GetParamAsColor(kColMeterYellow));
  meter->SetColGreen(fx->GetParamAsColor(kColMeterGreen));
  meter->fPeakRise = 0.0f;
  meter->fPeakFall = 0.84f;
  frame->addView(meter);
  // Published last: the audio thread may feed it from now on.
  m_pLevelMeter.store(meter);

  AddOnOffButton(CPoint(27, 7), 139, kQvx2Bypass);
  m_pResetButton = AddKickButton(CPoint(240, 7), 149, kUnbound);
  m_pColorModeButton = AddOnOffButton(CPoint(87, 276), 140, kUnbound);
  if (m_pColorModeButton) m_pColorModeButton->setValue(m_bColorMode ? 1.0f : 0.0f);
  SetTextDragDefaults("%.1f", -kfSP_GlobalTrimLimit, kfSP_GlobalTrimLimit, 0.5f);
  AddTextDrag(CRect(440, 279, 477, 291), kQvx2TrimLeft, kFontNormal, kFaceNormal, -1, CTextDrag::eTDT_Linear);
  AddTextDrag(CRect(520, 279, 557, 291), kQvx2TrimRight, kFontNormal, kFaceNormal, -1, CTextDrag::eTDT_Linear);
  AddAnimKnob(CPoint(428, 302), 152, kQvx2TrimLeft, kKnobFrames);
  AddAnimKnob(CPoint(507, 302), 153, kQvx2TrimRight, kKnobFrames);
  AddOnOffButton(CPoint(484, 311), 145, kQvx2TrimLink);
  AddOnOffButton(CPoint(30, 276), 136, kQvx2FftSource);
  AddOnOffButton(CPoint(87, 312), 135, kQvx2FftBands);
  AddOnOffButton(CPoint(30, 312), 137, kQvx2ShowFft);
  SetTextDragDefaults("%.2f", 0.0f, 1.0f, 0.01f);
  AddTextDrag(CRect(377, 314, 414, 326), kQvx2Contour, kFontNormal, kFaceNormal, -1, CTextDrag::eTDT_Linear);
  SetTextDragDefaults("%.0f%%", 0.0f, 200.0f, 5.0f);
  AddTextDrag(CRect(377, 279, 414, 291), kQvx2Depth, kFontNormal, kFaceNormal, -1, CTextDrag::eTDT_Linear);
  m_pABButton = AddOnOffButton(CPoint(138, 7), 133, kUnbound);
  m_pCopyABButton = AddKickButton(CPoint(189, 7), 155, kUnbound);
  m_pUndoButton = AddKickButton(CPoint(77, 7), 150, kXrUndoRequest);
  m_pRedoButton = AddKickButton(CPoint(108, 7), 148, kXrRedoRequest);

  m_bShowLeftRight = CheckShouldDisplayLeftRightInner();

  m_pLinkButton = AddOnOffButton(CPoint(175, 271), midSide ? 162 : 143, kUnbound);
  m_pLeftButton = AddOnOffButton(CPoint(149, 294), midSide ? 163 : 142, kUnbound);
  m_pRightButton = AddOnOffButton(midSide ? CPoint(211, 293) : CPoint(211, 294), midSide ? 160 : 147, kUnbound);
  m_pLinkRelButton = AddOnOffButton(CPoint(175, 316), 144, kUnbound);
  if (kQvx2MSMode >= 0) AddOnOffButton(CPoint(175, 294), 164, kQvx2MSMode);
  m_pHpfOnButton = AddOnOffButton(CPoint(252, 312), 141, kUnbound);
  m_pLpfOnButton = AddOnOffButton(CPoint(310, 312), 146, kUnbound);
  SetTextDragDefaults("%.0f", kfSP_MinF, kfSP_MaxF, 10.0f);
  m_pHpfFreq = AddTextDrag(CRect(253, 279, 290, 291), kUnbound, kFontNormal, kFaceNormal, -1, CTextDrag::eTDT_Log);
  if (m_pHpfFreq) m_pHpfFreq->setDefaultValue(FrequencyOfParam(fx->GetDefaultParam(kQvx2Hpf0Freq)));
  m_pLpfFreq = AddTextDrag(CRect(311, 279, 348, 291), kUnbound, kFontNormal, kFaceNormal, -1, CTextDrag::eTDT_Log);
  if (m_pLpfFreq) m_pLpfFreq->setDefaultValue(FrequencyOfParam(fx->GetDefaultParam(kQvx2Lpf0Freq)));
  m_pBandTypeMenu = AddOptionMenu(CRect(304, 9, 382, 22), BandTypeEntries(), kUnbound);
  if (m_pBandTypeMenu) {
    m_pBandTypeMenu->setFontColor(kWhiteCColor);
    m_pBandTypeMenu->setBackColor(kBlackCColor);
  }

  UpdateUi();
  XR_CATCH_VOID
}

void QVX2Editor::SetupColorControls() {
  XR_TRY
  AQVX2* fx = Effect();
  if (m_pGraph) {
    // A graph of the panel shown: it turns black until the next rebuild.
    m_pGraph->setMouseEnabled(false);
    m_pGraph->bDrawBlack = true;
    m_pGraph->setDirty(true);
    m_pGraph = nullptr;
  }
  m_pColorPicker = AddColorPicker(g_rectColorPicker, kUnbound);
  CRect row(g_rectCompositeGraph.left + 30, g_rectCompositeGraph.top + 10, g_rectColorPicker.left - 40,
            g_rectCompositeGraph.top + 25);
  char name[256];
  for (int k = 0; k < kNumColorSlots; ++k) {
    name[0] = '\0';
    if (fx) fx->getParameterName(kColEqLinked + k, name);
    m_pColorSlotButton[k] = AddTextButton(row, name, kFontNormal, kFaceNormal, kUnbound);
    if (m_pColorSlotButton[k]) {
      m_pColorSlotButton[k]->GetTextPart()->setFontColor(kWhiteCColor);
      m_pColorSlotButton[k]->GetTextPart()->setTransparency(false);
    }
    row.offset(0, 20);
  }
  m_pFillButton = AddTextButton(row, "Switch Fill On", kFontNormal, kFaceNormal, kUnbound);
  row.offset(0, 20);
  m_pResetColorsButton = AddTextButton(row, "Reset to defaults", kFontNormal, kFaceNormal, kUnbound);
  m_bPendingUpdateUi.store(true);
  XR_CATCH_VOID
}
