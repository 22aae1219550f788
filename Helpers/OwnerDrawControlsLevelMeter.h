// The two-channel level meter: per channel a bar for the sample peak and a
// bar for the RMS level (either the main bar, the other a thin secondary bar
// or hidden), a peak-hold marker per bar, numeric labels over a clip
// indicator, and a dB scale along the right edge.
//
// The metering (what the audio thread hands in, the smoothing and the hold
// ballistics) is CLevelMeterMetering; this class draws it in the owner-draw
// frame of CLayeredOwnerDrawControl and reacts to the mouse:
// - a click on the label strip turns the clip indicators off; while the
//   mouse is over the strip the labels give way to "RESET";
// - with bScaleDragEnabled, a drag on the scale strip zooms (across) and
//   shifts (along) the shown dB range, reported to the editor as a dB zoom.
//
// Geometry is computed for a vertical meter, the bars growing upward from
// the bottom; a horizontal meter maps every rectangle through OrientRect, so
// its bars grow from left to right. Rows of a level of d dB:
//   y(d) = nBarTop + (fTopDb - d) * nBarHeight / (fTopDb - fBottomDb).
// Fills cover exactly their rectangle of the off-screen.
//
// Thread contract: StoreValues (from CLevelMeterMetering) on the audio
// thread, under the editor's lock A, which only keeps the meter alive;
// everything else on the user-interface thread.
#pragma once

#include "Helpers/ColorModel.h"
#include "Helpers/OwnerDrawControlsBase.h"
#include "Helpers/OwnerDrawControlsMetering.h"

// The meter's scales. Each sets which bars show, whether Mid and Side are
// metered, the headroom (K scales), the colour thresholds and the bar style;
// the custom scales keep what the previous scale set.
enum EVolScale {
  eVS_DigitalFSRms = 0,    // "Digital FS + RMS"
  eVS_DigitalFS = 1,       // "Digital FS"
  eVS_Rms = 2,             // "RMS"
  eVS_K12 = 3,             // "K-12/RMS"
  eVS_K14 = 4,             // "K-14/RMS"
  eVS_K20 = 5,             // "K-20/RMS"
  eVS_CustomDig = 6,       // "Custom Dig"
  eVS_CustomDigRms = 7,    // "Custom Dig+RMS"
  eVS_CustomRms = 8,       // "Custom RMS"
  eVS_CustomRmsDig = 9,    // "Custom RMS+Dig"
  eVS_MSDig = 10,          // "MS Dig"
  eVS_MSDigRms = 11,       // "MS Dig+RMS"
  eVS_MSRms = 12,          // "MS RMS"
  eVS_MSRmsDig = 13,       // "MS RMS+Dig"
  eVS_NumScales = 14
};

// How a bar is painted: one colour (that of the held level), sharp colour
// zones, or a smooth gradient.
enum EBarStyle { eBS_Solid = 0, eBS_Shrp = 1, eBS_Smth = 2, eBS_NumStyles = 3 };

enum EBarDir { eBD_Vertical = 0, eBD_Horizontal = 1 };

class CLevelMeter : public CLayeredOwnerDrawControl, public CLevelMeterMetering {
 public:
  static const char* const c_pszVolScaleName[eVS_NumScales];
  static const char* const c_pszBarStyleName[eBS_NumStyles];
  // Fill of a channel's label half once that channel has clipped.
  static constexpr CColor colHeadroomClip = {255, 64, 64, 255};
  static constexpr CColor colDefaultBackground = {0, 0, 0, 255};
  // A peak at or above this lights the clip indicator.
  static constexpr float kfClipLevel = 0.999f;
  // Narrowest dB span that a scale drag zooms in to.
  static constexpr float kfMinSpanDb = 2.0f;

  // `topStripHeight`: rows of the label strip along the top. `editor`: the
  // owning editor (the editor framework's base), told of scale zooms.
  CLevelMeter(const CRect& size, int topStripHeight, AEffGUIEditor* editor,
              CControlListener* listener);

  // --- configuration [user-interface thread] ------------------------------
  // Nothing for the current scale. Otherwise clears the clip maxima, stops
  // metering Mid and Side and applies the scale's row (scales 6 to 13 keep
  // headroom, thresholds and style; 0 to 5 also set the zone colours).
  void SetVolScale(EVolScale scale);
  // Switches to the custom scale that matches the bars shown (6 to 9); the
  // Mid/Side metering stays as it is.
  void SetNonStandard();
  // The main bars' zone colours; the scale becomes a custom one.
  void SetColGreen(CColor colour);
  void SetColYellow(CColor colour);
  void SetColRed(CColor colour);
  void SetBarDir(EBarDir dir);
  // Lights channel c's clip indicator as a clip would.
  void SetClipHasOccurred(int channel);
  // Background and both clip indicators take the colour (low bytes, opaque).
  void SetBackground(int red, int green, int blue) override;

  // Names for 0..13 and 0..2; other values give "".
  static const char* VolScaleName(EVolScale scale);
  static const char* BarStyleName(EBarStyle style);
  static const char* BarDirName(EBarDir dir);

  // --- drawing [user-interface thread, inside the owner-draw frame] --------
  // Bar rows from the layout; the layer is the background colour.
  void DoDrawBackground(CDrawContext* layer) override;
  // Scale, bars, hold markers, segment lines, clip indicators and labels.
  void DoOwnerDrawInner(CDrawContext* ctx) override;
  // The scale, drawn on every frame over the background colour.
  virtual void DoDrawBackgroundDummy(CDrawContext* ctx);
  // One bar over `rect` (layout coordinates) lit up to levelDb, with its
  // hold marker at holdDb, in the colours of `list`.
  void DrawBar(CDrawContext* ctx, CRect rect, float levelDb, float holdDb,
               const ColorBoundary* list);

  // --- mouse [user-interface thread] ---------------------------------------
  void mouse(CDrawContext* ctx, CPoint& where, long buttons = -1) override;
  void mouseMove(CDrawContext* ctx, CPoint& where, long buttons = -1) override;
  void MouseMovedAway(CDrawContext* ctx) override;
  // The scale zoom: a default click restores -60..0 dB; a left drag zooms
  // and shifts with each motion (onMouseTrack) until the button is
  // released (onMouseTrackEnd).
  virtual void captureMouse(CDrawContext* ctx, CPoint& where, long buttons);
  void onMouseTrack(CDrawContext* ctx, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* ctx, CPoint& where, long buttons) override;
  // A left click with Command alone (17) or a double click. The meter has
  // no parameter, so no edit bracket reaches the host.
  bool checkDefaultValue(CDrawContext* ctx, long buttons) override;

  // --- geometry (exposed for the editor's layout and for tests) -----------
  // The layout rectangle: (0, 0, width, height), extents swapped when
  // horizontal.
  CRect LayoutRect() const;
  // A layout rectangle in the control's own coordinates.
  CRect OrientRect(const CRect& r) const;
  // y(d) of the header comment.
  float RowOfDb(float db) const;
  // Layout rectangles of the bars of channel c (0 or 1).
  CRect MainBarRect(int c) const;
  CRect SecondaryBarRect(int c) const;
  // Layout rectangle of channel c's half of the label strip.
  CRect LabelHalfRect(int c) const;

  // --- display state [user-interface thread] -------------------------------
  float fTopDb = 0.0f;        // dB at the top of the bar area
  float fBottomDb = -60.0f;   // dB at its bottom
  float fTickStepDb = 1.0f;   // dB between segment lines on a lit bar
  float fLabelFloorDb = 140.0f;  // a main label at or below -this shows "-"
  const char* szLabelFormat = "%.1f";  // printf format of one double
  int nTopStrip = 0;
  CRect rectTopStrip;          // the label strip, control coordinates
  bool bOverTopStrip = false;  // the labels give way to "RESET"
  CColor colClip[kChannels] = {colDefaultBackground, colDefaultBackground};
  EVolScale eVolScale = eVS_DigitalFSRms;
  EBarStyle eBarStyle = eBS_Solid;
  EBarDir eBarDir = eBD_Vertical;
  float fHeadroomDb = 0.0f;  // K-scale headroom added to every label
  float fRedDb = -3.0f;      // thresholds in dB above the headroom point
  float fYellowDb = -9.0f;
  CColor colHold = kWhiteCColor;
  CColor colRed = kRedCColor;
  CColor colYellow = kYellowCColor;
  CColor colGreen = kGreenCColor;
  CColor colRed2 = kRedCColor;
  CColor colYellow2 = kYellowCColor;
  CColor colGreen2 = kGreenCColor;
  int nBarTop = 0;
  int nBarBottom = 0;
  int nBarHeight = 0;
  int nRedRow = 0;
  int nYellowRow = 0;
  bool bScaleDragEnabled = true;
  int nScaleStripState = 0;  // 0 idle, 1 hovered, 2 dragging
  int nScaleStripWidth = 12;
  CRect rectScaleStrip;      // control coordinates
  bool bScaleDragging = false;  // from the scale drag's press to its end
  CPoint scaleDragLast;         // the scale drag's last handled motion

 private:
  // Bar rows of the layout.
  void ComputeBarRows();
  // Exact fills of a layout rectangle: with a colour, and with the
  // context's fill colour.
  void FillRect(CDrawContext* ctx, const CRect& r, CColor colour) const;
  void FillRect(CDrawContext* ctx, const CRect& r) const;
  void DrawString(CDrawContext* ctx, const char* text, const CRect& r, bool opaque,
                  CHoriTxtAlign align) const;
  // One scale mark with label value v (dB relative to the headroom point),
  // unless it lies too close to the last one or above the scale; its row.
  int DrawScaleMark(CDrawContext* ctx, float v, const char* prefix, const char* format,
                     int& lastRow, int margin, int halfHeight, CHoriTxtAlign align);
  // Both channels' labels over their halves of the strip.
  void DrawLabels(CDrawContext* ctx);
  // Layout rectangle channel c's labels are centred in: its half of the
  // strip, less the columns kept clear between the halves and at the edges.
  CRect LabelRoom(int c) const;
  // One label of each channel ("-" at or below floorDb), offset from its
  // room, in the first of format and whole dB, in font and then the
  // smallest font, that fits both across their rooms.
  void DrawLabelPair(CDrawContext* ctx, const float labels[kChannels], float floorDb, const char* format, CFont font,
                     const CPoint offsets[kChannels]) const;
  // The editor's dB-zoom report.
  void ReportDbZoom(float a);
};
