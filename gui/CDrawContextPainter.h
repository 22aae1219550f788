// Internal to the drawing context's sources: applying the context's stored
// attributes to Cairo inside a bracket.
#pragma once

#include <cairo.h>

#include "gui/CDrawContext.h"

class CDrawContextPainter {
 public:
  static void setColor(cairo_t* cr, const CColor& color) {
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0,
                          color.alpha / 255.0);
  }

  // Shapes are anti-aliased as the context's Cairo state says (see
  // CDrawContext::setDrawMode).
  static void applyAntialias(const CDrawContext& context, cairo_t* cr) {
    cairo_set_antialias(cr, context.bAntialiasApplied ? CAIRO_ANTIALIAS_DEFAULT
                                                      : CAIRO_ANTIALIAS_NONE);
  }

  static double strokeWidth(const CDrawContext& context) {
    return context.frameWidth > 0 ? static_cast<double>(context.frameWidth) : 1.0;
  }

  // Width, frame colour and, for the dashed style, dashes and gaps as long
  // as the line is wide.
  static void applyStroke(const CDrawContext& context, cairo_t* cr, bool allowDash) {
    const double width = strokeWidth(context);
    cairo_set_line_width(cr, width);
    if (allowDash && context.lineStyle == kLineStyleDash) {
      const double dashes[2] = {width, width};
      cairo_set_dash(cr, dashes, 2, 0.0);
    } else {
      cairo_set_dash(cr, nullptr, 0, 0.0);
    }
    setColor(cr, context.frameColor);
  }

  // A line of odd width along integer coordinates lies half on each side of
  // the pixel grid, so pixels whose centres fall on its edges decide where
  // it shows. The toolkit's drawing arithmetic expects a vertical line at x
  // on column x and a horizontal line at y on row y - 1: aliased strokes get
  // a tiny shift that settles those ties that way and nothing else;
  // anti-aliased strokes move half a pixel so that they stay crisp on the
  // same pixels.
  static void shiftForStroke(const CDrawContext& context, cairo_t* cr) {
    const long width = context.frameWidth > 0 ? context.frameWidth : 1;
    if (width % 2 == 0) return;
    const double shift = context.bAntialiasApplied ? 0.5 : 1.0 / 64.0;
    cairo_translate(cr, shift, -shift);
  }
};
