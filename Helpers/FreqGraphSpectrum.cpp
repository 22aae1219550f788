// The spectrum graph's colours, second pair and scales, and the composite
// graph's modes, dB zoom, mouse read-out and tone request.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/FreqGraphs.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/FreqGraphSpectrum");

namespace {

constexpr float kfMinDbSpan = 5.0f;

}  // namespace

CFreqSpectrumGraph::CFreqSpectrumGraph(const CRect& size, AEffGUIEditor* editor,
                                       CControlListener* listener)
    : CFreqGraph(size, editor, listener) {
  XR_TRY
  SetColLeft(CLookupColorUser::GetLookupColor(0.15625f));
  SetColRight(CLookupColorUser::GetLookupColor(0.5859375f));
  SetColAv(CLookupColorUser::GetLookupColor(0.8984375f));
  m_colLeftPeak = CLookupColorUser::GetLookupColor(0.1796875f);
  m_colRightPeak = CLookupColorUser::GetLookupColor(0.6171875f);
  m_colAvPeak = CLookupColorUser::GetLookupColor(0.9296875f);
  XR_CATCH_VOID
}

void CFreqSpectrumGraph::SetColLeft(CColor colour) {
  m_colLeft = colour;
  m_colLeftFill = colour * 2.0f;
}

void CFreqSpectrumGraph::SetColRight(CColor colour) {
  m_colRight = colour;
  m_colRightFill = colour * 2.0f;
}

void CFreqSpectrumGraph::SetColAv(CColor colour) {
  m_colAv = colour;
  m_colAvFill = colour * 2.0f;
}

void CFreqSpectrumGraph::CopyGraphsToFilterGraphs(bool clear) {
  XR_TRY
  const size_t bytes = sizeof(float) * static_cast<size_t>(m_nColumns);
  for (int slot = 0; slot < 2; ++slot) {
    if (m_pColumnLine[slot] && m_pColumnLine[slot + 2])
      std::memcpy(m_pColumnLine[slot + 2].get(), m_pColumnLine[slot].get(), bytes);
    if (clear && m_pColumnLine[slot]) {
      std::memset(m_pColumnLine[slot].get(), 0, bytes);
      ClearGraphPeaks(slot);
    }
  }
  m_bSecondPair = true;
  m_bExtractSecondPair = false;
  XR_CATCH_VOID
}

void CFreqSpectrumGraph::DrawScales(CDrawContext* ctx, CPoint offset) {
  XR_TRY
  if (!ctx) return;
  DrawFreqValues(ctx, 255, 255, 255, offset, false);
  DrawZoomDbBar(ctx, offset);
  ctx->setFontColor(kWhiteCColor);
  char text[32];
  for (int i = 0; i < m_nDbLines; ++i) {
    const long y = m_DbLines[i].nY;
    std::snprintf(text, sizeof text, "%.0fdB", m_DbLines[i].fDb);
    g_bVSTGUINextTextNotAntiAlias = true;
    ctx->drawString(text, CRect(offset.h + 3, y + offset.v - 4, offset.h + 30, y + offset.v + 4));
  }
  XR_CATCH_VOID
}

const char* const CCompositeGraph::c_pszWhatToShowName[kNumWhatToShow] = {
    "Left",    "Right",           "Left and Right", "Maximum",    "Average",
    "L and R Time Av", "Av Time Av", "Mid/Side", "M/S Time Av"};

CCompositeGraph::CCompositeGraph(const CRect& size, AEffGUIEditor* editor,
                                 CControlListener* listener)
    : CFreqSpectrumGraph(size, editor, listener) {
  m_bDbZoomSettlesEachMotion = true;
}

void CCompositeGraph::SetWhatToShow(EWhatToShow mode) {
  XR_TRY
  if (mode < 0 || mode >= kNumWhatToShow) return;
  m_eWhatToShow = mode;
  m_bAveraging = mode == eLeftRightTimeAv || mode == eAverageTimeAv || mode == eMidSideTimeAv;
  ClearAllGraphValues();
  XR_CATCH_VOID
}

void CCompositeGraph::FillInMouseInfoFor(CPoint& point, float freq) {
  XR_TRY
  const float height = static_cast<float>(std::max(GetPlotHeight(), 1));
  const float d = m_fDbMax - (m_fDbMax - m_fDbMin) * static_cast<float>(point.v) / height;
  if (freq >= m_fFreqMin && d >= m_fDbMin) {
    // The frequency text lives in a shared buffer: format from a copy.
    char freqText[32];
    std::snprintf(freqText, sizeof freqText, "%s", GetMouseInfoFreqString(freq));
    std::snprintf(m_szMouseInfo, sizeof m_szMouseInfo, "%s, %.1fdB", freqText, d);
  } else {
    m_szMouseInfo[0] = '\0';
  }
  XR_CATCH_VOID
}

void CCompositeGraph::TriggerGenerateToneFor(CPoint& point, float freq) {
  XR_TRY
  const float height = static_cast<float>(std::max(rectDraw.height(), 1L));
  const float d = m_fDbMax - (m_fDbMax - m_fDbMin) * static_cast<float>(point.v) / height;
  ReportToEditor(2, freq, d, d);
  XR_CATCH_VOID
}

void CCompositeGraph::captureMouseDb(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  PressDrag(eDragDbZoom, ctx, where, buttons);
  XR_CATCH_VOID
}

void CCompositeGraph::ZoomDbStep(const CPoint& previous, const CPoint& now, long buttons) {
  const float height = static_cast<float>(getHeight() > 0 ? getHeight() : 1);
  const float min = m_fDbMin;
  const float max = m_fDbMax;
  // The dB under the mouse stays in place while the span scales.
  const float d = max + (min - max) * static_cast<float>(now.v - size.top) / height;
  const float s = (buttons & kModifierShift) ? 0.1f : 1.0f;
  float z = std::exp(static_cast<float>(previous.h - now.h) * 0.01f * s);
  if (z < 1.0f && min >= max - kfMinDbSpan) z = 1.0f;
  const float shift = (max - min) * static_cast<float>(previous.v - now.v) / height * s;
  float newMin = d + (min - d) * z - shift;
  float newMax = d + (max - d) * z - shift;
  // A fast shrinking step stops at the least span instead of passing it.
  if (z < 1.0f && newMax - newMin < kfMinDbSpan) {
    const float mid = (newMin + newMax) / 2.0f;
    newMin = mid - kfMinDbSpan / 2.0f;
    newMax = mid + kfMinDbSpan / 2.0f;
  }
  newMin = std::min(std::max(newMin, m_fAbsDbMin), m_fAbsDbMax - kfMinDbSpan);
  newMax = std::max(std::min(newMax, m_fAbsDbMax), m_fAbsDbMin + kfMinDbSpan);
  SetDbRange(newMin, newMax);
}

float CCompositeGraph::LevelHeight(float v, float height, float k, float c) {
  if (!(v > 0.0f)) return 0.0f;
  const float h = height + k * (std::log(v) - c);
  if (!(h > 0.0f)) return 0.0f;
  return std::min(h, height);
}
