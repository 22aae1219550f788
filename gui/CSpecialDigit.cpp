#include "gui/CSpecialDigit.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CSpecialDigit");

CSpecialDigit::CSpecialDigit(const CRect& rect, CControlListener* l, long t, long dwPos,
                             long iNumbers, long* xpos, long* ypos, long width, long height,
                             CBitmap* background)
    : CControl(rect, l, t, background),
      // The places are kept in arrays of kMaxDigits entries.
      digitCount(iNumbers < 0 ? 0 : (iNumbers > kMaxDigits ? kMaxDigits : iNumbers)),
      digitWidth(width),
      digitHeight(height) {
  setValue(static_cast<float>(dwPos));
  for (long i = 0; i < digitCount; ++i) {
    if (xpos && ypos) {
      xPos[i] = xpos[i];
      yPos[i] = ypos[i];
    } else {
      xPos[i] = size.left + i * digitWidth;
      yPos[i] = size.top;
    }
  }
  long limit = 1;
  for (long i = 0; i < digitCount; ++i) limit *= 10;
  setMax(static_cast<float>(limit - 1));
  setMin(0.0f);
}

CSpecialDigit::~CSpecialDigit() = default;

float CSpecialDigit::getNormValue() const {
  // A display without digits shows nothing but 0.
  if (maxValue <= 0.0f) return 0.0f;
  const float norm = value / maxValue;
  if (norm > 1.0f) return 1.0f;
  if (norm < 0.0f) return 0.0f;
  return norm;
}

void CSpecialDigit::draw(CDrawContext* context) {
  float shown = value;
  if (shown > maxValue) shown = maxValue;
  if (shown < minValue) shown = minValue;
  long number = truncToLong(shown);
  if (number < 0) number = 0;
  long digits[kMaxDigits] = {};
  for (long i = digitCount - 1; i >= 0; --i) {
    digits[i] = number % 10;
    number /= 10;
  }
  if (pBackground) {
    for (long i = 0; i < digitCount; ++i) {
      CRect place(CPoint(xPos[i], yPos[i]), digitWidth, digitHeight);
      const CPoint source(0, digits[i] * digitHeight);
      if (bTransparencyEnabled)
        pBackground->drawTransparent(context, place, source);
      else
        pBackground->draw(context, place, source);
    }
  }
  setDirty(false);
}

bool CSpecialDigit::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CSpecialDigit") == 0) return true;
  return CControl::isTypeOf(type);
}
