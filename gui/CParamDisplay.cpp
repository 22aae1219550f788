#include "gui/CParamDisplay.h"

#include <cstdio>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CParamDisplay.cpp");

namespace {
// Converters write into a buffer of this size; their text is then cut to the
// control's 255 bytes, so a converter that writes a little more than that
// still writes into memory of its own.
constexpr size_t kConvertBufferSize = 1024;
}  // namespace

void CopyControlText(char* destination, const char* source) {
  if (!destination) return;
  if (!source) {
    destination[0] = 0;
    return;
  }
  size_t length = std::strlen(source);
  if (length > static_cast<size_t>(kParamDisplayTextSize - 1)) {
    length = static_cast<size_t>(kParamDisplayTextSize - 1);
    // A cut inside a UTF-8 character drops that character's first bytes too.
    while (length > 0 && (static_cast<unsigned char>(source[length]) & 0xC0) == 0x80) --length;
  }
  std::memmove(destination, source, length);
  destination[length] = 0;
}

CParamDisplay::CParamDisplay(const CRect& rect, CBitmap* background, const long s)
    : CControl(rect, nullptr, 0, background), style(s) {
  if (style & kStyleNoDraw) {
    CView::setDirty(false);
    oldValue = value;
  }
}

CParamDisplay::~CParamDisplay() = default;

void CParamDisplay::setFont(CFont fontID) {
  if (font != fontID) setDirty(true);
  font = fontID;
}

void CParamDisplay::setFontColor(CColor color) {
  if (fontColor != color) setDirty(true);
  fontColor = color;
}

void CParamDisplay::setBackColor(CColor color) {
  if (backColor != color) setDirty(true);
  backColor = color;
}

void CParamDisplay::setFrameColor(CColor color) {
  if (frameColor != color) setDirty(true);
  frameColor = color;
}

void CParamDisplay::setShadowColor(CColor color) {
  if (shadowColor != color) setDirty(true);
  shadowColor = color;
}

void CParamDisplay::setHoriAlign(CHoriTxtAlign hAlign) {
  if (horiAlign != hAlign) setDirty(true);
  horiAlign = hAlign;
}

void CParamDisplay::setStringConvert(void (*convert)(float, char*)) { stringConvert = convert; }

void CParamDisplay::setStringConvert(void (*convert)(float, char*, void*), void* data) {
  stringConvertWithData = convert;
  convertData = data;
}

void CParamDisplay::setString2FloatConvert(void (*convert)(char*, float&)) { string2FloatConvert = convert; }

void CParamDisplay::setStyle(long val) {
  if (style == val) return;
  style = val;
  setDirty(true);
}

void CParamDisplay::setTxtFace(CTxtFace val) {
  if (txtFace != val) setDirty(true);
  txtFace = val;
}

bool CParamDisplay::convertValue(char* text) {
  if (!stringConvertWithData && !stringConvert) return false;
  char buffer[kConvertBufferSize] = {0};
  if (stringConvertWithData)
    stringConvertWithData(value, buffer, convertData);
  else
    stringConvert(value, buffer);
  buffer[kConvertBufferSize - 1] = 0;
  CopyControlText(text, buffer);
  return true;
}

void CParamDisplay::draw(CDrawContext* context) {
  char text[kParamDisplayTextSize];
  if (!convertValue(text)) std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value));
  drawText(context, text, nullptr);
}

void CParamDisplay::drawText(CDrawContext* context, const char* string, CBitmap* newBack) {
  setDirty(false);
  if (style & kStyleNoDraw) return;

  CBitmap* back = newBack ? newBack : pBackground;
  if (back) {
    if (bTransparencyEnabled)
      back->drawTransparent(context, size, backOffset);
    else
      back->draw(context, size, backOffset);
  } else if (!bTransparencyEnabled) {
    context->setFillColor(backColor);
    context->fillRect(size);
    if (!(style & (kStyleNoFrame | kStyle3DIn | kStyle3DOut))) {
      context->setLineWidth(1);
      context->setLineStyle(kLineStyleSolid);
      context->setFrameColor(frameColor);
      context->drawRect(size);
    }
  }

  if (style & (kStyle3DIn | kStyle3DOut)) {
    context->setLineWidth(1);
    context->setLineStyle(kLineStyleSolid);
    const long r = size.right - 1;
    const long t = size.top + 1;
    const long b = size.bottom - 1;
    const long l = size.left;
    const bool in = (style & kStyle3DIn) != 0;
    context->setFrameColor(in ? backColor : frameColor);
    context->moveTo(CPoint(l, b));
    context->lineTo(CPoint(l, t));
    context->lineTo(CPoint(r, t));
    context->setFrameColor(in ? frameColor : backColor);
    context->moveTo(CPoint(r, t));
    context->lineTo(CPoint(r, b));
    context->lineTo(CPoint(l, b));
  }

  if (!(style & kStyleNoText) && string) {
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect newClip = size;
    newClip.bound(oldClip);
    context->setClipRect(newClip);
    context->setFont(font, 0, txtFace);
    const short opaque = textTransparency ? 0 : 1;
    if (style & kStyleShadowText) {
      CRect shadow = size;
      shadow.offset(1, 1);
      context->setFontColor(shadowColor);
      context->drawString(string, shadow, opaque, horiAlign);
    }
    context->setFontColor(fontColor);
    context->drawString(string, size, opaque, horiAlign);
    context->setClipRect(oldClip);
  }
}

bool CParamDisplay::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CParamDisplay") == 0) return true;
  return CControl::isTypeOf(type);
}
