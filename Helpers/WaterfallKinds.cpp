// The two waterfalls: one spectrum (left, right, larger or average) and the
// difference of left and right.
#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/Waterfall.h"

XR_REGISTER_SOURCE_FILE("Helpers/WaterfallKinds");

namespace {

const float kLnReference = std::log(255.0f);
constexpr float kLevelPerNeper = 0.15f;

float LawOfMagnitude(float v) {
  if (!(v > 0.0f)) return 0.0f;
  return std::clamp((std::log(v) - kLnReference) * kLevelPerNeper + 1.0f, 0.0f, 1.0f);
}

}  // namespace

const char* const CCompositeWaterfall::c_pszWhatToShowName[4] = {"Left", "Right", "Maximum",
                                                                 "Average"};

CCompositeWaterfall::CCompositeWaterfall(const CRect& size, AEffGUIEditor* editor,
                                         CControlListener* listener)
    : CWaterfall(size, editor, listener) {
  pDefaultColorList = g_ColorBoundaryPickerComposite.ppLists[0];
}

void CCompositeWaterfall::SetWhatToShow(EWhatToShow what) {
  XR_TRY
  m_eWhatToShow = what;
  ClearAllGraphValues();
  XR_CATCH_VOID
}

float CCompositeWaterfall::LevelOf(float v) { return LawOfMagnitude(v); }

void CCompositeWaterfall::CacheTopLineInner(int row) {
  XR_TRY
  if (row < 0 || row >= kCachedRows || !pRows[row]) return;
  ExtractBothChannels();
  const float* left = m_pColumnLine[0].get();
  const float* right = m_pColumnLine[1].get();
  const int columns = std::min(m_nColumns, static_cast<int>(getWidth()));
  for (int x = 0; x < columns; ++x) {
    float v;
    switch (m_eWhatToShow) {
      case eRight: v = right[x]; break;
      case eMaximum: v = std::max(left[x], right[x]); break;
      case eAverage: v = (left[x] + right[x]) * 0.5f; break;
      case eLeft:
      default: v = left[x]; break;
    }
    pRows[row][x] = ColourOfLevel(LevelOf(v));
  }
  XR_CATCH_VOID
}

void CCompositeWaterfall::DrawLegend(CDrawContext* ctx) {
  XR_TRY
  DrawColourBar(ctx, false);
  XR_CATCH_VOID
}

CStereoWaterfall::CStereoWaterfall(const CRect& size, AEffGUIEditor* editor,
                                   CControlListener* listener)
    : CWaterfall(size, editor, listener) {
  pDefaultColorList = g_ColorBoundaryPickerStereo.ppLists[0];
  // Right excesses are negative levels: the scale must reach them.
  fColorLower = g_ColorBoundaryPickerStereo.fMin;
  fColorUpper = g_ColorBoundaryPickerStereo.fMax;
}

float CStereoWaterfall::LevelOfDifference(float x) {
  const float level = LawOfMagnitude(std::fabs(x));
  return x < 0.0f ? -level : level;
}

void CStereoWaterfall::CacheTopLineInner(int row) {
  XR_TRY
  if (row < 0 || row >= kCachedRows || !pRows[row]) return;
  ExtractBothChannels();
  // The stereo scale is not shifted.
  SetColorBarOffset(0.0f);
  const float* left = m_pColumnLine[0].get();
  const float* right = m_pColumnLine[1].get();
  const int columns = std::min(m_nColumns, static_cast<int>(getWidth()));
  for (int x = 0; x < columns; ++x)
    pRows[row][x] = ColourOfLevel(LevelOfDifference(left[x] - right[x]));
  XR_CATCH_VOID
}

void CStereoWaterfall::DrawLegend(CDrawContext* ctx) {
  XR_TRY
  DrawColourBar(ctx, true);
  XR_CATCH_VOID
}
