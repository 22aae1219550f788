#include "Helpers/StereoGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Helpers/Assert.h"
#include "Helpers/FrequencyDataStore.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/StereoGraph");

const char* const CStereoGraph::c_pszWhatToShowName[2] = {"Dynamic", "Averaging"};

namespace {

constexpr float kMinDbSpan = 5.0f;
constexpr float kSilentChannelDb = -1000.0f;
constexpr float kFrozenScale = 0.999f;
constexpr CColor kDbLineColour = {80, 80, 80, 255};

}  // namespace

CStereoGraph::CStereoGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener)
    : CFreqSpectrumGraph(size, editor, listener) {}

void CStereoGraph::SetWhatToShow(EWhatToShow what) {
  XR_TRY
  m_eWhatToShow = what;
  m_bAveraging = what == eAveraging;
  ClearAllGraphValues();
  XR_CATCH_VOID
}

// --- the law -------------------------------------------------------------------

int CStereoGraph::CentreRow() const { return static_cast<int>(getHeight() / 2); }

int CStereoGraph::HalfHeight() const {
  return std::max(1, static_cast<int>(getHeight() - 2) / 2 - 1);
}

float CStereoGraph::DistanceOf(float v) const {
  if (!(v > 0.0f)) return 0.0f;
  const float range = m_fDbMax - m_fDbMin;
  if (!(range > 0.0f)) return 0.0f;
  const float h = static_cast<float>(HalfHeight());
  const float k = h * g_fLogScaleMult / range;
  const float c = m_fDbMax / (g_fLogScaleMult * 0.5f) + g_fLogScaleShiftDown;
  return std::clamp((std::log(v) - c) * k + h, 0.0f, h);
}

float CStereoGraph::DbAtRow(long y) const {
  const float h = static_cast<float>(HalfHeight());
  const float d = std::min(static_cast<float>(std::labs(y - CentreRow())), h);
  return m_fDbMax - (h - d) * (m_fDbMax - m_fDbMin) / (2.0f * h);
}

// --- drawing -------------------------------------------------------------------

void CStereoGraph::DoDrawBackground(CDrawContext* layer) {
  XR_TRY
  if (!layer) return;
  ClearBackground(layer, 0, 0, 0);
  DrawFreqLines(layer, false);
  CalcDbLines(2);
  layer->setFillColor(kDbLineColour);
  const long bottom = getHeight();
  for (int i = 0; i < m_nDbLines; ++i) {
    const long y = m_DbLines[i].nY;
    layer->fillRect(CRect(rectDraw.left, y, rectDraw.right, y + 2));
    layer->fillRect(CRect(rectDraw.left, bottom - y, rectDraw.right, bottom - y + 2));
  }
  if (m_bShowTitle) DisplayTitle(layer, "Stereo Width");
  XR_CATCH_VOID
}

void CStereoGraph::DoOwnerDrawInner(CDrawContext* ctx) {
  XR_TRY
  if (!ctx || !m_pDataStore[0] || !m_pDataStore[1]) return;
  const CRect rd = rectDraw;
  m_nColumns = std::min(m_nColumns, static_cast<int>(std::max(rd.width(), 0L)));
  const int shift = m_bScalesOutside ? m_nDbColumnWidth : 0;
  const int plotWidth = GetPlotWidth();

  if (m_bLive) {
    unsigned int now = GetTickCount();
    {
      CFrequencyDataStoreReaders readers;
      readers.Enter(m_pDataStore[0]);
      readers.Enter(m_pDataStore[1]);
      if (m_bSecondPair) {
        readers.Enter(m_pDataStore[2]);
        readers.Enter(m_pDataStore[3]);
      }
      ExtractGraphFromDataStore(0, true, false, false);
      ExtractGraphFromDataStore(1, true, false, false);
      if (m_bSecondPair && m_bExtractSecondPair) {
        if (m_pDataStore[2]) ExtractGraphFromDataStore(2, false, true, true);
        if (m_pDataStore[3]) ExtractGraphFromDataStore(3, false, true, true);
      }
      m_bRefreshOnce = false;
    }
    if (m_bFreeze) now = 0;

    // Nothing is drawn above half the sample rate.
    const double rate = GetSampleRate();
    int columns = 0;
    if (rate > 0.0 && m_fFreqMin > 0.0f && m_fFreqMax > m_fFreqMin) {
      const double byRate = plotWidth * std::log(rate / 2.0 / m_fFreqMin) /
                            std::log(static_cast<double>(m_fFreqMax) / m_fFreqMin);
      columns = byRate >= plotWidth ? plotWidth : static_cast<int>(std::max(byRate, 0.0));
    }
    columns = std::min(columns, m_nColumns);

    const long centre = CentreRow();
    const float* left = m_pColumnLine[0].get();
    const float* right = m_pColumnLine[1].get();
    for (int x = 0; x < columns; ++x) {
      const float d = left[x] - right[x];
      const float up = d > 0.0f ? d : 0.0f;
      const float down = d > 0.0f ? 0.0f : -d;
      OperatePeak(up, 0, x, now);
      OperatePeak(down, 1, x, now);
      const long px = rd.left + 1 + x + shift;
      const long upY = centre - static_cast<long>(DistanceOf(up));
      const long downY = centre + static_cast<long>(DistanceOf(down));
      m_pTracePoints[0][x] = CPoint(px, upY);
      m_pTracePoints[1][x] = CPoint(px, downY);
      m_pPeakPoints[0][x] = CPoint(px, centre - static_cast<long>(DistanceOf(m_pPeakLine[0][x])));
      m_pPeakPoints[1][x] = CPoint(px, centre + static_cast<long>(DistanceOf(m_pPeakLine[1][x])));
      if (m_bFill) {
        if (d > 0.0f) {
          ctx->setFillColor(m_colLeftFill);
          ctx->fillRect(CRect(px - 1, upY, px + 1, centre + 1));
        } else if (d < 0.0f) {
          ctx->setFillColor(m_colRightFill);
          ctx->fillRect(CRect(px - 1, centre, px + 1, downY + 1));
        }
      }
      if (m_bSecondPair) {
        const float a = DistanceOf(m_pColumnLine[2][x] * kFrozenScale * m_fSecondLevelMult[0]);
        const float b = DistanceOf(m_pColumnLine[3][x] * kFrozenScale * m_fSecondLevelMult[1]);
        if (!m_bFrozenDifference) {
          m_pTracePoints[2][x] = CPoint(px, centre - static_cast<long>(a));
          m_pTracePoints[3][x] = CPoint(px, centre + static_cast<long>(b));
        } else {
          const float diff = a - b;
          m_pTracePoints[2][x] = CPoint(px, centre - static_cast<long>(std::max(diff, 0.0f)));
          m_pTracePoints[3][x] = CPoint(px, centre + static_cast<long>(std::max(-diff, 0.0f)));
        }
      }
    }

    auto polyLine = [&](CPoint* points, const CColor& col) {
      DrawGraphPolyLine(ctx, points, col.red, col.green, col.blue, columns, true);
    };
    if (m_bShowPeaks) {
      polyLine(m_pPeakPoints[0].get(), m_colLeftPeak);
      polyLine(m_pPeakPoints[1].get(), m_colRightPeak);
    }
    if (!m_bFill) {
      polyLine(m_pTracePoints[0].get(), m_colLeft);
      polyLine(m_pTracePoints[1].get(), m_colRight);
    }
    if (m_bSecondPair) {
      polyLine(m_pTracePoints[2].get(), m_colSecond[0]);
      polyLine(m_pTracePoints[3].get(), m_colSecond[1]);
    }
  }

  // The scales label the upper dB lines; their mirror images below.
  DrawScales(ctx, CPoint(0, 0));
  ctx->setFontColor(kWhiteCColor);
  char text[32];
  for (int i = 0; i < m_nDbLines; ++i) {
    const long y = getHeight() - m_DbLines[i].nY;
    std::snprintf(text, sizeof text, "%.0fdB", static_cast<double>(m_DbLines[i].fDb));
    g_bVSTGUINextTextNotAntiAlias = true;
    ctx->drawString(text, CRect(3, y - 4, 30, y + 4));
  }
  DrawMouseInfo(ctx, static_cast<int>(getWidth()) - 150, 5, 220, 220, 220);
  XR_CATCH_VOID
}

// --- mouse -----------------------------------------------------------------------

void CStereoGraph::FillInMouseInfoFor(CPoint& point, float freq) {
  XR_TRY
  // The frequency text lives in a shared buffer: format from a copy.
  char freqText[32];
  std::snprintf(freqText, sizeof freqText, "%s", GetMouseInfoFreqString(freq));
  const bool above = point.v < CentreRow();
  std::snprintf(m_szMouseInfo, sizeof m_szMouseInfo, "%s, %.1fdB %s", freqText,
                static_cast<double>(DbAtRow(point.v)), above ? "L" : "R");
  XR_CATCH_VOID
}

void CStereoGraph::TriggerGenerateToneFor(CPoint& point, float freq) {
  XR_TRY
  const float db = DbAtRow(point.v);
  if (point.v < CentreRow())
    ReportToEditor(2, freq, db, kSilentChannelDb);
  else
    ReportToEditor(2, freq, kSilentChannelDb, db);
  XR_CATCH_VOID
}

void CStereoGraph::captureMouseDb(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  PressDrag(eDragDbZoom, ctx, where, buttons);
  XR_CATCH_VOID
}

void CStereoGraph::ZoomDbStep(const CPoint& previous, const CPoint& now, long buttons) {
  const float height = static_cast<float>(getHeight() > 0 ? getHeight() : 1);
  const float min = m_fDbMin;
  const float max = m_fDbMax;
  // The dB under the mouse stays in place while the span scales.
  const float d = DbAtRow(now.v - size.top);
  const float s = (buttons & kModifierShift) ? 0.1f : 1.0f;
  float z = std::exp(static_cast<float>(previous.h - now.h) * 0.01f * s);
  if (z < 1.0f && min >= max - kMinDbSpan) z = 1.0f;
  const float shift = (max - min) * static_cast<float>(previous.v - now.v) / height * s;
  float newMin = d + (min - d) * z - shift;
  float newMax = d + (max - d) * z - shift;
  if (z < 1.0f && newMax - newMin < kMinDbSpan) {
    const float mid = (newMin + newMax) / 2.0f;
    newMin = mid - kMinDbSpan / 2.0f;
    newMax = mid + kMinDbSpan / 2.0f;
  }
  newMin = std::min(std::max(newMin, m_fAbsDbMin), m_fAbsDbMax - kMinDbSpan);
  newMax = std::max(std::min(newMax, m_fAbsDbMax), m_fAbsDbMin + kMinDbSpan);
  SetDbRange(newMin, newMax);
}
