// The static label, the invisible button and the text button.
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/DerivedControls.cpp");

namespace {
constexpr long kUnboundTag = 9999;
constexpr int kStandardPointer = 1;
}  // namespace

// --- CStaticText -----------------------------------------------------------------------

CStaticText::CStaticText(const CRect& size, const char* text, CFont font, CTxtFace face, CBitmap* background)
    : CParamDisplay(size, background, 0) {
  XR_TRY
  if (text) SetText(text);
  setTransparency(true);
  setBackColor(kBlackCColor);
  setFont(font);
  setTxtFace(face);
  setTag(kUnboundTag);
  XR_CATCH_VOID
}

void CStaticText::SetText(const char* text) {
  XR_TRY
  CopyControlText(szText, text);
  setDirty(true);
  XR_CATCH_VOID
}

void CStaticText::draw(CDrawContext* context) {
  XR_TRY
  drawText(context, szText);
  setDirty(false);
  XR_CATCH_VOID
}

bool CStaticText::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CStaticText") == 0) return true;
  return CParamDisplay::isTypeOf(type);
}

// --- CInvisibleButton ---------------------------------------------------------------------

CInvisibleButton::CInvisibleButton(const CRect& size, CControlListener* listener, bool standardPointer)
    : CControl(size, listener, 0, nullptr), bStandardPointer(standardPointer) {}

void CInvisibleButton::draw(CDrawContext*) { setDirty(false); }

void CInvisibleButton::mouse(CDrawContext* context, CPoint&, long buttons) {
  XR_TRY
  if (!bMouseEnabled) return;
  // The press's own buttons: a click whose release came with it counts.
  if (!(resolveButtons(context, buttons) & kMouseLeft)) return;
  value = value != 0.0f ? 0.0f : 1.0f;
  if (listener) listener->valueChanged(context, this);
  XR_CATCH_VOID
}

void CInvisibleButton::mouseMove(CDrawContext*, CPoint&, long) {
  XR_TRY
  if (bStandardPointer) g_MousePointerID = kStandardPointer;
  XR_CATCH_VOID
}

bool CInvisibleButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CInvisibleButton") == 0) return true;
  return CControl::isTypeOf(type);
}

// --- CTextButton -----------------------------------------------------------------------------

CTextButton::CTextButton(const CRect& size, CControlListener* listener, const char* text, CFont font, CTxtFace face,
                         bool standardPointer, const char* hoverText)
    : CInvisibleButton(size, listener, standardPointer), pText(new CStaticText(size, text, font, face, nullptr)) {
  XR_TRY
  SetText(text);
  if (hoverText) SetHoverText(hoverText);
  XR_CATCH_VOID
}

CTextButton::~CTextButton() { pText->forget(); }

void CTextButton::SetText(const char* text) {
  XR_TRY
  CopyControlText(szNormalText, text);
  if (!(bHovered && bHasHoverText)) pText->SetText(szNormalText);
  setDirty(true);
  ForceRefresh();
  XR_CATCH_VOID
}

void CTextButton::SetHoverText(const char* text) {
  XR_TRY
  CopyControlText(szHoverText, text);
  bHasHoverText = true;
  if (bHovered) {
    pText->SetText(szHoverText);
    setDirty(true);
  }
  XR_CATCH_VOID
}

void CTextButton::ForceRefresh() {
  XR_TRY
  if (!pText->getTransparency()) return;
  if (pParentView) pParentView->setDirty(true);
  XR_CATCH_VOID
}

void CTextButton::draw(CDrawContext* context) {
  XR_TRY
  // The visible part fills its rectangle first unless it is transparent.
  pText->draw(context);
  setDirty(false);
  XR_CATCH_VOID
}

void CTextButton::mouseMove(CDrawContext* context, CPoint& where, long buttons) {
  XR_TRY
  CInvisibleButton::mouseMove(context, where, buttons);
  bHovered = true;
  if (bHasHoverText) {
    pText->SetText(szHoverText);
    ForceRefresh();
  }
  setDirty(true);
  RegisterMouseMoveAwayInterest();
  XR_CATCH_VOID
}

void CTextButton::MouseMovedAway(CDrawContext*) {
  XR_TRY
  bHovered = false;
  if (bHasHoverText) pText->SetText(szNormalText);
  setDirty(true);
  ForceRefresh();
  XR_CATCH_VOID
}

bool CTextButton::getTransparency() const { return pText->getTransparency(); }

bool CTextButton::isDirty() const { return CInvisibleButton::isDirty() || pText->isDirty(); }

void CTextButton::setDirty(const bool val) {
  CInvisibleButton::setDirty(val);
  pText->setDirty(val);
}

void CTextButton::setViewSize(CRect& rect) {
  CInvisibleButton::setViewSize(rect);
  pText->setViewSize(rect);
}

bool CTextButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CTextButton") == 0) return true;
  return CInvisibleButton::isTypeOf(type);
}
