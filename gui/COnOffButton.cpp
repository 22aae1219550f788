#include "gui/COnOffButton.h"

#include <cmath>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/COnOffButton");

COnOffButton::COnOffButton(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                           long s)
    : CControl(rect, l, t, background), style(s) {}

COnOffButton::~COnOffButton() = default;

void COnOffButton::draw(CDrawContext* context) {
  if (pBackground) {
    // NaN compares unequal to 0 and so shows the "on" image.
    const CPoint source(0, value != 0.0f ? pBackground->getHeight() / 2 : 0);
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
}

void COnOffButton::mouse(CDrawContext* context, CPoint&, long buttons) {
  if (!bMouseEnabled) return;
  buttons = resolveButtons(context, buttons);
  if (!(buttons & kMouseLeft)) return;
  if (modifierClickTaken(context, buttons)) return;

  // The old value truncated toward zero decides: 0.7 turns on, 1.5 turns off.
  value = (std::trunc(value) != 0.0f) ? 0.0f : 1.0f;

  if (listener && style == kOnOffNotifyBeforeIdle) {
    beginEdit();
    listener->valueChanged(context, this);
    endEdit();
  }
  doIdleStuff();
  if (listener && style == kOnOffNotifyAfterIdle) {
    beginEdit();
    listener->valueChanged(context, this);
    endEdit();
  }
}

bool COnOffButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "COnOffButton") == 0) return true;
  return CControl::isTypeOf(type);
}
