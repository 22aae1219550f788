#include "Helpers/ColorModel.h"

#include <cmath>
#include <cstdint>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("Helpers/ColorModel");

namespace {

// A channel value as the low 8 bits of its truncation. Values that no int
// can hold (an extrapolation far outside a list, or NaN) read 0 instead of
// being converted with undefined results.
unsigned char LowByte(float value) {
  if (!(value > -2147483648.0f && value < 2147483648.0f)) return 0;
  return static_cast<unsigned char>(static_cast<uint32_t>(static_cast<int32_t>(value)) & 0xFFu);
}

unsigned char Saturate(float value) {
  if (!(value > 0.0f)) return 0;
  if (value > 255.0f) return 255;
  return static_cast<unsigned char>(static_cast<int>(value));
}

}  // namespace

CColor GetColorForLevel(float level, const ColorBoundary* list) {
  XR_TRY
  if (std::isnan(level)) return list[0].colour;
  const ColorBoundary* cur = &list[0];
  const ColorBoundary* next = &list[1];
  // The first stop's own level is never compared: a level below it
  // extrapolates from the first pair.
  while (!(next->level > level) && next->level != kfColorBoundaryTerminator) {
    cur = next;
    ++next;
  }
  const float t = (level - cur->level) / (next->level - cur->level);
  const float u = 1.0f - t;
  return {LowByte(next->colour.red * t + cur->colour.red * u),
          LowByte(next->colour.green * t + cur->colour.green * u),
          LowByte(next->colour.blue * t + cur->colour.blue * u), 255};
  XR_CATCH(kBlackCColor)
}

void ColorBoundaryCache::CheckCachedColorValues(const ColorBoundary* list, float min, float max) {
  XR_TRY
  if (list == pList) return;
  pList = list;
  for (int i = 0; i < kNumColours; ++i)
    colours[i] = GetColorForLevel(static_cast<float>(i) * (max - min) / 200.0f + min, list);
  XR_CATCH_VOID
}

CColor operator*(const CColor& c, float factor) {
  return {Saturate(c.red * factor), Saturate(c.green * factor), Saturate(c.blue * factor),
          c.alpha};
}

CColor operator+(const CColor& a, const CColor& b) {
  auto sum = [](unsigned char x, unsigned char y) {
    const int s = x + y;
    return static_cast<unsigned char>(s > 255 ? 255 : s);
  };
  return {sum(a.red, b.red), sum(a.green, b.green), sum(a.blue, b.blue), a.alpha};
}

// The preset scales. Each ends with its terminator stop.
#define XR_STOP(level, r, g, b) \
  { level, { r, g, b, 255 } }
#define XR_END(r, g, b) XR_STOP(kfColorBoundaryTerminator, r, g, b)

const ColorBoundary boundaryArrayPickerComposite7[] = {
    XR_STOP(-1.0f, 255, 0, 255), XR_STOP(0.0f, 0, 0, 0),     XR_STOP(0.1f, 0, 0, 255),
    XR_STOP(0.4f, 0, 255, 0),    XR_STOP(0.6f, 255, 255, 0), XR_STOP(1.0f, 255, 0, 0),
    XR_STOP(2.0f, 255, 0, 255),  XR_END(255, 255, 255)};
const ColorBoundary boundaryArrayPickerComposite0[] = {
    XR_STOP(-1.0f, 0, 0, 0),     XR_STOP(0.0f, 0, 150, 0), XR_STOP(0.1f, 0, 150, 0),
    XR_STOP(0.6f, 255, 255, 0),  XR_STOP(1.0f, 255, 0, 0), XR_STOP(2.0f, 255, 255, 255),
    XR_END(255, 255, 255)};
const ColorBoundary boundaryArrayPickerComposite3[] = {
    XR_STOP(-1.0f, 0, 0, 0),      XR_STOP(0.0f, 0, 0, 0),     XR_STOP(0.3f, 100, 100, 100),
    XR_STOP(0.8f, 250, 150, 64),  XR_STOP(1.0f, 250, 64, 64), XR_STOP(2.0f, 255, 255, 255),
    XR_END(255, 255, 255)};
const ColorBoundary boundaryArrayPickerComposite4[] = {
    XR_STOP(-1.0f, 0, 0, 0),        XR_STOP(0.0f, 0, 0, 0),        XR_STOP(0.1f, 0, 0, 100),
    XR_STOP(0.5f, 0, 0, 255),       XR_STOP(1.0f, 255, 255, 255), XR_STOP(2.0f, 255, 255, 255),
    XR_END(255, 255, 255)};
const ColorBoundary boundaryArrayPickerComposite5[] = {
    XR_STOP(-1.0f, 0, 0, 0),        XR_STOP(0.0f, 0, 0, 0),        XR_STOP(0.1f, 100, 50, 0),
    XR_STOP(0.5f, 255, 150, 0),     XR_STOP(1.0f, 255, 255, 255), XR_STOP(2.0f, 255, 255, 255),
    XR_END(255, 255, 255)};
const ColorBoundary boundaryArrayPickerComposite6[] = {
    XR_STOP(-1.0f, 0, 0, 0),        XR_STOP(0.0f, 0, 0, 0),        XR_STOP(0.05f, 50, 50, 50),
    XR_STOP(0.1f, 100, 100, 100),   XR_STOP(1.0f, 255, 255, 255), XR_STOP(2.0f, 255, 255, 255),
    XR_END(255, 255, 255)};
const ColorBoundary boundaryArrayPickerComposite8[] = {
    XR_STOP(-1.0f, 255, 0, 255),    XR_STOP(0.0f, 0, 0, 0),        XR_STOP(0.05f, 0, 0, 100),
    XR_STOP(0.6f, 255, 0, 255),     XR_STOP(1.0f, 255, 255, 255), XR_STOP(2.0f, 255, 0, 255),
    XR_END(255, 255, 255)};
const ColorBoundary boundaryArrayPickerComposite1[] = {
    XR_STOP(-1.0f, 255, 0, 255),   XR_STOP(0.0f, 255, 0, 255),  XR_STOP(0.0001f, 0, 0, 0),
    XR_STOP(0.05f, 0, 0, 0),       XR_STOP(0.0501f, 0, 0, 255), XR_STOP(0.3f, 0, 0, 255),
    XR_STOP(0.3001f, 0, 255, 0),   XR_STOP(0.6f, 0, 255, 0),    XR_STOP(0.6001f, 255, 255, 0),
    XR_STOP(0.8f, 255, 255, 0),    XR_STOP(0.8001f, 255, 0, 0), XR_STOP(1.0f, 255, 0, 0),
    XR_STOP(1.0001f, 255, 0, 255), XR_STOP(2.0f, 255, 0, 255),  XR_END(255, 255, 255)};
const ColorBoundary boundaryArrayPickerComposite2[] = {
    XR_STOP(-1.0f, 0, 0, 0),          XR_STOP(0.0f, 0, 0, 0),        XR_STOP(0.6f, 0, 0, 0),
    XR_STOP(0.6001f, 255, 255, 255), XR_STOP(2.0f, 255, 255, 255), XR_END(255, 255, 255)};

const ColorBoundary boundaryArrayPickerStereo0[] = {
    XR_STOP(-100.0f, 119, 119, 242), XR_STOP(-1.0f, 200, 200, 255), XR_STOP(-0.4f, 119, 119, 242),
    XR_STOP(-0.05f, 50, 50, 200),    XR_STOP(0.0f, 0, 0, 0),        XR_STOP(0.05f, 166, 120, 0),
    XR_STOP(0.4f, 236, 177, 0),      XR_STOP(1.0f, 255, 220, 150),  XR_END(236, 177, 0)};
const ColorBoundary boundaryArrayPickerStereo1[] = {
    XR_STOP(-100.0f, 119, 119, 242), XR_STOP(-1.0f, 119, 119, 242), XR_STOP(-0.05f, 50, 50, 200),
    XR_STOP(0.0f, 0, 0, 0),          XR_STOP(0.05f, 166, 120, 0),   XR_STOP(1.0f, 236, 177, 0),
    XR_END(236, 177, 0)};
const ColorBoundary boundaryArrayPickerStereo1a[] = {
    XR_STOP(-100.0f, 119, 119, 242), XR_STOP(-1.0f, 119, 119, 242), XR_STOP(-0.3f, 50, 50, 200),
    XR_STOP(0.0f, 0, 0, 0),          XR_STOP(0.3f, 166, 120, 0),    XR_STOP(1.0f, 236, 177, 0),
    XR_END(236, 177, 0)};
const ColorBoundary boundaryArrayPickerStereo2[] = {
    XR_STOP(-100.0f, 255, 0, 0), XR_STOP(-1.0f, 255, 0, 0), XR_STOP(-0.3f, 100, 0, 0),
    XR_STOP(0.0f, 0, 0, 0),      XR_STOP(0.3f, 0, 100, 0),  XR_STOP(1.0f, 0, 255, 0),
    XR_END(0, 255, 0)};
const ColorBoundary boundaryArrayPickerStereo3[] = {
    XR_STOP(-100.0f, 255, 0, 0), XR_STOP(-1.0f, 255, 0, 0), XR_STOP(-0.05f, 100, 0, 0),
    XR_STOP(0.0f, 0, 0, 0),      XR_STOP(0.05f, 0, 100, 0), XR_STOP(1.0f, 0, 255, 0),
    XR_END(0, 255, 0)};
const ColorBoundary boundaryArrayPickerStereo4[] = {
    XR_STOP(-100.0f, 255, 0, 0), XR_STOP(-1.0f, 255, 0, 0),  XR_STOP(-0.6f, 255, 255, 0),
    XR_STOP(-0.1f, 0, 150, 0),   XR_STOP(0.0f, 0, 0, 0),     XR_STOP(0.1f, 0, 150, 0),
    XR_STOP(0.6f, 255, 255, 0),  XR_STOP(1.0f, 255, 0, 0),   XR_END(255, 0, 0)};
const ColorBoundary boundaryArrayPickerStereo5[] = {
    XR_STOP(-100.0f, 255, 0, 0), XR_STOP(-1.0f, 255, 0, 0),  XR_STOP(-0.6f, 255, 100, 0),
    XR_STOP(-0.1f, 255, 255, 0), XR_STOP(0.0f, 0, 0, 0),     XR_STOP(0.1f, 0, 255, 0),
    XR_STOP(0.6f, 0, 100, 255),  XR_STOP(1.0f, 0, 0, 255),   XR_END(255, 0, 0)};
const ColorBoundary boundaryArrayPickerStereo6[] = {
    XR_STOP(-100.0f, 255, 0, 255), XR_STOP(-1.0f, 255, 0, 255), XR_STOP(-0.05f, 0, 0, 100),
    XR_STOP(0.0f, 0, 0, 0),        XR_STOP(0.05f, 0, 100, 0),   XR_STOP(1.0f, 255, 255, 0),
    XR_END(255, 255, 0)};
const ColorBoundary boundaryArrayPickerStereo7[] = {
    XR_STOP(-100.0f, 255, 0, 255), XR_STOP(-1.0f, 255, 200, 255), XR_STOP(-0.4f, 255, 0, 255),
    XR_STOP(-0.05f, 0, 0, 100),    XR_STOP(0.0f, 0, 0, 0),        XR_STOP(0.05f, 0, 100, 0),
    XR_STOP(0.4f, 255, 255, 0),    XR_STOP(1.0f, 255, 255, 200),  XR_END(255, 255, 0)};

const ColorBoundary boundaryArrayPickerCorrelation0[] = {
    XR_STOP(-100.0f, 200, 0, 0), XR_STOP(-1.0f, 200, 0, 0), XR_STOP(-0.1f, 200, 200, 0),
    XR_STOP(0.1f, 200, 200, 0),  XR_STOP(1.0f, 0, 200, 0),  XR_END(0, 200, 0)};
const ColorBoundary boundaryArrayPickerCorrelation1[] = {
    XR_STOP(-100.0f, 255, 100, 200), XR_STOP(-1.0f, 255, 100, 200), XR_STOP(0.0f, 150, 150, 150),
    XR_STOP(1.0f, 100, 100, 255),    XR_END(100, 100, 200)};
const ColorBoundary boundaryArrayPickerCorrelation2[] = {
    XR_STOP(-100.0f, 200, 0, 0),    XR_STOP(-1.0f, 200, 0, 0), XR_STOP(-0.5f, 200, 100, 100),
    XR_STOP(0.0f, 150, 150, 150),   XR_STOP(1.0f, 0, 200, 0),  XR_END(0, 200, 0)};
const ColorBoundary boundaryArrayPickerCorrelation3[] = {
    XR_STOP(-100.0f, 200, 0, 0),    XR_STOP(-1.0f, 200, 0, 0), XR_STOP(-0.001f, 200, 0, 0),
    XR_STOP(0.0f, 200, 200, 200),   XR_STOP(1.0f, 0, 200, 0),  XR_END(0, 200, 0)};
const ColorBoundary boundaryArrayPickerCorrelation4[] = {
    XR_STOP(-100.0f, 200, 0, 0),    XR_STOP(-1.0f, 200, 0, 0),   XR_STOP(-0.001f, 200, 0, 0),
    XR_STOP(0.0f, 200, 200, 200),   XR_STOP(0.001f, 0, 200, 0),  XR_STOP(1.0f, 0, 200, 0),
    XR_END(0, 200, 0)};
const ColorBoundary boundaryArrayPickerCorrelation5[] = {
    XR_STOP(-100.0f, 200, 200, 0), XR_STOP(-1.0f, 200, 200, 0), XR_STOP(0.0f, 100, 100, 100),
    XR_STOP(1.0f, 0, 0, 200),      XR_END(0, 0, 200)};
const ColorBoundary boundaryArrayPickerCorrelation6[] = {
    XR_STOP(-100.0f, 200, 200, 0), XR_STOP(-1.0f, 200, 200, 0), XR_STOP(0.0f, 100, 100, 100),
    XR_STOP(1.0f, 0, 200, 0),      XR_END(0, 200, 0)};

#undef XR_END
#undef XR_STOP

namespace {

const ColorBoundary* const kCompositeLists[] = {
    boundaryArrayPickerComposite7, boundaryArrayPickerComposite0, boundaryArrayPickerComposite3,
    boundaryArrayPickerComposite4, boundaryArrayPickerComposite5, boundaryArrayPickerComposite6,
    boundaryArrayPickerComposite8, boundaryArrayPickerComposite1, boundaryArrayPickerComposite2};
const ColorBoundary* const kStereoLists[] = {
    boundaryArrayPickerStereo0, boundaryArrayPickerStereo1, boundaryArrayPickerStereo1a,
    boundaryArrayPickerStereo2, boundaryArrayPickerStereo3, boundaryArrayPickerStereo4,
    boundaryArrayPickerStereo5, boundaryArrayPickerStereo6, boundaryArrayPickerStereo7};
const ColorBoundary* const kCorrelationLists[] = {
    boundaryArrayPickerCorrelation0, boundaryArrayPickerCorrelation1,
    boundaryArrayPickerCorrelation2, boundaryArrayPickerCorrelation3,
    boundaryArrayPickerCorrelation4, boundaryArrayPickerCorrelation5,
    boundaryArrayPickerCorrelation6};

}  // namespace

// Constant-initialised, so usable from any other file's static initialisers.
const CColorBoundaryPickerInfo g_ColorBoundaryPickerComposite = {kCompositeLists, 9, 0.0f, 1.0f};
const CColorBoundaryPickerInfo g_ColorBoundaryPickerStereo = {kStereoLists, 9, -1.0f, 1.0f};
const CColorBoundaryPickerInfo g_ColorBoundaryPickerCorrelation = {kCorrelationLists, 7, -1.0f,
                                                                    1.0f};
