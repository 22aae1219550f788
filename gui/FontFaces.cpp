#include "gui/FontFaces.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <mutex>

#include "Helpers/Assert.h"
#include "platform/CairoHandles.h"

XR_REGISTER_SOURCE_FILE("gui/FontFaces.cpp");

namespace {

// The metric-compatible faces, by family: sans (font ids 0 to 6), symbol (7).
constexpr const char* kMetricFamilies[2] = {"Nimbus Sans", "Standard Symbols PS"};
constexpr int kStyles = 4;  // plain, bold, italic, bold italic

std::mutex g_FacesMutex;  // guards the tables below
cairo_font_face_t* g_Faces[2][kStyles] = {};
FcCharSet* g_Charsets[2] = {};

int FamilyOf(CFont font) { return font == kFontSymbol ? 1 : 0; }

FcPatternPtr MakePattern(CFont font, long style) {
  const int index = (font >= 0 && font < kNumFonts) ? font : kFontSystem;
  FcPatternPtr pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(kMetricFamilies[FamilyOf(font)]));
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(gMacXfontNames[index]));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, (style & kFaceBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, (style & kFaceItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  return pattern;
}

}  // namespace

cairo_font_face_t* ToolkitFontFace(CFont font, long style) {
  const int family = FamilyOf(font);
  const int variant = (style & (kFaceBold | kFaceItalic)) & (kStyles - 1);
  std::lock_guard<std::mutex> guard(g_FacesMutex);
  cairo_font_face_t*& face = g_Faces[family][variant];
  if (!face) {
    // Cairo matches the pattern itself, with the surface's font options.
    face = cairo_ft_font_face_create_for_pattern(MakePattern(font, style).get());
  }
  return face;
}

bool ToolkitFontHasGlyph(CFont font, uint32_t codePoint) {
  const int family = FamilyOf(font);
  std::lock_guard<std::mutex> guard(g_FacesMutex);
  FcCharSet*& charset = g_Charsets[family];
  if (!charset) {
    const FcPatternPtr pattern = MakePattern(font, kFaceNormal);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    FcCharSet* found = nullptr;
    if (match && FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &found) == FcResultMatch)
      charset = FcCharSetCopy(found);
    else
      charset = FcCharSetCreate();
  }
  return FcCharSetHasChar(charset, codePoint);
}
