// The waterfalls: scrolling spectrograms. Each new spectrum becomes one row
// of colours at the top of the graph while the older rows move down; a
// colour bar along the bottom shows the colour scale and can be dragged to
// shift it (reported to the editor as kind 4).
//
// CWaterfall holds the mechanism: up to ten rows are cached (CacheTopLine,
// one per frame, or more often from the editor's idle) and written into
// the off-screen image at the next OperateWaterfall, which first moves the
// image down by as many rows, leaving the bottom 35 rows (legend and
// frequency labels) in place. The image lives in the control's own
// off-screen from one draw to the next (a waterfall keeps no background
// layer); the background is drawn into it afresh only when the range,
// colours or size ask for a full redraw.
//
// Colour law: level = (ln v - ln 255) x 0.15 + 1, limited to 0..1, where v
// is the column's amplitude (the spectrum graphs' own scale); the colour of
// a level is taken from a 200-colour cache of the colour list over (lower -
// offset, upper - offset) at index trunc((level - lower) x 200 / (upper -
// lower)). CCompositeWaterfall colours the left, right, larger or average
// spectrum over 0..1; CStereoWaterfall the difference left - right over
// -1..1 (negative for a right excess). Without a colour list set, each uses
// preset 0 of its picker set.
//
// Thread contract: user-interface thread only; the data stores are read
// through their handshake while a row is cached.
//
// Source files: Waterfall.cpp (the mechanism), WaterfallKinds.cpp (the two
// waterfalls).
#pragma once

#include <memory>

#include "Helpers/ColorModel.h"
#include "Helpers/FreqGraphs.h"
#include "Helpers/Lock.h"

class CWaterfall : public CFreqGraph {
 public:
  static constexpr int kCachedRows = 10;
  static constexpr int kFixedBottomRows = 35;  // legend and labels: never scrolled

  CWaterfall(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);

  // The base's range; with `redraw` the image is drawn afresh.
  void SetFreqRange(float min, float max, bool redraw = true) override;
  // Shifts the colour scale; the legend and the colour cache follow.
  void SetColorBarOffset(float offset);
  // Caches one row from the stores (nothing while frozen), operating the
  // waterfall first when all ten are waiting.
  void CacheTopLine();
  // Moves the image down by the cached rows and draws them at the top (the
  // newest on top). While frozen it only asks for a fresh image once live.
  virtual void OperateWaterfall();
  // Row `row` of the cache from the stores.
  virtual void CacheTopLineInner(int row) = 0;
  // The colour bar with its dB labels.
  virtual void DrawLegend(CDrawContext* ctx) = 0;
  // The colour-bar drag: a default click returns the offset to 0; a left
  // drag moves it by the horizontal move over the bar's width (a tenth with
  // Shift), within -upper..upper.
  virtual void captureMouseColorBar(CDrawContext* ctx, CPoint& where, long buttons);

  // [drawing] The background when due, the waterfall, the frequency values.
  void DoOwnerDrawInner(CDrawContext* ctx) override;
  // Black, the frequency lines, the legend.
  void DoDrawBackground(CDrawContext* ctx) override;
  // The mouse read-out over the screen.
  void PostDraw(CDrawContext* screen) override;
  // The frequency under the mouse alone.
  void FillInMouseInfoFor(CPoint& point, float freq) override;
  // At or below the colour bar's top: the colour-bar drag; elsewhere the
  // graph's own handling.
  void mouse(CDrawContext* ctx, CPoint& where, long buttons = -1) override;
  void mouseMove(CDrawContext* ctx, CPoint& where, long buttons = -1) override;
  // Only the off-screen: the image must stay from one draw to the next.
  bool attached(CView* parent) override;
  bool removed(CView* parent) override;

  // The list in use: the one set, or the default.
  const ColorBoundary* ColorList() const { return pColorList ? pColorList : pDefaultColorList; }
  // Colour of a level through the cache (exposed for tests).
  CColor ColourOfLevel(float level);
  // Pixel column of graph column x.
  long PixelOfColumn(int x) const { return x + (m_bScalesOutside ? m_nDbColumnWidth : 0); }

  const ColorBoundary* pColorList = nullptr;  // set by a product; not owned
  ColorBoundaryCache colorCache;
  bool bRebuildColorCache = true;
  Lock lockWaterfall;  // held while the image scrolls and is drawn
  float fColorBarOffset = 0.0f;
  float fColorLower = 0.0f;
  float fColorUpper = 1.0f;
  CRect rectColorBar;                // view-relative
  bool bFullRedraw = true;           // draw the image afresh at the next frame
  bool bFullRedrawWhenLive = false;  // asked for while frozen
  int nCachedRows = 0;
  std::unique_ptr<CColor[]> pRows[kCachedRows];  // a colour per column each

 protected:
  // The colour bar's default offset, 0, and its drag.
  void ResetDrag(EMouseDrag drag) override;
  void OwnDragMotion(const CPoint& where, long buttons) override;
  // Writes the cached rows at the top of `ctx`: row i on pixel row
  // count - i - 1.
  void DrawCachedTopLines(CDrawContext* ctx);
  // Reads stores 0 and 1 into the column lines through their handshake.
  void ExtractBothChannels();
  // The colour bar in the list's colours, with "%i" dB labels over it from
  // `fromLevel` to `toLevel` (negative levels of a stereo scale labelled by
  // their magnitude) and the unit.
  void DrawColourBar(CDrawContext* ctx, bool stereo);
  // dB of a level of the colour law (its magnitude for a negative level).
  static float DbOfLevel(float level);

  const ColorBoundary* pDefaultColorList = nullptr;
};

class CCompositeWaterfall : public CWaterfall {
 public:
  enum EWhatToShow { eLeft = 0, eRight = 1, eMaximum = 2, eAverage = 3 };
  static const char* const c_pszWhatToShowName[4];

  CCompositeWaterfall(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);
  // Stores the choice and clears all graph values.
  void SetWhatToShow(EWhatToShow what);
  EWhatToShow GetWhatToShow() const { return m_eWhatToShow; }

  void CacheTopLineInner(int row) override;
  void DrawLegend(CDrawContext* ctx) override;

  // Level 0..1 of an amplitude by the colour law (0 for v <= 0).
  static float LevelOf(float v);

 private:
  EWhatToShow m_eWhatToShow = eLeft;
};

class CStereoWaterfall : public CWaterfall {
 public:
  CStereoWaterfall(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);

  void CacheTopLineInner(int row) override;
  void DrawLegend(CDrawContext* ctx) override;

  // Level -1..1 of a difference left - right: the colour law of its
  // magnitude, negative for a right excess.
  static float LevelOfDifference(float x);
};
