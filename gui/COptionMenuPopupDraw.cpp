// Layout and drawing of one pop-up menu.
#include <cairo.h>

#include <algorithm>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/COptionMenuPopupDraw.h"
#include "platform/CairoHandles.h"

XR_REGISTER_SOURCE_FILE("gui/COptionMenuPopupDraw.cpp");

namespace {

constexpr long kItemHeight = 20;
constexpr long kSeparatorHeight = 9;
constexpr long kFramePadding = 3;   // above the first and below the last item
constexpr long kTextLeft = 22;      // room for the check mark
constexpr long kShortcutGap = 24;   // between an entry's text and its shortcut
constexpr long kRightPadding = 10;
constexpr long kArrowRoom = 14;     // for a sub-menu's arrow

// A drawing context on a small scratch image, for measuring text.
class CMeasure {
 public:
  CMeasure()
      : m_pSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1)),
        m_pContext(new CDrawContext(nullptr, CairoPtr(cairo_create(m_pSurface.get())).get(), nullptr)) {}
  ~CMeasure() { m_pContext->forget(); }
  CMeasure(const CMeasure&) = delete;
  CMeasure& operator=(const CMeasure&) = delete;
  CDrawContext* context() { return m_pContext; }

 private:
  CairoSurfacePtr m_pSurface;
  CDrawContext* m_pContext;  // released before the surface
};

long FaceOf(const CPopupMenuItem& item) { return item.kind == CPopupMenuItem::kTitle ? kFaceBold : kFaceNormal; }

// Fills [left, right) x [top, bottom): the context's fill leaves out the last
// row and column it is given.
void FillWhole(CDrawContext* context, const CRect& rect, CColor color) {
  context->setFillColor(color);
  context->fillRect(CRect(rect.left, rect.top, rect.right + 1, rect.bottom + 1));
}

void DrawCheckMark(CDrawContext* context, const CRect& item, CColor color) {
  const long mid = (item.top + item.bottom) / 2;
  context->setFrameColor(color);
  context->setLineWidth(2);
  context->setLineStyle(kLineStyleSolid);
  context->setDrawMode(kDrawAntialiased);
  context->moveTo(CPoint(item.left + 6, mid));
  context->lineTo(CPoint(item.left + 9, mid + 4));
  context->lineTo(CPoint(item.left + 16, mid - 4));
  context->setDrawMode(kDrawAliased);
  context->setLineWidth(1);
}

void DrawSubMenuArrow(CDrawContext* context, const CRect& item, CColor color) {
  const long mid = (item.top + item.bottom) / 2;
  const long x = item.right - kRightPadding;
  const CPoint points[4] = {CPoint(x - 4, mid - 4), CPoint(x + 1, mid), CPoint(x - 4, mid + 5),
                            CPoint(x - 4, mid - 4)};
  context->setFillColor(color);
  context->setFrameColor(color);
  context->fillPolygon(points, 4);
}

}  // namespace

CPopupMenuLayout LayoutPopupMenu(const CPopupMenu& menu, long minWidth) {
  CPopupMenuLayout layout;
  CMeasure measure;
  CDrawContext* context = measure.context();
  long textWidth = 0;
  long shortcutWidth = 0;
  bool hasSubMenu = false;
  long y = kFramePadding;
  for (const CPopupMenuItem& item : menu.items) {
    const long height = item.kind == CPopupMenuItem::kSeparator ? kSeparatorHeight : kItemHeight;
    layout.items.push_back(CRect(0, y, 0, y + height));
    y += height;
    if (item.kind == CPopupMenuItem::kSeparator) continue;
    context->setFont(kPopupFont, 0, FaceOf(item));
    textWidth = std::max(textWidth, context->getStringWidth(item.text.c_str()));
    if (!item.shortcut.empty()) {
      context->setFont(kPopupFont, 0, kFaceNormal);
      shortcutWidth = std::max(shortcutWidth, context->getStringWidth(item.shortcut.c_str()));
    }
    if (item.kind == CPopupMenuItem::kSubMenu) hasSubMenu = true;
  }
  long width = kTextLeft + textWidth + kRightPadding;
  if (shortcutWidth > 0) width += kShortcutGap + shortcutWidth;
  if (hasSubMenu) width += kArrowRoom;
  layout.width = std::max(width, minWidth);
  layout.height = y + kFramePadding;
  for (CRect& rect : layout.items) {
    rect.left = 1;
    rect.right = layout.width - 1;
  }
  return layout;
}

void DrawPopupMenu(CDrawContext* context, const CPopupMenu& menu, const CPopupMenuLayout& layout,
                   long highlighted, long scroll, long height) {
  const CRect whole(0, 0, layout.width, height);
  context->setClipRect(whole);
  FillWhole(context, whole, kPopupBackColor);
  const size_t count = std::min(menu.items.size(), layout.items.size());
  for (size_t i = 0; i < count; ++i) {
    const CPopupMenuItem& item = menu.items[i];
    CRect rect = layout.items[i];
    rect.offset(0, -scroll);
    if (rect.bottom <= 0 || rect.top >= height) continue;
    if (item.kind == CPopupMenuItem::kSeparator) {
      const long mid = (rect.top + rect.bottom) / 2;
      FillWhole(context, CRect(rect.left + 2, mid, rect.right - 2, mid + 1), kPopupFrameColor);
      continue;
    }
    const bool lit = static_cast<long>(i) == highlighted;
    if (lit) FillWhole(context, rect, kPopupHighlightColor);
    CColor text = kPopupTextColor;
    if (lit)
      text = kPopupHighlightTextColor;
    else if (item.kind == CPopupMenuItem::kDisabled)
      text = kPopupDisabledColor;
    else if (item.kind == CPopupMenuItem::kTitle)
      text = kPopupTitleColor;
    if (item.checked) DrawCheckMark(context, rect, text);
    context->setFont(kPopupFont, 0, FaceOf(item));
    context->setFontColor(text);
    const long titleIndent = item.kind == CPopupMenuItem::kTitle ? kTextLeft / 2 : kTextLeft;
    context->drawString(item.text.c_str(),
                        CRect(rect.left + titleIndent - 1, rect.top, rect.right, rect.bottom), 0,
                        kAlignLeft);
    if (!item.shortcut.empty()) {
      context->setFont(kPopupFont, 0, kFaceNormal);
      context->drawString(item.shortcut.c_str(),
                          CRect(rect.left, rect.top, rect.right - kRightPadding, rect.bottom), 0,
                          kAlignRight);
    }
    if (item.kind == CPopupMenuItem::kSubMenu) DrawSubMenuArrow(context, rect, text);
  }
  // The frame: a one-pixel line just inside the window's edges.
  FillWhole(context, CRect(0, 0, layout.width, 1), kPopupFrameColor);
  FillWhole(context, CRect(0, height - 1, layout.width, height), kPopupFrameColor);
  FillWhole(context, CRect(0, 0, 1, height), kPopupFrameColor);
  FillWhole(context, CRect(layout.width - 1, 0, layout.width, height), kPopupFrameColor);
}
