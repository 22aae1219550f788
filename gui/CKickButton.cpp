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
  if (buttons == kMouseLeft) {
    pressDrag(context, where, buttons, valueAt(where));
    return;
  }
  // A modifier is held: one press without tracking.
  beginEdit();
  value = (value == 0.0f) ? 1.0f : 0.0f;
  tellListener(context);
  onMouseTrackEnd(context, where, 0);
}

void CKickButton::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) {
  // Only the left button alone, as at the press, keeps the button pressed.
  followDrag(context, buttons, valueAt(where), EDragButtons::kAsPressed);
}

float CKickButton::valueAt(const CPoint& where) const { return insideWithEdges(where) ? pressedValue : entryValue; }

void CKickButton::onMouseTrackEnd(CDrawContext* context, CPoint&, long) {
  value = 0.0f;
  tellListener(context);
  endEdit();
}

bool CKickButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CKickButton") == 0) return true;
  return CControl::isTypeOf(type);
}
