// The equaliser's parameter names, unit labels and display texts.
#include <cmath>

#include "Helpers/Assert.h"
#include "QVX/QVXHelp.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Bands.h"
#include "vst/VstText.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Display");

static_assert(kQvx2HostTextBytes == vsttext::kParamTextLen + 1, "the dispatcher hands over every byte written");

namespace {
constexpr const char* g_pszControlModeOpts[kQvx2ControlModeStates] = {"Snap", "Linked", "Seperate"};
// Every number is formatted eight characters wide.
constexpr int kNumberLen = 8;
}  // namespace

void AQVX2::getParameterName(VstInt32 index, char* text) {
  XR_TRY
  if (index >= 0 && index < kQvx2NumHostParams)
    Qvx2CopyText(text, kQvx2ParamTable[static_cast<std::size_t>(index)].szName.data(), kQvx2HostTextBytes);
  else if (index >= kQvx2FirstPersistantParam && index < kQvx2FirstPersistantParam + kQvx2NumPersistantParams)
    Qvx2CopyText(text, kQvx2PersistantTable[static_cast<std::size_t>(index - kQvx2FirstPersistantParam)].szName,
                 kQvx2HostTextBytes);
  else
    Qvx2CopyText(text, "", kQvx2HostTextBytes);
  XR_CATCH_VOID
}

void AQVX2::getParameterLabel(VstInt32 index, char* text) {
  XR_TRY
  if (index >= 0 && index < kQvx2NumHostParams)
    Qvx2CopyText(text, kQvx2ParamTable[static_cast<std::size_t>(index)].info.szLabel, kQvx2HostTextBytes);
  XR_CATCH_VOID
}

int AQVX2::GetGuideSet() {
  XR_TRY
  // A stored value outside 0..1 (or NaN) must not pick a row outside the
  // table, so the range is checked before the conversion.
  const float s = 999.0f * Param(kQvx2GuideDisplay)->load() + 0.5f;
  if (!(s >= 0.0f && s < static_cast<float>(kQvxNumGuideSets))) return 0;
  return static_cast<int>(s);
  XR_CATCH(0)
}

void AQVX2::getParameterDisplay(VstInt32 index, char* text) {
  XR_TRY
  if (text == nullptr) return;
  const QVX2ParamInfo* law = Qvx2LawRow(index);
  if (law == nullptr) return;
  const float v = Param(index)->load();
  const float fDefault = law->fDefault;

  char number[kNumberLen + 1 + 7] = {};
  auto put = [&](const char* s) { Qvx2CopyText(text, s, kQvx2HostTextBytes); };
  auto putNumber = [&](float value) {
    float2string(value, number, kNumberLen);
    put(number);
  };

  switch (law->eText) {
    case EQvx2TextLaw::Gain: putNumber(kfSP_MinG + (kfSP_MaxG - kfSP_MinG) * v); break;
    case EQvx2TextLaw::Trim: putNumber((v - 0.5f) * 2.0f * kfSP_GlobalTrimLimit); break;
    case EQvx2TextLaw::Depth: putNumber(200.0f * v); break;
    case EQvx2TextLaw::Frequency: putNumber(expf(kfSP_LogMinF + v * kfSP_LogRangeF)); break;
    case EQvx2TextLaw::Plain: putNumber(v); break;
    case EQvx2TextLaw::Switch: put(v == 0.0f ? "Off" : "On"); break;
    case EQvx2TextLaw::Channel: put(v == 0.0f ? "Left" : "Right"); break;
    case EQvx2TextLaw::Source: put(v == 0.0f ? "In" : "Out"); break;
    case EQvx2TextLaw::ControlMode: put(g_pszControlModeOpts[Qvx2StateOfValue(v, kQvx2ControlModeStates, fDefault)]); break;
    case EQvx2TextLaw::BandType:
      put(g_szQVX2BandTypes[Qvx2LayoutOfState(Qvx2StateOfValue(v, kQvx2BandTypeStates, fDefault))]);
      break;
    case EQvx2TextLaw::Guide: put(QvxGuideSetName(GetGuideSet())); break;
    case EQvx2TextLaw::QualityRating: put(QualityRatingString()); break;
    case EQvx2TextLaw::QualitySwitch:
      // State 2 is on, state 1 off; state 0 leaves the setting as it is, so
      // it shows the setting in force.
      switch (Qvx2StateOfValue(v, kQvx2QualitySwitchStates, fDefault)) {
        case 2: put("On"); break;
        case 1: put("Off"); break;
        default: put(IsQualitySwitchOn(index) ? "On" : "Off"); break;
      }
      break;
  }
  XR_CATCH_VOID
}

bool AQVX2::IsQualitySwitchOn(int index) {
  const int a = index >= kQvx2NumParams ? index - kQvx2NumParams : index;
  if (a == kQvx2ReportLatency) return m_bReportLatency.load();
  if (a == kQvx2Wysiwyg) return m_bWysiwyg.load();
  if (a == kQvx2OfflineRender) return m_bOfflineRender.load();
  return false;
}
