// The numeric drag field: its text, its conversions, the drag laws, the
// wheel and typed entry.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CTextEditField.h"

XR_REGISTER_SOURCE_FILE("Helpers/DerivedControlsTextDrag.cpp");

// Written by the editors that make fields, on the user-interface thread,
// right before they make them.
thread_local const char* CTextDrag::c_szDefaultFormat = "%f";
thread_local const char* CTextDrag::c_szDefaultKFormat = nullptr;
thread_local float CTextDrag::c_fDefaultMin = 0.0f;
thread_local float CTextDrag::c_fDefaultMax = 1.0f;
thread_local float CTextDrag::c_fDefaultInc = 0.01f;
thread_local float CTextDrag::c_fDefaultScale = 1.0f;

namespace {

constexpr long kPixelsPerStep = 3;
constexpr double kFineFactor = 0.1;       // Shift: a tenth of the steps
constexpr double kLogStepShare = 0.01;    // one step: 1 % of the log range
constexpr double kOctaveDivisions = 10.0; // octave steps: tenths of an octave
constexpr double kOctaveRounding = 0.001; // keeps exact powers on their step
constexpr float kThousand = 1000.0f;

// True when text starts with a finite number (after white space).
bool HoldsFiniteNumber(const char* text) {
  if (!text) return false;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  return end != text && std::isfinite(v);
}

// A copy of format into buffer (size bytes); null when there is none or it
// does not fit, so no format is ever cut.
const char* CopyFormat(char* buffer, size_t size, const char* format) {
  if (!format || std::strlen(format) >= size) return nullptr;
  std::memcpy(buffer, format, std::strlen(format) + 1);
  return buffer;
}

}  // namespace

CTextDrag::CTextDrag(const CRect& size, CControlListener* listener, long tag, const char* text, CBitmap* background,
                     long style)
    : CTextEditExtended(size, listener, tag, text, background, style) {
  XR_TRY
  SetFormat(c_szDefaultFormat);
  SetKFormat(c_szDefaultKFormat);
  minValue = c_fDefaultMin;
  maxValue = c_fDefaultMax;
  wheelInc = c_fDefaultInc;
  fScale = c_fDefaultScale;
  XR_CATCH_VOID
}

void CTextDrag::SetFormat(const char* format) { pszFormat = CopyFormat(szFormat, sizeof szFormat, format); }

void CTextDrag::SetKFormat(const char* format) { pszKFormat = CopyFormat(szKFormat, sizeof szKFormat, format); }

bool CTextDrag::MoveTo(float v) {
  const float before = value;
  char textBefore[kParamDisplayTextSize];
  std::memcpy(textBefore, text, sizeof textBefore);
  setValue(v);
  bounceValue();
  return !(value == before) || std::strcmp(text, textBefore) != 0;
}

float CTextDrag::Limited(float v) const {
  if (!(v == v)) return minValue;
  if (v > maxValue) return maxValue;
  if (v < minValue) return minValue;
  return v;
}

// --- value and text --------------------------------------------------------------------

void CTextDrag::setValue(float val) {
  XR_TRY
  value = val;
  if (!pszFormat) return;
  char next[kParamDisplayTextSize];
  const float shown = val * Scale();
  if (pszKFormat && shown >= kThousand)
    std::snprintf(next, sizeof next, pszKFormat, shown / kThousand);
  else
    std::snprintf(next, sizeof next, pszFormat, shown);
  if (std::strcmp(next, text) != 0) {
    CTextEdit::setText(next);
    setDirty(true);
  }
  XR_CATCH_VOID
}

float CTextDrag::getValue() const {
  XR_TRY
  if (!pszFormat) return Limited(value);
  return Limited(XR_atof(text) / Scale());
  XR_CATCH(minValue)
}

float CTextDrag::ConvertParamToValue(float param) {
  XR_TRY
  if (eType == eTDT_Log && minValue > 0.0f && maxValue > minValue) {
    const double lnMin = std::log(static_cast<double>(minValue));
    const double lnMax = std::log(static_cast<double>(maxValue));
    return Limited(static_cast<float>(std::exp(lnMin + (lnMax - lnMin) * param)));
  }
  return minValue + (maxValue - minValue) * param;
  XR_CATCH(minValue)
}

float CTextDrag::ConvertValueToParam(float val) {
  XR_TRY
  if (eType == eTDT_Log && minValue > 0.0f && maxValue > minValue) {
    if (!(val > 0.0f)) return 0.0f;
    const double lnMin = std::log(static_cast<double>(minValue));
    const double lnMax = std::log(static_cast<double>(maxValue));
    const double p = (std::log(static_cast<double>(val)) - lnMin) / (lnMax - lnMin);
    return static_cast<float>(p < 0.0 ? 0.0 : (p > 1.0 ? 1.0 : p));
  }
  // An empty range would hand the editor a NaN or infinite parameter.
  const float range = maxValue - minValue;
  if (range == 0.0f) return 0.0f;
  return (val - minValue) / range;
  XR_CATCH(0.0f)
}

void CTextDrag::setText(const char* typed) {
  XR_TRY
  CTextEdit::setText(typed);
  setValue(Limited(XR_atof(typed) / Scale()));
  bounceValue();
  XR_CATCH_VOID
}

void CTextDrag::looseFocus(CDrawContext* context) {
  XR_TRY
  if (platformEditor) {
    // The conditions under which the text edit keeps its field open (a press
    // inside it); otherwise the edit ends here, and a text without a number
    // is dropped before the listener would read a made-up value from it.
    const bool staysOpen = !removing && !returnPressed && !canceled && pParentFrame &&
                           !pParentFrame->getFocusView() && pressInField();
    if (!staysOpen && !HoldsFiniteNumber(platformEditor->getText().c_str())) canceled = true;
  }
  CTextEditExtended::looseFocus(context);
  XR_CATCH_VOID
}

void CTextDrag::draw(CDrawContext* context) {
  XR_TRY
  if (context) context->setFont(font, 0, txtFace);
  CTextEditExtended::draw(context);
  XR_CATCH_VOID
}

// --- mouse and wheel ---------------------------------------------------------------------

void CTextDrag::mouse(CDrawContext* context, CPoint& where, long buttons) {
  XR_TRY
  if (!bMouseEnabled) return;
  if (isDoubleClick()) {
    CTextEditExtended::mouse(context, where, buttons);
    return;
  }
  captureMouse(context, where, resolveButtons(context, buttons));
  XR_CATCH_VOID
}

bool CTextDrag::onWheel(CDrawContext* context, const CPoint&, float distance) {
  XR_TRY
  if (!bMouseEnabled) return false;
  const bool fine = (currentButtons(context) & kModifierShift) != 0;
  const float d = fine ? distance * static_cast<float>(kFineFactor) : distance;
  if (MoveTo(getValue() + d * wheelInc / Scale()) && listener) {
    beginEdit();
    listener->valueChanged(context, this);
    endEdit();
  }
  return true;
  XR_CATCH(false)
}

float CTextDrag::DragLawValue(float pressValue, long steps, bool linear) const {
  const double p = pressValue;
  if (linear || eType == eTDT_Linear) return static_cast<float>(p - steps * static_cast<double>(wheelInc) / Scale());
  if (eType == eTDT_Log) {
    if (!(minValue > 0.0f && maxValue > minValue)) return pressValue;
    const double lnMin = std::log(static_cast<double>(minValue));
    const double range = std::log(static_cast<double>(maxValue)) - lnMin;
    const double share = (std::log(p) - lnMin) / range - kLogStepShare * static_cast<double>(steps);
    return static_cast<float>(std::exp(lnMin + range * share));
  }
  if (eType == eTDT_Octaves) {
    const long k = p > 0.0 ? truncToLong(kOctaveDivisions * std::log2(p) + kOctaveRounding) : -1;
    const long m = k - steps;
    return m >= 0 ? static_cast<float>(std::trunc(std::pow(2.0, static_cast<double>(m) / kOctaveDivisions))) : 0.0f;
  }
  return pressValue;
}

void CTextDrag::captureMouse(CDrawContext* context, CPoint& where, long buttons) {
  XR_TRY
  buttons = resolveButtons(context, buttons);
  if (modifierClickTaken(context, buttons)) return;
  if (buttons == (kMouseLeft | kModifierCommand)) {
    beginEdit();
    if (MoveTo(getDefaultValue())) tellListener(context);
    endEdit();
    return;
  }
  if (!(buttons & kMouseLeft)) return;

  // Every step measures from the press, so the value never drifts. The
  // listener hears of a step that moved the value or its text: taking the
  // focus at beginEdit marks the field dirty, so dirtiness cannot tell.
  dragPressValue = getValue();
  dragPressY = where.v;
  dragLast = where;
  beginEdit();
  if (!trackMouse(buttons)) endEdit();
  XR_CATCH_VOID
}

void CTextDrag::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) {
  XR_TRY
  if (where == dragLast) return;
  const bool shift = (buttons & kModifierShift) != 0;
  const bool linear = shift && eType == eTDT_Octaves;
  const double factor = shift && !linear ? kFineFactor : 1.0;
  const long steps = truncToLong(factor * static_cast<double>((where.v - dragPressY) / kPixelsPerStep));
  const bool moved = MoveTo(DragLawValue(dragPressValue, steps, linear));
  dragLast = where;
  if (moved) tellListener(context);
  XR_CATCH_VOID
}

void CTextDrag::onMouseTrackEnd(CDrawContext*, CPoint&, long) {
  XR_TRY
  endEdit();
  XR_CATCH_VOID
}

bool CTextDrag::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CTextDrag") == 0) return true;
  return CTextEditExtended::isTypeOf(type);
}
