// The colour model of the displays.
//
// Colour scales: a ColorBoundary list maps a continuous level (signal level,
// correlation, stereo position) to a colour by linear interpolation between
// stops given in ascending level order. Every list ends with a terminator
// stop at kfColorBoundaryTerminator whose colour takes part in the
// interpolation above the last real stop, so a level a little above that
// stop keeps almost exactly its colour. A level below the first stop
// extrapolates from the first pair.
//
// The palette: CLookupColorUser maps a value from 0 to 1 to one of 128 fixed
// colours (16 hues in 8 shades); colour parameters are stored as such
// values. The palette is a compile-time table, so reading it needs no
// initialisation, no drawing library and no lock: the effect base converts
// colour parameters with it without linking the toolkit.
//
// Thread contract: everything here is plain computation on values and
// constant tables, callable on any thread. A ColorBoundaryCache belongs to
// its owner's thread.
//
// Source files: ColorModel.cpp (scales, palette, caches, colour arithmetic),
// ColorBars.cpp (the smooth colour bars).
#pragma once

#include "gui/GuiTypes.h"

class CDrawContext;

// Level of the terminator stop that ends every ColorBoundary list.
inline constexpr float kfColorBoundaryTerminator = 10000.0f;

// One colour stop of a scale.
struct ColorBoundary {
  float level;
  CColor colour;
};

// The colour of `level` on the scale `list`: linear interpolation between
// the two stops around it, each channel truncated. A list must hold at least
// one real stop before its terminator. A NaN level gives the first stop's
// colour; a channel that an extreme extrapolation carries beyond the integer
// range reads 0.
CColor GetColorForLevel(float level, const ColorBoundary* list);

// 200 precomputed colours of one list over a level range: entry i holds the
// colour of min + i * (max - min) / 200.
struct ColorBoundaryCache {
  static constexpr int kNumColours = 200;

  // Recomputes the colours when `list` is not the list they were computed
  // for; otherwise does nothing. A change of min or max alone keeps the old
  // colours: owners that change the range reset pList to null first.
  void CheckCachedColorValues(const ColorBoundary* list, float min, float max);

  const ColorBoundary* pList = nullptr;
  CColor colours[kNumColours] = {};
};

// A set of preset scales offered for picking, shown over fMin..fMax.
struct CColorBoundaryPickerInfo {
  const ColorBoundary* const* ppLists;
  int nCount;
  float fMin;
  float fMax;
};

// Gradient bars in runs of equal colour, each run painted with one
// fillRect(CRect, CColor). Vertical: the bottom row of `rect` shows `min`,
// each row up one step of (max - min) / height more, so the top row shows
// max - step. Horizontal: the same from the left column. The runs cover
// exactly `rect` on an off-screen context. [user-interface thread]
void DrawSmoothColourBarVert(CDrawContext* ctx, CRect rect, const ColorBoundary* list, float min,
                             float max);
void DrawSmoothColourBarHoriz(CDrawContext* ctx, CRect rect, const ColorBoundary* list,
                              float min, float max);

// Red, green and blue each scaled and limited to 0..255; alpha of `c`.
CColor operator*(const CColor& c, float factor);
// Red, green and blue each the sum limited to 255; alpha of `a`.
CColor operator+(const CColor& a, const CColor& b);

namespace colour_model_detail {

// Base colour of each hue.
inline constexpr CColor kHueBase[16] = {
    {255, 0, 0, 255},     {255, 80, 0, 255},   {255, 150, 0, 255},   {255, 255, 0, 255},
    {150, 255, 0, 255},   {0, 255, 0, 255},    {0, 255, 155, 255},   {0, 255, 255, 255},
    {0, 150, 255, 255},   {0, 0, 255, 255},    {150, 0, 255, 255},   {255, 0, 255, 255},
    {255, 0, 150, 255},   {170, 130, 100, 255}, {150, 140, 120, 255}, {150, 150, 150, 255}};

// How far each shade moves the base colour toward white (L) and black (D);
// hue 15 has a ramp of its own.
inline constexpr float kShadeL[8] = {0.7f, 0.3f, 0.0f, 0.0f, 0.0f, 0.3f, 0.4f, 0.5f};
inline constexpr float kShadeD[8] = {0.0f, 0.0f, 0.0f, 0.3f, 0.5f, 0.5f, 0.4f, 0.3f};
inline constexpr float kGreyL[8] = {1.0f, 0.7f, 0.4f, 0.1f, 0.0f, 0.0f, 0.0f, 0.0f};
inline constexpr float kGreyD[8] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.3f, 0.7f, 1.0f};

constexpr unsigned char Shade(unsigned char channel, float l, float d) {
  return static_cast<unsigned char>(static_cast<int>(channel * (1.0f - l - d) + 255.0f * l));
}

struct Palette {
  CColor entries[128];
};

constexpr Palette BuildPalette() {
  Palette p{};
  for (int hue = 0; hue < 16; ++hue) {
    for (int shade = 0; shade < 8; ++shade) {
      const float l = hue == 15 ? kGreyL[shade] : kShadeL[shade];
      const float d = hue == 15 ? kGreyD[shade] : kShadeD[shade];
      const CColor& base = kHueBase[hue];
      p.entries[hue * 8 + shade] = {Shade(base.red, l, d), Shade(base.green, l, d),
                                    Shade(base.blue, l, d), 255};
    }
  }
  return p;
}

}  // namespace colour_model_detail

// The 128-colour palette. Entry hue * 8 + shade: shade 2 of hues 0-14 is
// the hue's base colour, shades 0-1 pastel, 3-4 darker, 5-7 greyed; hue 15
// runs from white (shade 0) to black (shade 7).
class CLookupColorUser {
 public:
  static constexpr int kNumColours = 128;

  // Entry trunc(value * 128), value 1.0 giving entry 127. Values outside
  // 0..1 clamp to the end entries; NaN gives entry 0.
  static CColor GetLookupColor(float value) {
    const float scaled = value * 128.0f;
    if (!(scaled > 0.0f)) return s_colArray.entries[0];
    if (scaled >= 127.0f) return s_colArray.entries[kNumColours - 1];
    return s_colArray.entries[static_cast<int>(scaled)];
  }
  // Entry hue * 8 + shade (hue 0..15, shade 0..7), clamped to the table.
  static CColor GetLookupColor(int hue, int shade) {
    return GetLookupColor(static_cast<float>(hue * 8 + shade) * 0.0078125f);
  }

  static constexpr colour_model_detail::Palette s_colArray = colour_model_detail::BuildPalette();
};

// The preset scales: spectrum levels over 0..1, stereo positions and
// correlations over -1..1. Preset 0 of the correlation set is also the
// correlation display's scale.
extern const CColorBoundaryPickerInfo g_ColorBoundaryPickerComposite;
extern const CColorBoundaryPickerInfo g_ColorBoundaryPickerStereo;
extern const CColorBoundaryPickerInfo g_ColorBoundaryPickerCorrelation;

extern const ColorBoundary boundaryArrayPickerComposite0[];
extern const ColorBoundary boundaryArrayPickerComposite1[];
extern const ColorBoundary boundaryArrayPickerComposite2[];
extern const ColorBoundary boundaryArrayPickerComposite3[];
extern const ColorBoundary boundaryArrayPickerComposite4[];
extern const ColorBoundary boundaryArrayPickerComposite5[];
extern const ColorBoundary boundaryArrayPickerComposite6[];
extern const ColorBoundary boundaryArrayPickerComposite7[];
extern const ColorBoundary boundaryArrayPickerComposite8[];
extern const ColorBoundary boundaryArrayPickerStereo0[];
extern const ColorBoundary boundaryArrayPickerStereo1[];
extern const ColorBoundary boundaryArrayPickerStereo1a[];
extern const ColorBoundary boundaryArrayPickerStereo2[];
extern const ColorBoundary boundaryArrayPickerStereo3[];
extern const ColorBoundary boundaryArrayPickerStereo4[];
extern const ColorBoundary boundaryArrayPickerStereo5[];
extern const ColorBoundary boundaryArrayPickerStereo6[];
extern const ColorBoundary boundaryArrayPickerStereo7[];
extern const ColorBoundary boundaryArrayPickerCorrelation0[];
extern const ColorBoundary boundaryArrayPickerCorrelation1[];
extern const ColorBoundary boundaryArrayPickerCorrelation2[];
extern const ColorBoundary boundaryArrayPickerCorrelation3[];
extern const ColorBoundary boundaryArrayPickerCorrelation4[];
extern const ColorBoundary boundaryArrayPickerCorrelation5[];
extern const ColorBoundary boundaryArrayPickerCorrelation6[];
