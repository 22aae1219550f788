// Mouse handling of the frequency graphs: the tone request, the hover over
// the zoom strips and the plot, and the frequency zoom drag with the drags'
// common start.
#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/FreqGraphs.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/FreqGraphMouse");

namespace {

constexpr unsigned long kPointerStrip = 2;
constexpr unsigned long kPointerPlot = 4;
constexpr float kfMinFreqSpan = 10.0f;  // Hz

long ResolveButtons(CDrawContext* ctx, long buttons) {
  if (buttons != -1) return buttons;
  return ctx ? ctx->getMouseButtons() : 0;
}

}  // namespace

void CFreqGraph::mouse(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  if (!getMouseEnabled()) return;
  buttons = ResolveButtons(ctx, buttons);
  CPoint local(where.h - size.left, where.v - size.top);
  if (buttons == kMouseRight) {
    const float f = GetFreqForX(static_cast<float>(local.h), static_cast<float>(getWidth()));
    TriggerGenerateToneFor(local, GetToneFreqOf(f));
  } else {
    if (m_bScales) {
      const long height = getHeight();
      if (local.v >= height - m_nScaleRowHeight && local.v < height) {
        RegisterMouseMoveAwayInterest();
        SetMousePointer(kPointerStrip);
        SetZoomControlState(eZoomDragFreq);
        captureMouse(ctx, where, buttons);
        return;
      }
      if (local.h >= 0 && local.h <= m_nDbStripWidth) {
        RegisterMouseMoveAwayInterest();
        SetMousePointer(kPointerStrip);
        SetZoomControlState(eZoomDragDb);
        captureMouseDb(ctx, where, buttons);
        return;
      }
    }
    ClearGraphPeaks(0);
    ClearGraphPeaks(1);
  }
  SetMousePointer(kPointerPlot);
  XR_CATCH_VOID
}

void CFreqGraph::mouseMove(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  SetZoomControlState(eZoomNone);
  if (!getMouseEnabled()) return;
  buttons = ResolveButtons(ctx, buttons);
  CPoint local(where.h - size.left, where.v - size.top);
  if (buttons == kMouseRight) {
    const float f = GetFreqForX(static_cast<float>(local.h), static_cast<float>(getWidth()));
    TriggerGenerateToneFor(local, GetToneFreqOf(f));
    SetMousePointer(kPointerPlot);
  }
  if (m_bScales) {
    const long height = getHeight();
    const bool overFreq = local.v >= height - m_nScaleRowHeight && local.v < height;
    const bool overDb = local.h >= 0 && local.h <= m_nDbStripWidth;
    if (overFreq || overDb) {
      if (buttons == 0) {
        SetZoomControlState(overFreq ? eZoomOverFreq : eZoomOverDb);
        SetMousePointer(kPointerStrip);
      }
      m_szMouseInfo[0] = '\0';
      RegisterMouseMoveAwayInterest();
      return;
    }
  }
  if (m_bMouseInfo) {
    SetMousePointer(kPointerPlot);
    const int offset = m_bScalesOutside ? m_nDbColumnWidth : 0;
    const int plotWidth = static_cast<int>(getWidth()) - offset;
    const float f = GetFreqForX(static_cast<float>(local.h - offset),
                                static_cast<float>(plotWidth > 0 ? plotWidth : 1));
    FillInMouseInfoFor(local, f);
    RegisterMouseMoveAwayInterest();
  }
  XR_CATCH_VOID
}

bool CFreqGraph::checkDefaultValue(CDrawContext*, long buttons) {
  XR_TRY
  return buttons == (kMouseLeft | kModifierCommand) || isDoubleClick();
  XR_CATCH(false)
}

void CFreqGraph::MouseMovedAway(CDrawContext*) {
  XR_TRY
  SetZoomControlState(eZoomNone);
  m_szMouseInfo[0] = '\0';
  setDirty(true);
  XR_CATCH_VOID
}

void CFreqGraph::captureMouse(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  PressDrag(eDragFreqZoom, ctx, where, buttons);
  XR_CATCH_VOID
}

void CFreqGraph::PressDrag(EMouseDrag drag, CDrawContext* ctx, CPoint& where, long buttons) {
  buttons = ResolveButtons(ctx, buttons);
  if (ModifierClickTaken(ctx, buttons)) return;
  if (checkDefaultValue(ctx, buttons)) {
    // The host call that brought the click redraws.
    ResetDrag(drag);
    return;
  }
  if (!(buttons & kMouseLeft) || !ctx) return;
  beginEdit();
  BeginDrag(drag, ctx, where, buttons);
}

void CFreqGraph::BeginDrag(EMouseDrag drag, CDrawContext* ctx, CPoint& where, long buttons) {
  m_eDrag = drag;
  m_DragLast = where;
  onMouseTrack(ctx, where, buttons);
  FollowMouse(ctx, where, kMouseLeft);
}

void CFreqGraph::ResetDrag(EMouseDrag drag) {
  if (drag == eDragFreqZoom) {
    SetFreqRange(m_fDefFreqMin, m_fDefFreqMax, true);
    ReportToEditor(0, 1.0f, 0.0f, 0.0f);
  } else if (drag == eDragDbZoom) {
    SetDbRange(m_fDefDbMin, m_fDefDbMax);
    ReportToEditor(1, 1.0f, 0.0f, 0.0f);
  }
}

void CFreqGraph::onMouseTrack(CDrawContext*, CPoint& where, long buttons) {
  XR_TRY
  if (m_eDrag == eDragOwn) {
    OwnDragMotion(where, buttons);
    return;
  }
  const bool db = m_eDrag == eDragDbZoom;
  if (!db && m_eDrag != eDragFreqZoom) return;
  if (where != m_DragLast) {
    if (db)
      ZoomDbStep(m_DragLast, where, buttons);
    else
      ZoomFreqStep(m_DragLast, where, buttons);
    ReportToEditor(db ? 1 : 0, 0.0f, 0.0f, 0.0f);
    m_DragLast = where;
    setDirty(true);
  }
  if (db && m_bDbZoomSettlesEachMotion) ReportToEditor(1, 1.0f, 0.0f, 0.0f);
  XR_CATCH_VOID
}

void CFreqGraph::onMouseTrackEnd(CDrawContext*, CPoint&, long) {
  XR_TRY
  const EMouseDrag drag = m_eDrag;
  if (drag == eDragNone) return;
  m_eDrag = eDragNone;
  if (drag == eDragOwn) {
    OwnDragEnd();
    endEdit();
    return;
  }
  const bool db = drag == eDragDbZoom;
  if (!db) SetFreqRange(m_fFreqMin, m_fFreqMax, true);
  endEdit();
  if (!db || !m_bDbZoomSettlesEachMotion) ReportToEditor(db ? 1 : 0, 1.0f, 0.0f, 0.0f);
  SetZoomControlState(eZoomNone);
  setDirty(true);
  XR_CATCH_VOID
}

void CFreqGraph::ZoomFreqStep(const CPoint& previous, const CPoint& now, long buttons) {
  const float width = static_cast<float>(getWidth() > 0 ? getWidth() : 1);
  const float lnMin = std::log(m_fFreqMin);
  const float lnMax = std::log(m_fFreqMax);
  // The log frequency under the mouse stays in place while the span scales.
  const float a = lnMin + (lnMax - lnMin) * static_cast<float>(now.h - size.left) / width;
  const float s = (buttons & kModifierShift) ? 0.1f : 1.0f;
  float z = std::exp(static_cast<float>(now.v - previous.v) * 0.01f * s);
  if (z < 1.0f && m_fFreqMin >= m_fFreqMax - kfMinFreqSpan) z = 1.0f;
  const float shift = static_cast<float>(now.h - previous.h) * (lnMax - lnMin) / width * s;
  float newMin = std::exp(a + (lnMin - a) * z - shift);
  float newMax = std::exp(a + (lnMax - a) * z - shift);
  // A fast shrinking step stops at the least span instead of passing it.
  if (z < 1.0f && newMax - newMin < kfMinFreqSpan) {
    const float mid = (newMin + newMax) / 2.0f;
    newMin = mid - kfMinFreqSpan / 2.0f;
    newMax = mid + kfMinFreqSpan / 2.0f;
  }
  newMin = std::min(std::max(newMin, m_fAbsFreqMin), m_fAbsFreqMax - kfMinFreqSpan);
  newMax = std::max(std::min(newMax, m_fAbsFreqMax), m_fAbsFreqMin + kfMinFreqSpan);
  SetFreqRange(newMin, newMax, false);
}

void CFreqGraph::captureMouseDb(CDrawContext*, CPoint&, long) {}

void CFreqGraph::ZoomDbStep(const CPoint&, const CPoint&, long) {}

void CFreqGraph::OwnDragMotion(const CPoint&, long) {}

void CFreqGraph::OwnDragEnd() {}

void CFreqGraph::FillInMouseInfoFor(CPoint&, float) {}

void CFreqGraph::TriggerGenerateToneFor(CPoint&, float) {}
