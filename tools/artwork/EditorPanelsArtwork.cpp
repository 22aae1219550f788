// The editor's panels: the front background (161) with the graph and meter
// wells and the control labels, the back background (114) and the product
// badge (111).
#include "tools/artwork/Artwork.h"
#include "tools/artwork/EditorArtworkKit.h"

using namespace artwork;

namespace {

void PanelBase(cairo_t* cr, int width, int height) {
  cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, 0, height);
  cairo_pattern_add_color_stop_rgb(shade, 0.0, 0.21, 0.22, 0.25);
  cairo_pattern_add_color_stop_rgb(shade, 1.0, kPanel.r, kPanel.g, kPanel.b);
  cairo_set_source(cr, shade);
  cairo_paint(cr);
  cairo_pattern_destroy(shade);
  cairo_set_line_width(cr, 1.0);
  SetRgb(cr, kPanelEdge);
  cairo_rectangle(cr, 0.5, 0.5, width - 1.0, height - 1.0);
  cairo_stroke(cr);
}

// A black well for a display, (l, t) to (r, b) exclusive, with a bevel.
void Well(cairo_t* cr, double l, double t, double r, double b) {
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  cairo_rectangle(cr, l, t, r - l, b - t);
  cairo_fill(cr);
  cairo_set_line_width(cr, 1.0);
  SetRgb(cr, kPanelEdge);
  cairo_rectangle(cr, l - 0.5, t - 0.5, r - l + 1.0, b - t + 1.0);
  cairo_stroke(cr);
}

}  // namespace

// Front, 600 x 360: the curve graph (32, 35)-(504, 263) and the meter
// (504, 35)-(547, 263) sit in wells; labels name the controls the product
// places below and along the top.
QVX_ARTWORK(161, 600, 360) {
  PanelBase(cr, width, height);
  Well(cr, 32, 35, 504, 263);
  Well(cr, 504, 35, 547, 263);
  Label(cr, "QVX2", 420, 13, 12, kLabel, true);
  Label(cr, "settings >", 478, 13, 8, kLabel, false);
  Label(cr, "BAND LAYOUT", 343, 29, 7, kLabel, false);
  Label(cr, "ANALYSER", 84, 270, 7, kLabel, false);
  Label(cr, "HPF", 271, 272, 7, kLabel, false);
  Label(cr, "LPF", 329, 272, 7, kLabel, false);
  Label(cr, "DEPTH", 395, 272, 7, kLabel, false);
  Label(cr, "CONTOUR", 395, 307, 7, kLabel, false);
  Label(cr, "TRIM L", 458, 272, 7, kLabel, false);
  Label(cr, "TRIM R", 538, 272, 7, kLabel, false);
  Label(cr, "LINK", 495, 339, 7, kLabel, false);
  // Under its group, as the trims' LINK: the Link button stands too close
  // below the graph's well for a caption between them.
  Label(cr, "CHANNELS", 193, 344, 7, kLabel, false);
  // Fields behind the numeric drags.
  const double fields[][4] = {{253, 279, 290, 291}, {311, 279, 348, 291}, {377, 279, 414, 291},
                              {377, 314, 414, 326}, {440, 279, 477, 291}, {520, 279, 557, 291}};
  for (const auto& f : fields) {
    cairo_set_source_rgb(cr, 0.06, 0.06, 0.07);
    cairo_rectangle(cr, f[0] - 1, f[1] - 1, f[2] - f[0] + 2, f[3] - f[1] + 2);
    cairo_fill(cr);
  }
}

// Back, 600 x 360: the about page and the quality block are texts drawn by
// the editor on this plain panel.
QVX_ARTWORK(114, 600, 360) {
  PanelBase(cr, width, height);
  cairo_set_line_width(cr, 1.0);
  SetRgb(cr, kPanelEdge);
  cairo_move_to(cr, 40, 100.5);
  cairo_line_to(cr, width - 40, 100.5);
  cairo_stroke(cr);
}

// Product badge, 120 x 40.
QVX_ARTWORK(111, 120, 40) {
  RoundedRect(cr, 0.5, 0.5, width - 1.0, height - 1.0, 6.0);
  SetRgb(cr, kPanel);
  cairo_fill_preserve(cr);
  SetRgb(cr, kButtonOn);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  Label(cr, "QVX2", width / 2.0, height / 2.0, 18, kTextOn, true);
}
