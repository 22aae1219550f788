// The curve graph: the equaliser curves and band handles under the composite
// graph's spectrum, the curve drawn with the mouse, and the guide.
#include "QVX2/QVX2Graph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Helpers/Assert.h"
#include "Helpers/ColorModel.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Bands.h"
#include "QVX2/QVX2Editor.h"
#include "gui/CDrawContext.h"
#include "gui/MouseMoveAwayHook.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Graph");

namespace {
constexpr int kColumns = QVX2Editor::kCurveColumns;
constexpr int kBands = kQvx2NumBands;
constexpr int kDbStripWidth = 10;
// The spectrum's dB labels stand in this column along the right edge; the
// mouse read-out stays left of it, a few columns apart.
constexpr long kSpectrumScaleWidth = 30;
constexpr int kMouseInfoRightMargin = static_cast<int>(kSpectrumScaleWidth) + 4;
constexpr unsigned long kDragPointer = 4;
// Curve rows are held this far outside the view before they become ints.
constexpr double kRowLimit = 100000.0;

long Row(double y) {
  if (!(y == y)) return 0;
  return static_cast<long>(std::max(-kRowLimit, std::min(kRowLimit, y)));
}

}  // namespace

QVX2CompositeGraph::QVX2CompositeGraph(const CRect& size, QVX2Editor* editor)
    : CCompositeGraph(size, editor, nullptr), m_pEditor(editor) {
  XR_TRY
  m_nDbStripWidth = kDbStripWidth;
  m_nMouseInfoRightMargin = kMouseInfoRightMargin;
  m_rectPlot = size;
  if (m_pEditor) m_pEditor->MarkCurveStale();
  XR_CATCH_VOID
}

void QVX2CompositeGraph::PreparePlot() {
  m_rectPlot = size;
  if (!m_bHandlesCached) CacheHandles();
}

// --- handles --------------------------------------------------------------------------

int QVX2CompositeGraph::GetNearestHandle(int x) {
  XR_TRY
  PreparePlot();
  // Only bands of the current layout: they come first, the rest are marked.
  int last = -1;
  while (last + 1 < kBands && m_Handles[last + 1].h != kNoHandle) ++last;
  if (last < 0) return -1;
  int i = 0;
  while (i <= last && m_Handles[i].h <= x) ++i;
  if (i > last) return last;
  if (i == 0) return 0;
  return (m_Handles[i].h - x) < (x - m_Handles[i - 1].h) ? i : i - 1;
  XR_CATCH(-1)
}

void QVX2CompositeGraph::CacheHandles() {
  XR_TRY
  AQVX2* fx = m_pEditor ? m_pEditor->Effect() : nullptr;
  if (!fx) return;
  m_rectPlot = size;
  m_nHandleSize = 3;
  long smallest = 100;
  long previous = -1000000;
  const QVX2BandTable& freqs = *kQvx2BandLayouts[static_cast<size_t>(m_pEditor->GetLayout())].pFreqs;
  const double logMin = m_pEditor->LogMinFreq();
  const double logRange = m_pEditor->LogFreqRange();
  const double width = static_cast<double>(m_rectPlot.width());
  const double height = static_cast<double>(m_rectPlot.height());
  for (int i = 0; i < kNumHandles; ++i) {
    const float f = freqs[static_cast<size_t>(i % kBands)];
    if (f >= kfQvx2BandEndMarker) {
      m_Handles[i] = CPoint(kNoHandle, kNoHandle);
      continue;
    }
    const long x = m_rectPlot.left + Row(width * (std::log(static_cast<double>(f)) - logMin) / logRange);
    const double g = kfSP_MinG + (kfSP_MaxG - kfSP_MinG) *
                                     Qvx2SanitizedValue(fx->getParameter(nParamG[static_cast<size_t>(i)]), 0.5f);
    const long y = Row(m_rectPlot.bottom - height * (g - m_fDbMin) / (m_fDbMax - m_fDbMin));
    m_Handles[i] = CPoint(x, y);
    smallest = std::min(smallest, std::labs(x - previous));
    previous = x;
  }
  if (smallest <= 9) m_nHandleSize = 2;
  if (smallest <= 4) m_nHandleSize = 1;
  m_bHandlesCached = true;
  XR_CATCH_VOID
}

void QVX2CompositeGraph::DrawHandle(CDrawContext* ctx, int index) {
  XR_TRY
  if (!ctx || !m_pEditor || index < 0 || index >= kNumHandles) return;
  const CPoint& p = m_Handles[index];
  if (p.h == kNoHandle || p.h < m_rectPlot.left || p.v > m_rectPlot.bottom) return;
  const long x = p.h - size.left;
  const long y = p.v - size.top;
  const bool apart = m_pEditor->ShowsLeftRight();
  CColor colour = (apart ? (index / kBands ? m_colRightCurve : m_colLeftCurve) : m_colLinkedCurve) * 2.2f;
  const int hovered = (apart && m_pEditor->GetChannel() ? kBands : 0) + m_nHoveredHandle;
  if (m_nHoveredHandle >= 0 && index == hovered) colour = kWhiteCColor;
  ctx->setFillColor(colour);
  const long s = m_nHandleSize;
  const long l = x - s / 2;
  const long t = y - s / 2;
  // fillRect leaves its last column and row.
  ctx->fillRect(CRect(l, t, l + s + 1, t + s + 1));
  XR_CATCH_VOID
}

// --- drawing --------------------------------------------------------------------------

void QVX2CompositeGraph::DoOwnerDrawInner(CDrawContext* ctx) {
  XR_TRY
  if (!ctx || !m_pEditor) return;
  AQVX2* fx = m_pEditor->Effect();
  if (!fx) return;
  m_rectPlot = size;
  if (m_pEditor->IsCurveStale()) m_pEditor->CacheFilterGraph();

  const double H = static_cast<double>(m_rectPlot.height());
  const double perDb = H / (m_fDbMax - m_fDbMin);
  const long y0 = Row(H + m_fDbMin * perDb);
  const int e = m_pEditor->GetChannel();
  const bool fill = fx->GetPersistantParam(QVX2Editor::kGraphFillParam) != 0.0f;
  const bool apart = m_pEditor->ShowsLeftRight();
  const int channels[2] = {apart ? 1 - e : e, e};
  const int first = apart ? 0 : 1;

  // Nothing above half the sample rate.
  const double rate = GetSampleRate();
  int count = 0;
  if (rate > 0.0) {
    const double c = kColumns * std::log(rate / 2.0 / m_fFreqMin) / std::log(static_cast<double>(m_fFreqMax) / m_fFreqMin);
    count = c >= kColumns ? kColumns : static_cast<int>(std::max(c, 0.0));
  }
  const CColor mixed = m_colLeftCurve * 0.5f + m_colRightCurve * 0.5f;
  auto fillColumn = [&](long x, long top, long bottom, const CColor& colour) {
    if (bottom <= top) return;
    ctx->setFillColor(colour);
    ctx->fillRect(CRect(x - 1, top, x + 1, bottom));
  };
  for (int i = 0; i < count; ++i) {
    // The trace writer puts point i one column left of its x (as the
    // spectrum's traces expect): curve column i lands on pixel i, under
    // the spectrum's column i and the handles of its frequency.
    const long x = m_rectPlot.left - size.left + i + 1;
    for (int c = first; c < 2; ++c) {
      const int ch = channels[c];
      m_CurvePoints[ch][i] = CPoint(x, Row(H - perDb * (m_pEditor->Curve(ch)[i] - m_fDbMin)));
    }
    if (!fill) continue;
    if (!apart) {
      const long y = m_CurvePoints[e][i].v;
      if (y0 < y) fillColumn(x, y0 + 1, y + 1, m_colLinkedCurve);
      if (y < y0) fillColumn(x, y - 1, y0 + 1, m_colLinkedCurve);
      continue;
    }
    const long yL = m_CurvePoints[0][i].v;
    const long yR = m_CurvePoints[1][i].v;
    if (yL <= y0 && yR >= y0) {
      fillColumn(x, yL - 1, y0 + 1, m_colLeftCurve);
      fillColumn(x, y0 + 1, yR + 1, m_colRightCurve);
    } else if (yL <= y0 && yR < y0) {
      if (yL <= yR) {
        fillColumn(x, yR, y0 + 1, mixed);
        fillColumn(x, yL - 1, yR, m_colLeftCurve);
      } else {
        fillColumn(x, yL, y0 + 1, mixed);
        fillColumn(x, yR - 1, yL, m_colRightCurve);
      }
    } else if (yR <= y0) {
      fillColumn(x, y0 + 1, yL + 1, m_colLeftCurve);
      fillColumn(x, yR - 1, y0 + 1, m_colRightCurve);
    } else if (yL >= yR) {
      fillColumn(x, y0 + 1, yR, mixed);
      fillColumn(x, yR, yL + 1, m_colLeftCurve);
    } else {
      fillColumn(x, y0 + 1, yL, mixed);
      fillColumn(x, yL, yR + 1, m_colRightCurve);
    }
  }

  if (m_bLive) {
    // The spectrum's own dB scale, every 10 dB.
    ctx->setFontColor(m_colLeft * 0.5f + m_colRight * 0.5f);
    ctx->setFont(kFontVerySmall, 0, 0);
    const CRect& r = rectDraw;
    const float span = m_fSpectrumDbMax - m_fSpectrumDbMin;
    for (int n = 1; n <= 9 && span > 0.0f; ++n) {
      char text[16];
      std::snprintf(text, sizeof(text), "-%i0dB", n);
      const long yn = static_cast<long>(n * 10 * (r.height() - 10) / span + r.top);
      ctx->drawString(text, CRect(r.right - kSpectrumScaleWidth, yn - 4, r.right - 3, yn + 4), 0, kAlignCenter);
    }
  }

  for (int c = first; c < 2; ++c) {
    const int ch = channels[c];
    const CColor colour = (apart ? (ch ? m_colRightCurve : m_colLeftCurve) : m_colLinkedCurve) * 2.0f;
    DrawGraphPolyLine(ctx, m_CurvePoints[ch], colour.red, colour.green, colour.blue, count, true);
    for (int b = 0; b < kBands; ++b) DrawHandle(ctx, ch * kBands + b);
  }

  CCompositeGraph::DoOwnerDrawInner(ctx);
  m_Guide.DrawGuideInfo(ctx, rectDraw);
  XR_CATCH_VOID
}

void QVX2CompositeGraph::DoDrawBackground(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  CFreqGraph::ClearBackground(ctx, 0, 0, 0);
  if (!m_pEditor) return;
  float fmin = 0.0f, fmax = 0.0f;
  m_pEditor->GetGraphFreqRange(fmin, fmax);
  m_Guide.DrawGuideBars(ctx, rectDraw, fmin, fmax, static_cast<float>(GetSampleRate()));
  DrawFreqLines(ctx, false);
  CalcDbLines(1);
  // In the colour DrawFreqLines leaves set.
  for (int i = 0; i < m_nDbLines; ++i)
    ctx->fillRect(CRect(rectDraw.left, m_DbLines[i].nY, rectDraw.right, m_DbLines[i].nY + 2));
  m_Guide.DrawGuideNums(ctx, rectDraw, fmin, fmax);
  XR_CATCH_VOID
}

void QVX2CompositeGraph::PostDraw(CDrawContext* screen) {
  XR_TRY
  CCompositeGraph::PostDraw(screen);
  XR_CATCH_VOID
}

// --- mouse ------------------------------------------------------------------------------

void QVX2CompositeGraph::mouse(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  const CRect editing(size.left + m_nDbStripWidth, size.top, size.right, size.bottom - m_nScaleRowHeight);
  if (!m_pEditor || !getMouseEnabled() || !editing.pointInside(where)) {
    CFreqGraph::mouse(ctx, where, buttons);
    return;
  }
  if (buttons == -1) buttons = ctx ? ctx->getMouseButtons() : 0;
  if (!(buttons & kMouseLeft) || !ctx) return;
  PreparePlot();
  // The graph's edit bracket is the editor's gesture: every band the drag
  // writes, the partner channel's mirrored ones included, reaches the host
  // inside one bracket, closed at the drag's end however it ends.
  m_bDragging = true;
  beginEdit();
  m_nPreviousBand = -1;
  m_fPreviousDb = 0.0f;
  m_bFirstPass = true;
  BeginDrag(eDragOwn, ctx, where, buttons);
  XR_CATCH_VOID
}

void QVX2CompositeGraph::OwnDragMotion(const CPoint& where, long buttons) {
  XR_TRY
  g_MousePointerID = static_cast<int>(kDragPointer);
  const int band = (m_bFirstPass || where != m_DragLast) ? GetNearestHandle(static_cast<int>(where.h)) : -1;
  m_bFirstPass = false;
  if (band >= 0) {
    if (band != m_nHoveredHandle) {
      m_nHoveredHandle = band;
      setDirty(true);
    }
    float db = m_fDbMin + static_cast<float>(m_rectPlot.bottom - where.v) / static_cast<float>(m_rectPlot.height()) *
                              (m_fDbMax - m_fDbMin);
    if (buttons & kModifierCommand) db = m_fPreviousDb = 0.0f;
    // The bands the pointer skipped, from the previous band towards this one.
    const int previous = m_nPreviousBand;
    if (previous != -1 && std::abs(previous - band) > 1) {
      const int step = band > previous ? 1 : -1;
      for (int k = previous + step; k != band; k += step) {
        const float value =
            static_cast<float>(k - previous) * (db - m_fPreviousDb) / static_cast<float>(band - previous) +
            m_fPreviousDb;
        m_pEditor->ControlCallback(DivuVazize::eCC_BandEdit, this, static_cast<float>(k), value, 0.0f);
      }
    }
    m_pEditor->ControlCallback(DivuVazize::eCC_BandEdit, this, static_cast<float>(band), db, 0.0f);
    m_DragLast = where;
    m_pEditor->MarkCurveStale();
    m_bHandlesCached = false;
    m_nPreviousBand = band;
    m_fPreviousDb = db;
  }
  if (m_bMouseInfo && m_rectPlot.width() > 0) {
    CPoint local(where.h - m_rectPlot.left, where.v - m_rectPlot.top);
    FillInMouseInfoFor(local, std::exp(static_cast<float>(local.h) * m_pEditor->LogFreqRange() /
                                           static_cast<float>(m_rectPlot.width()) +
                                       m_pEditor->LogMinFreq()));
  }
  XR_CATCH_VOID
}

void QVX2CompositeGraph::OwnDragEnd() { m_bDragging = false; }

void QVX2CompositeGraph::mouseMove(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  const long held = buttons == -1 ? (ctx ? ctx->getMouseButtons() : 0) : buttons;
  if (m_pEditor && getMouseEnabled() && (held & (kMouseLeft | kMouseMiddle | kMouseRight)) == 0) {
    if (m_Guide.SetMouseHover(CPoint(where.h - size.left, where.v - size.top))) {
      bBackgroundDirty = true;
      setDirty(true);
    }
    const int band = GetNearestHandle(static_cast<int>(where.h));
    if (band != m_nHoveredHandle) {
      m_nHoveredHandle = band;
      setDirty(true);
    }
  }
  CFreqGraph::mouseMove(ctx, where, buttons);
  XR_CATCH_VOID
}
