#include "gui/CTextEditField.h"

#include <cstdlib>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/FontFaces.h"

XR_REGISTER_SOURCE_FILE("gui/CTextEditField.cpp");

namespace {

constexpr long kTextInset = 2;       // between the field's edges and its text
// A second press this soon and this close to the first selects all.
constexpr unsigned int kDoubleClickMs = 400;
constexpr long kDoubleClickSlop = 4;

// The character a keypad key types, or 0.
int KeypadCharacter(unsigned char virt) {
  if (virt >= VKEY_NUMPAD0 && virt <= VKEY_NUMPAD9) return '0' + (virt - VKEY_NUMPAD0);
  switch (virt) {
    case VKEY_SPACE: return ' ';
    case VKEY_MULTIPLY: return '*';
    case VKEY_ADD: return '+';
    case VKEY_SUBTRACT: return '-';
    case VKEY_DECIMAL: return '.';
    case VKEY_DIVIDE: return '/';
    case VKEY_EQUALS: return '=';
    default: return 0;
  }
}

// Fills [left, right) x [top, bottom): the context's fill leaves out the last
// row and column it is given.
void FillWhole(CDrawContext* context, const CRect& rect, CColor color) {
  context->setFillColor(color);
  context->fillRect(CRect(rect.left, rect.top, rect.right + 1, rect.bottom + 1));
}

}  // namespace

CTextEditField::CTextEditField(const CRect& rect, CFont f, CHoriTxtAlign a)
    : CView(rect), font(f), align(a) {
  setTransparency(false);
}

CTextEditField::~CTextEditField() = default;

uint32_t CTextEditField::showable(uint32_t codePoint) const {
  // Control characters are the buffer's to drop or end the line at.
  if (codePoint < 0x20 || codePoint == 0x7F) return codePoint;
  return ToolkitFontHasGlyph(font, codePoint) ? codePoint : static_cast<uint32_t>('?');
}

void CTextEditField::pasteText(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size();) shown += EncodeUtf8(showable(DecodeUtf8At(text, i)));
  buffer.Insert(shown);
  setDirty(true);
}

void CTextEditField::setText(const char* text) {
  buffer.SetText(text ? text : "");
  scroll = 0;
  setDirty(true);
}

long CTextEditField::widthOf(CDrawContext* context, size_t bytes) {
  if (bytes == 0) return 0;
  context->setFont(font, 0, kFaceNormal);
  return context->getStringWidth(buffer.Text().substr(0, bytes).c_str());
}

long CTextEditField::layoutText(CDrawContext* context) {
  const long inner = size.width() - 2 * kTextInset;
  const long textWidth = widthOf(context, buffer.Text().size());
  const long left = size.left + kTextInset;
  if (textWidth <= inner) {
    scroll = 0;
    if (align == kAlignCenter) return left + (inner - textWidth) / 2;
    if (align == kAlignRight) return left + inner - textWidth;
    return left;
  }
  // Too long to show whole: left-aligned, scrolled so that the caret shows.
  const long caret = widthOf(context, buffer.Caret());
  if (caret - scroll > inner) scroll = caret - inner;
  if (caret - scroll < 0) scroll = caret;
  if (scroll > textWidth - inner) scroll = textWidth - inner;
  if (scroll < 0) scroll = 0;
  return left - scroll;
}

void CTextEditField::draw(CDrawContext* context) {
  CRect oldClip;
  context->getClipRect(oldClip);
  CRect clip = size;
  clip.bound(oldClip);
  context->setClipRect(clip);

  FillWhole(context, size, kEditFieldBackColor);
  const long x = layoutText(context);
  if (buffer.HasSelection()) {
    const long from = x + widthOf(context, buffer.SelectionStart());
    const long to = x + widthOf(context, buffer.SelectionEnd());
    FillWhole(context, CRect(from, size.top, to, size.bottom), kEditFieldSelectionColor);
  }
  context->setFont(font, 0, kFaceNormal);
  context->setFontColor(kEditFieldTextColor);
  const long textWidth = widthOf(context, buffer.Text().size());
  // Left-aligned text starts one pixel into its rectangle.
  context->drawString(buffer.Text().c_str(), CRect(x - 1, size.top, x + textWidth + 1, size.bottom), 0,
                      kAlignLeft);
  if (!buffer.HasSelection()) {
    const long caret = x + widthOf(context, buffer.Caret());
    FillWhole(context, CRect(caret, size.top + 1, caret + 1, size.bottom - 1), kEditFieldTextColor);
  }
  context->setClipRect(oldClip);
  setDirty(false);
}

size_t CTextEditField::positionAt(CDrawContext* context, long x) {
  const long origin = layoutText(context);
  const std::string& text = buffer.Text();
  size_t best = 0;
  long bestDistance = std::labs(x - origin);
  for (size_t i = buffer.NextBoundary(0); i > 0 && i <= text.size(); i = buffer.NextBoundary(i)) {
    const long distance = std::labs(x - (origin + widthOf(context, i)));
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
    if (i == text.size()) break;
  }
  return best;
}

void CTextEditField::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!context) return;
  if (buttons == -1) buttons = context->getMouseButtons();
  if (!(buttons & kMouseLeft)) return;
  const unsigned int now = pParentFrame ? static_cast<unsigned int>(pParentFrame->getTicks()) : 0u;
  const bool doubleClick = hasClicked && MsElapsed(now, lastClickTicks) < kDoubleClickMs &&
                           std::labs(where.h - lastClick.h) <= kDoubleClickSlop &&
                           std::labs(where.v - lastClick.v) <= kDoubleClickSlop;
  hasClicked = !doubleClick;
  lastClickTicks = now;
  lastClick = where;
  if (doubleClick) {
    buffer.SelectAll();
    setDirty(true);
    return;
  }
  buffer.SetCaret(positionAt(context, where.h), (buttons & kModifierShift) != 0);
  setDirty(true);
  // Dragging with the button held selects from the press.
  if (pParentFrame) pParentFrame->beginMouseCapture(this, buttons);
}

void CTextEditField::onMouseTrack(CDrawContext* context, CPoint& where, long) {
  if (!context) return;
  const size_t position = positionAt(context, where.h);
  if (position != buffer.Caret()) {
    buffer.SetCaret(position, true);
    setDirty(true);
  }
}

long CTextEditField::onKeyDown(VstKeyCode& key) {
  const bool shift = (key.modifier & MODIFIER_SHIFT) != 0;
  // Ctrl, the primary modifier on a PC.
  const bool ctrl = (key.modifier & MODIFIER_CONTROL) != 0;
  switch (key.virt) {
    case VKEY_TAB:
      return -1;
    case VKEY_BACK:
      buffer.Backspace();
      break;
    case VKEY_DELETE:
      buffer.Delete();
      break;
    case VKEY_LEFT:
      buffer.MoveLeft(shift);
      break;
    case VKEY_RIGHT:
      buffer.MoveRight(shift);
      break;
    case VKEY_HOME:
    case VKEY_UP:
      buffer.MoveHome(shift);
      break;
    case VKEY_END:
    case VKEY_DOWN:
      buffer.MoveEnd(shift);
      break;
    case 0: {
      if (ctrl) {
        switch (key.character) {
          case 'a': case 'A':
            buffer.SelectAll();
            break;
          case 'c': case 'C':
            if (buffer.HasSelection() && pParentFrame) pParentFrame->setClipboardText(buffer.SelectedText());
            break;
          case 'x': case 'X':
            if (buffer.HasSelection() && pParentFrame) {
              pParentFrame->setClipboardText(buffer.SelectedText());
              buffer.DeleteSelection();
            }
            break;
          case 'v': case 'V':
            if (pParentFrame) pParentFrame->requestClipboardText(this);
            break;
          default:
            break;
        }
      } else if (key.character >= 0x20 && key.character != 0x7F) {
        buffer.InsertCodePoint(showable(static_cast<uint32_t>(key.character)));
      }
      break;
    }
    default:
      if (const int c = KeypadCharacter(key.virt)) {
        if (!ctrl) buffer.InsertCodePoint(static_cast<uint32_t>(c));
      }
      break;
  }
  setDirty(true);
  return 1;
}

bool CTextEditField::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CTextEditField") == 0) return true;
  return CView::isTypeOf(type);
}
