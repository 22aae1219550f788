// Images the toolkit's tests load: an on/off button (two states) and a
// four-step film strip. Ids 99900 to 99999 are kept for tests.
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

#include "tools/artwork/Artwork.h"

// On/off button, 24 x 16 per state: off dark grey, on green, each with a
// one-pixel transparent margin.
QVX_ARTWORK(99901, 24, 32) {
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  DrawStrip(cr, width, height, 2, [](cairo_t* c, int w, int h, int state) {
    if (state == 0)
      cairo_set_source_rgb(c, 64 / 255.0, 64 / 255.0, 64 / 255.0);
    else
      cairo_set_source_rgb(c, 0.0, 200 / 255.0, 0.0);
    cairo_rectangle(c, 1, 1, w - 2, h - 2);
    cairo_fill(c);
  });
}

// Film strip of four 20 x 20 steps: a white disc with a black pointer turned
// a quarter further at each step, on a transparent background.
QVX_ARTWORK(99902, 20, 80) {
  DrawStrip(cr, width, height, 4, [](cairo_t* c, int w, int h, int step) {
    const double cx = w / 2.0;
    const double cy = h / 2.0;
    cairo_set_source_rgb(c, 1.0, 1.0, 1.0);
    cairo_arc(c, cx, cy, w / 2.0 - 1.0, 0.0, 2.0 * kPi);
    cairo_fill(c);
    const double angle = -kPi / 2.0 + step * kPi / 2.0;
    cairo_set_source_rgb(c, 0.0, 0.0, 0.0);
    cairo_set_line_width(c, 2.0);
    cairo_move_to(c, cx, cy);
    cairo_line_to(c, cx + std::cos(angle) * (w / 2.0 - 3.0), cy + std::sin(angle) * (h / 2.0 - 3.0));
    cairo_stroke(c);
  });
}
