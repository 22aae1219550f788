// Drawing helpers shared by the editor's artwork: the panel colours, labels
// and the faces of two-state buttons.
#pragma once

#include <cairo.h>

namespace artwork {

struct Rgb {
  double r, g, b;
};

constexpr Rgb kPanel = {0.16, 0.17, 0.19};
constexpr Rgb kPanelEdge = {0.30, 0.32, 0.35};
constexpr Rgb kLabel = {0.75, 0.77, 0.80};
constexpr Rgb kButtonOff = {0.24, 0.25, 0.28};
constexpr Rgb kButtonOn = {0.15, 0.55, 0.85};
constexpr Rgb kWarnOn = {0.85, 0.25, 0.20};
constexpr Rgb kTextOff = {0.70, 0.72, 0.75};
constexpr Rgb kTextOn = {1.0, 1.0, 1.0};

inline void SetRgb(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

// Text centred on (cx, cy), or starting at cx when not centred.
inline void Label(cairo_t* cr, const char* text, double cx, double cy, double size, Rgb colour, bool bold = true,
                  bool centred = true) {
  cairo_select_font_face(cr, "Helvetica", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t e;
  cairo_text_extents(cr, text, &e);
  const double x = centred ? cx - e.width / 2.0 - e.x_bearing : cx;
  const double y = cy - e.height / 2.0 - e.y_bearing;
  SetRgb(cr, colour);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text);
}

inline void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -1.5707963267948966, 0.0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0.0, 1.5707963267948966);
  cairo_arc(cr, x + r, y + h - r, r, 1.5707963267948966, 3.141592653589793);
  cairo_arc(cr, x + r, y + r, r, 3.141592653589793, 4.71238898038469);
  cairo_close_path(cr);
}

// One state of a button of w x h: a rounded face with its label.
inline void ButtonFace(cairo_t* cr, int w, int h, const char* label, Rgb face, Rgb text) {
  RoundedRect(cr, 1.0, 1.0, w - 2.0, h - 2.0, 3.0);
  SetRgb(cr, face);
  cairo_fill_preserve(cr);
  SetRgb(cr, kPanelEdge);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  const double size = h >= 20 ? 9.0 : 8.0;
  Label(cr, label, w / 2.0, h / 2.0, size, text);
}

// A two-state strip: the off state above, the on state below.
inline void OnOffStrip(cairo_t* cr, int width, int height, const char* offLabel, const char* onLabel,
                       Rgb onFace = kButtonOn) {
  const int h = height / 2;
  cairo_save(cr);
  ButtonFace(cr, width, h, offLabel, kButtonOff, kTextOff);
  cairo_translate(cr, 0, h);
  ButtonFace(cr, width, h, onLabel, onFace, kTextOn);
  cairo_restore(cr);
}

// A kick button: released above, pressed below.
inline void KickStrip(cairo_t* cr, int width, int height, const char* label, bool enabled = true) {
  const int h = height / 2;
  const Rgb text = enabled ? kTextOn : Rgb{0.40, 0.41, 0.43};
  cairo_save(cr);
  ButtonFace(cr, width, h, label, kButtonOff, text);
  cairo_translate(cr, 0, h);
  ButtonFace(cr, width, h, label, enabled ? kButtonOn : kButtonOff, text);
  cairo_restore(cr);
}

}  // namespace artwork
