#include "gui/CMovieBitmap.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CMovieBitmap");

CMovieBitmap::CMovieBitmap(const CRect& rect, CControlListener* l, long t, long subPixmaps,
                           long heightOfOneImage, CBitmap* background, CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      imageCount(subPixmaps),
      imageHeight(heightOfOneImage) {}

CMovieBitmap::CMovieBitmap(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                           CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      imageCount(background && rect.height() > 0 ? background->getHeight() / rect.height() : 0),
      imageHeight(rect.height()) {}

CMovieBitmap::~CMovieBitmap() = default;

void CMovieBitmap::draw(CDrawContext* context) {
  CPoint source(offset);
  if (value > 1.0f) value = 1.0f;
  if (value > 0.0f)
    source.v += truncToLong(static_cast<float>(imageCount - 1) * value + 0.5f) * imageHeight;
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
}

bool CMovieBitmap::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CMovieBitmap") == 0) return true;
  return CControl::isTypeOf(type);
}
