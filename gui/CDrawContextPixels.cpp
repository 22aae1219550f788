// Direct pixel writes into an off-screen context's image memory, and their
// Cairo fall-backs on other contexts. The graphs and meters redraw whole
// traces many times a second; these paths cost no Cairo calls, write rows
// with a fixed stride, allocate nothing and clip only to the image bounds.
#include <algorithm>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CDrawContextPixels");

namespace {

// Cairo's image memory holds premultiplied alpha, so a half-transparent
// colour is stored scaled; opaque colours are stored as they are.
uint32_t PremultipliedWord(const CColor& c) {
  const uint32_t a = c.alpha;
  auto scale = [a](uint32_t v) { return a == 255 ? v : (v * a + 127) / 255; };
  return (a << 24) | (scale(c.red) << 16) | (scale(c.green) << 8) | scale(c.blue);
}

}  // namespace

void CDrawContext::fillRect(const CRect& rect) {
  XR_TRY
  CRect r(rect);
  r.offset(offset.h, offset.v);
  if (!pCairo) return;
  if (pixelMemory.pixels && g_bCanDoPntFillRectQuartzOptimisations) {
    // Columns x0..x1-2 and rows y0..y1-2, as the Cairo path fills them.
    const long x0 = std::max(r.left, 0L);
    const long x1 = std::min(r.right, pixelMemory.width) - 1;
    const long y0 = std::max(r.top, 0L);
    const long y1 = std::min(r.bottom, pixelMemory.height) - 1;
    if (x0 >= x1 || y0 >= y1) return;
    const uint32_t word = PremultipliedWord(fillColor);
    beginDirectWrite();
    for (long y = y0; y < y1; ++y)
      std::fill(pixelMemory.pixels + y * pixelMemory.strideWords + x0,
                pixelMemory.pixels + y * pixelMemory.strideWords + x1, word);
    endDirectWrite();
    return;
  }
  fillRectThroughCairo(r);
  XR_CATCH_VOID
}

void CDrawContext::fillRect(const CRect& rect, CColor color) {
  XR_TRY
  if (!pCairo) return;
  if (!pixelMemory.pixels) {
    setFillColor(color);
    fillRect(rect);
    return;
  }
  // Without the offset: columns x0..x1-2, rows y0+1..y1-1.
  const long x0 = std::max(rect.left, 0L);
  const long x1 = std::min(rect.right, pixelMemory.width) - 1;
  const long y0 = std::max(rect.top, 0L) + 1;
  const long y1 = std::min(rect.bottom, pixelMemory.height);
  if (x0 >= x1 || y0 >= y1) return;
  const uint32_t word = PremultipliedWord(color);
  beginDirectWrite();
  for (long y = y0; y < y1; ++y)
    std::fill(pixelMemory.pixels + y * pixelMemory.strideWords + x0,
              pixelMemory.pixels + y * pixelMemory.strideWords + x1, word);
  endDirectWrite();
  XR_CATCH_VOID
}

void CDrawContext::drawPoint(const CPoint& point, CColor color) {
  XR_TRY
  if (pixelMemory.pixels) {
    if (point.h < 0 || point.h >= pixelMemory.width || point.v < 0 ||
        point.v >= pixelMemory.height)
      return;
    beginDirectWrite();
    pixelMemory.pixels[point.v * pixelMemory.strideWords + point.h] = PremultipliedWord(color);
    endDirectWrite();
    return;
  }
  if (!pCairo) return;
  const long oldWidth = frameWidth;
  const CColor oldColor = frameColor;
  setLineWidth(1);
  setFrameColor(color);
  moveTo(point);
  lineTo(CPoint(point.h + 1, point.v));
  setFrameColor(oldColor);
  setLineWidth(oldWidth);
  XR_CATCH_VOID
}

namespace {

// The columns and rows a graph trace covers: columns from x - 1 up to (not
// including) end, rows clamped to 0..lowest. Columns left of 0 consume
// their point without drawing or moving the previous row.
struct TraceGeometry {
  long firstColumn;
  long endColumn;
  long lowestRow;
};

TraceGeometry GraphTrace(const CPoint* points, int count, long width, long height) {
  const long x = points[0].h;
  const long lastByCount = x + count - 2;
  return {x - 1, lastByCount < width ? lastByCount : width - 1, height - 2};
}

long ClampRow(long y, long lowest) { return std::min(std::max(y, 0L), lowest); }

}  // namespace

void CDrawContext::drawGraphPolyLine(CPoint* points, CColor color, int count) {
  XR_TRY
  if (!pCairo || !points || count < 1) return;
  if (!pixelMemory.pixels) {
    setFrameColor(color);
    drawPolygon(points, count, kStyleStroked);
    return;
  }
  const TraceGeometry g = GraphTrace(points, count, pixelMemory.width, pixelMemory.height);
  if (g.lowestRow < 0) return;
  const uint32_t word = PremultipliedWord(color);
  uint32_t* const base = pixelMemory.pixels;
  const long stride = pixelMemory.strideWords;
  long previous = ClampRow(points[0].v, g.lowestRow);
  beginDirectWrite();
  int i = 0;
  for (long c = g.firstColumn; c < g.endColumn; ++c, ++i) {
    const long q = ClampRow(points[i].v, g.lowestRow);
    if (c < 0) continue;
    // The run ends one row short of q: q is drawn as the start of the next
    // column's run.
    if (q == previous) {
      base[previous * stride + c] = word;
    } else if (q < previous) {
      for (long y = previous; y > q; --y) base[y * stride + c] = word;
    } else {
      for (long y = previous; y < q; ++y) base[y * stride + c] = word;
    }
    previous = q;
  }
  endDirectWrite();
  XR_CATCH_VOID
}

void CDrawContext::drawGraphPolyPoint(CPoint* points, CColor color, int count) {
  XR_TRY
  if (!points || count < 1) return;
  if (!pixelMemory.pixels) {
    for (int i = 0; i < count - 1; ++i) drawPoint(points[i], color);
    return;
  }
  const TraceGeometry g = GraphTrace(points, count, pixelMemory.width, pixelMemory.height);
  if (g.lowestRow < 0) return;
  const uint32_t word = PremultipliedWord(color);
  long previous = ClampRow(points[0].v, g.lowestRow);
  beginDirectWrite();
  int i = 0;
  for (long c = g.firstColumn; c < g.endColumn; ++c, ++i) {
    const long q = ClampRow(points[i].v, g.lowestRow);
    if (c < 0) continue;
    pixelMemory.pixels[previous * pixelMemory.strideWords + c] = word;
    previous = q;
  }
  endDirectWrite();
  XR_CATCH_VOID
}
