#include "gui/CAutoAnimation.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CAutoAnimation");

CAutoAnimation::CAutoAnimation(const CRect& rect, CControlListener* l, long t, long subPixmaps,
                               long heightOfOneImage, CBitmap* background, CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      imageCount(subPixmaps),
      imageHeight(heightOfOneImage),
      totalHeight(subPixmaps * heightOfOneImage) {}

CAutoAnimation::CAutoAnimation(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                               CPoint& off)
    : CControl(rect, l, t, background),
      offset(off),
      imageCount(background && rect.height() > 0 ? background->getHeight() / rect.height() : 0),
      imageHeight(rect.height()),
      totalHeight(imageCount * imageHeight) {}

CAutoAnimation::~CAutoAnimation() = default;

void CAutoAnimation::nextPixmap() {
  // Every frame is shown, the last one included, before the strip restarts.
  value += static_cast<float>(imageHeight);
  if (value > static_cast<float>(totalHeight - imageHeight)) value = 0.0f;
}

void CAutoAnimation::previousPixmap() {
  // Steps back onto the last frame's own offset.
  value -= static_cast<float>(imageHeight);
  if (value < 0.0f) value = static_cast<float>(totalHeight - imageHeight);
}

void CAutoAnimation::draw(CDrawContext* context) {
  if (windowOpened && pBackground) {
    CPoint source(offset.h, offset.v + truncToLong(value));
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
}

void CAutoAnimation::mouse(CDrawContext* context, CPoint&, long buttons) {
  if (!screenClick(context, buttons)) return;
  value = 0.0f;
  if (!windowOpened) {
    openWindow();
    setDirty(true);
    tellListener(context);
  } else {
    setDirty(true);
    closeWindow();
  }
}

bool CAutoAnimation::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CAutoAnimation") == 0) return true;
  return CControl::isTypeOf(type);
}
