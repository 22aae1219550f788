#include "gui/CKnob.h"

#include <cmath>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("gui/CKnob");

namespace {
constexpr float kTwoPi = 6.2831855f;
// Pixels of a linear drag over the full range.
constexpr float kLinearDragRange = 200.0f;
// Inset without a handle bitmap, and the handle bitmap's: width / 2 + 2.5.
constexpr long kLineHandleInset = 3;
long HandleInset(const CBitmap* bitmap) {
  return static_cast<long>(bitmap->getWidth() * 0.5f + 2.5f);
}
// 1/64 degree per radian, as the arcs have always used it (a little under
// 180 * 64 / pi).
constexpr double kAngle64PerRadian = 3666.9298;
constexpr long kAngle64Quarter = 90 * 64;
}  // namespace

long convertPoint2Angle(const CPoint& centre, const CPoint& point) {
  if (point.h == centre.h) return point.v < centre.v ? kAngle64Quarter : 3 * kAngle64Quarter;
  if (point.v == centre.v) return point.h < centre.h ? 2 * kAngle64Quarter : 0;
  const long a = static_cast<long>(
      std::atan(static_cast<double>(centre.v - point.v) / static_cast<double>(point.h - centre.h)) *
      kAngle64PerRadian);
  if (point.h < centre.h) return a + 2 * kAngle64Quarter;
  if (point.v < centre.v) return a;
  return a + 4 * kAngle64Quarter;
}

CKnob::CKnob(const CRect& rect, CControlListener* l, long t, CBitmap* background, CBitmap* handle,
             const CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      handleBitmap(handle),
      insetValue(handle ? HandleInset(handle) : kLineHandleInset),
      radius(static_cast<float>(rect.right - rect.left) * 0.5f) {
  if (handleBitmap) handleBitmap->remember();
  rangeAngle = 1.0f;
  compute();
  rangeAngle = -4.712389f;
  compute();
  zoomFactor = 1.5f;
  setWantsFocus(true);
}

CKnob::~CKnob() {
  if (handleBitmap) handleBitmap->forget();
}

void CKnob::compute() {
  valuePerRadian = (maxValue - minValue) / rangeAngle;
  valueAtZeroAngle = minValue - valuePerRadian * startAngle;
  halfGapAngle = (kTwoPi - std::fabs(rangeAngle)) / 2.0f;
  setDirty(true);
}

void CKnob::setStartAngle(float val) {
  startAngle = val;
  compute();
}

void CKnob::setRangeAngle(float val) {
  rangeAngle = val;
  compute();
}

void CKnob::setColorHandle(CColor color) {
  colorHandle = color;
  setDirty(true);
}

void CKnob::setColorShadowHandle(CColor color) {
  colorShadowHandle = color;
  setDirty(true);
}

void CKnob::setHandleBitmap(CBitmap* bitmap) {
  ReplaceHeld(handleBitmap, bitmap);
  if (handleBitmap) insetValue = HandleInset(handleBitmap);
}

void CKnob::valueToPoint(CPoint& point) const {
  const float alpha = (value - valueAtZeroAngle) / valuePerRadian;
  const float reach = radius - static_cast<float>(insetValue);
  point.h = truncToLong(radius + std::cos(alpha) * reach + 0.5f);
  point.v = truncToLong(radius - std::sin(alpha) * reach + 0.5f);
}

float CKnob::valueFromPoint(CPoint& point) const {
  float alpha = static_cast<float>(std::atan2(radius - static_cast<float>(point.v),
                                              static_cast<float>(point.h) - radius));
  if (alpha < 0.0f) alpha += kTwoPi;
  float alpha2 = alpha - startAngle;
  auto intoTurn = [](float a) {
    if (a < 0.0f) return a + kTwoPi;
    if (a > kTwoPi) return a - kTwoPi;
    return a;
  };
  if (rangeAngle < 0.0f) {
    alpha2 -= rangeAngle;
    const float alpha3 = intoTurn(alpha2);
    if (alpha3 > halfGapAngle - rangeAngle) return maxValue;
    if (alpha3 > -rangeAngle) return minValue;
    if (alpha2 > halfGapAngle - rangeAngle)
      alpha2 -= kTwoPi;
    else if (alpha2 < -halfGapAngle)
      alpha2 += kTwoPi;
    return alpha2 * valuePerRadian + maxValue;
  }
  const float alpha3 = intoTurn(alpha2);
  if (alpha3 > rangeAngle + halfGapAngle) return minValue;
  if (alpha3 > rangeAngle) return maxValue;
  if (alpha2 > rangeAngle + halfGapAngle)
    alpha2 -= kTwoPi;
  else if (alpha2 < -halfGapAngle)
    alpha2 += kTwoPi;
  return alpha2 * valuePerRadian + minValue;
}

void CKnob::draw(CDrawContext* context) {
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, offset);
    else
      pBackground->draw(context, size, offset);
  }
  drawHandle(context);
  setDirty(false);
}

void CKnob::drawHandle(CDrawContext* context) {
  CPoint where;
  valueToPoint(where);
  if (handleBitmap) {
    const long w = handleBitmap->getWidth();
    const long h = handleBitmap->getHeight();
    CRect handleRect(CPoint(size.left + where.h - w / 2, size.top + where.v - h / 2), w, h);
    handleBitmap->drawTransparent(context, handleRect, CPoint(0, 0));
    return;
  }
  CPoint origin(size.width() / 2, size.height() / 2);
  where.offset(size.left - 1, size.top);
  origin.offset(size.left - 1, size.top);
  context->setFrameColor(colorShadowHandle);
  context->moveTo(where);
  context->lineTo(origin);
  where.offset(1, -1);
  origin.offset(1, -1);
  context->setFrameColor(colorHandle);
  context->moveTo(where);
  context->lineTo(origin);
}

namespace {
float LinearCoefficient(float range, float zoomFactor, long buttons) {
  return range / ((buttons & kModifierShift) ? kLinearDragRange * zoomFactor : kLinearDragRange);
}
}  // namespace

void CKnob::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!bMouseEnabled) return;
  buttons = resolveButtons(context, buttons);
  if (!(buttons & kMouseLeft)) return;
  if (modifierClickTaken(context, buttons)) return;
  if (checkDefaultValue(context, buttons)) return;

  const long knobMode = pParentFrame ? pParentFrame->getKnobMode() : static_cast<long>(kCircularMode);
  const bool option = (buttons & kModifierOption) != 0;
  drag = Drag{};
  drag.linear = (knobMode == kLinearMode) != option;
  if (drag.linear) {
    drag.coef = LinearCoefficient(maxValue - minValue, zoomFactor, buttons);
    drag.entryValue = value;
    drag.firstPoint = where;
    drag.buttons = buttons;
  } else {
    CPoint local(where);
    local.offset(-size.left, -size.top);
    drag.previous = valueFromPoint(local);
    drag.halfRange = (maxValue - minValue) * 0.5f;
  }
  drag.lastPoint = CPoint(-1, -1);

  beginEdit();
  dragTo(context, where, buttons);
  if (!trackMouse(buttons)) endEdit();
}

void CKnob::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) { dragTo(context, where, buttons); }

void CKnob::onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) {
  // The release's own point counts as one more step.
  dragTo(context, where, buttons);
  endEdit();
}

void CKnob::dragTo(CDrawContext* context, const CPoint& where, long buttons) {
  if (where == drag.lastPoint) return;
  drag.lastPoint = where;
  if (drag.linear) {
    const long d = (drag.firstPoint.v - where.v) + (where.h - drag.firstPoint.h);
    if (buttons != drag.buttons) {
      // A change of Shift re-bases the drag so that the value does not jump.
      const float newCoef = LinearCoefficient(maxValue - minValue, zoomFactor, buttons);
      drag.entryValue += static_cast<float>(d) * (drag.coef - newCoef);
      drag.coef = newCoef;
      drag.buttons = buttons;
    }
    value = drag.entryValue + static_cast<float>(d) * drag.coef;
    bounceValue();
  } else {
    CPoint local(where);
    local.offset(-size.left, -size.top);
    const float v = valueFromPoint(local);
    if (drag.previous - v > drag.halfRange) {
      value = maxValue;
    } else if (v - drag.previous > drag.halfRange) {
      value = minValue;
    } else {
      value = v;
      drag.previous = v;
    }
  }
  tellListenerIfDirty(context);
}

long CKnob::onKeyDown(VstKeyCode& keyCode) { return arrowKeyStep(keyCode); }

bool CKnob::onWheel(CDrawContext* context, const CPoint&, float distance) {
  return wheelStep(context, distance);
}

bool CKnob::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CKnob") == 0) return true;
  return CControl::isTypeOf(type);
}
