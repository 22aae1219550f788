// The frequency displays: owner-drawn graphs with a logarithmic frequency
// axis and a linear dB axis that show the spectra handed over by the
// effect's spectrum data stores.
//
// CFreqGraph is the base: visible, default and absolute ranges of both axes
// with the mouse zooms (reported to the editor, kinds 0 and 1), four
// data-store slots, one smoothed amplitude per pixel column and slot (line
// chart or band chart), peak hold with decay, the frequency and dB grids
// with their labels, a mouse read-out and a freeze mode that keeps a
// snapshot of the spectrum. CFreqSpectrumGraph adds the trace colours and a
// second pair of traces; CCompositeGraph draws the live traces of one of
// nine modes over a cached grid layer, zooms the dB range and asks the
// editor for test tones (kind 2).
//
// Source files: FreqGraphs.cpp (ranges, peaks, freeze, slots, reports),
// FreqGraphExtract.cpp (spectrum to columns, band tables),
// FreqGraphGrid.cpp (grids, labels, text helpers), FreqGraphMouse.cpp
// (hover, strips, the drags), FreqGraphSpectrum.cpp (colours, second
// pair, scales, modes, dB zoom, read-out, tones), FreqGraphComposite.cpp
// (the composite graph's frame and grid layer). The family's other members,
// which no editor of this plug-in shows: the stereo graph (StereoGraph.h)
// and the waterfalls (Waterfall.h).
//
// Units: amplitudes in the FFT's own scale (square roots of the stored bin
// powers), shown as dB through 8.75 (ln v - 6.7); frequencies in Hz; pixels
// in the control's own coordinates (0, 0, width, height) unless a member
// says otherwise.
//
// Thread contract: user-interface thread only (the host's thread and the
// frame's idle thread, taking turns under the frame lock); drawing runs under
// the owner-draw lock. The data stores are shared with the audio thread only
// through their reader handshake (BeginRead / EndRead), which the composite
// graph's draw performs. A graph never outlives the stores bound to it (the
// editor rebuilds its panel after the effect replaces them).
#pragma once

#include <memory>

#include "Helpers/ColorModel.h"
#include "Helpers/OwnerDrawControlsBase.h"

class CFrequencyDataStore;

// Least distance in pixels between two frequency labels.
extern const int g_nFreqNumSpacing;
// Bins added to each column's right-edge bin position in the line chart.
extern const float g_fFudgeFreqCorrection;
// The level law: dB = g_fLogScaleMult / 2 x (ln v - g_fLogScaleShiftDown).
extern const float g_fLogScaleMult;
extern const float g_fLogScaleShiftDown;

class CFreqGraph : public CLayeredOwnerDrawControl {
 public:
  enum EZoomControlState {
    eZoomNone = 0,
    eZoomOverFreq = 1,  // hovering over the frequency strip
    eZoomOverDb = 2,    // hovering over the dB strip
    eZoomDragFreq = 3,  // dragging a frequency zoom
    eZoomDragDb = 4     // dragging a dB zoom
  };

  static constexpr int kNumSlots = 4;
  static constexpr int kNumBarChartTypes = 9;
  static constexpr int kBandBreaksPerRow = 100;
  static constexpr int kMaxFreqLines = 200;
  static constexpr int kMaxDbLines = 100;
  static constexpr int kMouseInfoSize = 64;

  // Band layouts by bar-chart type: 0 the line chart, 1-4 bands of a fixed
  // width ratio centred on base x width^k, 5-8 bands from edge tables.
  static const char* const c_pszBarWidthNames[kNumBarChartTypes];
  static const char* const c_pszBarWidthNamesAbv[kNumBarChartTypes];
  static const float c_fBarBaseFreq[kNumBarChartTypes];
  static const float c_fBarWidths[kNumBarChartTypes];  // 0 line, -1 table
  // Rising band edges in Hz per type; each used row ends with two entries
  // of 1000000 and then zeros; rows 0-4 are zero.
  static const float (&c_fBandBreaks)[kNumBarChartTypes][kBandBreaksPerRow];

  struct FreqLine {
    float fFreq;
    int nX;
    bool bMajor;
    char szLabel[11];
  };
  struct DbLine {
    float fDb;
    int nY;
  };

  // `editor` is the owning editor; reports go to it when it is the editor
  // framework's editor. Every field takes its default; the per-column
  // arrays are sized for the view's width.
  CFreqGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);
  ~CFreqGraph() override;
  CFreqGraph(const CFreqGraph&) = delete;
  CFreqGraph& operator=(const CFreqGraph&) = delete;

  // --- configuration -----------------------------------------------------
  // Slots 0 (left), 1 (right), 2 and 3 (second pair); others are ignored.
  // The store is not owned.
  void SetDataStore(int slot, CFrequencyDataStore* store);
  CFrequencyDataStore* GetDataStore(int slot) const;
  // Absolute range (the zoom limits) and default range (what a reset
  // restores); a default of -100000 takes the absolute end.
  virtual void SetAbsFreqRange(float absMin, float absMax, float defMin, float defMax);
  virtual void SetAbsDbRange(float absMin, float absMax, float defMin, float defMax);
  // The visible range. A change clears the peaks of channels 0 and 1,
  // redraws the grid and, while frozen, asks for one extraction of the
  // snapshot. A range that is not positive, finite and rising is ignored.
  // The flag is for derived displays that redraw more on a range change;
  // not used here.
  virtual void SetFreqRange(float min, float max, bool bRedraw = true);
  virtual void SetDbRange(float min, float max);
  void SetPeakHoldTime(int ms);
  // Type 0..8 (others ignored): the layout of the column lines.
  void SetBarChartType(int type);
  void SetZoomControlState(EZoomControlState state);
  // Freezing keeps a snapshot of stores 0 and 1 that the extraction reads
  // instead; unfreezing drops it.
  virtual void SetFreezeDisplay(bool freeze);

  // --- column lines and peaks ---------------------------------------------
  // Slot 0..3: zeroes its peak line and hold times.
  void ClearGraphPeaks(int channel);
  // Clears every bound store, column line, peak line and hold time, and
  // restarts the averaging.
  void ClearAllGraphValues();
  // Peak hold of one column: held for the hold time, then falling by
  // dt^decay per call (dt the milliseconds since the previous call).
  void OperatePeak(float value, int channel, int column, unsigned int now);
  // One amplitude per column of the slot from its store (or snapshot):
  // `smooth` false replaces instead of smoothing, `keepTail` holds the last
  // value beyond the last usable bin, `force` reads even while frozen.
  // Called between the store's BeginRead and EndRead.
  void ExtractGraphFromDataStore(int slot, bool smooth, bool keepTail, bool force);

  // --- axes ---------------------------------------------------------------
  // Column of f on the visible range over the view's width.
  int GetXForFreq(float f) const;
  // Frequency under view-relative x over `width` pixels.
  float GetFreqForX(float x, float width) const;
  // Columns of the plot: the column count less the dB column when the
  // scales lie outside the plot.
  int GetPlotWidth() const;

  // --- grids, labels and text (user-interface thread, drawing) ----------
  void CalcDbLines(int divisions);
  void DrawFreqLines(CDrawContext* ctx, bool computeOnly);
  void DrawFreqValues(CDrawContext* ctx, int r, int g, int b, CPoint offset, bool eraseStrip);
  // Note n (1..300, 49 = A4) as name and octave; true for a C. Empty text
  // and false otherwise.
  static bool sprintfNoteName(char* text, int n);
  float GetToneFreqOf(float f) const;
  // Into this graph's own buffer, valid until its next call.
  const char* GetMouseInfoFreqString(float f) const;
  // Fills the plot up to half the sample rate with the colour and the rest
  // with twice it; the colour becomes the background colour.
  void ClearBackground(CDrawContext* ctx, int r, int g, int b);
  void DisplayTitle(CDrawContext* ctx, const char* title);
  // The read-out, right-aligned from x to the right margin in the rows from
  // y, over a box of the background colour that no line runs through.
  virtual void DrawMouseInfo(CDrawContext* ctx, int x, int y, int r, int g, int b);
  virtual void DrawZoomDbBar(CDrawContext* ctx, CPoint offset);
  // count -1: the plot width. asLine false draws single points.
  void DrawGraphPolyLine(CDrawContext* ctx, CPoint* points, int r, int g, int b, int count,
                         bool asLine);

  // --- mouse ----------------------------------------------------------------
  // Right button alone: a tone request; a left click in the frequency strip
  // (bottom row) or the dB strip (left edge): a zoom drag; elsewhere the
  // peaks are cleared.
  void mouse(CDrawContext* ctx, CPoint& where, long buttons = -1) override;
  // Strip hover shading and the mouse read-out.
  void mouseMove(CDrawContext* ctx, CPoint& where, long buttons = -1) override;
  // A left click with Command alone (17) or a double click.
  bool checkDefaultValue(CDrawContext* ctx, long buttons) override;
  void MouseMovedAway(CDrawContext* ctx) override;
  // The frequency zoom drag, from its press: up and down scale the span
  // about the frequency under the mouse, left and right move it; each
  // motion (onMouseTrack) zooms by its move from the one before.
  virtual void captureMouse(CDrawContext* ctx, CPoint& where, long buttons);
  // The dB zoom drag; nothing here.
  virtual void captureMouseDb(CDrawContext* ctx, CPoint& where, long buttons);
  // A motion of the drag under way and its end: the two zooms', and a
  // derived display's own drag through OwnDragMotion and OwnDragEnd.
  void onMouseTrack(CDrawContext* ctx, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* ctx, CPoint& where, long buttons) override;
  // Hover read-out and tone request at a view-relative point; nothing here.
  virtual void FillInMouseInfoFor(CPoint& point, float freq);
  virtual void TriggerGenerateToneFor(CPoint& point, float freq);
  // Requests the pointer shape (g_MousePointerID).
  using CMouseMoveAwayHook::SetMousePointer;
  void SetMousePointer(unsigned long id);

  // --- state (read by derived displays and the editors) -------------------
  float m_fAbsFreqMin = 20.0f, m_fAbsFreqMax = 22000.0f;
  float m_fDefFreqMin = 20.0f, m_fDefFreqMax = 22000.0f;
  float m_fFreqMin = 20.0f, m_fFreqMax = 22000.0f;  // visible
  float m_fAbsDbMin = -100.0f, m_fAbsDbMax = 0.0f;
  float m_fDefDbMin = -100.0f, m_fDefDbMax = 0.0f;
  float m_fDbMax = 0.0f, m_fDbMin = -100.0f;  // visible: the grid and the curve
  // When set the traces use the spectrum range instead of the visible one.
  bool m_bSeparateSpectrumRange = false;
  float m_fSpectrumDbMin = -100.0f, m_fSpectrumDbMax = 0.0f;
  float m_fRiseCoef = 0.9f, m_fFallCoef = 0.9f;
  float m_fBarWidth = 0.0f;  // c_fBarWidths of the type
  int m_nBarChartType = 0;
  bool m_bLive = true;  // extraction and traces run ("Show FFT")
  bool m_bAveraging = false;
  int m_nAveragingCount = 0;
  bool m_bShowPeaks = true;
  bool m_bFreeze = false;
  bool m_bRefreshOnce = false;  // one extraction of the snapshot is due
  bool m_bScales = true;        // frequency labels and the two zoom strips
  CFrequencyDataStore* m_pDataStore[kNumSlots] = {};
  int m_nColumns = 0;  // W: lowered to the drawing width at each draw
  std::unique_ptr<float[]> m_pColumnLine[kNumSlots];
  std::unique_ptr<float[]> m_pPeakLine[kNumSlots];
  std::unique_ptr<unsigned int[]> m_pPeakHoldUntil[kNumSlots];
  int m_nPeakHoldMs = 5000;
  std::unique_ptr<CPoint[]> m_pTracePoints[kNumSlots];
  std::unique_ptr<CPoint[]> m_pPeakPoints[kNumSlots];
  float m_fPeakDecay = 0.02f;
  bool m_bShowTitle = false;
  int m_nScaleRowHeight = 10;
  int m_nDbColumnWidth = 30;
  int m_nDbStripWidth = 30;
  bool m_bScalesOutside = false;  // plot leaves the dB column and scale row free
  EZoomControlState m_eZoomState = eZoomNone;
  int m_nFreqLines = 0;
  FreqLine m_FreqLines[kMaxFreqLines] = {};
  int m_nDbLines = 0;
  DbLine m_DbLines[kMaxDbLines] = {};
  bool m_bMouseInfo = true;
  // Columns the read-out leaves free along the right edge (a derived
  // graph's own labels there).
  int m_nMouseInfoRightMargin = 2;
  char m_szMouseInfo[kMouseInfoSize] = {};
  mutable char m_szMouseInfoFreq[32] = {};  // GetMouseInfoFreqString's text
  float m_fMaxValue = 0.0f;  // largest amplitude of the last line-chart extraction (diagnostic)
  int m_nFirstBandWidth = 0;  // pixels, written by the band chart
  std::unique_ptr<CFrequencyDataStore> m_pFrozen[2];

 protected:
  // Sends an edit to the owning editor's ControlCallback (kind 0 frequency
  // zoom, 1 dB zoom, 2 tone request) when the editor is the editor
  // framework's editor.
  void ReportToEditor(int kind, float a, float b, float c);
  // The smoothing step of one column (rise, fall or averaging weight).
  static float Smooth(float old, float v, float rise, float fall, bool averaging, float cavg);
  // The plot's height for the mouse read-out: less the scale row when the
  // scales lie outside.
  int GetPlotHeight() const;
  // A modifier click taken by the listener.
  bool ModifierClickTaken(CDrawContext* ctx, long buttons);

  // What the mouse drags, from the press to the drag's end: a zoom, or the
  // one drag a derived display adds.
  enum EMouseDrag { eDragNone = 0, eDragFreqZoom, eDragDbZoom, eDragOwn };
  // A press where `drag` starts: a modifier click the listener takes, a
  // default click (ResetDrag), or with the left button the drag itself in
  // an edit bracket, the press its first motion.
  void PressDrag(EMouseDrag drag, CDrawContext* ctx, CPoint& where, long buttons);
  // Starts a drag at its press: the press is its first motion, and the
  // frame hands it the others (FollowMouse).
  void BeginDrag(EMouseDrag drag, CDrawContext* ctx, CPoint& where, long buttons);
  // What a default click where `drag` starts restores, reported to the
  // editor: the zooms' default ranges here.
  virtual void ResetDrag(EMouseDrag drag);
  // One step of the dB zoom for a move from `previous` to `now`; nothing
  // here.
  virtual void ZoomDbStep(const CPoint& previous, const CPoint& now, long buttons);
  // A derived display's own drag (eDragOwn): a motion, the press included,
  // and what its end does before the edit bracket closes; nothing here.
  virtual void OwnDragMotion(const CPoint& where, long buttons);
  virtual void OwnDragEnd();
  EMouseDrag m_eDrag = eDragNone;
  CPoint m_DragLast;  // where the drag's last handled motion was
  // The dB zoom reports its range as settled (1) after every motion rather
  // than once at its end.
  bool m_bDbZoomSettlesEachMotion = false;

 private:
  void ExtractLineChart(float* column, const double* bins, int half, double binsPerHz, float gain,
                        float rise, float fall, float cavg, bool keepTail);
  void ExtractBandChart(float* column, const double* bins, int half, double binsPerHz,
                        float rise, float fall, float cavg);
  // One pass of the frequency zoom drag for a move from `previous` to `now`.
  void ZoomFreqStep(const CPoint& previous, const CPoint& now, long buttons);
};

class CFreqSpectrumGraph : public CFreqGraph {
 public:
  CFreqSpectrumGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);

  // A trace colour and its fill colour (twice the colour).
  void SetColLeft(CColor colour);
  void SetColRight(CColor colour);
  void SetColAv(CColor colour);
  // Copies the column lines of slots 0 and 1 into slots 2 and 3 and shows
  // them as the second pair (no longer read from stores 2 and 3); with
  // `clear` the first pair's lines and peaks are zeroed.
  virtual void CopyGraphsToFilterGraphs(bool clear);
  // Frequency labels, the dB strip's shading and the dB labels, moved by
  // `offset`.
  virtual void DrawScales(CDrawContext* ctx, CPoint offset);

  bool m_bFill = true;
  CColor m_colLeftFill, m_colRightFill, m_colAvFill;
  CColor m_colLeft, m_colRight, m_colAv;
  CColor m_colLeftPeak, m_colRightPeak, m_colAvPeak;
  CColor m_colSecond[2] = {{150, 150, 150, 255}, {150, 150, 150, 255}};
  bool m_bSecondPair = false;
  float m_fSecondLevelMult[2] = {1.0f, 1.0f};
  float m_fSecondLawScale[2] = {1.0f, 1.0f};
  float m_fSecondLawOffset[2] = {0.0f, 0.0f};
  bool m_bExtractSecondPair = true;
};

class CCompositeGraph : public CFreqSpectrumGraph {
 public:
  enum EWhatToShow {
    eLeft = 0,
    eRight = 1,
    eLeftAndRight = 2,
    eMaximum = 3,
    eAverage = 4,
    eLeftRightTimeAv = 5,
    eAverageTimeAv = 6,
    eMidSide = 7,
    eMidSideTimeAv = 8
  };
  static constexpr int kNumWhatToShow = 9;
  static const char* const c_pszWhatToShowName[kNumWhatToShow];

  CCompositeGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);

  // Modes 5, 6 and 8 average over time; every change clears the lines and
  // the stores. Values outside 0..8 are ignored.
  void SetWhatToShow(EWhatToShow mode);
  EWhatToShow GetWhatToShow() const { return m_eWhatToShow; }

  // Reads the stores (handshake, extraction), runs the peak hold and draws
  // the traces, then the scales and the mouse read-out.
  void DoOwnerDrawInner(CDrawContext* ctx) override;
  // The grid layer: background, frequency lines, dB lines, title.
  void DoDrawBackground(CDrawContext* ctx) override;
  // The dB zoom drag: left and right scale the span about the dB under the
  // mouse, up and down move it.
  void captureMouseDb(CDrawContext* ctx, CPoint& where, long buttons) override;
  // "<frequency>, <dB>dB" on the visible dB range, or nothing outside it.
  void FillInMouseInfoFor(CPoint& point, float freq) override;
  // Kind 2 with the frequency and the dB under the point.
  void TriggerGenerateToneFor(CPoint& point, float freq) override;

  // Pixels above the plot bottom of amplitude v by the level law over
  // `height` pixels (k and c of the law given): 0 for v <= 0, clamped.
  static float LevelHeight(float v, float height, float k, float c);

 protected:
  EWhatToShow m_eWhatToShow = eAverage;
  void ZoomDbStep(const CPoint& previous, const CPoint& now, long buttons) override;

 private:
  // Trace values of column x by the mode: one or two traces and peaks.
  int ModeValues(int x, float trace[2], float peak[2]) const;
};
