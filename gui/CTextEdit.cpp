#include "gui/CTextEdit.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CTextEditField.h"

XR_REGISTER_SOURCE_FILE("gui/CTextEdit.cpp");

namespace {

// Characters that end an edit.
constexpr int kCharEnter = 3;
constexpr int kCharReturn = 13;
constexpr int kCharEscape = 27;

// Converters write into a buffer of this size; the text is then cut to the
// control's 255 bytes.
constexpr size_t kConvertBufferSize = 1024;

}  // namespace

CTextEdit::CTextEdit(const CRect& rect, CControlListener* l, long t, const char* txt, CBitmap* background,
                     const long s)
    : CParamDisplay(rect, background, s) {
  listener = l;
  tag = t;
  CopyControlText(text, txt);
  setWantsFocus(true);
}

CTextEdit::~CTextEdit() {
  // Removal from the tree closes the field; a field still held here was
  // never shown in a frame that outlives this control.
  if (platformEditor) platformEditor->forget();
  platformEditor = nullptr;
}

void CTextEdit::setText(const char* txt) {
  if (txt) {
    if (std::strcmp(txt, text) != 0) {
      CopyControlText(text, txt);
      setDirty(true);
    }
  } else if (text[0]) {
    text[0] = 0;
    setDirty(true);
  }
}

void CTextEdit::getText(char* txt) const {
  if (txt) std::memcpy(txt, text, std::strlen(text) + 1);
}

void CTextEdit::setTextEditConvert(void (*convert)(char*, char*)) { textEditConvert = convert; }

void CTextEdit::setTextEditConvert(void (*convert)(char*, char*, void*), void* data) {
  textEditConvertWithData = convert;
  convertData = data;
}

void CTextEdit::draw(CDrawContext* context) {
  if (platformEditor) {
    // The field lies over the control and draws the text itself.
    drawText(context, nullptr);
    platformEditor->setDirty(true);
    setDirty(false);
    return;
  }
  char display[kParamDisplayTextSize];
  if (textEditConvertWithData || textEditConvert) {
    char buffer[kConvertBufferSize] = {0};
    if (textEditConvertWithData)
      textEditConvertWithData(text, buffer, convertData);
    else
      textEditConvert(text, buffer);
    buffer[kConvertBufferSize - 1] = 0;
    CopyControlText(display, buffer);
  } else if (convertValue(display)) {
    CopyControlText(text, display);
  } else {
    CopyControlText(display, text);
  }
  drawText(context, display);
  setDirty(false);
}

void CTextEdit::mouse(CDrawContext* context, CPoint&, long buttons) {
  if (!bMouseEnabled) return;
  buttons = resolveButtons(context, buttons);
  if (modifierClickTaken(context, buttons)) return;
  if (!(buttons & kMouseLeft)) return;
  if (pParentFrame && pParentFrame->getFocusView() == this) return;
  if ((style & kStyleDoubleClick) && !isDoubleClick()) return;
  beginEdit();
  takeFocus(context);
}

void CTextEdit::beginEdit() {
  CParamDisplay::beginEdit();
  editBracket = pParentFrame != nullptr;
}

void CTextEdit::endEdit() {
  if (!editBracket) return;
  editBracket = false;
  CParamDisplay::endEdit();
}

CRect CTextEdit::editRect(CDrawContext* context) const {
  CRect rect = size;
  for (CView* parent = pParentView; parent; parent = parent->getParentView()) {
    if (parent->notify(const_cast<CTextEdit*>(this), kMsgCheckIfViewContainer) == 1) {
      CRect origin;
      parent->getViewSize(origin);
      rect.offset(origin.left, origin.top);
    }
  }
  if (context) rect.offset(context->getOffset().h, context->getOffset().v);
  return rect;
}

void CTextEdit::takeFocus(CDrawContext* context) {
  returnPressed = false;
  canceled = false;
  if (!pParentFrame || platformEditor) return;
  CRect rect = editRect(context);
  const long fontSize = gStandardFontSize[(font >= 0 && font < kNumFonts) ? font : kFontSystem];
  if (rect.height() > fontSize) {
    rect.top = static_cast<short>(rect.top + rect.height() / 2 - fontSize / 2 + 1);
    rect.bottom = rect.top + fontSize;
  }
  platformEditor = new CTextEditField(rect, font, horiAlign);
  platformEditor->setText(text);
  // The frame keeps the field with the reference handed to it; this one is
  // held until the field is closed, whoever takes it out of the frame.
  pParentFrame->addView(platformEditor);
  platformEditor->remember();
  if (pParentFrame->getFocusView() != this) pParentFrame->setFocusView(this);
  pParentFrame->updateKeyInput();
  platformEditor->setDirty(true);
}

bool CTextEdit::pressInField() const {
  if (!platformEditor || !pParentFrame || !pParentFrame->isChild(platformEditor)) return false;
  CPoint where;
  if (!pParentFrame->getPressPoint(where)) return false;
  CRect field;
  platformEditor->getViewSize(field);
  return field.pointInside(where);
}

void CTextEdit::closeField() {
  CTextEditField* field = platformEditor;
  platformEditor = nullptr;
  if (!field) return;
  if (pParentFrame && pParentFrame->isChild(field)) pParentFrame->removeView(field, true);
  field->forget();
}

void CTextEdit::looseFocus(CDrawContext* context) {
  // Every click first takes the focus away; one inside the open field goes
  // on to the field, and the edit stays open.
  if (platformEditor && !removing && !returnPressed && !canceled && pParentFrame &&
      !pParentFrame->getFocusView() && pressInField()) {
    pParentFrame->setFocusView(this);
    return;
  }
  endEdit();
  // Clearing the frame's focus runs this once more, which ends the edit.
  if (pParentFrame && pParentFrame->getFocusView() == this) pParentFrame->setFocusView(nullptr);
  if (!platformEditor) return;

  char before[kParamDisplayTextSize];
  std::memcpy(before, text, sizeof before);
  if (!canceled) CopyControlText(text, platformEditor->getText().c_str());
  closeField();
  if (pParentFrame) {
    pParentFrame->updateKeyInput();
    pParentFrame->setCursor(kCursorDefault);
  }
  setDirty(true);

  const bool changed = std::strcmp(before, text) != 0;
  if (changed && listener) {
    CDrawContext* own = nullptr;
    CPoint savedOffset;
    if (!context && pParentFrame) {
      context = own = pParentFrame->createDrawContext();
      savedOffset = context->getOffset();
      if (pParentView) {
        CPoint origin(0, 0);
        pParentView->localToFrame(origin);
        context->setOffset(origin);
      }
    }
    listener->valueChanged(context, this);
    if (own) {
      own->setOffset(savedOffset);
      own->forget();
    }
  }
  if (changed) doIdleStuff();

  if (pParentView)
    pParentView->notify(this, "LooseFocus");
  else if (pParentFrame)
    pParentFrame->notify(this, "LooseFocus");
}

long CTextEdit::onKeyDown(VstKeyCode& keyCode) {
  if (!platformEditor) return -1;
  const bool plain = keyCode.virt == 0;
  if (keyCode.virt == VKEY_RETURN || keyCode.virt == VKEY_ENTER ||
      (plain && (keyCode.character == kCharReturn || keyCode.character == kCharEnter))) {
    returnPressed = true;
    looseFocus(nullptr);
    return 1;
  }
  if (keyCode.virt == VKEY_ESCAPE || (plain && keyCode.character == kCharEscape)) {
    canceled = true;
    looseFocus(nullptr);
    return 1;
  }
  return platformEditor->onKeyDown(keyCode);
}

bool CTextEdit::removed(CView* parent) {
  if (platformEditor || (pParentFrame && pParentFrame->getFocusView() == this)) {
    removing = true;
    canceled = true;
    looseFocus(nullptr);
    removing = false;
  }
  return CParamDisplay::removed(parent);
}

bool CTextEdit::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CTextEdit") == 0) return true;
  return CParamDisplay::isTypeOf(type);
}
