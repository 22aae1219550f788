#include "gui/CRockerSwitch.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CRockerSwitch");

CRockerSwitch::CRockerSwitch(const CRect& rect, CControlListener* l, long t, long heightOfOneImage,
                             CBitmap* background, CPoint& off, const long s)
    : CControl(rect, l, t, background), offset(off), imageHeight(heightOfOneImage), style(s) {}

CRockerSwitch::CRockerSwitch(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                             CPoint& off, const long s)
    : CControl(rect, l, t, background), offset(off), imageHeight(rect.width()), style(s) {}

CRockerSwitch::~CRockerSwitch() = default;

void CRockerSwitch::draw(CDrawContext* context) {
  CPoint source(offset);
  if (value == 1.0f)
    source.v += 2 * imageHeight;
  else if (value == 0.0f)
    source.v += imageHeight;
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
}

float CRockerSwitch::valueAt(const CPoint& where, float entryValue) const {
  if (!insideWithEdges(where)) return entryValue;
  if (style & kHorizontal) return where.h <= size.left + size.width() / 2 ? -1.0f : 1.0f;
  return where.v <= size.top + size.height() / 2 ? -1.0f : 1.0f;
}

void CRockerSwitch::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!screenClick(context, buttons)) return;

  entryValue = value;
  pressDrag(context, where, buttons, valueAt(where, entryValue));
}

void CRockerSwitch::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) {
  followDrag(context, buttons, valueAt(where, entryValue), EDragButtons::kAny);
}

void CRockerSwitch::onMouseTrackEnd(CDrawContext* context, CPoint&, long) {
  value = 0.0f;
  tellListener(context);
  endEdit();
}

bool CRockerSwitch::onWheel(CDrawContext* context, const CPoint&, float distance) {
  if (!bMouseEnabled) return false;
  value = distance > 0.0f ? -1.0f : 1.0f;
  beginEdit();
  tellListenerIfDirty(context);
  value = 0.0f;
  tellListener(context);
  endEdit();
  return true;
}

bool CRockerSwitch::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CRockerSwitch") == 0) return true;
  return CControl::isTypeOf(type);
}
