// The vectorscope's drawing: the Lissajous axes with the density or the
// path, or the polar half circle with its levels, peaks and balance bar.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "Helpers/OwnerDrawControlsVectorscope.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControlsVectorscopeDraw");

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr CColor kAxisColour = {90, 90, 90, 255};
constexpr CColor kLabelColour = {180, 180, 180, 255};
constexpr CColor kLineColour = {120, 220, 120, 255};
constexpr CColor kPolarFill = {40, 80, 120, 255};
constexpr CColor kPeakColour = {255, 255, 255, 255};
constexpr CColor kBalanceColour = {230, 180, 60, 255};
// Density shown at full colour.
constexpr float kDensityBrightness = 4.0f;
// Polar radius: the level of a full-scale block in one bin at the rim,
// 60 dB less at the centre.
const float kLevelFull = std::log(static_cast<float>(CVectorscope::kBlockSize) * std::sqrt(2.0f));
const float kLevelRange = std::log(1000.0f);

}  // namespace

void CVectorscope::DoOwnerDraw(const CRect& rect, CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  const unsigned int now = GetTickCount();
  if (m_handOver.TakeLatest()) {
    // The slot shown before has gone back to the writer: from here on only
    // the one just taken (or nothing) may be read.
    const Result& latest = m_handOver.ReadSlot();
    m_pShown = &m_blank;
    if (latest.generation == m_nClearGeneration.load(std::memory_order_acquire)) {
      m_pShown = &latest;
      // Peaks rise with the levels and hold; past the hold they fall back.
      for (int b = 0; b < kPolarBins; ++b) {
        if (latest.level[b] > fPeak[b]) {
          fPeak[b] = latest.level[b];
          nPeakHoldUntil[b] = now + static_cast<unsigned int>(nPeakHoldMs);
        }
      }
    }
  }
  for (int b = 0; b < kPolarBins; ++b) {
    if (MsReached(now, nPeakHoldUntil[b])) fPeak[b] = m_pShown->level[b];
  }

  ctx->setFillColor(kBlackCColor);
  ctx->fillRect(CRect(rect.left, rect.top - 1, rect.right + 1, rect.bottom), kBlackCColor);
  ctx->setDrawMode(kDrawAntialiased);
  ctx->setLineStyle(kLineStyleSolid);
  ctx->setLineWidth(1);
  ctx->setFont(kFontVerySmall);
  ctx->setFontColor(kLabelColour);
  if (GetViewType() == ePolar)
    DrawPolar(ctx, rect, now);
  else
    DrawLissajous(ctx, rect);
  XR_CATCH_VOID
}

void CVectorscope::DrawLissajous(CDrawContext* ctx, const CRect& rect) {
  const int cx = static_cast<int>((rect.left + rect.right) / 2);
  const int cy = static_cast<int>((rect.top + rect.bottom) / 2);
  const int reach = 2 * nHalf;
  ctx->setFrameColor(kAxisColour);
  ctx->moveTo(CPoint(cx - reach, cy - reach));
  ctx->lineTo(CPoint(cx + reach, cy + reach));
  ctx->moveTo(CPoint(cx + reach, cy - reach));
  ctx->lineTo(CPoint(cx - reach, cy + reach));
  // Labels just inside the ends of the axes.
  const long r = reach;
  ctx->drawString("+L", CRect(cx - r, cy - r, cx - r + 20, cy - r + 12), 0, kAlignLeft);
  ctx->drawString("+R", CRect(cx + r - 20, cy - r, cx + r, cy - r + 12), 0, kAlignRight);
  ctx->drawString("-R", CRect(cx - r, cy + r - 12, cx - r + 20, cy + r), 0, kAlignLeft);
  ctx->drawString("-L", CRect(cx + r - 20, cy + r - 12, cx + r, cy + r), 0, kAlignRight);
  if (bLineDrawing.load(std::memory_order_relaxed))
    DrawLissajousLines(ctx, cx, cy, kDensityBrightness);
  else
    DrawLissajousAccumulations(ctx, cx, cy, kDensityBrightness);
}

// Cell (row from left, column from right) turned by 45 degrees onto the
// screen: two pixels side by side, so the turned grid leaves no gaps.
void CVectorscope::DrawCell(CDrawContext* ctx, int cx, int cy, int cell, CColor colour) {
  const int row = cell / nSide;
  const int column = cell % nSide;
  const int x = cx + (column - row);
  const int y = cy + (2 * nHalf - row - column);
  ctx->drawPoint(CPoint(x, y), colour);
  ctx->drawPoint(CPoint(x + 1, y), colour);
}

void CVectorscope::DrawLissajousAccumulations(CDrawContext* ctx, int cx, int cy,
                                              float brightness) {
  XR_TRY
  if (!ctx || !(brightness > 0.0f)) return;
  // The density scale over 0..1 of the brightness: black, blue, green,
  // yellow, red.
  m_densityColours.CheckCachedColorValues(boundaryArrayPickerComposite7, 0.0f, 1.0f);
  const Result& shown = *m_pShown;
  const int cells = nSide * nSide;
  for (int i = 0; i < cells; ++i) {
    const float level = shown.density[i] / brightness;
    if (!(level > 0.001f)) continue;
    const int index = std::min(ColorBoundaryCache::kNumColours - 1,
                               static_cast<int>(level * ColorBoundaryCache::kNumColours));
    DrawCell(ctx, cx, cy, i, m_densityColours.colours[index]);
  }
  XR_CATCH_VOID
}

void CVectorscope::DrawLissajousLines(CDrawContext* ctx, int cx, int cy, float) {
  XR_TRY
  if (!ctx) return;
  const Result& shown = *m_pShown;
  ctx->setFrameColor(kLineColour);
  for (int i = 0; i < shown.nLineCells; ++i) {
    const int cell = shown.lineCells[i];
    const int row = cell / nSide;
    const int column = cell % nSide;
    const CPoint p(cx + (column - row), cy + (2 * nHalf - row - column));
    if (i == 0)
      ctx->moveTo(p);
    else
      ctx->lineTo(p);
  }
  XR_CATCH_VOID
}

void CVectorscope::DrawPolar(CDrawContext* ctx, const CRect& rect, unsigned int) {
  // Half circle standing on the balance bar along the bottom.
  const int barHeight = 16;
  const int cx = static_cast<int>((rect.left + rect.right) / 2);
  const int cy = static_cast<int>(rect.bottom) - barHeight - 4;
  const int radius = std::max(4, std::min(static_cast<int>(rect.width()) / 2 - 12,
                                          cy - static_cast<int>(rect.top) - 12));
  ctx->setFrameColor(kAxisColour);
  for (int k = 1; k <= 3; ++k) {
    const int r = radius * k / 3;
    ctx->drawArc(CRect(cx - r, cy - r, cx + r, cy + r), 0.0f, 180.0f);
  }
  ctx->moveTo(CPoint(cx - radius, cy));
  ctx->lineTo(CPoint(cx + radius, cy));
  ctx->moveTo(CPoint(cx, cy));
  ctx->lineTo(CPoint(cx, cy - radius));
  ctx->drawString("L", CRect(cx - radius - 10, cy - 12, cx - radius, cy), 0, kAlignCenter);
  ctx->drawString("R", CRect(cx + radius, cy - 12, cx + radius + 10, cy), 0, kAlignCenter);

  // Bin b points at its centre angle, 0 straight up, positive to the right.
  auto pointAt = [&](int b, float level) {
    const float angle = (static_cast<float>(b) + 0.5f) * kPi / kPolarBins - kPi * 0.5f;
    const float t = std::clamp(1.0f + (level - kLevelFull) / kLevelRange, 0.0f, 1.0f);
    const float r = t * static_cast<float>(radius);
    return CPoint(cx + static_cast<long>(std::lround(r * std::sin(angle))),
                  cy - static_cast<long>(std::lround(r * std::cos(angle))));
  };
  CPoint polygon[kPolarBins + 2];
  for (int b = 0; b < kPolarBins; ++b) polygon[b] = pointAt(b, m_pShown->level[b]);
  polygon[kPolarBins] = CPoint(cx, cy);
  polygon[kPolarBins + 1] = polygon[0];
  ctx->setFillColor(kPolarFill);
  ctx->fillPolygon(polygon, kPolarBins + 1);
  ctx->setFrameColor(kPolarFill * 2.0f);
  ctx->drawPolygon(polygon, kPolarBins + 2);
  for (int b = 0; b < kPolarBins; ++b) {
    const CPoint p = pointAt(b, fPeak[b]);
    ctx->fillRect(CRect(p.h - 1, p.v - 2, p.h + 2, p.v + 1), kPeakColour);
  }

  // Balance: a bar from the centre toward the louder side, the slow
  // balance as a tick, and the balance as text.
  const int barTop = static_cast<int>(rect.bottom) - barHeight;
  const int half = radius;
  const float balance = std::clamp(m_pShown->balance, -1.0f, 1.0f);
  const float slow = std::clamp(m_pShown->slowBalance, -1.0f, 1.0f);
  const int end = cx + static_cast<int>(balance * static_cast<float>(half));
  ctx->fillRect(CRect(std::min(cx, end), barTop + 1, std::max(cx, end) + 1, barTop + 6),
                kBalanceColour);
  const int tick = cx + static_cast<int>(slow * static_cast<float>(half));
  ctx->fillRect(CRect(tick, barTop - 1, tick + 2, barTop + 8), kPeakColour);
  char text[32];
  std::snprintf(text, sizeof text, "%s%%", LRPanString((balance + 1.0f) * 0.5f));
  ctx->drawString(text, CRect(cx - 30, barTop + 6, cx + 30, barTop + barHeight), 0,
                  kAlignCenter);
}
