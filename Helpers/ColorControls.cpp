// The colour picker, the pickable swatch and the preset-scale picker.
#include "Helpers/ColorControls.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/DivuVazize.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/ColorControls.cpp");

namespace {

constexpr float kIndexStep = 0.0078125f;  // 1 / 128: one palette entry
constexpr long kCancelFontSize = 8;

// A white outline around rect and a black one a pixel inside it, so the mark
// shows on light and dark colours alike.
void DrawSelectionMark(CDrawContext* ctx, const CRect& rect) {
  const CPoint outer[5] = {CPoint(rect.left, rect.top), CPoint(rect.right, rect.top),
                           CPoint(rect.right, rect.bottom), CPoint(rect.left, rect.bottom),
                           CPoint(rect.left, rect.top)};
  const CPoint inner[5] = {CPoint(rect.left + 1, rect.top + 1), CPoint(rect.right - 1, rect.top + 1),
                           CPoint(rect.right - 1, rect.bottom - 1), CPoint(rect.left + 1, rect.bottom - 1),
                           CPoint(rect.left + 1, rect.top + 1)};
  ctx->setLineWidth(1);
  ctx->setFrameColor(kWhiteCColor);
  ctx->polyLine(outer, 5);
  ctx->setFrameColor(kBlackCColor);
  ctx->polyLine(inner, 5);
}

}  // namespace

// --- CColorPicker ------------------------------------------------------------------------

CColorPicker::CColorPicker(const CRect& size, DivuVazize* editor, CControlListener* listener, long tag)
    : CLayeredOwnerDrawControl(size, editor, listener) {
  setTag(tag);
}

CColorPicker::~CColorPicker() = default;

long CColorPicker::CellWidth() const { return size.width() / kColumns; }

long CColorPicker::CellHeight() const { return (size.height() - (bShowCancel ? kCancelStrip : 0)) / kRows; }

CRect CColorPicker::CellRect(int index) const {
  const long w = CellWidth();
  const long h = CellHeight();
  const long column = index % kColumns;
  const long row = index / kColumns;
  return CRect(column * w, row * h, (column + 1) * w, (row + 1) * h);
}

int CColorPicker::IndexAt(const CPoint& where) const {
  const long w = CellWidth();
  const long h = CellHeight();
  if (w <= 0 || h <= 0) return -1;
  long column = (where.h - size.left) / w;
  long row = (where.v - size.top) / h;
  if (column < 0) column = 0;
  if (column >= kColumns) column = kColumns - 1;
  if (row < 0) row = 0;
  // Below the grid lies the strip, or, without one, the rows left over by
  // the integer cell height: those belong to the last row.
  if (row >= kRows) {
    if (bShowCancel) return kNumColours;
    row = kRows - 1;
  }
  return static_cast<int>(column + row * kColumns);
}

void CColorPicker::mouse(CDrawContext* context, CPoint& where, long) {
  XR_TRY
  if (!bMouseEnabled) return;
  const int index = IndexAt(where);
  if (index < 0) return;
  if (index < kNumColours) setValue(static_cast<float>(index) * kIndexStep);
  if (listener) listener->valueChanged(context, this);
  XR_CATCH_VOID
}

void CColorPicker::DoDrawBackground(CDrawContext* layer) {
  XR_TRY
  ClearBackground(layer, 0, 0, 0);
  for (int index = 0; index < kNumColours; ++index) {
    CRect cell = CellRect(index);
    cell.inset(1, 1);
    layer->setFillColor(s_colArray.entries[index]);
    layer->fillRect(cell);
  }
  XR_CATCH_VOID
}

void CColorPicker::DoOwnerDrawInner(CDrawContext* offscreen) {
  XR_TRY
  long index = truncToLong(static_cast<double>(value) * kNumColours);
  if (index < 0) index = 0;
  if (index >= kNumColours) index = kNumColours - 1;
  DrawSelectionMark(offscreen, CellRect(static_cast<int>(index)));
  if (bShowCancel) {
    offscreen->setFont(kFontSmall, kCancelFontSize, kFaceNormal);
    offscreen->setFontColor(kWhiteCColor);
    offscreen->drawString("Cancel", CRect(rectDraw.left, rectDraw.bottom - kCancelStrip, rectDraw.right, rectDraw.bottom),
                          0, kAlignCenter);
  }
  XR_CATCH_VOID
}

bool CColorPicker::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CColorPicker") == 0) return true;
  return CLayeredOwnerDrawControl::isTypeOf(type);
}

// --- CPickableColor ------------------------------------------------------------------------

CPickableColor::CPickableColor(const CRect& size, const CRect& pickerRect, CControlListener* listener, long tag)
    : CControl(size, listener, tag, nullptr), rectPicker(pickerRect) {}

CPickableColor::~CPickableColor() = default;

void CPickableColor::draw(CDrawContext* context) {
  XR_TRY
  context->setFillColor(GetLookupColor(value));
  // fillRect leaves out the last column and row: reach one further.
  context->fillRect(CRect(size.left, size.top, size.right + 1, size.bottom + 1));
  setDirty(false);
  XR_CATCH_VOID
}

void CPickableColor::mouse(CDrawContext* context, CPoint&, long buttons) {
  XR_TRY
  if (!bMouseEnabled) return;
  if (!(resolveButtons(context, buttons) & kMouseLeft)) return;
  auto* editor = dynamic_cast<DivuVazize*>(listener);
  if (!editor) return;
  if (CColorPicker* picker = editor->AddColorPicker(rectPicker, tag)) picker->bShowCancel = bPickerShowsCancel;
  XR_CATCH_VOID
}

bool CPickableColor::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CPickableColor") == 0) return true;
  return CControl::isTypeOf(type);
}

// --- CColorBoundaryPicker ------------------------------------------------------------------

CColorBoundaryPicker::CColorBoundaryPicker(const CColorBoundaryPickerInfo* info, const CRect& size,
                                           DivuVazize* editor, CControlListener* listener, long tag)
    : CLayeredOwnerDrawControl(size, editor, listener),
      pInfo(info),
      nRowHeight(info && info->nCount > 0 ? size.height() / info->nCount : 0) {
  setTag(tag);
}

CColorBoundaryPicker::~CColorBoundaryPicker() = default;

int CColorBoundaryPicker::PresetAt(const CPoint& where) const {
  if (!pInfo || pInfo->nCount <= 0 || nRowHeight <= 0) return -1;
  long row = (where.v - size.top) / nRowHeight;
  if (row < 0) row = 0;
  if (row > pInfo->nCount - 1) row = pInfo->nCount - 1;
  return static_cast<int>(row);
}

void CColorBoundaryPicker::mouse(CDrawContext* context, CPoint& where, long) {
  XR_TRY
  if (!bMouseEnabled) return;
  const int row = PresetAt(where);
  if (row < 0) return;
  setValue(pInfo->nCount > 1 ? static_cast<float>(row) / static_cast<float>(pInfo->nCount - 1) : 0.0f);
  if (listener) listener->valueChanged(context, this);
  XR_CATCH_VOID
}

void CColorBoundaryPicker::DoDrawBackground(CDrawContext* layer) {
  XR_TRY
  ClearBackground(layer, 0, 0, 0);
  if (!pInfo || nRowHeight <= 0) return;
  for (int i = 0; i < pInfo->nCount; ++i) {
    const CRect bar(rectDraw.left, i * nRowHeight + 1, rectDraw.right, (i + 1) * nRowHeight);
    DrawSmoothColourBarHoriz(layer, bar, pInfo->ppLists[i], pInfo->fMin, pInfo->fMax);
  }
  XR_CATCH_VOID
}

void CColorBoundaryPicker::DoOwnerDrawInner(CDrawContext* offscreen) {
  XR_TRY
  if (!pInfo || pInfo->nCount <= 0 || nRowHeight <= 0) return;
  long row = truncToLong(static_cast<double>(value) * (pInfo->nCount - 1) + 0.5);
  if (row < 0) row = 0;
  if (row > pInfo->nCount - 1) row = pInfo->nCount - 1;
  DrawSelectionMark(offscreen, CRect(0, row * nRowHeight, rectDraw.width(), (row + 1) * nRowHeight));
  XR_CATCH_VOID
}

bool CColorBoundaryPicker::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CColorBoundaryPicker") == 0) return true;
  return CLayeredOwnerDrawControl::isTypeOf(type);
}
