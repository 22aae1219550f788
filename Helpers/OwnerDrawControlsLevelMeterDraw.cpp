// The level meter's drawing: the scale, the bars with their hold markers and
// segment lines, the clip indicators and the numeric labels.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Helpers/Assert.h"
#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControlsLevelMeterDraw");

namespace {

// dB of a linear amplitude: 20 / ln 10.
constexpr float kDbPerNeper = 8.685889f;
constexpr float kTinyLevel = 1e-10f;
// Label levels of the held values.
float LabelDb(float held, float headroomDb) {
  const float v = held > 0.0f ? held : kTinyLevel;
  return 20.0f * std::log(v) / std::log(10.0f) + headroomDb;
}

constexpr CColor kScaleFill = {120, 120, 120, 255};
constexpr CColor kScaleText = {180, 180, 180, 255};
constexpr CColor kScaleStripHover = {100, 100, 100, 100};
constexpr CColor kScaleStripDrag = {150, 150, 150, 100};
// Marks closer than this to the last drawn one are left out.
constexpr int kMinMarkDistance = 10;
// A scale never needs more marks than this; it only bounds the loops
// against a degenerate range.
constexpr int kMaxMarks = 1000;

int TruncRow(float y) {
  if (!(y > -1e6f)) return -1000000;
  if (!(y < 1e6f)) return 1000000;
  return static_cast<int>(y);
}

}  // namespace

// The direct colour fill leaves out the first row and the last column of the
// rectangle it is given; a rectangle one row higher and one column wider
// lands exactly on r.
void CLevelMeter::FillRect(CDrawContext* ctx, const CRect& r, CColor colour) const {
  const CRect o = OrientRect(r);
  ctx->fillRect(CRect(o.left, o.top - 1, o.right + 1, o.bottom), colour);
}

void CLevelMeter::FillRect(CDrawContext* ctx, const CRect& r) const {
  FillRect(ctx, r, ctx->getFillColor());
}

void CLevelMeter::DrawString(CDrawContext* ctx, const char* text, const CRect& r, bool opaque,
                             CHoriTxtAlign align) const {
  ctx->drawString(text, OrientRect(r), opaque ? 1 : 0, align);
}

void CLevelMeter::DoDrawBackground(CDrawContext* layer) {
  XR_TRY
  ComputeBarRows();
  if (layer) FillRect(layer, LayoutRect(), colBackground);
  XR_CATCH_VOID
}

void CLevelMeter::DoDrawBackgroundDummy(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  ComputeBarRows();
  const CRect layout = LayoutRect();
  FillRect(ctx, layout, colBackground);
  const float span = fTopDb - fBottomDb;
  if (!(span > 0.0f) || nBarHeight <= 0) return;

  ctx->setFillColor(kScaleFill);
  ctx->setFontColor(kScaleText);
  ctx->setFont(kFontVerySmall);
  const bool vertical = eBarDir != eBD_Horizontal;
  const int halfHeight = vertical ? 4 : 15;
  const CHoriTxtAlign align = vertical ? kAlignRight : kAlignCenter;
  const int margin = vertical ? 12 : 5;
  if (nScaleStripState == 1 || nScaleStripState == 2) {
    const CColor strip = nScaleStripState == 1 ? kScaleStripHover : kScaleStripDrag;
    ctx->setFillColor(strip);
    // Already in control coordinates.
    ctx->fillRect(CRect(rectScaleStrip.left, rectScaleStrip.top - 1, rectScaleStrip.right + 1,
                        rectScaleStrip.bottom),
                  strip);
  }

  const float p = static_cast<float>(nBarHeight) / span;
  float step = 4.0f;
  if (p > 10.0f) step = 2.0f;
  if (p > 20.0f) step = 1.0f;
  const char* format = "%s%.0f";
  if (p > 60.0f) {
    step = 0.5f;
    format = "%s%.1f";
  }
  int lastRow = -20;
  int marks = 0;
  if (fHeadroomDb > 0.0f) {
    for (float v = step; step <= fHeadroomDb - v && marks < kMaxMarks; v += step, ++marks)
      DrawScaleMark(ctx, v, "+", format, lastRow, margin, halfHeight, align);
    DrawScaleMark(ctx, fHeadroomDb, "+", format, lastRow, margin, halfHeight, align);
  }
  for (float v = 0.0f; marks < kMaxMarks; v -= step, ++marks) {
    const int row = DrawScaleMark(ctx, v, "", format, lastRow, margin, halfHeight, align);
    if (row >= nBarBottom - margin) break;
  }
  XR_CATCH_VOID
}

int CLevelMeter::DrawScaleMark(CDrawContext* ctx, float v, const char* prefix, const char* format,
                               int& lastRow, int margin, int halfHeight, CHoriTxtAlign align) {
  const float span = fTopDb - fBottomDb;
  const int row =
      nBarTop + TruncRow(static_cast<float>(nBarHeight) * (fTopDb - (v - fHeadroomDb)) / span);
  if (std::abs(row - lastRow) <= kMinMarkDistance || row < nBarTop - margin) return row;
  const long tickEnd = bShowSecondary ? 35 : 23;
  const long labelStart = bShowSecondary ? 34 : 22;
  FillRect(ctx, CRect(2, row, tickEnd, row + 2));
  char text[32];
  std::snprintf(text, sizeof text, format, prefix, static_cast<double>(v));
  DrawString(ctx, text, CRect(labelStart, row - halfHeight, LayoutRect().right, row + halfHeight),
             false, align);
  lastRow = row;
  return row;
}

void CLevelMeter::DoOwnerDrawInner(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  DoDrawBackgroundDummy(ctx);
  const unsigned int now = GetTickCount();
  ctx->setFontColor(kWhiteCColor);
  ctx->setFont(kFontSmall);

  const float g = fYellowDb - fHeadroomDb;
  const float y = fRedDb - fHeadroomDb;
  const float d = (y - g) / 3.0f;
  const ColorBoundary mainList[] = {{-200.0f, colGreen}, {g - d, colGreen},
                                    {g + d, colYellow},  {y - d, colYellow},
                                    {y + d, colRed},     {kfColorBoundaryTerminator, colRed}};
  const ColorBoundary secondaryList[] = {
      {-200.0f, colGreen2}, {g - d, colGreen2}, {g + d, colYellow2},
      {y - d, colYellow2},  {y + d, colRed2},   {kfColorBoundaryTerminator, colRed2}};
  nRedRow = TruncRow(RowOfDb(y));
  nYellowRow = TruncRow(RowOfDb(g));

  for (int c = 0; c < kChannels; ++c) {
    for (int which = 0; which < 2; ++which) {
      if (which == 1 && !bShowSecondary) break;
      float* shown;
      float* hold;
      unsigned int* holdUntil;
      ExtractValue(c, which, shown, hold, holdUntil);
      ApplyHold(*shown, *hold, *holdUntil, now);
      const float levelDb = kDbPerNeper * std::log(std::max(*shown, kTinyLevel));
      const float heldDb = kDbPerNeper * std::log(std::clamp(*hold, kTinyLevel, 1.0f));
      if (which == 0)
        DrawBar(ctx, MainBarRect(c), levelDb, heldDb, mainList);
      else
        DrawBar(ctx, SecondaryBarRect(c), levelDb, heldDb, secondaryList);
    }
    if (fPeakMax[c].load() >= kfClipLevel) colClip[c] = colHeadroomClip;
    FillRect(ctx, LabelHalfRect(c), colClip[c]);
  }
  if (!bOverTopStrip) DrawLabels(ctx);
  if (bOverTopStrip) {
    ctx->setFont(kFontSmall);
    g_bVSTGUINextTextNotAntiAlias = true;
    DrawString(ctx, "RESET", CRect(0, 1, LayoutRect().width(), nTopStrip + 1), true, kAlignCenter);
  }
  // ExtractValue has counted every value it read as read; a value that came
  // in since then is still to be shown, so it is not marked here.
  XR_CATCH_VOID
}

CRect CLevelMeter::LabelRoom(int c) const {
  // A space's width (three columns) between the two values, so that they
  // read as two numbers, and a column at the meter's edges.
  const long w = LayoutRect().width();
  return c == 0 ? CRect(1, 0, w / 2 - 1, nTopStrip) : CRect(w / 2 + 2, 0, w - 1, nTopStrip);
}

void CLevelMeter::DrawLabelPair(CDrawContext* ctx, const float labels[kChannels], float floorDb, const char* format,
                                CFont font, const CPoint offsets[kChannels]) const {
  // One decimal while both fit across their rooms, else whole dB, each in
  // font and then the smallest font: a value is never cut and never runs
  // into the other channel's.
  const char* const formats[] = {format ? format : "%.1f", "%.0f"};
  const CFont fonts[] = {font, kFontVerySmall};
  char text[kChannels][64];
  for (int choice = 0; choice < 4; ++choice) {
    ctx->setFont(fonts[choice % 2]);
    bool fit = true;
    for (int c = 0; c < kChannels; ++c) {
      if (labels[c] > floorDb)
        std::snprintf(text[c], sizeof text[c], formats[choice / 2], static_cast<double>(-labels[c]));
      else
        std::snprintf(text[c], sizeof text[c], "-");
      fit = fit && ctx->getStringWidth(text[c]) <= OrientRect(LabelRoom(c)).width();
    }
    if (fit || choice == 3) break;
  }
  for (int c = 0; c < kChannels; ++c) {
    CRect r = LabelRoom(c);
    DrawString(ctx, text[c], r.offset(offsets[c].h, offsets[c].v), false, kAlignCenter);
  }
}

void CLevelMeter::DrawLabels(CDrawContext* ctx) {
  float main[kChannels];
  float other[kChannels];
  CPoint mainOffset[kChannels];
  CPoint otherOffset[kChannels];
  const bool vertical = eBarDir != eBD_Horizontal;
  for (int c = 0; c < kChannels; ++c) {
    const float peakLabel = LabelDb(fPeakHold[c], fHeadroomDb);
    const float rmsLabel = LabelDb(fRmsHold[c], fHeadroomDb);
    main[c] = bRmsPrimary ? rmsLabel : peakLabel;
    other[c] = bRmsPrimary ? peakLabel : rmsLabel;
    if (bShowSecondary) {
      mainOffset[c] = vertical ? CPoint(0, -5) : CPoint(c == 0 ? 5 : -6, 0);
      otherOffset[c] = vertical ? CPoint(0, 7) : CPoint(c == 0 ? -4 : 5, 0);
    }
  }
  ctx->setFontColor(kWhiteCColor);
  DrawLabelPair(ctx, main, -fLabelFloorDb, szLabelFormat, kFontSmall, mainOffset);
  if (!bShowSecondary) return;
  ctx->setFontColor(kWhiteCColor * 0.7f);
  DrawLabelPair(ctx, other, -140.0f, "%.1f", kFontVerySmall, otherOffset);
}

void CLevelMeter::DrawBar(CDrawContext* ctx, CRect rect, float levelDb, float holdDb,
                          const ColorBoundary* list) {
  XR_TRY
  if (!ctx || !list) return;
  const float span = fTopDb - fBottomDb;
  if (!(span > 0.0f) || nBarHeight <= 0) return;
  auto limitedRow = [this](float db) {
    const float row =
        std::clamp(RowOfDb(db), static_cast<float>(nBarTop), static_cast<float>(nBarBottom));
    return std::isnan(row) ? nBarBottom : static_cast<int>(row);
  };
  const int levelRow = limitedRow(levelDb);
  const int holdRow = limitedRow(holdDb);
  const CRect marker(rect.left, holdRow, rect.right, holdRow + 3);

  bool drawn = true;
  switch (eBarStyle) {
    case eBS_Solid:
      FillRect(ctx, CRect(rect.left, levelRow, rect.right, rect.bottom),
               GetColorForLevel(holdDb, list));
      break;
    case eBS_Shrp: {
      const int a = std::min(levelRow, nRedRow);
      int b;
      if (std::min(levelRow, nYellowRow) <= nRedRow)
        b = nRedRow;
      else if (levelRow < nYellowRow)
        b = levelRow;
      else
        b = nYellowRow;
      const int e = std::max(levelRow, nYellowRow);
      if (a < nRedRow) FillRect(ctx, CRect(rect.left, a, rect.right, nRedRow + 1), list[4].colour);
      if (b < nYellowRow)
        FillRect(ctx, CRect(rect.left, b, rect.right, nYellowRow + 1), list[2].colour);
      FillRect(ctx, CRect(rect.left, e, rect.right, rect.bottom), list[0].colour);
      break;
    }
    case eBS_Smth: {
      const CRect lit(rect.left, levelRow, rect.right, rect.bottom);
      const float top = std::min(levelDb, fTopDb);
      if (eBarDir == eBD_Horizontal)
        DrawSmoothColourBarHoriz(ctx, OrientRect(lit), list, fBottomDb, top);
      else
        DrawSmoothColourBarVert(ctx, lit, list, fBottomDb, top);
      break;
    }
    default:
      drawn = false;
      break;
  }
  if (drawn) FillRect(ctx, marker, colHold);

  // Segment lines, from the bottom of the scale up, cutting only the lit
  // part.
  const float step = static_cast<float>(nBarHeight) * fTickStepDb / span;
  if (step > 8.0f) {
    float y = static_cast<float>(
        TruncRow(nBarTop + nBarHeight * (fTopDb - std::trunc(fBottomDb)) / span));
    for (int n = 0; TruncRow(y) > levelRow && n < kMaxMarks; y -= step, ++n)
      FillRect(ctx, CRect(rect.left, TruncRow(y), rect.right, TruncRow(y) + 2), kBlackCColor);
  }
  if (fTickStepDb == 1.0f && step > 15.0f) {
    const float fraction = step > 80.0f ? 0.1f : 0.5f;
    float y = static_cast<float>(
        TruncRow(nBarTop + nBarHeight * (fTopDb - std::trunc(fBottomDb - 1.0f)) / span));
    for (int n = 0; TruncRow(y) > levelRow && n < kMaxMarks; y -= fraction * step, ++n)
      FillRect(ctx, CRect(rect.left + 1, TruncRow(y), rect.right - 1, TruncRow(y) + 2),
               kBlackCColor);
  }
  XR_CATCH_VOID
}
