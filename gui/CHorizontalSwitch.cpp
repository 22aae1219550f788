#include "gui/CHorizontalSwitch.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"

XR_REGISTER_SOURCE_FILE("gui/CHorizontalSwitch");

namespace {
long ImagesInRow(const CBitmap* background, long imageWidth) {
  if (!background || imageWidth <= 0) return 0;
  return background->getWidth() / imageWidth;
}
}  // namespace

CHorizontalSwitch::CHorizontalSwitch(const CRect& rect, CControlListener* l, long t, long subPixmaps,
                                     long heightOfOneImage, long iMaxPositions, CBitmap* background, CPoint& off)
    : CPositionSwitch(rect, l, t, background, off, kHorizontal, subPixmaps, iMaxPositions, heightOfOneImage, false) {}

CHorizontalSwitch::CHorizontalSwitch(const CRect& rect, CControlListener* l, long t, CBitmap* background, CPoint& off)
    : CPositionSwitch(rect, l, t, background, off, kHorizontal, ImagesInRow(background, rect.width()),
                      ImagesInRow(background, rect.width()), rect.width(), true) {}

CHorizontalSwitch::~CHorizontalSwitch() = default;

bool CHorizontalSwitch::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CHorizontalSwitch") == 0) return true;
  return CControl::isTypeOf(type);
}
