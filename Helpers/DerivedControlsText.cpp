// The value-to-text helpers and the text edit whose text is a number.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"

XR_REGISTER_SOURCE_FILE("Helpers/DerivedControlsText.cpp");

namespace {

// The helpers' result text. One per thread: editors of several instances
// draw on threads of their own, and a caller only needs its text until its
// own next call.
constexpr size_t kHelperTextSize = 100;
thread_local char g_szDerivedControlsString[kHelperTextSize];

constexpr const char* kMinusInfinity = "-INF";
constexpr float kHzPerKHz = 1000.0f;
constexpr float kAdaptiveWholeKHz = 10.0f;  // from here kHz show no decimal
constexpr float kWholeDbFrom = 10.0f;       // from here dB show no decimal
constexpr float kPanCentre = 0.5f;
constexpr float kPanPercentPerHalf = 200.0f;  // half the travel is 100

}  // namespace

const char* FrequencyString(float hz, EFrequencyStringFormat format) {
  XR_TRY
  char* out = g_szDerivedControlsString;
  if (hz < kHzPerKHz) {
    std::snprintf(out, kHelperTextSize, "%.0fHz", hz);
  } else {
    const float k = hz / kHzPerKHz;
    if (format == eFSF_Adaptive && k >= kAdaptiveWholeKHz)
      std::snprintf(out, kHelperTextSize, "%.0fkHz", k);
    else
      std::snprintf(out, kHelperTextSize, "%.1fkHz", k);
  }
  return out;
  XR_CATCH("")
}

const char* DbString(float amplitude) {
  XR_TRY
  if (!(amplitude > 0.0f)) return kMinusInfinity;
  const float db = 20.0f * std::log(amplitude) / std::log(10.0f);
  std::snprintf(g_szDerivedControlsString, kHelperTextSize, std::fabs(db) < kWholeDbFrom ? "%.1fdB" : "%.0fdB", db);
  return g_szDerivedControlsString;
  XR_CATCH("")
}

const char* LRPanString(float position) {
  XR_TRY
  char* out = g_szDerivedControlsString;
  if (position == kPanCentre)
    std::snprintf(out, kHelperTextSize, "%.0f", 0.0);
  else if (position < kPanCentre)
    std::snprintf(out, kHelperTextSize, "L%.0f", (kPanCentre - position) * kPanPercentPerHalf);
  else
    std::snprintf(out, kHelperTextSize, "R%.0f", (position - kPanCentre) * kPanPercentPerHalf);
  return out;
  XR_CATCH("")
}

float XR_atof(const char* text) {
  XR_TRY
  if (!text) return 0.0f;
  float value = static_cast<float>(std::atof(text));
  if (std::strchr(text, 'k') || std::strchr(text, 'K')) value *= kHzPerKHz;
  return value;
  XR_CATCH(0.0f)
}

void CTextDrag_StringConvert(float value, char* text, void* format) {
  XR_TRY
  if (!text) return;
  const char* f = format ? static_cast<const char*>(format) : "%f";
  std::snprintf(text, kParamDisplayTextSize, f, value);
  XR_CATCH_VOID
}

void CTextDrag_String2FloatConvert(char* text, float& value) {
  XR_TRY
  value = XR_atof(text);
  XR_CATCH_VOID
}

// --- CTextEditExtended -----------------------------------------------------------------

CTextEditExtended::CTextEditExtended(const CRect& size, CControlListener* listener, long tag, const char* text,
                                     CBitmap* background, long style)
    : CTextEdit(size, listener, tag, text, background, style) {
  XR_TRY
  setBackColor(CColor{100, 100, 100, 255});
  XR_CATCH_VOID
}

void CTextEditExtended::setText(const char* text) {
  XR_TRY
  CTextEdit::setText(text);
  setValue(XR_atof(text));
  bounceValue();
  XR_CATCH_VOID
}

void CTextEditExtended::looseFocus(CDrawContext* context) {
  XR_TRY
  const bool wasEditing = isEditing();
  CTextEdit::looseFocus(context);
  // Only an edit that has just ended leaves a typed text to take in; a
  // control that merely loses the focus keeps its value.
  if (!wasEditing || isEditing()) return;
  char edited[kParamDisplayTextSize];
  getText(edited);
  setText(edited);
  XR_CATCH_VOID
}

bool CTextEditExtended::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CTextEditExtended") == 0) return true;
  return CTextEdit::isTypeOf(type);
}
