#include "gui/CSlider.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CSlider");

CSlider::CSlider(const CRect& rect, CControlListener* l, long t, long iMinPos, long iMaxPos,
                 CBitmap* h, CBitmap* background, CPoint& off, long s)
    : CControl(rect, l, t, background),
      offset(off),
      handle(h),
      style(s),
      controlWidth(rect.width()),
      controlHeight(rect.height()) {
  if (handle) {
    handle->remember();
    handleWidth = handle->getWidth();
    handleHeight = handle->getHeight();
  }
  minPos = iMinPos - (isHorizontal() ? size.left : size.top);
  rangeHandle = iMaxPos - iMinPos;
  CPoint origin(0, 0);
  setOffsetHandle(origin);
  setWantsFocus(true);
}

CSlider::CSlider(const CRect& rect, CControlListener* l, long t, CPoint& handleOffset, long range,
                 CBitmap* h, CBitmap* background, CPoint& off, long s)
    : CControl(rect, l, t, background),
      offset(off),
      handle(h),
      style(s),
      controlWidth(rect.width()),
      controlHeight(rect.height()) {
  if (handle) {
    handle->remember();
    handleWidth = handle->getWidth();
    handleHeight = handle->getHeight();
  }
  minPos = 0;
  rangeHandle = range - (isHorizontal() ? handleWidth : handleHeight);
  setOffsetHandle(handleOffset);
  setWantsFocus(true);
}

CSlider::~CSlider() {
  if (handle) handle->forget();
}

void CSlider::setOffsetHandle(CPoint& val) {
  offsetHandle = val;
  if (isHorizontal()) {
    minHandlePos = minPos + offsetHandle.h;
    maxHandlePos = minHandlePos + rangeHandle + handleWidth;
  } else {
    minHandlePos = minPos + offsetHandle.v;
    maxHandlePos = minHandlePos + rangeHandle + handleHeight;
  }
}

void CSlider::setHandle(CBitmap* h) {
  ReplaceHeld(handle, h);
  if (handle) {
    handleWidth = handle->getWidth();
    handleHeight = handle->getHeight();
  }
}

CRect CSlider::handleRect() const {
  const float fraction = (style & (kLeft | kTop)) ? value : 1.0f - value;
  const long along = truncToLong(fraction * static_cast<float>(rangeHandle));
  CRect r;
  if (isHorizontal()) {
    r.top = offsetHandle.v;
    r.bottom = r.top + handleHeight;
    r.left = offsetHandle.h + along;
    if (r.left < minHandlePos) r.left = minHandlePos;
    r.right = r.left + handleWidth;
    if (r.right > maxHandlePos) r.right = maxHandlePos;
  } else {
    r.left = offsetHandle.h;
    r.right = r.left + handleWidth;
    r.top = offsetHandle.v + along;
    if (r.top < minHandlePos) r.top = minHandlePos;
    r.bottom = r.top + handleHeight;
    if (r.bottom > maxHandlePos) r.bottom = maxHandlePos;
  }
  r.offset(size.left, size.top);
  return r;
}

void CSlider::draw(CDrawContext* context) {
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, offset);
    else
      pBackground->draw(context, size, offset);
  }
  if (handle) {
    CRect r = handleRect();
    if (drawTransparentHandle)
      handle->drawTransparent(context, r, CPoint(0, 0));
    else
      handle->draw(context, r, CPoint(0, 0));
  }
  setDirty(false);
}

void CSlider::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!bMouseEnabled) return;
  buttons = resolveButtons(context, buttons);
  if (modifierClickTaken(context, buttons)) return;
  if (checkDefaultValue(context, buttons)) return;
  if (!(buttons & kMouseLeft)) return;

  const bool horizontal = isHorizontal();
  long grab = horizontal ? size.left + offsetHandle.h : size.top + offsetHandle.v;
  if (freeClick) {
    grab += (horizontal ? handleWidth : handleHeight) / 2 - 1;
  } else {
    // The click must fall on the handle (edges included) at its unclamped place.
    const float fraction = (style & (kLeft | kTop)) ? value : 1.0f - value;
    const long along = truncToLong(fraction * static_cast<float>(rangeHandle));
    CRect r;
    if (horizontal) {
      r = CRect(CPoint(size.left + offsetHandle.h + along, size.top + offsetHandle.v), handleWidth,
                handleHeight);
    } else {
      r = CRect(CPoint(size.left + offsetHandle.h, size.top + offsetHandle.v + along), handleWidth,
                handleHeight);
    }
    if (!(where.h >= r.left && where.h <= r.right && where.v >= r.top && where.v <= r.bottom))
      return;
    grab += horizontal ? where.h - r.left : where.v - r.top;
  }

  dragGrab = grab;
  dragBaseValue = value;
  dragButtons = buttons;
  beginEdit();
  dragTo(context, where, buttons);
  if (!trackMouse(buttons)) endEdit();
}

void CSlider::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) { dragTo(context, where, buttons); }

void CSlider::onMouseTrackEnd(CDrawContext*, CPoint&, long) { endEdit(); }

void CSlider::dragTo(CDrawContext* context, const CPoint& where, long buttons) {
  if (buttons != dragButtons && (buttons & kModifierShift)) {
    dragBaseValue = value;
    dragButtons = buttons;
  } else if (!(buttons & kModifierShift)) {
    dragBaseValue = value;
  }
  // A slider without travel has no position to take from the pointer.
  if (rangeHandle != 0) {
    const long along = isHorizontal() ? where.h - dragGrab : where.v - dragGrab;
    value = static_cast<float>(along) / static_cast<float>(rangeHandle);
    if (style & (kRight | kBottom)) value = 1.0f - value;
    if (buttons & kModifierShift) value = dragBaseValue + (value - dragBaseValue) / zoomFactor;
    bounceValue();
  }
  tellListenerIfDirty(context);
}

long CSlider::onKeyDown(VstKeyCode& keyCode) { return arrowKeyStep(keyCode); }

bool CSlider::onWheel(CDrawContext* context, const CPoint&, float distance) {
  return wheelStep(context, distance);
}

bool CSlider::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CSlider") == 0) return true;
  return CControl::isTypeOf(type);
}

CHorizontalSlider::CHorizontalSlider(const CRect& rect, CControlListener* l, long t, long iMinPos,
                                     long iMaxPos, CBitmap* h, CBitmap* background, CPoint& off,
                                     long s)
    : CSlider(rect, l, t, iMinPos, iMaxPos, h, background, off, s | kHorizontal) {}

CHorizontalSlider::CHorizontalSlider(const CRect& rect, CControlListener* l, long t,
                                     CPoint& handleOffset, long range, CBitmap* h,
                                     CBitmap* background, CPoint& off, long s)
    : CSlider(rect, l, t, handleOffset, range, h, background, off, s | kHorizontal) {}

CVerticalSlider::CVerticalSlider(const CRect& rect, CControlListener* l, long t, long iMinPos,
                                 long iMaxPos, CBitmap* h, CBitmap* background, CPoint& off, long s)
    : CSlider(rect, l, t, iMinPos, iMaxPos, h, background, off, s | kVertical) {}

CVerticalSlider::CVerticalSlider(const CRect& rect, CControlListener* l, long t,
                                 CPoint& handleOffset, long range, CBitmap* h, CBitmap* background,
                                 CPoint& off, long s)
    : CSlider(rect, l, t, handleOffset, range, h, background, off, s | kVertical) {}
