// Pen lines, polygons, rectangles, ellipses and arcs. Each primitive adds
// the context's offset to its coordinates and draws inside one bracket.
#include <cmath>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/CDrawContextPainter.h"

XR_REGISTER_SOURCE_FILE("gui/CDrawContextShapes");

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr long kFullCircle64 = 360 * 64;

// Angle of `point` seen from `centre`, counter-clockwise from the positive x
// axis with y growing upward on screen, in 1/64 degree (0 to 23039).
long convertPoint2Angle(const CPoint& centre, const CPoint& point) {
  const double dx = static_cast<double>(point.h - centre.h);
  const double dy = static_cast<double>(centre.v - point.v);
  if (dx == 0.0 && dy == 0.0) return 0;
  double degrees = std::atan2(dy, dx) * 180.0 / kPi;
  if (degrees < 0.0) degrees += 360.0;
  long angle = static_cast<long>(degrees * 64.0);
  if (angle >= kFullCircle64) angle -= kFullCircle64;
  return angle;
}

// Oval around (cx, cy) with radii rx, ry from startDeg to endDeg, angles
// decreasing (on a y-down screen: counter-clockwise), as a new sub-path.
void addOvalToPath(cairo_t* cr, double cx, double cy, double rx, double ry, double startDeg,
                   double endDeg) {
  if (rx <= 0.0 || ry <= 0.0) return;
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, 0.0, 0.0, 1.0, startDeg * kPi / 180.0, endDeg * kPi / 180.0);
  cairo_restore(cr);
}

CRect WithOffset(const CRect& rect, const CPoint& offset) {
  CRect r(rect);
  r.offset(offset.h, offset.v);
  return r;
}

}  // namespace

// Fills with the fill colour and/or strokes with the frame attributes the
// path that `buildPath` adds; strokes are shifted onto the pixel grid.
template <typename BuildPath>
static void PaintPath(const CDrawContext& context, cairo_t* cr, CDrawStyle style, bool dashed,
                      BuildPath buildPath) {
  if (style == kStyleFilled || style == kStyleFilledAndStroked) {
    cairo_new_path(cr);
    buildPath(cr);
    CDrawContextPainter::setColor(cr, context.getFillColor());
    cairo_fill(cr);
  }
  if (style == kStyleStroked || style == kStyleFilledAndStroked) {
    cairo_save(cr);
    CDrawContextPainter::shiftForStroke(context, cr);
    cairo_new_path(cr);
    buildPath(cr);
    CDrawContextPainter::applyStroke(context, cr, dashed);
    cairo_stroke(cr);
    cairo_restore(cr);
  }
}

void CDrawContext::moveTo(const CPoint& point) {
  penLoc = CPoint(point.h + offset.h, point.v + offset.v);
}

void CDrawContext::lineTo(const CPoint& point) {
  const CPoint to(point.h + offset.h, point.v + offset.v);
  cairo_t* cr = beginCairo();
  if (cr) {
    const CPoint from = penLoc;
    PaintPath(*this, cr, kStyleStroked, true, [&](cairo_t* c) {
      cairo_move_to(c, from.h, from.v);
      cairo_line_to(c, to.h, to.v);
    });
    releaseCairo(cr);
  }
  penLoc = to;
}

void CDrawContext::drawLines(const CPoint* points, const long& nbLines) {
  if (!points || nbLines <= 0) return;
  cairo_t* cr = beginCairo();
  if (!cr) return;
  PaintPath(*this, cr, kStyleStroked, true, [&](cairo_t* c) {
    for (long i = 0; i < nbLines; ++i) {
      cairo_move_to(c, points[2 * i].h + offset.h, points[2 * i].v + offset.v);
      cairo_line_to(c, points[2 * i + 1].h + offset.h, points[2 * i + 1].v + offset.v);
    }
  });
  releaseCairo(cr);
}

void CDrawContext::drawPolygon(const CPoint* points, long nbPoints, const CDrawStyle drawStyle) {
  if (!points || nbPoints <= 0) return;
  cairo_t* cr = beginCairo();
  if (!cr) return;
  PaintPath(*this, cr, drawStyle, true, [&](cairo_t* c) {
    cairo_move_to(c, points[0].h + offset.h - 1, points[0].v + offset.v);
    for (long i = 1; i < nbPoints; ++i)
      cairo_line_to(c, points[i].h + offset.h - 1, points[i].v + offset.v);
  });
  releaseCairo(cr);
}

void CDrawContext::polyLine(const CPoint* points, long nbPoints) {
  drawPolygon(points, nbPoints, kStyleStroked);
}

void CDrawContext::fillPolygon(const CPoint* points, long nbPoints) {
  drawPolygon(points, nbPoints, kStyleFilled);
}

void CDrawContext::drawRect(const CRect& rect, const CDrawStyle drawStyle) {
  cairo_t* cr = beginCairo();
  if (!cr) return;
  const double l = rect.left + offset.h;
  const double t = rect.top + offset.v + 1;
  const double r = rect.right + offset.h - 1;
  const double b = rect.bottom + offset.v;
  PaintPath(*this, cr, drawStyle, true, [&](cairo_t* c) {
    cairo_move_to(c, l, t);
    cairo_line_to(c, r, t);
    cairo_line_to(c, r, b);
    cairo_line_to(c, l, b);
    cairo_close_path(c);
  });
  releaseCairo(cr);
}

void CDrawContext::drawEllipse(const CRect& rect, const CDrawStyle drawStyle) {
  cairo_t* cr = beginCairo();
  if (!cr) return;
  const CRect r = WithOffset(rect, offset);
  const double w = static_cast<double>(r.width());
  const double h = static_cast<double>(r.height());
  PaintPath(*this, cr, drawStyle, false, [&](cairo_t* c) {
    if (r.width() == r.height()) {
      if (w > 0.0) cairo_arc(c, r.left + w / 2.0, r.top + w / 2.0, w / 2.0, 0.0, 2.0 * kPi);
    } else {
      addOvalToPath(c, (r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0, w / 2.0, h / 2.0, 0.0,
                    -360.0);
    }
    cairo_close_path(c);
  });
  releaseCairo(cr);
}

void CDrawContext::fillEllipse(const CRect& rect) {
  cairo_t* cr = beginCairo();
  if (!cr) return;
  const CRect r = WithOffset(rect, offset);
  PaintPath(*this, cr, kStyleFilled, false, [&](cairo_t* c) {
    addOvalToPath(c, (r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0, r.width() / 2.0,
                  r.height() / 2.0, 0.0, -360.0);
    cairo_close_path(c);
  });
  releaseCairo(cr);
}

void CDrawContext::drawArc(const CRect& rect, const CPoint& point1, const CPoint& point2) {
  const CRect r = WithOffset(rect, offset);
  const CPoint p1(point1.h + offset.h, point1.v + offset.v);
  const CPoint p2(point2.h + offset.h, point2.v + offset.v);
  long start = 0;
  long sweep = 360;
  if (p1 != p2) {
    const CPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    const long a1 = convertPoint2Angle(centre, p1);
    const long a2 = convertPoint2Angle(centre, p2);
    start = a1 / 64;
    sweep = a2 - a1 >= 0 ? (a2 - a1) / 64 : (a2 - a1 + kFullCircle64) / 64;
  }
  cairo_t* cr = beginCairo();
  if (!cr) return;
  PaintPath(*this, cr, kStyleStroked, true, [&](cairo_t* c) {
    addOvalToPath(c, r.left + r.width() / 2, r.top + r.height() / 2, r.width() / 2,
                  r.height() / 2, -start, -start - sweep);
  });
  releaseCairo(cr);
}

void CDrawContext::drawArc(const CRect& rect, const float startAngle1, const float endAngle2,
                           const CDrawStyle drawStyle) {
  const CRect r = WithOffset(rect, offset);
  cairo_t* cr = beginCairo();
  if (!cr) return;
  PaintPath(*this, cr, drawStyle, true, [&](cairo_t* c) {
    addOvalToPath(c, r.left + r.width() / 2, r.top + r.height() / 2, r.width() / 2,
                  r.height() / 2, -startAngle1, -endAngle2);
  });
  releaseCairo(cr);
}

void CDrawContext::fillArc(const CRect& rect, const CPoint& point1, const CPoint& point2) {
  const CRect r = WithOffset(rect, offset);
  const CPoint p1(point1.h + offset.h, point1.v + offset.v);
  const CPoint p2(point2.h + offset.h, point2.v + offset.v);
  long a1 = 0;
  long a2 = 360;
  if (p1 != p2) {
    const CPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    a1 = convertPoint2Angle(centre, p1) / 64;
    a2 = convertPoint2Angle(centre, p2) / 64;
  }
  cairo_t* cr = beginCairo();
  if (!cr) return;
  PaintPath(*this, cr, kStyleFilled, false, [&](cairo_t* c) {
    addOvalToPath(c, r.left + r.width() / 2, r.top + r.height() / 2, r.width() / 2,
                  r.height() / 2, -a1, -a2);
    cairo_close_path(c);
  });
  releaseCairo(cr);
}

void CDrawContext::fillRectThroughCairo(const CRect& rect) {
  // The last column and row stay unfilled.
  const long w = rect.width() - 1;
  const long h = rect.height() - 1;
  if (w <= 0 || h <= 0) return;
  cairo_t* cr = beginCairo();
  if (!cr) return;
  cairo_new_path(cr);
  cairo_rectangle(cr, rect.left, rect.top, w, h);
  CDrawContextPainter::setColor(cr, fillColor);
  cairo_fill(cr);
  releaseCairo(cr);
}
