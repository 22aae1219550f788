// The composite graph's frame: the stores are read through their handshake,
// the columns extracted and peak-held, and the traces of the mode drawn over
// the cached grid layer; then the scales and the mouse read-out.
#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/FreqGraphs.h"
#include "Helpers/FrequencyDataStore.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/FreqGraphComposite");

namespace {

bool IsDualMode(CCompositeGraph::EWhatToShow mode) {
  return mode == CCompositeGraph::eLeftAndRight || mode == CCompositeGraph::eLeftRightTimeAv ||
         mode == CCompositeGraph::eMidSide || mode == CCompositeGraph::eMidSideTimeAv;
}

}  // namespace

int CCompositeGraph::ModeValues(int x, float trace[2], float peak[2]) const {
  const float l = m_pColumnLine[0][x];
  const float r = m_pColumnLine[1][x];
  const float pl = m_pPeakLine[0][x];
  const float pr = m_pPeakLine[1][x];
  switch (m_eWhatToShow) {
    case eLeft:
      trace[0] = l;
      peak[0] = pl;
      return 1;
    case eRight:
      trace[0] = r;
      peak[0] = pr;
      return 1;
    case eMaximum:
      trace[0] = std::max(l, r);
      peak[0] = std::max(pl, pr);
      return 1;
    case eAverage:
    case eAverageTimeAv:
      trace[0] = (l + r) / 2.0f;
      peak[0] = (pl + pr) / 2.0f;
      return 1;
    case eMidSide:
    case eMidSideTimeAv:
      trace[0] = (l + r) / 2.0f;
      trace[1] = std::fabs(l - r) / 2.0f;
      peak[0] = (pl + pr) / 2.0f;
      peak[1] = (pl - pr) / 2.0f;
      return 2;
    case eLeftAndRight:
    case eLeftRightTimeAv:
    default:
      trace[0] = l;
      trace[1] = r;
      peak[0] = pl;
      peak[1] = pr;
      return 2;
  }
}

void CCompositeGraph::DoOwnerDrawInner(CDrawContext* ctx) {
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

    // The level law over the plot's height.
    const float height = static_cast<float>(rd.height() - 3 - (m_bScalesOutside ? m_nScaleRowHeight : 0));
    const float dbMin = m_bSeparateSpectrumRange ? m_fSpectrumDbMin : m_fDbMin;
    const float dbMax = m_bSeparateSpectrumRange ? m_fSpectrumDbMax : m_fDbMax;
    const float k = height * g_fLogScaleMult / (dbMax - dbMin) * 0.5f;
    const float c = dbMax / (g_fLogScaleMult * 0.5f) + g_fLogScaleShiftDown;
    const bool barGaps = m_fBarWidth != 0.0f && m_nFirstBandWidth > 8;

    // Nothing is drawn above half the sample rate.
    const double rate = GetSampleRate();
    int columns = 0;
    if (rate > 0.0) {
      const double byRate = plotWidth * std::log(rate / 2.0 / m_fFreqMin) /
                            std::log(static_cast<double>(m_fFreqMax) / m_fFreqMin);
      columns = byRate >= plotWidth ? plotWidth : static_cast<int>(std::max(byRate, 0.0));
    }

    const bool dual = IsDualMode(m_eWhatToShow);
    const CColor* traceCol = &m_colAv;
    const CColor* fillCol = &m_colAvFill;
    const CColor* peakCol = &m_colAvPeak;
    if (m_eWhatToShow == eLeft || dual) {
      traceCol = &m_colLeft;
      fillCol = &m_colLeftFill;
      peakCol = &m_colLeftPeak;
    } else if (m_eWhatToShow == eRight) {
      traceCol = &m_colRight;
      fillCol = &m_colRightFill;
      peakCol = &m_colRightPeak;
    }
    if (!dual) ctx->setFillColor(*traceCol);

    const long bottom = rd.bottom - (m_bScalesOutside ? m_nScaleRowHeight : 0);
    const float* left = m_pColumnLine[0].get();
    const float* right = m_pColumnLine[1].get();
    for (int x = 0; x < columns; ++x) {
      OperatePeak(left[x], 0, x, now);
      OperatePeak(right[x], 1, x, now);
      float trace[2] = {0.0f, 0.0f};
      float peak[2] = {0.0f, 0.0f};
      const int traces = ModeValues(x, trace, peak);
      const long px = rd.left + 1 + x + shift;
      for (int t = 0; t < traces; ++t) {
        m_pTracePoints[t][x] = CPoint(px, static_cast<long>(bottom - LevelHeight(trace[t], height, k, c)));
        m_pPeakPoints[t][x] = CPoint(px, static_cast<long>(bottom - LevelHeight(peak[t], height, k, c)));
      }
      if (!dual && m_bFill) {
        const bool boundary =
            x + 1 < columns && left[x] != left[x + 1] && right[x] != right[x + 1];
        if (!barGaps || !boundary) ctx->fillRect(CRect(px - 1, m_pTracePoints[0][x].v, px + 1, bottom));
      }
      if (m_bSecondPair) {
        for (int i = 0; i < 2; ++i) {
          const float v = m_pColumnLine[2 + i][x] * 0.999f * m_fSecondLevelMult[i];
          const float h = LevelHeight(v, height, k * m_fSecondLawScale[i], c + m_fSecondLawOffset[i]);
          m_pTracePoints[2 + i][x] = CPoint(px, static_cast<long>(bottom - h));
        }
      }
    }

    auto polyLine = [&](int slot, bool peaks, const CColor& col, bool asLine) {
      CPoint* points = peaks ? m_pPeakPoints[slot].get() : m_pTracePoints[slot].get();
      DrawGraphPolyLine(ctx, points, col.red, col.green, col.blue, columns, asLine);
    };
    if (!dual) {
      if (m_bShowPeaks) polyLine(0, true, *peakCol, !barGaps);
      if (!m_bFill)
        polyLine(0, false, *traceCol, true);
      else if (m_fBarWidth == 0.0f)
        polyLine(0, false, *fillCol, true);
      if (m_bSecondPair) polyLine(2, false, m_colSecond[0], true);
    } else {
      if (m_bShowPeaks) {
        polyLine(0, true, m_colLeftPeak, !barGaps);
        polyLine(1, true, m_colRightPeak, !barGaps);
      }
      if (m_bFill) {
        // No clearing under the traces: a derived graph draws its own
        // curves before them, and they stay visible.
        polyLine(0, false, m_colLeftFill, true);
        polyLine(1, false, m_colRightFill, true);
      } else {
        polyLine(0, false, m_colLeft, true);
        polyLine(1, false, m_colRight, true);
      }
      if (m_bSecondPair) {
        polyLine(2, false, m_colSecond[0], true);
        polyLine(3, false, m_colSecond[1], true);
      }
    }
  }
  DrawScales(ctx, CPoint(0, 0));
  DrawMouseInfo(ctx, static_cast<int>(getWidth()) - 150, 5, 220, 220, 220);
  XR_CATCH_VOID
}

void CCompositeGraph::DoDrawBackground(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  ClearBackground(ctx, 0, 0, 0);
  DrawFreqLines(ctx, false);
  CalcDbLines(1);
  ctx->setFillColor({80, 80, 80, 255});
  for (int i = 0; i < m_nDbLines; ++i)
    ctx->fillRect(CRect(rectDraw.left, m_DbLines[i].nY, rectDraw.right, m_DbLines[i].nY + 2));
  if (m_bShowTitle) DisplayTitle(ctx, "Frequency Spectrum");
  XR_CATCH_VOID
}
