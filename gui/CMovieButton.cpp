#include "gui/CMovieButton.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CMovieButton");

namespace {
constexpr long kAnyMouseButton = kMouseLeft | kMouseMiddle | kMouseRight;
}

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

  const float entryValue = value;
  const float toggled = (entryValue == 0.0f) ? 1.0f : 0.0f;
  beginEdit();
  if (currentButtons(context) & kAnyMouseButton) {
    do {
      value = insideWithEdges(where) ? toggled : entryValue;
      tellListenerIfDirty(context);
      getMouseLocation(context, where);
      doIdleStuff();
    } while (currentButtons(context) == buttons);
  } else {
    value = toggled;
    tellListener(context);
  }
  endEdit();
  buttonState = value;
}

bool CMovieButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CMovieButton") == 0) return true;
  return CControl::isTypeOf(type);
}
