#include "gui/CKickButton.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CKickButton");

CKickButton::CKickButton(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                         CPoint& off)
    : CControl(rect, l, t, background), offset(off), imageHeight(rect.bottom - rect.top) {}

CKickButton::CKickButton(const CRect& rect, CControlListener* l, long t, long heightOfOneImage,
                         CBitmap* background, CPoint& off)
    : CControl(rect, l, t, background), offset(off), imageHeight(heightOfOneImage) {}

CKickButton::~CKickButton() = default;

void CKickButton::draw(CDrawContext* context) {
  CPoint source(offset);
  bounceValue();
  if (value != 0.0f) source.v += imageHeight;
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
}

void CKickButton::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!bMouseEnabled) return;
  buttons = resolveButtons(context, buttons);
  // Here the modifier question comes before the left-button test.
  if (modifierClickTaken(context, buttons)) return;
  if (!(buttons & kMouseLeft)) return;

  entryValue = value;
  pressedValue = (entryValue == 0.0f) ? 1.0f : 0.0f;
  beginEdit();
  if (buttons == kMouseLeft) {
    value = insideWithEdges(where) ? pressedValue : entryValue;
    tellListenerIfDirty(context);
    if (trackMouse(buttons)) return;
  } else {
    // A modifier is held: one press without tracking.
    value = (value == 0.0f) ? 1.0f : 0.0f;
    tellListener(context);
  }
  onMouseTrackEnd(context, where, 0);
}

void CKickButton::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) {
  // Only the left button alone keeps the button pressed.
  if (!keepsPressButtons(buttons)) return;
  value = insideWithEdges(where) ? pressedValue : entryValue;
  tellListenerIfDirty(context);
}

void CKickButton::onMouseTrackEnd(CDrawContext* context, CPoint&, long) {
  value = 0.0f;
  tellListener(context);
  endEdit();
}

bool CKickButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CKickButton") == 0) return true;
  return CControl::isTypeOf(type);
}
