// Instrument frequency guide: the table, the graph overlay, and the
// latency-warning helpers.
#include "QVX/QVXHelp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Helpers/Assert.h"
#include "Helpers/ColorModel.h"
#include "Helpers/DivuVazize.h"
#include "Helpers/XREffect.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("QVX/QVXHelp");

const QvxGuideSet g_sQvxGuideSet[kQvxNumGuideSets] = {
    {"", {}},
    {"Kick drum", {{80, 100, "Bottom / Punch"}, {300, 500, "Hollowness"}, {2600, 6000, "Cut through"}}},
    {"Snare Drum", {{120, 300, "Fatness"}, {800, 1200, "Box"}, {400, 6000, "Crispness"}, {8000, 12000, "Snap"}}},
    {"Toms", {{90, 120, "Fullness (Floor Tom)"}, {200, 500, "Fullness"}, {4000, 8000, "Attack"}}},
    {"Cymbals", {{150, 300, "Stick clang"}, {8000, 14000, "Sparkle / Sizzle"}}},
    {"Bass Guitar",
     {{50, 80, "Bottom"}, {80, 110, "Low weight"}, {100, 300, "Warmth"}, {500, 1400, "Attack"}, {2000, 5000, "String"}}},
    {"Acoustic Guitar", {{80, 120, "Fullness"}, {200, 300, "Body"}, {2000, 5000, "Presence"}, {5000, 10000, "Sparkle"}}},
    {"Vocals",
     {{20, 100, "Plosives / handling noise"},
      {125, 250, "Chest / Boom"},
      {150, 500, "Boxy"},
      {500, 1000, "Honkey"},
      {1000, 3000, "Nasal"},
      {2000, 4000, "Recognition / Masking"},
      {3000, 7000, "Sibilance"},
      {8000, 15000, "Air"},
      {16000, 18000, "Detail"}}},
    {"Electric Guitar", {{125, 250, "Warmth"}, {250, 500, "Fullness"}, {2000, 5000, "Crispness / Presence"}}},
    {"Horns", {{120, 200, "Fullness"}, {200, 400, "Warmth"}}},
    {"Strings", {{200, 300, "Fullness"}, {7000, 10000, "Scratchy"}}},
    {"Mix",
     {{16, 60, "Sub Bass / Power / Muddy"},
      {60, 250, "Bass / Warm / Muddy / Boomy"},
      {500, 1000, "Honkey"},
      {1000, 2000, "Tinny"},
      {2000, 4000, "High Mids / Fatigue"},
      {4000, 6000, "Presence / Definition / Harshness"},
      {6000, 16000, "Brilliance / Air / Clarity"},
      {16000, 22000, "Air"}}},
};

const char* QvxGuideSetName(int set) {
  return (set >= 0 && set < kQvxNumGuideSets) ? g_sQvxGuideSet[set].pszInstrument : "";
}

// --- the guide overlay -------------------------------------------------------------

namespace {
// Squared distance below which the pointer is over a row's circle.
constexpr long kHoverDistanceSquared = 50;
constexpr int kCircleRadius = 7;
constexpr CColor kGuideBase = {32, 32, 32, 255};
constexpr CColor kGuideTint = {40, 40, 40, 255};
constexpr CColor kGuideNumber = {200, 200, 200, 255};

// Column of f in a rectangle `width` wide over fmin..fmax, counted from 0;
// 0 for a range without a logarithm.
int ColumnOf(float f, float fmin, float fmax, long width) {
  const double span = std::log(static_cast<double>(fmax)) - std::log(static_cast<double>(fmin));
  if (!(span > 0.0) || !(f > 0.0f)) return 0;
  const double x = (std::log(static_cast<double>(f)) - std::log(static_cast<double>(fmin))) * width / span;
  return static_cast<int>(std::max(-1.0e6, std::min(1.0e6, x)));
}
}  // namespace

void CQvxGuide::SetCurrentSet(EQvxGuideSet set) {
  XR_TRY
  m_eCurrentSet = (set >= 0 && set < kQvxNumGuideSets) ? set : kQvxGuideNone;
  m_nHoveredRow = -1;
  XR_CATCH_VOID
}

int CQvxGuide::RowCount() const {
  const QvxGuideSet& set = g_sQvxGuideSet[m_eCurrentSet];
  int n = 0;
  while (n < kMaxRows && set.rows[n].fHighHz != 0.0f) ++n;
  return n;
}

bool CQvxGuide::SetMouseHover(CPoint p) {
  XR_TRY
  int hit = -1;
  const int rows = RowCount();
  for (int i = 0; i < rows && hit < 0; ++i) {
    const long dx = m_Markers[i].h - p.h;
    const long dy = m_Markers[i].v - p.v;
    if (dx * dx + dy * dy < kHoverDistanceSquared) hit = i;
  }
  if (hit == m_nHoveredRow) return false;
  m_nHoveredRow = hit;
  return true;
  XR_CATCH(false)
}

void CQvxGuide::DrawGuideBars(CDrawContext* ctx, CRect rect, float fmin, float fmax, float sampleRate) {
  XR_TRY
  const int rows = RowCount();
  if (!ctx || rows == 0) return;
  const long width = std::min(rect.width(), 4096L);
  if (width <= 0) return;
  float weight[4096] = {};
  const QvxGuideSet& set = g_sQvxGuideSet[m_eCurrentSet];
  for (int i = 0; i < rows; ++i) {
    const int x1 = ColumnOf(set.rows[i].fLowHz, fmin, fmax, width);
    const int x2 = ColumnOf(set.rows[i].fHighHz, fmin, fmax, width);
    const int ramp = (x2 - x1) / 3;
    const float w = i == m_nHoveredRow ? 3.0f : 1.0f;
    for (int c = std::max(x1, 0); c <= x2 && c < width; ++c) {
      if (c >= x1 + ramp && c <= x2 - ramp)
        weight[c] += w;
      else if (ramp > 0)
        weight[c] += c < x1 + ramp ? w * (c - x1) / ramp : w * (x2 - c) / ramp;
    }
  }
  ctx->setDrawMode(kDrawAntialiased);
  // Nothing at or above half the sample rate.
  const long last = ColumnOf(sampleRate / 2.0f, fmin, fmax, width);
  for (long c = 0; c < width && c < last;) {
    if (weight[c] == 0.0f) {
      ++c;
      continue;
    }
    long e = c + 1;
    while (e < width && e < last && weight[e] == weight[c]) ++e;
    ctx->setFillColor(kGuideBase + kGuideTint * std::min(2.0f, weight[c]));
    ctx->fillRect(CRect(c - 1, rect.top, e, rect.bottom));
    c = e;
  }
  XR_CATCH_VOID
}

void CQvxGuide::DrawGuideNums(CDrawContext* ctx, CRect rect, float fmin, float fmax) {
  XR_TRY
  const int rows = RowCount();
  if (!ctx || rows == 0) return;
  const QvxGuideSet& set = g_sQvxGuideSet[m_eCurrentSet];
  ctx->setFillColor(kGuideBase);
  ctx->setFont(kFontNormal);
  ctx->setDrawMode(kDrawAntialiased);
  for (int i = 0; i < rows; ++i) {
    const CColor colour = i == m_nHoveredRow ? kWhiteCColor : kGuideNumber;
    ctx->setFrameColor(colour);
    ctx->setFontColor(colour);
    const long cx = (ColumnOf(set.rows[i].fLowHz, fmin, fmax, rect.width()) +
                     ColumnOf(set.rows[i].fHighHz, fmin, fmax, rect.width())) / 2;
    ctx->drawEllipse(CRect(cx - kCircleRadius, rect.top + 5, cx + kCircleRadius, rect.top + 19));
    char number[12];  // any int
    std::snprintf(number, sizeof(number), "%i", i + 1);
    ctx->drawString(number, CRect(cx - kCircleRadius, rect.top + 5, cx + 8, rect.top + 19), 0, kAlignCenter);
    m_Markers[i] = CPoint(cx, rect.top + 12);
  }
  XR_CATCH_VOID
}

void CQvxGuide::DrawGuideInfo(CDrawContext* ctx, CRect rect) {
  XR_TRY
  if (!ctx || m_nHoveredRow < 0 || m_nHoveredRow >= RowCount()) return;
  ctx->setFontColor(kWhiteCColor);
  ctx->setFont(kFontNormal);
  ctx->drawString(g_sQvxGuideSet[m_eCurrentSet].rows[m_nHoveredRow].pszLabel,
                  CRect(rect.left + 35, rect.bottom - 35, rect.right, rect.bottom - 20), 0, kAlignLeft);
  XR_CATCH_VOID
}

// --- the latency warning ---------------------------------------------------------------

CRect g_rectLatencyWarning(0, 0, 0, 0);
bool g_bQvxLatencyWarning_DisplayClear = false;
int g_eQvxLatencyWarning_InterfaceState = 0;
CControl* g_pQvxLatencyWarningButton[2] = {nullptr, nullptr};

void ClearLatencyWarningDisplay() {
  XR_TRY
  g_pQvxLatencyWarningButton[0] = nullptr;
  g_pQvxLatencyWarningButton[1] = nullptr;
  g_bQvxLatencyWarning_DisplayClear = true;
  XR_CATCH_VOID
}

bool CheckDisplayLatencyWarning(DivuVazize*, int, int) { return false; }

void LatencyWarningValueChanged(CControl* control, DivuVazize* editor, int showIndex) {
  XR_TRY
  if (!control || g_bQvxLatencyWarning_DisplayClear) return;
  XREffect* fx = editor ? editor->GetXREffect() : nullptr;
  int& state = g_eQvxLatencyWarning_InterfaceState;
  if (control == g_pQvxLatencyWarningButton[0]) {
    if (state == 2) {
      state = 3;
    } else if (state == 3) {
      if (fx) fx->SetPersistantParam(showIndex, 1.0f);
      state = 1;
    } else if (state == 0) {
      state = 1;
    }
  } else if (control == g_pQvxLatencyWarningButton[1]) {
    if (state == 3) {
      if (fx) fx->SetPersistantParam(showIndex, 0.0f);
      state = 1;
    }
  } else {
    return;
  }
  if (editor) editor->RefreshFrontOrBack();
  XR_CATCH_VOID
}
