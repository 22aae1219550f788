// The multi-state button, the static bitmap and the colour rectangle.
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/DerivedControlsStatic.cpp");

namespace {
constexpr long kUnboundTag = 9999;
}  // namespace

// --- CFiniteStatesButton --------------------------------------------------------------------

CFiniteStatesButton::CFiniteStatesButton(int states, const CRect& size, CControlListener* listener, long tag,
                                         CBitmap* background)
    : CControl(size, listener, tag, background), nStates(states < 1 ? 1 : states) {}

int CFiniteStatesButton::GetState() const {
  if (nStates < 2) return 0;
  const long k = truncToLong(static_cast<double>(value) * (nStates - 1) + 0.5);
  if (k < 0) return 0;
  return k >= nStates ? nStates - 1 : static_cast<int>(k);
}

void CFiniteStatesButton::draw(CDrawContext* context) {
  XR_TRY
  if (pBackground) {
    const CPoint source(0, GetState() * (pBackground->getHeight() / nStates));
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, source);
    else
      pBackground->draw(context, size, source);
  }
  setDirty(false);
  XR_CATCH_VOID
}

void CFiniteStatesButton::mouse(CDrawContext* context, CPoint&, long buttons) {
  XR_TRY
  if (!screenClick(context, buttons)) return;
  const int next = nStates < 2 ? 0 : (GetState() + 1) % nStates;
  value = nStates < 2 ? 0.0f : static_cast<float>(next) / static_cast<float>(nStates - 1);
  beginEdit();
  tellListener(context);
  endEdit();
  doIdleStuff();
  XR_CATCH_VOID
}

bool CFiniteStatesButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CFiniteStatesButton") == 0) return true;
  return CControl::isTypeOf(type);
}

// --- CStaticBitmap -----------------------------------------------------------------------------

CStaticBitmap::CStaticBitmap(const CRect& size, CBitmap* bitmap) : CControl(size, nullptr, kUnboundTag, bitmap) {}

void CStaticBitmap::draw(CDrawContext* context) {
  XR_TRY
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, CPoint(0, 0));
    else
      pBackground->draw(context, size, CPoint(0, 0));
  }
  setDirty(false);
  XR_CATCH_VOID
}

bool CStaticBitmap::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CStaticBitmap") == 0) return true;
  return CControl::isTypeOf(type);
}

// --- CStaticRect ----------------------------------------------------------------------------------

CStaticRect::CStaticRect(const CRect& size, const CColor& colour)
    : CControl(size, nullptr, kUnboundTag, nullptr), colColour(colour) {}

void CStaticRect::draw(CDrawContext* context) {
  XR_TRY
  context->setFillColor(colColour);
  // fillRect leaves out the last column and row: reach one further so the
  // whole rectangle is painted.
  context->fillRect(CRect(size.left, size.top, size.right + 1, size.bottom + 1));
  setDirty(false);
  XR_CATCH_VOID
}

bool CStaticRect::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CStaticRect") == 0) return true;
  return CControl::isTypeOf(type);
}
