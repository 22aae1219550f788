// The editor's buttons and knobs. On/off buttons stack off above on, kick
// buttons released above pressed; the trim knobs are strips of 127 steps.
#include <cmath>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/EditorArtworkKit.h"

using namespace artwork;

// --- top row -----------------------------------------------------------------------
QVX_ARTWORK(139, 44, 32) { OnOffStrip(cr, width, height, "BYPASS", "BYPASS", kWarnOn); }
QVX_ARTWORK(150, 28, 32) { KickStrip(cr, width, height, "UNDO", true); }
QVX_ARTWORK(158, 28, 32) { KickStrip(cr, width, height, "UNDO", false); }
QVX_ARTWORK(148, 28, 32) { KickStrip(cr, width, height, "REDO", true); }
QVX_ARTWORK(157, 28, 32) { KickStrip(cr, width, height, "REDO", false); }
QVX_ARTWORK(133, 48, 32) { OnOffStrip(cr, width, height, "A", "B"); }
QVX_ARTWORK(155, 48, 32) { KickStrip(cr, width, height, "A > B"); }
QVX_ARTWORK(154, 48, 32) { KickStrip(cr, width, height, "B > A"); }
QVX_ARTWORK(149, 48, 32) { KickStrip(cr, width, height, "RESET"); }

// --- analyser and colour buttons ---------------------------------------------------
QVX_ARTWORK(136, 52, 48) { OnOffStrip(cr, width, height, "FFT IN", "FFT OUT"); }
QVX_ARTWORK(140, 52, 48) { OnOffStrip(cr, width, height, "COLOUR", "COLOUR"); }
QVX_ARTWORK(135, 52, 48) { OnOffStrip(cr, width, height, "BANDS", "BANDS"); }
QVX_ARTWORK(137, 52, 48) { OnOffStrip(cr, width, height, "FFT", "FFT"); }

// --- channels and linking (left/right and mid/side forms) --------------------------
QVX_ARTWORK(143, 36, 40) { OnOffStrip(cr, width, height, "LINK", "LINK"); }
QVX_ARTWORK(162, 36, 40) { OnOffStrip(cr, width, height, "LINK", "LINK"); }
QVX_ARTWORK(142, 26, 40) { OnOffStrip(cr, width, height, "L", "L"); }
QVX_ARTWORK(163, 26, 40) { OnOffStrip(cr, width, height, "M", "M"); }
QVX_ARTWORK(147, 26, 40) { OnOffStrip(cr, width, height, "R", "R"); }
QVX_ARTWORK(160, 26, 40) { OnOffStrip(cr, width, height, "S", "S"); }
QVX_ARTWORK(144, 36, 40) { OnOffStrip(cr, width, height, "REL", "REL"); }
QVX_ARTWORK(164, 36, 40) { OnOffStrip(cr, width, height, "M/S", "M/S"); }

// --- filters and trims ---------------------------------------------------------------
QVX_ARTWORK(141, 40, 40) { OnOffStrip(cr, width, height, "HPF", "HPF"); }
QVX_ARTWORK(146, 40, 40) { OnOffStrip(cr, width, height, "LPF", "LPF"); }
QVX_ARTWORK(145, 22, 40) { OnOffStrip(cr, width, height, "=", "="); }

// --- the back panel's quality link, and two spare buttons --------------------------
QVX_ARTWORK(156, 30, 36) { OnOffStrip(cr, width, height, "LINK", "LINK"); }
QVX_ARTWORK(138, 40, 40) { OnOffStrip(cr, width, height, "OFF", "ON"); }
QVX_ARTWORK(151, 40, 40) { KickStrip(cr, width, height, "GO"); }

namespace {
constexpr int kKnobSteps = 127;
constexpr double kPi = 3.14159265358979323846;

// One knob step: a dial with a pointer from -135 to +135 degrees.
void KnobStep(cairo_t* c, int w, int h, int step) {
  const double cx = w / 2.0;
  const double cy = h / 2.0;
  const double radius = w / 2.0 - 4.0;
  const double angle = (-135.0 + 270.0 * step / (kKnobSteps - 1)) * kPi / 180.0 - kPi / 2.0;
  cairo_set_line_width(c, 2.0);
  SetRgb(c, kPanelEdge);
  cairo_arc(c, cx, cy, radius + 2.0, 0.75 * kPi, 2.25 * kPi);
  cairo_stroke(c);
  SetRgb(c, kButtonOn);
  cairo_arc(c, cx, cy, radius + 2.0, 0.75 * kPi, angle);
  cairo_stroke(c);
  cairo_pattern_t* face = cairo_pattern_create_radial(cx - 4, cy - 4, 2, cx, cy, radius);
  cairo_pattern_add_color_stop_rgb(face, 0.0, 0.42, 0.44, 0.48);
  cairo_pattern_add_color_stop_rgb(face, 1.0, 0.18, 0.19, 0.21);
  cairo_set_source(c, face);
  cairo_arc(c, cx, cy, radius - 1.0, 0.0, 2.0 * kPi);
  cairo_fill(c);
  cairo_pattern_destroy(face);
  SetRgb(c, kTextOn);
  cairo_move_to(c, cx + std::cos(angle) * 4.0, cy + std::sin(angle) * 4.0);
  cairo_line_to(c, cx + std::cos(angle) * (radius - 3.0), cy + std::sin(angle) * (radius - 3.0));
  cairo_stroke(c);
}
}  // namespace

QVX_ARTWORK(152, 48, 48 * 127) { DrawStrip(cr, width, height, kKnobSteps, KnobStep); }
QVX_ARTWORK(153, 48, 48 * 127) { DrawStrip(cr, width, height, kKnobSteps, KnobStep); }
