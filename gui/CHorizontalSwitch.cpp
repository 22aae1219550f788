#include "gui/CHorizontalSwitch.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CHorizontalSwitch");

namespace {
long ImagesInRow(const CBitmap* background, long imageWidth) {
  if (!background || imageWidth <= 0) return 0;
  return background->getWidth() / imageWidth;
}
}  // namespace

CHorizontalSwitch::CHorizontalSwitch(const CRect& rect, CControlListener* l, long t,
                                     long subPixmaps, long heightOfOneImage, long iMaxPositions,
                                     CBitmap* background, CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      imageCount(subPixmaps),
      positionCount(iMaxPositions),
      imageWidth(heightOfOneImage),
      imagesSideBySide(false) {
  setDefaultValue(0.0f);
}

CHorizontalSwitch::CHorizontalSwitch(const CRect& rect, CControlListener* l, long t,
                                     CBitmap* background, CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      imageCount(ImagesInRow(background, rect.width())),
      positionCount(imageCount),
      imageWidth(rect.width()),
      imagesSideBySide(true) {
  setDefaultValue(0.0f);
}

CHorizontalSwitch::~CHorizontalSwitch() = default;

void CHorizontalSwitch::draw(CDrawContext* context) {
  if (pBackground) {
    const long index = truncToLong(static_cast<float>(positionCount - 1) * value + 0.5f);
    // Images counted along the bitmap's width are found along it too.
    const CPoint source = imagesSideBySide ? CPoint(index * imageWidth, 0) : CPoint(0, index * imageWidth);
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
}

void CHorizontalSwitch::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!screenClick(context, buttons)) return;
  if (checkDefaultValue(context, buttons)) return;

  beginEdit();
  pickAt(context, where);
  if (!trackMouse(buttons)) endEdit();
}

void CHorizontalSwitch::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) {
  if (keepsPressButtons(buttons)) pickAt(context, where);
}

void CHorizontalSwitch::onMouseTrackEnd(CDrawContext*, CPoint&, long) { endEdit(); }

void CHorizontalSwitch::pickAt(CDrawContext* context, const CPoint& where) {
  // Images side by side are as wide as the control: the positions share its
  // width, not the whole row of images.
  const long span = imagesSideBySide ? imageWidth : (pBackground ? pBackground->getWidth() : 0);
  const double step = positionCount > 0 ? static_cast<double>(span) / positionCount : 0.0;
  // A switch of one position (or none) has nothing to choose.
  if (positionCount > 1 && step > 0.0) {
    value = static_cast<float>(truncToLong((where.h - size.left) / step)) / static_cast<float>(positionCount - 1);
    if (value > 1.0f)
      value = 1.0f;
    else if (value < 0.0f)
      value = 0.0f;
  } else {
    value = 0.0f;
  }
  tellListenerIfDirty(context);
}

bool CHorizontalSwitch::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CHorizontalSwitch") == 0) return true;
  return CControl::isTypeOf(type);
}
