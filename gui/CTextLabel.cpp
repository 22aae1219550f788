#include "gui/CTextLabel.h"

#include <cstdlib>
#include <cstring>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/CTextLabel.cpp");

CTextLabel::CTextLabel(const CRect& rect, const char* txt, CBitmap* background, const long s)
    : CParamDisplay(rect, background, s) {
  setText(txt);
}

CTextLabel::~CTextLabel() { freeText(); }

void CTextLabel::freeText() {
  std::free(text);
  text = nullptr;
}

void CTextLabel::setText(const char* txt) {
  freeText();
  if (!txt) return;
  const size_t length = std::strlen(txt);
  text = static_cast<char*>(std::malloc(length + 1));
  if (text) std::memcpy(text, txt, length + 1);
}

void CTextLabel::draw(CDrawContext* context) {
  drawText(context, text);
  setDirty(false);
}

bool CTextLabel::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CTextLabel") == 0) return true;
  return CParamDisplay::isTypeOf(type);
}
