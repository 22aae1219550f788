#include "gui/CMovieButton.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CMovieButton");

CMovieButton::CMovieButton(const CRect& rect, CControlListener* l, long t, long heightOfOneImage,
                           CBitmap* background, CPoint& off)
    : CControl(rect, l, t, background), offset(off), imageHeight(heightOfOneImage) {}

CMovieButton::CMovieButton(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                           CPoint& off)
    : CControl(rect, l, t, background), offset(off), imageHeight(rect.height()) {}

CMovieButton::~CMovieButton() = default;

void CMovieButton::draw(CDrawContext* context) {
  bounceValue();
  CPoint source(0, value != 0.0f ? imageHeight : 0);
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  buttonState = value;
  setDirty(false);
}

void CMovieButton::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!screenClick(context, buttons)) return;

  entryValue = value;
  toggledValue = (entryValue == 0.0f) ? 1.0f : 0.0f;
  pressDrag(context, where, buttons, valueAt(where));
}

void CMovieButton::onMouseTrack(CDrawContext* context, CPoint& where, long buttons) {
  followDrag(context, buttons, valueAt(where), EDragButtons::kAsPressed);
}

float CMovieButton::valueAt(const CPoint& where) const { return insideWithEdges(where) ? toggledValue : entryValue; }

void CMovieButton::onMouseTrackEnd(CDrawContext*, CPoint&, long) {
  endEdit();
  buttonState = value;
}

bool CMovieButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CMovieButton") == 0) return true;
  return CControl::isTypeOf(type);
}
