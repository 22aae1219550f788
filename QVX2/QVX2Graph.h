// The equaliser's main display: the live spectrum of the composite graph,
// with the equaliser curve of each channel drawn under it (as the editor's
// curve cache holds it), one handle per band on the edited channel's curve,
// and the instrument guide. A left drag across the graph draws the curve:
// the press and each motion set the band nearest the pointer to the dB under
// it, and the bands the pointer skipped take values interpolated between the
// two.
//
// Coordinates. The plot is the whole view: curve column i, handle x and the
// spectrum's column i all sit on pixel i of the view, so the curve, its
// handles and the traces line up. The left 10 pixels (dB zoom) and the
// bottom 10 rows (frequency zoom) start the base's zoom drags instead of a
// curve edit.
//
// Thread contract: user-interface thread only, like every owner-drawn
// control; drawing runs under the control's own lock.
#pragma once

#include "Helpers/FreqGraphs.h"
#include "QVX/QVXHelp.h"
#include "QVX2/QVX2Editor.h"
#include "QVX2/QVX2Params.h"

class QVX2CompositeGraph : public CCompositeGraph {
 public:
  static constexpr int kNumHandles = 2 * kQvx2NumBands;
  // The x of a band behind the end of the layout.
  static constexpr long kNoHandle = 1000000;

  QVX2CompositeGraph(const CRect& size, QVX2Editor* editor);
  QVX2CompositeGraph(const QVX2CompositeGraph&) = delete;
  QVX2CompositeGraph& operator=(const QVX2CompositeGraph&) = delete;

  void mouse(CDrawContext* ctx, CPoint& where, long buttons = -1) override;
  void mouseMove(CDrawContext* ctx, CPoint& where, long buttons = -1) override;
  void PostDraw(CDrawContext* screen) override;
  void DoOwnerDrawInner(CDrawContext* ctx) override;
  void DoDrawBackground(CDrawContext* ctx) override;

  // The band (0..134) of the current layout whose handle is nearest to
  // frame x; a tie goes to the lower band.
  int GetNearestHandle(int x);
  // The 270 handle points (frame coordinates) and the handle size, from the
  // band layout and gains.
  void CacheHandles();
  void DrawHandle(CDrawContext* ctx, int index);

  CRect m_rectPlot;  // frame coordinates
  CPoint m_Handles[kNumHandles];
  bool m_bHandlesCached = false;
  int m_nHoveredHandle = -1;
  bool m_bDragging = false;
  CColor m_colLeftCurve = {96, 48, 24, 255};
  CColor m_colRightCurve = {16, 32, 64, 255};
  CColor m_colLinkedCurve = {120, 100, 80, 255};
  CQvxGuide m_Guide;
  int m_nHandleSize = 3;

 protected:
  // The curve drag: the press and each motion set bands, the end closes
  // the editor's gesture (the base's edit bracket).
  void OwnDragMotion(const CPoint& where, long buttons) override;
  void OwnDragEnd() override;

 private:
  // Plot area from the view's rectangle; the handles when none are cached.
  void PreparePlot();
  QVX2Editor* m_pEditor;
  // The curve drag: the band and dB its last motion set (-1: none yet), and
  // whether the next motion is its press.
  int m_nPreviousBand = -1;
  float m_fPreviousDb = 0.0f;
  bool m_bFirstPass = false;
  CPoint m_CurvePoints[2][QVX2Editor::kCurveColumns];
};
