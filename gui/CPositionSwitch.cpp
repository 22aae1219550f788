#include "gui/CPositionSwitch.h"

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CPositionSwitch");

CPositionSwitch::CPositionSwitch(const CRect& rect, CControlListener* l, long t, CBitmap* background, const CPoint& off,
                                 long orient, long images, long positions, long step, bool sideBySide)
    : CControl(rect, l, t, background),
      offset(off),
      orientation(orient),
      imageCount(images),
      positionCount(positions),
      imageStep(step),
      imagesSideBySide(sideBySide) {
  setDefaultValue(0.0f);
}

CPositionSwitch::~CPositionSwitch() = default;

void CPositionSwitch::draw(CDrawContext* context) {
  if (pBackground) {
    const long index = truncToLong(static_cast<float>(positionCount - 1) * value + 0.5f);
    const CPoint source = imagesSideBySide ? CPoint(index * imageStep, 0) : CPoint(0, index * imageStep);
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
}

void CPositionSwitch::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!screenClick(context, buttons)) return;
  if (checkDefaultValue(context, buttons)) return;
  pressDrag(context, where, buttons, valueAt(where));
}

void CPositionSwitch::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) {
  followDrag(context, buttons, valueAt(where), EDragButtons::kAsPressed);
}

void CPositionSwitch::onMouseTrackEnd(CDrawContext*, CPoint&, long) { endEdit(); }

float CPositionSwitch::valueAt(const CPoint& where) const {
  const bool horizontal = orientation == kHorizontal;
  long span = imageStep;
  if (horizontal != imagesSideBySide)
    span = pBackground ? (horizontal ? pBackground->getWidth() : pBackground->getHeight()) : 0;
  const double step = positionCount > 0 ? static_cast<double>(span) / positionCount : 0.0;
  // A switch of one position (or none) has nothing to choose.
  if (positionCount <= 1 || step <= 0.0) return 0.0f;
  const long along = horizontal ? where.h - size.left : where.v - size.top;
  const float picked = static_cast<float>(truncToLong(along / step)) / static_cast<float>(positionCount - 1);
  return picked > 1.0f ? 1.0f : picked < 0.0f ? 0.0f : picked;
}
