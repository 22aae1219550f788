// The level meter's construction, scales, configuration, geometry and mouse.
#include "Helpers/OwnerDrawControlsLevelMeter.h"

#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/DivuVazize.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControlsLevelMeter");

const char* const CLevelMeter::c_pszVolScaleName[eVS_NumScales] = {
    "Digital FS + RMS", "Digital FS",     "RMS",        "K-12/RMS",      "K-14/RMS",
    "K-20/RMS",         "Custom Dig",     "Custom Dig+RMS", "Custom RMS", "Custom RMS+Dig",
    "MS Dig",           "MS Dig+RMS",     "MS RMS",     "MS RMS+Dig"};

const char* const CLevelMeter::c_pszBarStyleName[eBS_NumStyles] = {"Solid", "Shrp", "Smth"};

namespace {

// What each scale sets. Scales without levels keep headroom, thresholds
// and bar style as they were.
enum class ZoneColours { kKeep, kPalette, kPlain };
struct ScaleRow {
  bool secondary;
  bool rmsPrimary;
  bool midSide;
  bool setsLevels;
  float headroomDb;
  float redDb;
  float yellowDb;
  EBarStyle style;
  ZoneColours colours;
};

constexpr ScaleRow kScaleRows[eVS_NumScales] = {
    {true, false, false, true, 0.0f, -3.0f, -9.0f, eBS_Smth, ZoneColours::kPalette},
    {false, false, false, true, 0.0f, -3.0f, -9.0f, eBS_Smth, ZoneColours::kPalette},
    {false, true, false, true, 0.0f, -3.0f, -9.0f, eBS_Smth, ZoneColours::kPalette},
    {false, true, false, true, 12.0f, 4.0f, 0.0f, eBS_Shrp, ZoneColours::kPlain},
    {false, true, false, true, 14.0f, 4.0f, 0.0f, eBS_Shrp, ZoneColours::kPlain},
    {false, true, false, true, 20.0f, 4.0f, 0.0f, eBS_Shrp, ZoneColours::kPlain},
    {false, false, false, false, 0, 0, 0, eBS_Solid, ZoneColours::kKeep},
    {true, false, false, false, 0, 0, 0, eBS_Solid, ZoneColours::kKeep},
    {false, true, false, false, 0, 0, 0, eBS_Solid, ZoneColours::kKeep},
    {true, true, false, false, 0, 0, 0, eBS_Solid, ZoneColours::kKeep},
    {false, false, true, false, 0, 0, 0, eBS_Solid, ZoneColours::kKeep},
    {true, false, true, false, 0, 0, 0, eBS_Solid, ZoneColours::kKeep},
    {false, true, true, false, 0, 0, 0, eBS_Solid, ZoneColours::kKeep},
    {true, true, true, false, 0, 0, 0, eBS_Solid, ZoneColours::kKeep}};

// Palette entries of the digital scales' zone colours.
constexpr float kPaletteRed = 0.015625f;
constexpr float kPaletteYellow = 0.203125f;
constexpr float kPaletteGreen = 0.328125f;

// Pointer shape asked for over the scale strip.
constexpr int kScaleStripPointer = 2;

bool InsideWithEdges(const CRect& r, const CPoint& p) {
  return p.h >= r.left && p.h <= r.right && p.v >= r.top && p.v <= r.bottom;
}

}  // namespace

CLevelMeter::CLevelMeter(const CRect& size, int topStripHeight, AEffGUIEditor* editor,
                         CControlListener* listener)
    : CLayeredOwnerDrawControl(size, editor, listener) {
  XR_TRY
  colBackground = colDefaultBackground;
  colClip[0] = colClip[1] = colDefaultBackground;
  nTopStrip = topStripHeight;
  rectTopStrip = CRect(0, 0, size.width(), topStripHeight);
  nScaleStripWidth = 12;
  rectScaleStrip = CRect(size.width() - nScaleStripWidth, 0, size.width(), size.height());
  // The scale is already 0, so this changes nothing; it keeps the fields
  // and the scale in step should the initial scale ever differ.
  SetVolScale(eVS_DigitalFSRms);
  XR_CATCH_VOID
}

// --- configuration -----------------------------------------------------------

void CLevelMeter::SetVolScale(EVolScale scale) {
  XR_TRY
  if (scale == eVolScale) return;
  eVolScale = scale;
  fPeakMax[0].store(0.0f);
  fPeakMax[1].store(0.0f);
  bBackgroundDirty = true;
  bMidSide.store(false);
  if (scale < 0 || scale >= eVS_NumScales) return;
  const ScaleRow& row = kScaleRows[scale];
  bShowSecondary = row.secondary;
  bRmsPrimary = row.rmsPrimary;
  bMidSide.store(row.midSide);
  if (row.setsLevels) {
    fHeadroomDb = row.headroomDb;
    fRedDb = row.redDb;
    fYellowDb = row.yellowDb;
    eBarStyle = row.style;
  }
  if (row.colours == ZoneColours::kPalette) {
    colRed = colRed2 = CLookupColorUser::GetLookupColor(kPaletteRed);
    colYellow = colYellow2 = CLookupColorUser::GetLookupColor(kPaletteYellow);
    colGreen = colGreen2 = CLookupColorUser::GetLookupColor(kPaletteGreen);
  } else if (row.colours == ZoneColours::kPlain) {
    colRed = colRed2 = kRedCColor;
    colYellow = colYellow2 = kYellowCColor;
    colGreen = colGreen2 = kGreenCColor;
  }
  if (row.colours != ZoneColours::kKeep) colHold = kWhiteCColor;
  XR_CATCH_VOID
}

void CLevelMeter::SetNonStandard() {
  XR_TRY
  eVolScale = static_cast<EVolScale>(eVS_CustomDig + (bShowSecondary ? 1 : 0) +
                                     (bRmsPrimary ? 2 : 0));
  bBackgroundDirty = true;
  setDirty(true);
  setDirty(true);
  XR_CATCH_VOID
}

void CLevelMeter::SetColGreen(CColor colour) {
  XR_TRY
  colGreen = colour;
  SetNonStandard();
  XR_CATCH_VOID
}

void CLevelMeter::SetColYellow(CColor colour) {
  XR_TRY
  colYellow = colour;
  SetNonStandard();
  XR_CATCH_VOID
}

void CLevelMeter::SetColRed(CColor colour) {
  XR_TRY
  colRed = colour;
  SetNonStandard();
  XR_CATCH_VOID
}

void CLevelMeter::SetBarDir(EBarDir dir) {
  XR_TRY
  if (dir == eBarDir) return;
  eBarDir = dir;
  // The strip follows the layout of the new direction, so that switching
  // back and forth always lands on the same rectangles.
  rectTopStrip = OrientRect(CRect(0, 0, LayoutRect().width(), nTopStrip));
  const long w = size.width();
  const long h = size.height();
  if (dir == eBD_Horizontal)
    rectScaleStrip = CRect(0, h - nScaleStripWidth, w, h);
  else
    rectScaleStrip = CRect(w - nScaleStripWidth, 0, w, h);
  bBackgroundDirty = true;
  XR_CATCH_VOID
}

void CLevelMeter::SetBackground(int red, int green, int blue) {
  XR_TRY
  colBackground = {static_cast<unsigned char>(red), static_cast<unsigned char>(green),
                   static_cast<unsigned char>(blue), 255};
  bBackgroundDirty = true;
  colClip[0] = colClip[1] = colBackground;
  XR_CATCH_VOID
}

void CLevelMeter::SetClipHasOccurred(int channel) {
  XR_TRY
  if (channel == 0 || channel == 1) colClip[channel] = colHeadroomClip;
  XR_CATCH_VOID
}

const char* CLevelMeter::VolScaleName(EVolScale scale) {
  return scale >= 0 && scale < eVS_NumScales ? c_pszVolScaleName[scale] : "";
}

const char* CLevelMeter::BarStyleName(EBarStyle style) {
  return style >= 0 && style < eBS_NumStyles ? c_pszBarStyleName[style] : "";
}

const char* CLevelMeter::BarDirName(EBarDir dir) {
  if (dir == eBD_Vertical) return "Vertical";
  if (dir == eBD_Horizontal) return "Horizontal";
  return "";
}

// --- geometry ----------------------------------------------------------------

CRect CLevelMeter::LayoutRect() const {
  if (eBarDir == eBD_Horizontal) return CRect(0, 0, size.height(), size.width());
  return CRect(0, 0, size.width(), size.height());
}

CRect CLevelMeter::OrientRect(const CRect& r) const {
  if (eBarDir != eBD_Horizontal) return r;
  const long w = size.width();
  return CRect(w - r.bottom, r.left, w - r.top, r.right);
}

float CLevelMeter::RowOfDb(float db) const {
  return static_cast<float>(nBarTop) +
         (fTopDb - db) * static_cast<float>(nBarHeight) / (fTopDb - fBottomDb);
}

CRect CLevelMeter::MainBarRect(int c) const {
  const long left = 4 + 9 * c + (bShowSecondary ? 6 : 0);
  return CRect(left, nBarTop, left + 7, nBarBottom);
}

CRect CLevelMeter::SecondaryBarRect(int c) const {
  const long left = 4 + 24 * c;
  return CRect(left, nBarTop, left + 4, nBarBottom);
}

CRect CLevelMeter::LabelHalfRect(int c) const {
  const CRect layout = LayoutRect();
  const long w = layout.right - layout.left;
  if (c == 0) return CRect(0, 0, w / 2 + 1, nTopStrip);
  return CRect(w / 2, 0, w, nTopStrip);
}

void CLevelMeter::ComputeBarRows() {
  nBarTop = nTopStrip + 5;
  nBarBottom = static_cast<int>(LayoutRect().bottom) - 2;
  nBarHeight = nBarBottom - nBarTop;
}

// --- mouse -------------------------------------------------------------------

void CLevelMeter::mouse(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  const CPoint p(where.h - size.left, where.v - size.top);
  if (bScaleDragEnabled && InsideWithEdges(rectScaleStrip, p)) {
    RegisterMouseMoveAwayInterest();
    g_MousePointerID = kScaleStripPointer;
    nScaleStripState = 2;
    bBackgroundDirty = true;
    captureMouse(ctx, where, buttons);
  } else if (InsideWithEdges(rectTopStrip, p)) {
    // "RESET": the clip indicators go off; the next frame shows it.
    colClip[0] = colClip[1] = colBackground;
    fPeakMax[0].store(0.0f);
    fPeakMax[1].store(0.0f);
    setDirty(true);
  }
  XR_CATCH_VOID
}

void CLevelMeter::mouseMove(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  const CPoint p(where.h - size.left, where.v - size.top);
  if (bScaleDragEnabled && InsideWithEdges(rectScaleStrip, p)) {
    if (buttons == 0) {
      nScaleStripState = 1;
      bBackgroundDirty = true;
      g_MousePointerID = kScaleStripPointer;
    }
    RegisterMouseMoveAwayInterest();
  } else if (InsideWithEdges(rectTopStrip, p)) {
    if (!bOverTopStrip) setDirty(true);
    bOverTopStrip = true;
    SetMousePointer(1, true);
  } else {
    if (bOverTopStrip) setDirty(true);
    bOverTopStrip = false;
  }
  CView::mouseMove(ctx, where, buttons);
  XR_CATCH_VOID
}

void CLevelMeter::MouseMovedAway(CDrawContext*) {
  XR_TRY
  if (bOverTopStrip) setDirty(true);
  bOverTopStrip = false;
  nScaleStripState = 0;
  bBackgroundDirty = true;
  XR_CATCH_VOID
}

void CLevelMeter::captureMouse(CDrawContext* ctx, CPoint& where, long buttons) {
  XR_TRY
  buttons = resolveButtons(ctx, buttons);
  if (modifierClickTaken(ctx, buttons)) return;
  if (checkDefaultValue(ctx, buttons)) {
    // The host call that brought the click redraws.
    fBottomDb = -60.0f;
    fTopDb = 0.0f;
    bBackgroundDirty = true;
    ReportDbZoom(1.0f);
    return;
  }
  if ((buttons & kMouseLeft) && ctx) {
    // The press is the drag's first motion.
    bScaleDragging = true;
    scaleDragLast = where;
    onMouseTrack(ctx, where, buttons);
    FollowMouse(ctx, where, kMouseLeft);
    return;
  }
  nScaleStripState = 0;
  ReportDbZoom(1.0f);
  XR_CATCH_VOID
}

void CLevelMeter::onMouseTrack(CDrawContext*, CPoint& where, long buttons) {
  XR_TRY
  if (!bScaleDragging) return;
  const bool vertical = eBarDir != eBD_Horizontal;
  const float extent = static_cast<float>(vertical ? size.height() : size.width());
  const float pos = static_cast<float>(vertical ? where.v - size.top : where.h - size.left);
  const float anchor = (fBottomDb - fTopDb) * pos / extent + fTopDb;
  const float k = (buttons & kModifierShift) ? 0.1f : 1.0f;
  const CPoint& last = scaleDragLast;
  if (where != last && extent > 0.0f) {
    const float across = static_cast<float>(vertical ? where.h - last.h : where.v - last.v);
    const float along = static_cast<float>(vertical ? last.v - where.v : where.h - last.h);
    const float span = fTopDb - fBottomDb;
    float zoom = std::exp(across * 0.01f * k);
    if (zoom < 1.0f) {
      // Zooming in stops at the narrowest span, also within one move.
      if (span <= kfMinSpanDb)
        zoom = 1.0f;
      else
        zoom = std::max(zoom, kfMinSpanDb / span);
    }
    const float shift = along / extent * span * k;
    fBottomDb = std::clamp((fBottomDb - anchor) * zoom + anchor - shift, -120.0f, -2.0f);
    fTopDb = std::clamp((fTopDb - anchor) * zoom + anchor - shift, -118.0f, 0.0f);
    bBackgroundDirty = true;
    setDirty(true);
    scaleDragLast = where;
  }
  ReportDbZoom(0.0f);
  XR_CATCH_VOID
}

void CLevelMeter::onMouseTrackEnd(CDrawContext*, CPoint&, long) {
  XR_TRY
  if (!bScaleDragging) return;
  bScaleDragging = false;
  nScaleStripState = 0;
  ReportDbZoom(1.0f);
  XR_CATCH_VOID
}

bool CLevelMeter::checkDefaultValue(CDrawContext*, long buttons) {
  XR_TRY
  return buttons == (kMouseLeft | kModifierCommand) || isDoubleClick();
  XR_CATCH(false)
}

void CLevelMeter::ReportDbZoom(float a) {
  XR_TRY
  // Only the editor framework's editor hears of zooms.
  if (auto* editor = dynamic_cast<DivuVazize*>(pEditor))
    editor->ControlCallback(DivuVazize::eCC_DbZoom, this, a, 0.0f, 0.0f);
  XR_CATCH_VOID
}
