// The waterfall mechanism: row cache, scrolling image, colour bar and its
// drag.
#include "Helpers/Waterfall.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Helpers/Assert.h"
#include "Helpers/FrequencyDataStore.h"
#include "Helpers/OffscreenScroll.h"
#include "gui/CDrawContext.h"
#include "gui/COffscreenContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/Waterfall");

namespace {

constexpr unsigned long kPointerColourBar = 3;
constexpr CColor kReadOutColour = {220, 220, 220, 255};
constexpr CColor kLegendText = {200, 200, 200, 255};
// dB between two legend labels.
constexpr float kLegendStepDb = 10.0f;
constexpr int kMaxLegendLabels = 64;  // the bar spans under 60 dB

}  // namespace

CWaterfall::CWaterfall(const CRect& size, AEffGUIEditor* editor, CControlListener* listener)
    : CFreqGraph(size, editor, listener) {
  XR_TRY
  const long w = size.width();
  const long h = size.height();
  rectColorBar = CRect(20, h - 18, w - 20, h - 13);
  const size_t columns = static_cast<size_t>(std::max(w, 1L));
  for (auto& row : pRows) row.reset(new CColor[columns]());
  XR_CATCH_VOID
}

void CWaterfall::SetFreqRange(float min, float max, bool redraw) {
  XR_TRY
  CFreqGraph::SetFreqRange(min, max, redraw);
  if (redraw) bFullRedraw = true;
  XR_CATCH_VOID
}

void CWaterfall::SetColorBarOffset(float offset) {
  XR_TRY
  if (offset != fColorBarOffset) {
    bBackgroundDirty = true;
    setDirty(true);
    // The same list over a new range: the cache must be built again.
    colorCache.pList = nullptr;
  }
  fColorBarOffset = offset;
  XR_CATCH_VOID
}

CColor CWaterfall::ColourOfLevel(float level) {
  const ColorBoundary* list = ColorList();
  if (!list) return kBlackCColor;
  if (bRebuildColorCache) {
    colorCache.pList = nullptr;
    bRebuildColorCache = false;
  }
  colorCache.CheckCachedColorValues(list, fColorLower - fColorBarOffset,
                                    fColorUpper - fColorBarOffset);
  const float span = fColorUpper - fColorLower;
  if (!(span > 0.0f)) return colorCache.colours[0];
  const float index = (level - fColorLower) * ColorBoundaryCache::kNumColours / span;
  if (!(index > 0.0f)) return colorCache.colours[0];
  return colorCache.colours[std::min(static_cast<int>(index), ColorBoundaryCache::kNumColours - 1)];
}

// --- the row cache and the image --------------------------------------------------

void CWaterfall::ExtractBothChannels() {
  CFrequencyDataStore* left = m_pDataStore[0];
  CFrequencyDataStore* right = m_pDataStore[1];
  if (!left || !right) return;
  CFrequencyDataStoreReaders readers;
  readers.Enter(left);
  readers.Enter(right);
  ExtractGraphFromDataStore(0, true, false, false);
  ExtractGraphFromDataStore(1, true, false, false);
}

void CWaterfall::CacheTopLine() {
  XR_TRY
  if (m_bFreeze) return;
  if (nCachedRows >= kCachedRows) OperateWaterfall();
  CacheTopLineInner(nCachedRows);
  ++nCachedRows;
  XR_CATCH_VOID
}

void CWaterfall::OperateWaterfall() {
  XR_TRY
  CScopedLock hold(lockWaterfall);
  if (m_bFreeze) {
    bFullRedrawWhenLive = true;
    return;
  }
  if (!pOffscreen) return;
  ScrollOffscreenDown(pOffscreen, 0, getHeight() - kFixedBottomRows, nCachedRows);
  DrawCachedTopLines(pOffscreen);
  nCachedRows = 0;
  XR_CATCH_VOID
}

void CWaterfall::DrawCachedTopLines(CDrawContext* ctx) {
  if (!ctx) return;
  const int columns = std::min(m_nColumns, static_cast<int>(getWidth()));
  for (int i = 0; i < nCachedRows; ++i) {
    const long y = nCachedRows - i - 1;
    for (int x = 0; x < columns; ++x) ctx->drawPoint(CPoint(PixelOfColumn(x), y), pRows[i][x]);
  }
}

void CWaterfall::DoOwnerDrawInner(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  CScopedLock hold(lockWaterfall);
  m_nColumns = std::min(m_nColumns, static_cast<int>(std::max(rectDraw.width(), 0L)));
  if (!m_bFreeze && bFullRedrawWhenLive) {
    bFullRedraw = true;
    bFullRedrawWhenLive = false;
  }
  if (bBackgroundDirty || bFullRedraw) {
    DoDrawBackground(ctx);
    bBackgroundDirty = false;
    bFullRedraw = false;
    nCachedRows = 0;
  }
  if (m_bLive) CacheTopLine();
  OperateWaterfall();
  // The rows that never scroll are drawn afresh, so their text does not
  // thicken frame by frame.
  const long h = getHeight();
  ctx->fillRect(CRect(0, h - kFixedBottomRows - 1, getWidth() + 1, h), kBlackCColor);
  DrawLegend(ctx);
  DrawFreqValues(ctx, 255, 255, 255, CPoint(0, 0), false);
  XR_CATCH_VOID
}

void CWaterfall::DoDrawBackground(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  ClearBackground(ctx, 0, 0, 0);
  DrawFreqLines(ctx, false);
  DrawLegend(ctx);
  XR_CATCH_VOID
}

void CWaterfall::PostDraw(CDrawContext* screen) {
  XR_TRY
  if (!screen) return;
  DrawMouseInfo(screen, static_cast<int>(size.left + getWidth() - 150),
                static_cast<int>(size.top + 5), kReadOutColour.red, kReadOutColour.green,
                kReadOutColour.blue);
  XR_CATCH_VOID
}

void CWaterfall::FillInMouseInfoFor(CPoint&, float freq) {
  XR_TRY
  std::snprintf(m_szMouseInfo, sizeof m_szMouseInfo, "%s", GetMouseInfoFreqString(freq));
  XR_CATCH_VOID
}

bool CWaterfall::attached(CView* parent) {
  XR_TRY
  bFullRedraw = true;
  nCachedRows = 0;
  return COwnerDrawControl::attached(parent);
  XR_CATCH(false)
}

bool CWaterfall::removed(CView* parent) {
  XR_TRY
  return COwnerDrawControl::removed(parent);
  XR_CATCH(false)
}

// --- the colour bar ----------------------------------------------------------------

float CWaterfall::DbOfLevel(float level) {
  // Inverse of the colour law, then the graphs' level law.
  const float lnV = (std::fabs(level) - 1.0f) / 0.15f + std::log(255.0f);
  return g_fLogScaleMult * 0.5f * (lnV - g_fLogScaleShiftDown);
}

void CWaterfall::DrawColourBar(CDrawContext* ctx, bool stereo) {
  const ColorBoundary* list = ColorList();
  const CRect& bar = rectColorBar;
  if (!ctx || !list || bar.isEmpty()) return;
  const float span = fColorUpper - fColorLower;
  if (!(span > 0.0f)) return;
  DrawSmoothColourBarHoriz(ctx, bar, list, fColorLower - fColorBarOffset,
                           fColorUpper - fColorBarOffset);
  ctx->setFont(kFontVerySmall);
  ctx->setFontColor(kLegendText);
  // A label every 10 dB of the law, at the level's place along the bar.
  auto labelAt = [&](float level, float db) {
    const long x = bar.left + static_cast<long>((level - fColorLower) / span * bar.width());
    char text[16];
    std::snprintf(text, sizeof text, "%i", static_cast<int>(std::lround(db)));
    ctx->drawString(text, CRect(x - 15, bar.top - 12, x + 15, bar.top - 1), 0, kAlignCenter);
  };
  const float dbAtZero = DbOfLevel(0.0f);
  const float dbAtOne = DbOfLevel(1.0f);
  const float firstDb = std::ceil(dbAtZero / kLegendStepDb) * kLegendStepDb;
  for (int n = 0; n < kMaxLegendLabels; ++n) {
    const float db = firstDb + static_cast<float>(n) * kLegendStepDb;
    if (!(db <= dbAtOne)) break;
    const float level = (db / (g_fLogScaleMult * 0.5f) + g_fLogScaleShiftDown - std::log(255.0f)) *
                            0.15f + 1.0f;
    if (level >= fColorLower && level <= fColorUpper) labelAt(level, db);
    if (stereo && -level >= fColorLower && -level <= fColorUpper) labelAt(-level, db);
  }
  ctx->drawString("dB", CRect(bar.right + 2, bar.top - 5, bar.right + 20, bar.bottom + 5), 0,
                  kAlignLeft);
}

void CWaterfall::mouse(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  const long y = where.v - size.top;
  if (getMouseEnabled() && y >= rectColorBar.top) {
    RegisterMouseMoveAwayInterest();
    SetMousePointer(kPointerColourBar);
    captureMouseColorBar(ctx, where, buttons);
    return;
  }
  CFreqGraph::mouse(ctx, where, buttons);
  XR_CATCH_VOID
}

void CWaterfall::mouseMove(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  const long y = where.v - size.top;
  if (getMouseEnabled() && y >= rectColorBar.top) {
    RegisterMouseMoveAwayInterest();
    SetMousePointer(kPointerColourBar);
    return;
  }
  CFreqGraph::mouseMove(ctx, where, buttons);
  XR_CATCH_VOID
}

void CWaterfall::captureMouseColorBar(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  PressDrag(eDragOwn, ctx, where, buttons);
  XR_CATCH_VOID
}

void CWaterfall::ResetDrag(EMouseDrag drag) {
  if (drag != eDragOwn) {
    CFreqGraph::ResetDrag(drag);
    return;
  }
  SetColorBarOffset(0.0f);
  ReportToEditor(4, fColorBarOffset, 0.0f, 0.0f);
}

void CWaterfall::OwnDragMotion(const CPoint& where, long buttons) {
  if (where == m_DragLast) return;
  const float width = static_cast<float>(std::max(rectColorBar.width(), 1L));
  const float k = (buttons & kModifierShift) ? 0.1f : 1.0f;
  const float moved = static_cast<float>(where.h - m_DragLast.h) / width * k;
  const float limit = std::fabs(fColorUpper);
  SetColorBarOffset(std::clamp(fColorBarOffset + moved, -limit, limit));
  ReportToEditor(4, fColorBarOffset, 0.0f, 0.0f);
  m_DragLast = where;
}
