#include "gui/CAnimKnob.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CAnimKnob");

namespace {
// Frames in a strip whose frames are as tall as the control, kept as the
// 16-bit count it has always been.
long FramesInStrip(const CBitmap* background, long frameHeight) {
  if (!background || frameHeight <= 0) return 0;
  return static_cast<short>(background->getHeight() / frameHeight);
}
}  // namespace

CAnimKnob::CAnimKnob(const CRect& rect, CControlListener* l, long t, long subPixmaps,
                     long heightOfOneImage, CBitmap* background, CPoint& off)
    : CKnob(rect, l, t, background, nullptr, off),
      imageCount(subPixmaps),
      imageHeight(heightOfOneImage) {
  insetValue = 0;
}

CAnimKnob::CAnimKnob(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                     CPoint& off)
    : CKnob(rect, l, t, background, nullptr, off),
      imageCount(FramesInStrip(background, rect.bottom - rect.top)),
      imageHeight(rect.bottom - rect.top) {
  insetValue = 0;
}

CAnimKnob::~CAnimKnob() = default;

void CAnimKnob::draw(CDrawContext* context) {
  CPoint source(0, 0);
  // A strip without frames, or with frames of no height, shows its top.
  if (value >= 0.0f && imageCount > 0 && imageHeight > 0) {
    const long span = (imageCount - 1) * imageHeight;
    const float fraction = inverseBitmap ? 1.0f - value : value;
    source.v = truncToLong(fraction * static_cast<float>(span));
    for (long k = 0; k <= span; k += imageHeight) {
      if (k > source.v) {
        source.v = k - imageHeight > 0 ? k - imageHeight : 0;
        break;
      }
    }
  }
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  valueToPoint(lastHandlePoint);
  setDirty(false);
}

bool CAnimKnob::isDirty() const {
  if (!bDirty) {
    CPoint point;
    valueToPoint(point);
    if (point == lastHandlePoint) return false;
  }
  return CKnob::isDirty();
}

bool CAnimKnob::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CAnimKnob") == 0) return true;
  return CKnob::isTypeOf(type);
}
