// Text in the toolkit's fonts: the metric-compatible faces of FontFaces.h.
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/CDrawContextPainter.h"
#include "gui/FontFaces.h"

XR_REGISTER_SOURCE_FILE("gui/CDrawContextText");

namespace {

void SelectFont(cairo_t* cr, CFont id, long size, long style, bool antialias) {
  const int index = (id >= 0 && id < kNumFonts) ? id : kFontSystem;
  cairo_set_font_face(cr, ToolkitFontFace(static_cast<CFont>(index), style));
  cairo_set_font_size(cr, static_cast<double>(size > 0 ? size : gStandardFontSize[index]));
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options,
                                   antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

long TextWidth(cairo_t* cr, const char* text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text, &extents);
  return static_cast<long>(extents.x_advance);
}

}  // namespace

long CDrawContext::getStringWidth(const char* text) {
  if (!text || !pCairo) return 0;
  cairo_t* cr = beginCairo();
  if (!cr) return 0;
  SelectFont(cr, fontId, fontSize, fontStyle, true);
  const long width = TextWidth(cr, text);
  releaseCairo(cr);
  return width;
}

void CDrawContext::drawString(const char* text, const CRect& rect, const short, const CHoriTxtAlign hAlign) {
  if (!text) return;
  const long l = rect.left + offset.h;
  const long t = rect.top + offset.v;
  const long r = rect.right + offset.h;
  const long b = rect.bottom + offset.v;
  if (!pCairo) return;

  const long w = getStringWidth(text);
  const long s = fontSize;
  const long y = b + s / 2 - (b - t) / 2 - 1;
  long x = l + 1;
  if (hAlign == kAlignCenter)
    x = l + ((r - l) / 2 - w / 2);
  else if (hAlign == kAlignRight)
    x = r - w;

  // Small sizes and the analysers' labels are drawn aliased; the one-shot
  // request is used up here.
  bool antialias = false;
  if (!g_bVSTGUINextTextNotAntiAlias && s > 11)
    antialias = true;
  else
    g_bVSTGUINextTextNotAntiAlias = false;

  cairo_t* cr = beginCairo();
  if (!cr) return;
  SelectFont(cr, fontId, fontSize, fontStyle, antialias);
  CDrawContextPainter::setColor(cr, fontColor);
  cairo_move_to(cr, static_cast<double>(x), static_cast<double>(y));
  cairo_show_text(cr, text);
  if (fontStyle & kFaceUnderline) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_new_path(cr);
    cairo_rectangle(cr, static_cast<double>(x), static_cast<double>(y + 1),
                    static_cast<double>(w), 1.0);
    cairo_fill(cr);
  }
  releaseCairo(cr);
}
