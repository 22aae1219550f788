#include "gui/CVerticalSwitch.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"

XR_REGISTER_SOURCE_FILE("gui/CVerticalSwitch");

namespace {
long ImagesInStrip(const CBitmap* background, long imageHeight) {
  if (!background || imageHeight <= 0) return 0;
  return background->getHeight() / imageHeight;
}
}  // namespace

CVerticalSwitch::CVerticalSwitch(const CRect& rect, CControlListener* l, long t, long subPixmaps, long heightOfOneImage,
                                 long iMaxPositions, CBitmap* background, CPoint& off)
    : CPositionSwitch(rect, l, t, background, off, kVertical, subPixmaps, iMaxPositions, heightOfOneImage, false) {}

CVerticalSwitch::CVerticalSwitch(const CRect& rect, CControlListener* l, long t, CBitmap* background, CPoint& off)
    : CPositionSwitch(rect, l, t, background, off, kVertical, ImagesInStrip(background, rect.height()),
                      ImagesInStrip(background, rect.height()), rect.height(), false) {}

CVerticalSwitch::~CVerticalSwitch() = default;

bool CVerticalSwitch::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CVerticalSwitch") == 0) return true;
  return CControl::isTypeOf(type);
}
