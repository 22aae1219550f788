// The stereo graph: a spectrum graph of the stereo balance. For every
// column of the frequency axis it shows how much the left spectrum exceeds
// the right one, upward from a centre line for a left excess and downward
// for a right excess, with peak holds, dB lines mirrored about the centre
// and the title "Stereo Width".
//
// Law: a difference v lies (ln v - c) x k + H pixels from the centre line,
// limited to 0..H, with H = (height - 2) / 2 - 1, k = H x g_fLogScaleMult /
// (dB max - dB min) and c = dB max / (g_fLogScaleMult / 2) +
// g_fLogScaleShiftDown: the top and bottom rows show dB max, the centre
// line the middle of the dB range.
//
// Thread contract: user-interface thread only, like every frequency graph;
// the data stores are read through their handshake inside the draw.
#pragma once

#include "Helpers/FreqGraphs.h"

class CStereoGraph : public CFreqSpectrumGraph {
 public:
  enum EWhatToShow { eDynamic = 0, eAveraging = 1 };
  static const char* const c_pszWhatToShowName[2];

  CStereoGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);

  // Averaging on for eAveraging, off otherwise; clears all graph values.
  void SetWhatToShow(EWhatToShow what);
  EWhatToShow GetWhatToShow() const { return m_eWhatToShow; }

  // Reads the stores, runs the peak hold of both directions and draws the
  // traces, the frozen pair, the scales, the mirrored dB labels and the
  // mouse read-out.
  void DoOwnerDrawInner(CDrawContext* ctx) override;
  // Background, frequency lines, the dB lines mirrored about the centre,
  // the title.
  void DoDrawBackground(CDrawContext* layer) override;
  // The dB zoom drag of the graph family: left and right scale the span
  // about the dB under the mouse, up and down move it.
  void captureMouseDb(CDrawContext* ctx, CPoint& where, long buttons) override;
  // "<frequency>, <dB>dB L" above the centre, "... R" below it.
  void FillInMouseInfoFor(CPoint& point, float freq) override;
  // Kind 2: (freq, dB, -1000) above the centre, (freq, -1000, dB) below;
  // -1000 marks the silent channel.
  void TriggerGenerateToneFor(CPoint& point, float freq) override;

  // Geometry of the law for the control's current size.
  int CentreRow() const;
  int HalfHeight() const;
  // Distance from the centre line of a difference v (0 for v <= 0).
  float DistanceOf(float v) const;
  // dB shown at a view-relative row.
  float DbAtRow(long y) const;

  // Frozen pair: false puts the first frozen graph above the centre and the
  // second below it; true shows only their difference, above or below.
  bool m_bFrozenDifference = false;

 protected:
  void ZoomDbStep(const CPoint& previous, const CPoint& now, long buttons) override;

 private:

  EWhatToShow m_eWhatToShow = eDynamic;
};
