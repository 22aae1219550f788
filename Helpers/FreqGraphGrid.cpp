// Grids, labels and text of the frequency graphs: the dB grid, decade lines
// or semitone boundaries on the logarithmic axis with their labels, note
// names, the background, the title, the mouse read-out, the dB strip's
// shading and trace lines.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/FreqGraphs.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/FreqGraphGrid");

namespace {

constexpr CColor kGridColour = {80, 80, 80, 255};
constexpr double kfSemitone = 1.0594631;
constexpr double kfLnSemitone = 0.057762276;  // ln 2 / 12
constexpr int kChromaticType = 4;
// No walk along the axis takes more passes than this, whatever the range.
constexpr int kMaxAxisPasses = 1000;

const char* const kNoteNames[12] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};

// Note number of f, 49 for A at 440 Hz.
int NoteOf(double f) {
  const double n = std::log(f / 440.0) / kfLnSemitone + 49.5;
  return std::isfinite(n) ? static_cast<int>(std::max(std::min(n, 1e6), -1e6)) : 0;
}

CColor Opaque(int r, int g, int b) {
  return {static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b),
          255};
}

// A column from a double, held inside the int range.
int Column(double x) {
  if (!(x > -1e6)) return -1000000;
  return x > 1e6 ? 1000000 : static_cast<int>(x);
}

}  // namespace

void CFreqGraph::CalcDbLines(int divisions) {
  XR_TRY
  m_nDbLines = 0;
  if (divisions <= 0) return;
  int pxPerDiv = static_cast<int>(rectDraw.height()) / divisions;
  if (m_bScalesOutside) pxPerDiv -= m_nScaleRowHeight / divisions;
  const float dbPerDiv = (m_fDbMax - m_fDbMin) / static_cast<float>(divisions);
  if (!(dbPerDiv > 0.0f) || pxPerDiv <= 0) return;
  static const float kSteps[] = {1, 2, 5, 10, 20, 50};
  float step = 0.0f;
  for (float s : kSteps) {
    if (s * static_cast<float>(pxPerDiv) / dbPerDiv > 15.0f) {
      step = s;
      break;
    }
  }
  if (step == 0.0f) return;
  // Lines are counted down from a round value above the top rather than
  // stepped by subtraction: far from zero a step can vanish in rounding, and
  // the walk must end whatever the range. A step is over 15 pixels, so the
  // first line clear of the top is at most two steps down.
  const double pxPerDb = static_cast<double>(pxPerDiv) / dbPerDiv;
  const double top = static_cast<double>(m_fDbMax);
  const double first = std::trunc((top + step) / step) * step;
  const double limit = divisions < 2 ? m_fDbMin : (static_cast<double>(m_fDbMin) + top) / 2.0;
  int k = 0;
  while (k < 3 && std::trunc((top - (first - k * step)) * pxPerDb) < 10.0) ++k;
  for (; m_nDbLines < kMaxDbLines; ++k) {
    const double v = first - k * step;
    if (!(v > limit)) break;
    m_DbLines[m_nDbLines++] = {static_cast<float>(v), static_cast<int>((top - v) * pxPerDb)};
  }
  XR_CATCH_VOID
}

void CFreqGraph::DrawFreqLines(CDrawContext* ctx, bool computeOnly) {
  XR_TRY
  const CRect& r = rectDraw;
  if (ctx) ctx->setFillColor(kGridColour);
  auto line = [&](int x) {
    if (!computeOnly && ctx) ctx->fillRect(CRect(x, r.top, x + 2, r.bottom));
  };
  const double lnMin = std::log(static_cast<double>(m_fFreqMin));
  const double lnRatio = std::log(static_cast<double>(m_fFreqMax)) - lnMin;
  if (!m_bScales) {
    static const float kFixed[] = {20,   30,   40,   50,   60,   70,   80,   90,   100,
                                   200,  300,  400,  500,  600,  700,  800,  900,  1000,
                                   2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, -1.0f};
    for (int i = 0; kFixed[i] > 0.0f; ++i) {
      const int x = Column((std::log(kFixed[i]) - lnMin) * static_cast<double>(r.width()) / lnRatio);
      if (!computeOnly && ctx) ctx->fillRect(CRect(x + 1, r.top, x + 3, r.bottom));
    }
    return;
  }
  m_nFreqLines = 0;
  const int shift = m_bScalesOutside ? m_nDbColumnWidth : 0;
  const double pxPerLn = static_cast<double>(r.width() - shift) / lnRatio;
  auto xOf = [&](double f) { return Column((std::log(f) - lnMin) * pxPerLn) + shift; };
  auto record = [&](double f, int x, bool major, const char* label) {
    if (m_nFreqLines >= kMaxFreqLines) return;
    FreqLine& rec = m_FreqLines[m_nFreqLines++];
    rec.fFreq = static_cast<float>(f);
    rec.nX = x;
    rec.bMajor = major;
    std::snprintf(rec.szLabel, sizeof rec.szLabel, "%s", label);
  };

  if (m_nBarChartType != kChromaticType) {
    double f0 = std::max(std::trunc(static_cast<double>(m_fFreqMin)), 1.0);
    int xPrev = xOf(f0);
    double step = 1.0;
    for (int pass = 0; m_fFreqMax > f0 && pass < kMaxAxisPasses; ++pass) {
      bool grew = false;
      while (xOf(f0 + step) - xPrev <= 10 && step < 1e30) {
        step *= 10.0;
        grew = true;
      }
      double base = std::trunc(f0 / (10.0 * step)) * 10.0 * step;
      if (!grew) base += 10.0 * step;
      double f = base;
      for (int k = 0; k < 10; ++k) {
        f = base + k * step;
        if (f < m_fFreqMin) continue;
        const int x = xOf(f);
        line(x);
        record(f, x, k == 0 || (k == 1 && grew), "");
        xPrev = x;
      }
      f0 = f;
    }
    return;
  }

  // Semitone boundaries: lines halfway between the notes, records on them.
  double f = 440.0;
  int n = 49;
  for (int i = 0; f >= m_fFreqMin && i < kMaxAxisPasses; ++i) {
    f /= kfSemitone;
    --n;
  }
  int xPrev = xOf(f);
  for (int i = 0; i < kMaxAxisPasses; ++i) {
    f *= kfSemitone;
    ++n;
    if (!(f < m_fFreqMax * kfSemitone)) break;
    const int x = xOf(f);
    line((xPrev + x) / 2);
    char label[11];
    const bool isC = sprintfNoteName(label, n);
    record(f, x, isC, label);
    xPrev = x;
  }
  XR_CATCH_VOID
}

void CFreqGraph::DrawFreqValues(CDrawContext* ctx, int r, int g, int b, CPoint offset,
                                bool eraseStrip) {
  XR_TRY
  if (!ctx) return;
  const CRect& rd = rectDraw;
  const long row = rd.bottom - m_nScaleRowHeight;
  if (!m_bScales) {
    ctx->setFont(kFontVerySmall);
    ctx->setFontColor(Opaque(r, g, b));
    static const float kFixed[] = {50, 100, 200, 500, 1000, 2000, 5000, 10000};
    static const char* const kTexts[] = {"50", "100", "200", "500", "1k", "2k", "5k", "10k"};
    const double lnMin = std::log(static_cast<double>(m_fFreqMin));
    const double lnRatio = std::log(static_cast<double>(m_fFreqMax)) - lnMin;
    for (int i = 0; i < 8; ++i) {
      const int x = Column((std::log(kFixed[i]) - lnMin) * static_cast<double>(rd.width()) / lnRatio);
      g_bVSTGUINextTextNotAntiAlias = true;
      ctx->drawString(kTexts[i], CRect(x - 12 + offset.h, row + offset.v, x + 18 + offset.h,
                                       row + 10 + offset.v));
    }
    return;
  }

  CRect strip(rd.left, row - 2, rd.right, row + 10);
  strip.offset(offset.h, offset.v);
  if (m_eZoomState == eZoomOverFreq) {
    ctx->setFillColor({100, 100, 100, 100});
    ctx->fillRect(strip);
  } else if (m_eZoomState == eZoomDragFreq) {
    ctx->setFillColor({150, 150, 150, 100});
    ctx->fillRect(strip);
  } else if (eraseStrip) {
    ctx->setFillColor(colBackground);
    ctx->fillRect(strip);
  }

  ctx->setFont(kFontVerySmall);
  const CColor full = Opaque(r, g, b);
  const CColor dim = full * 0.5f;
  const double nyquist = GetSampleRate() / 2.0;
  char label[32] = "";
  char previous[32] = "";
  int lastX = -1000000;
  for (int i = 0; i < m_nFreqLines; ++i) {
    const FreqLine& rec = m_FreqLines[i];
    if (rec.nX - lastX < g_nFreqNumSpacing) continue;
    // A major line close behind takes the label.
    if (i + 1 < m_nFreqLines && m_FreqLines[i + 1].bMajor &&
        m_FreqLines[i + 1].nX - rec.nX < g_nFreqNumSpacing)
      continue;
    if (m_nBarChartType == kChromaticType) {
      std::snprintf(label, sizeof label, "%s", rec.szLabel);
    } else if (rec.fFreq >= 1000.0f) {
      char number[24];
      std::snprintf(number, sizeof number, "%.2f", std::trunc(rec.fFreq / 10.0f) * 0.01);
      size_t len = std::strlen(number);
      if (std::strchr(number, '.')) {
        while (len > 0 && number[len - 1] == '0') number[--len] = '\0';
        if (len > 0 && number[len - 1] == '.') number[--len] = '\0';
      }
      std::snprintf(label, sizeof label, "%sk", number);
      if (std::strcmp(label, previous) == 0) std::snprintf(label, sizeof label, "%.0f", rec.fFreq);
    } else {
      std::snprintf(label, sizeof label, "%.0f", rec.fFreq);
    }
    std::snprintf(previous, sizeof previous, "%s", label);
    lastX = rec.nX;
    ctx->setFontColor(nyquist > 0.0 && rec.fFreq > nyquist ? dim : full);
    g_bVSTGUINextTextNotAntiAlias = true;
    ctx->drawString(label, CRect(rec.nX - 13 + offset.h, row + offset.v, rec.nX + 17 + offset.h,
                                 row + 10 + offset.v));
  }
  XR_CATCH_VOID
}

bool CFreqGraph::sprintfNoteName(char* text, int n) {
  XR_TRY
  if (!text) return false;
  text[0] = '\0';
  if (n < 1 || n > 300) return false;
  const int index = (n - 1) % 12;
  const int octave = (n - 4 >= 0 ? (n - 4) / 12 : -1) + 1;
  std::snprintf(text, 11, "%s%i", kNoteNames[index], octave);
  return index == 3;
  XR_CATCH(false)
}

float CFreqGraph::GetToneFreqOf(float f) const {
  XR_TRY
  if (m_nBarChartType != kChromaticType) return f;
  return static_cast<float>(440.0 * std::exp((NoteOf(f) - 49) * kfLnSemitone));
  XR_CATCH(f)
}

const char* CFreqGraph::GetMouseInfoFreqString(float f) const {
  XR_TRY
  if (m_nBarChartType == kChromaticType)
    sprintfNoteName(m_szMouseInfoFreq, NoteOf(f));
  else
    std::snprintf(m_szMouseInfoFreq, sizeof m_szMouseInfoFreq, "%.0fHz", f);
  return m_szMouseInfoFreq;
  XR_CATCH(m_szMouseInfoFreq)
}

void CFreqGraph::ClearBackground(CDrawContext* ctx, int r, int g, int b) {
  XR_TRY
  colBackground = Opaque(r, g, b);
  if (!ctx) return;
  const CRect& rd = rectDraw;
  const double rate = GetSampleRate();
  long xNyquist = rd.right;
  if (rate > 0.0) xNyquist = std::min(std::max(static_cast<long>(GetXForFreq(static_cast<float>(rate / 2.0))), rd.left), rd.right);
  ctx->setFillColor(colBackground);
  ctx->fillRect(CRect(rd.left, rd.top, xNyquist, rd.bottom));
  if (xNyquist < rd.right) {
    ctx->setFillColor(colBackground * 2.0f);
    ctx->fillRect(CRect(xNyquist, rd.top, rd.right, rd.bottom));
  }
  XR_CATCH_VOID
}

void CFreqGraph::DisplayTitle(CDrawContext* ctx, const char* title) {
  XR_TRY
  if (!ctx || !title) return;
  ctx->setFontColor({152, 109, 88, 255});
  ctx->setFillColor(colBackground);
  ctx->setFont(kFontVeryBig, 24, kFaceBold);
  ctx->drawString(title, CRect(0, 12, getWidth() - 5, 40), 1, kAlignRight);
  XR_CATCH_VOID
}

void CFreqGraph::DrawMouseInfo(CDrawContext* ctx, int x, int y, int r, int g, int b) {
  XR_TRY
  if (!ctx || m_szMouseInfo[0] == '\0') return;
  ctx->setFont(kFontNormal, 11);
  const long right = getWidth() - m_nMouseInfoRightMargin;
  const long width = ctx->getStringWidth(m_szMouseInfo);
  // The text's ink takes rows 2 to 11 of the box at this size, the comma's
  // tail included; the fill leaves its last column and row.
  ctx->setFillColor(colBackground);
  ctx->fillRect(CRect(right - width - 2, y, right + 3, y + 16));
  ctx->setFontColor(Opaque(r, g, b));
  ctx->drawString(m_szMouseInfo, CRect(x, y, right, y + 12), 0, kAlignRight);
  XR_CATCH_VOID
}

void CFreqGraph::DrawZoomDbBar(CDrawContext* ctx, CPoint offset) {
  XR_TRY
  if (!ctx) return;
  if (m_eZoomState != eZoomOverDb && m_eZoomState != eZoomDragDb) return;
  const CRect& rd = rectDraw;
  CRect strip(rd.left, rd.top, rd.left + m_nDbColumnWidth, rd.bottom);
  strip.offset(offset.h, offset.v);
  ctx->setFillColor(m_eZoomState == eZoomOverDb ? CColor{100, 100, 100, 100}
                                                 : CColor{150, 150, 150, 100});
  ctx->fillRect(strip);
  XR_CATCH_VOID
}

void CFreqGraph::DrawGraphPolyLine(CDrawContext* ctx, CPoint* points, int r, int g, int b, int count,
                                   bool asLine) {
  XR_TRY
  if (!ctx || !points) return;
  if (count == -1) count = GetPlotWidth();
  count = std::min(count, m_nColumns);
  if (count <= 0) return;
  if (asLine)
    ctx->drawGraphPolyLine(points, Opaque(r, g, b), count);
  else
    ctx->drawGraphPolyPoint(points, Opaque(r, g, b), count);
  XR_CATCH_VOID
}
