// The faces the toolkit draws its text in, asked of fontconfig by name: the
// Helvetica-metric sans face and the Symbol-metric face of Debian's
// fonts-urw-base35 (Nimbus Sans, Standard Symbols PS). Text thus takes the
// widths the layouts were made for on every machine, whatever the desktop
// maps "Helvetica" to; where the faces are missing, the families of the font
// ids (gMacXfontNames) and then fontconfig's nearest face stand in.
//
// [any thread] Each face is made once per process and shared.
#pragma once

#include <cstdint>

#include "gui/GuiTypes.h"

typedef struct _cairo_font_face cairo_font_face_t;

// The face of a font id (ids outside the table: the system font) with the
// bold and italic face bits; owned here for the process's life.
cairo_font_face_t* ToolkitFontFace(CFont font, long style);
// Whether the font's face has a glyph for the Unicode code point.
bool ToolkitFontHasGlyph(CFont font, uint32_t codePoint);
