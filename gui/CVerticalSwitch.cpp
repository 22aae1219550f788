#include "gui/CVerticalSwitch.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CVerticalSwitch");

namespace {
long ImagesInStrip(const CBitmap* background, long imageHeight) {
  if (!background || imageHeight <= 0) return 0;
  return background->getHeight() / imageHeight;
}
}  // namespace

CVerticalSwitch::CVerticalSwitch(const CRect& rect, CControlListener* l, long t, long subPixmaps,
                                 long heightOfOneImage, long iMaxPositions, CBitmap* background,
                                 CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      imageCount(subPixmaps),
      imageHeight(heightOfOneImage),
      positionCount(iMaxPositions) {
  setDefaultValue(0.0f);
}

CVerticalSwitch::CVerticalSwitch(const CRect& rect, CControlListener* l, long t,
                                 CBitmap* background, CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      imageCount(ImagesInStrip(background, rect.height())),
      imageHeight(rect.height()),
      positionCount(imageCount) {
  setDefaultValue(0.0f);
}

CVerticalSwitch::~CVerticalSwitch() = default;

void CVerticalSwitch::draw(CDrawContext* context) {
  if (pBackground) {
    const long index = truncToLong(static_cast<float>(positionCount - 1) * value + 0.5f);
    CPoint source(0, index * imageHeight);
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
}

void CVerticalSwitch::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!screenClick(context, buttons)) return;
  if (checkDefaultValue(context, buttons)) return;

  beginEdit();
  pickAt(context, where);
  if (!trackMouse(buttons)) endEdit();
}

void CVerticalSwitch::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) {
  if (keepsPressButtons(buttons)) pickAt(context, where);
}

void CVerticalSwitch::onMouseTrackEnd(CDrawContext*, CPoint&, long) { endEdit(); }

void CVerticalSwitch::pickAt(CDrawContext* context, const CPoint& where) {
  const double step = positionCount > 0 ? static_cast<double>(imageHeight) / positionCount : 0.0;
  // A switch of one position (or none) has nothing to choose.
  if (positionCount > 1 && step > 0.0) {
    value = static_cast<float>(truncToLong((where.v - size.top) / step)) / static_cast<float>(positionCount - 1);
    if (value > 1.0f)
      value = 1.0f;
    else if (value < 0.0f)
      value = 0.0f;
  } else {
    value = 0.0f;
  }
  tellListenerIfDirty(context);
}

bool CVerticalSwitch::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CVerticalSwitch") == 0) return true;
  return CControl::isTypeOf(type);
}
