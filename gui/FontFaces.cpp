#include "gui/FontFaces.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <mutex>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/FontFaces.cpp");

namespace {

// The metric-compatible faces, by family: sans (font ids 0 to 6), symbol (7).
constexpr const char* kMetricFamilies[2] = {"Nimbus Sans", "Standard Symbols PS"};
constexpr int kStyles = 4;  // plain, bold, italic, bold italic

std::mutex g_FacesMutex;  // guards the tables below
cairo_font_face_t* g_Faces[2][kStyles] = {};
FcCharSet* g_Charsets[2] = {};

int FamilyOf(CFont font) { return font == kFontSymbol ? 1 : 0; }

FcPattern* MakePattern(CFont font, long style) {
  const int index = (font >= 0 && font < kNumFonts) ? font : kFontSystem;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kMetricFamilies[FamilyOf(font)]));
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(gMacXfontNames[index]));
  FcPatternAddInteger(pattern, FC_WEIGHT, (style & kFaceBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, (style & kFaceItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  return pattern;
}

}  // namespace

cairo_font_face_t* ToolkitFontFace(CFont font, long style) {
  const int family = FamilyOf(font);
  const int variant = (style & (kFaceBold | kFaceItalic)) & (kStyles - 1);
  std::lock_guard<std::mutex> guard(g_FacesMutex);
  cairo_font_face_t*& face = g_Faces[family][variant];
  if (!face) {
    FcPattern* pattern = MakePattern(font, style);
    // Cairo matches the pattern itself, with the surface's font options.
    face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
  }
  return face;
}

bool ToolkitFontHasGlyph(CFont font, uint32_t codePoint) {
  const int family = FamilyOf(font);
  std::lock_guard<std::mutex> guard(g_FacesMutex);
  FcCharSet*& charset = g_Charsets[family];
  if (!charset) {
    FcPattern* pattern = MakePattern(font, kFaceNormal);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcCharSet* found = nullptr;
    if (match && FcPatternGetCharSet(match, FC_CHARSET, 0, &found) == FcResultMatch)
      charset = FcCharSetCopy(found);
    else
      charset = FcCharSetCreate();
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
  }
  return FcCharSetHasChar(charset, codePoint);
}
