#include "gui/CTabButton.h"

#include <cstdlib>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CTabButton.cpp");

CTabButton::CTabButton(const CRect& rect, CControlListener* l, long t, CBitmap* background, const char* n)
    : COnOffButton(rect, l, t, background) {
  if (n) {
    const size_t length = std::strlen(n);
    name = static_cast<char*>(std::malloc(length + 1));
    if (name) std::memcpy(name, n, length + 1);
  }
}

CTabButton::~CTabButton() { std::free(name); }

void CTabButton::draw(CDrawContext* context) {
  COnOffButton::draw(context);
  if (!name) return;
  context->setFont(fontId, textSize, kFaceNormal);
  context->setFontColor(value != 0.0f ? activeTextColor : inactiveTextColor);
  context->drawString(name, size, 0, kAlignCenter);
}

void CTabButton::mouse(CDrawContext* context, CPoint&, long buttons) {
  if (!bMouseEnabled) return;
  buttons = resolveButtons(context, buttons);
  if (!(buttons & kMouseLeft)) return;
  value = value == 0.0f ? 1.0f : 0.0f;
  tellListener(context);
}

void CTabButton::onDragEnter(CDrawContext* context, CDragContainer*, const CPoint&) {
  if (value != 0.0f) return;
  value = 1.0f;
  tellListener(context);
}

bool CTabButton::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CTabButton") == 0) return true;
  return COnOffButton::isTypeOf(type);
}
