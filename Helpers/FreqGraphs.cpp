// The frequency graph base: construction, slots, ranges, peak hold, freeze,
// the axis mapping and the reports to the editor.
#include "Helpers/FreqGraphs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/DivuVazize.h"
#include "Helpers/FrequencyDataStore.h"

XR_REGISTER_SOURCE_FILE("Helpers/FreqGraphs");

const int g_nFreqNumSpacing = 20;
const float g_fFudgeFreqCorrection = 1.0f;
const float g_fLogScaleMult = 17.5f;
const float g_fLogScaleShiftDown = 6.7f;

namespace {

constexpr float kfTakeAbsoluteEnd = -100000.0f;

// A snapshot bin louder than this means the copy caught a frame that was
// still being merged; the snapshot then shows its other buffer.
constexpr double kfFrozenFlipThreshold = 1000000.0;

bool IsUsableRange(float min, float max) {
  return std::isfinite(min) && std::isfinite(max) && max > min;
}

}  // namespace

CFreqGraph::CFreqGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener)
    : CLayeredOwnerDrawControl(size, editor, listener) {
  XR_TRY
  m_nColumns = static_cast<int>(size.width() > 0 ? size.width() : 0);
  const auto n = static_cast<size_t>(m_nColumns);
  for (int slot = 0; slot < kNumSlots; ++slot) {
    m_pColumnLine[slot] = std::make_unique<float[]>(n);
    m_pPeakLine[slot] = std::make_unique<float[]>(n);
    m_pPeakHoldUntil[slot] = std::make_unique<unsigned int[]>(n);
    m_pTracePoints[slot] = std::make_unique<CPoint[]>(n);
    m_pPeakPoints[slot] = std::make_unique<CPoint[]>(n);
  }
  XR_CATCH_VOID
}

CFreqGraph::~CFreqGraph() = default;

void CFreqGraph::SetDataStore(int slot, CFrequencyDataStore* store) {
  XR_TRY
  if (slot < 0 || slot >= kNumSlots) return;
  m_pDataStore[slot] = store;
  XR_CATCH_VOID
}

CFrequencyDataStore* CFreqGraph::GetDataStore(int slot) const {
  return slot >= 0 && slot < kNumSlots ? m_pDataStore[slot] : nullptr;
}

void CFreqGraph::SetAbsFreqRange(float absMin, float absMax, float defMin, float defMax) {
  XR_TRY
  m_fAbsFreqMin = absMin;
  m_fAbsFreqMax = absMax;
  m_fDefFreqMin = defMin == kfTakeAbsoluteEnd ? absMin : defMin;
  m_fDefFreqMax = defMax == kfTakeAbsoluteEnd ? absMax : defMax;
  XR_CATCH_VOID
}

void CFreqGraph::SetAbsDbRange(float absMin, float absMax, float defMin, float defMax) {
  XR_TRY
  m_fAbsDbMin = absMin;
  m_fAbsDbMax = absMax;
  m_fDefDbMin = defMin == kfTakeAbsoluteEnd ? absMin : defMin;
  m_fDefDbMax = defMax == kfTakeAbsoluteEnd ? absMax : defMax;
  XR_CATCH_VOID
}

void CFreqGraph::SetFreqRange(float min, float max, bool) {
  XR_TRY
  if (min == m_fFreqMin && max == m_fFreqMax) return;
  // The axis divides by ln(max / min) and takes logarithms of both ends.
  if (!IsUsableRange(min, max) || min <= 0.0f) return;
  m_fFreqMin = min;
  m_fFreqMax = max;
  ClearGraphPeaks(0);
  ClearGraphPeaks(1);
  bBackgroundDirty = true;
  if (m_bFreeze) m_bRefreshOnce = true;
  setDirty(true);
  if (m_bAveraging) m_nAveragingCount = 0;
  XR_CATCH_VOID
}

void CFreqGraph::SetDbRange(float min, float max) {
  XR_TRY
  // The grid and the level law divide by max - min.
  if (!IsUsableRange(min, max)) return;
  m_fDbMin = min;
  m_fDbMax = max;
  ClearGraphPeaks(0);
  ClearGraphPeaks(1);
  bBackgroundDirty = true;
  setDirty(true);
  XR_CATCH_VOID
}

void CFreqGraph::SetPeakHoldTime(int ms) {
  XR_TRY
  m_nPeakHoldMs = ms;
  const unsigned int until = GetTickCount() + static_cast<unsigned int>(ms);
  for (int slot = 0; slot < kNumSlots; ++slot) {
    if (!m_pPeakHoldUntil[slot]) continue;
    for (int x = 0; x < m_nColumns; ++x) m_pPeakHoldUntil[slot][x] = until;
  }
  XR_CATCH_VOID
}

void CFreqGraph::SetBarChartType(int type) {
  XR_TRY
  if (type < 0 || type >= kNumBarChartTypes) return;
  m_nBarChartType = type;
  m_fBarWidth = c_fBarWidths[type];
  ClearGraphPeaks(0);
  ClearGraphPeaks(1);
  bBackgroundDirty = true;
  setDirty(true);
  XR_CATCH_VOID
}

void CFreqGraph::SetZoomControlState(EZoomControlState state) {
  XR_TRY
  if (state != m_eZoomState) setDirty(true);
  m_eZoomState = state;
  XR_CATCH_VOID
}

void CFreqGraph::SetMousePointer(unsigned long id) {
  SetMouseCursor(id);
}

void CFreqGraph::ClearGraphPeaks(int channel) {
  XR_TRY
  if (channel < 0 || channel >= kNumSlots || !m_pPeakLine[channel]) return;
  std::memset(m_pPeakLine[channel].get(), 0, sizeof(float) * static_cast<size_t>(m_nColumns));
  std::memset(m_pPeakHoldUntil[channel].get(), 0,
              sizeof(unsigned int) * static_cast<size_t>(m_nColumns));
  XR_CATCH_VOID
}

void CFreqGraph::ClearAllGraphValues() {
  XR_TRY
  for (int slot = 0; slot < kNumSlots; ++slot) {
    if (!m_pDataStore[slot]) continue;
    m_pDataStore[slot]->Clear();
    if (!m_pColumnLine[slot]) continue;
    std::memset(m_pColumnLine[slot].get(), 0, sizeof(float) * static_cast<size_t>(m_nColumns));
    ClearGraphPeaks(slot);
  }
  m_nAveragingCount = 0;
  XR_CATCH_VOID
}

void CFreqGraph::OperatePeak(float value, int channel, int column, unsigned int now) {
  XR_TRY
  if (channel < 0 || channel >= kNumSlots || column < 0 || column >= m_nColumns) return;
  float& peak = m_pPeakLine[channel][column];
  unsigned int& holdUntil = m_pPeakHoldUntil[channel][column];
  // The hold has ended before now, compared across the clock's wrap.
  if (!MsReached(holdUntil, now)) {
    const float p = std::max(peak, 1e-10f);
    const float dt = std::max(static_cast<float>(MsElapsed(now, holdUntil)), 1e-10f);
    peak = std::exp(std::log(p) - m_fPeakDecay * std::log(dt));
    holdUntil = now;
  }
  if (value >= peak) {
    peak = value;
    holdUntil = now + static_cast<unsigned int>(m_nPeakHoldMs);
  }
  XR_CATCH_VOID
}

void CFreqGraph::SetFreezeDisplay(bool freeze) {
  XR_TRY
  m_bFreeze = freeze;
  for (int slot = 0; slot < 2; ++slot) {
    // A second freeze takes a new snapshot in place of the old one.
    m_pFrozen[slot].reset();
    CFrequencyDataStore* store = m_pDataStore[slot];
    if (!freeze || !store) continue;
    auto snapshot = std::make_unique<CFrequencyDataStore>(2 * store->GetHalfSize());
    snapshot->CopyFrom(store);
    if (const double* bins = snapshot->GetBuffer(snapshot->GetCurrentIndex())) {
      for (int k = 0; k <= snapshot->GetHalfSize(); ++k) {
        if (std::fabs(bins[k]) > kfFrozenFlipThreshold) {
          snapshot->Flip();
          break;
        }
      }
    }
    m_pFrozen[slot] = std::move(snapshot);
  }
  XR_CATCH_VOID
}

int CFreqGraph::GetXForFreq(float f) const {
  const double lnMin = std::log(static_cast<double>(m_fFreqMin));
  const double x = (std::log(static_cast<double>(f)) - lnMin) /
                   (std::log(static_cast<double>(m_fFreqMax)) - lnMin) *
                   static_cast<double>(getWidth());
  // Far outside the plot (or f <= 0) the column only needs to stay off it.
  if (!(x > -1e6)) return -1000000;
  if (x > 1e6) return 1000000;
  return static_cast<int>(x);
}

float CFreqGraph::GetFreqForX(float x, float width) const {
  const float lnMin = std::log(m_fFreqMin);
  const float lnMax = std::log(m_fFreqMax);
  return std::exp(lnMin + (lnMax - lnMin) * x / width);
}

int CFreqGraph::GetPlotWidth() const {
  const int w = m_nColumns - (m_bScalesOutside ? m_nDbColumnWidth : 0);
  return w > 0 ? w : 0;
}

int CFreqGraph::GetPlotHeight() const {
  return static_cast<int>(getHeight()) - (m_bScalesOutside ? m_nScaleRowHeight : 0);
}

float CFreqGraph::Smooth(float old, float v, float rise, float fall, bool averaging, float cavg) {
  float c = old >= v ? fall : rise;
  if (averaging) c = cavg;
  const float result = old * c + v * (1.0f - c);
  return result > -1e-10f && result < 1e-10f ? 0.0f : result;
}

void CFreqGraph::ReportToEditor(int kind, float a, float b, float c) {
  XR_TRY
  if (auto* editor = dynamic_cast<DivuVazize*>(pEditor))
    editor->ControlCallback(static_cast<DivuVazize::EControlCallback>(kind), this, a, b, c);
  XR_CATCH_VOID
}

bool CFreqGraph::ModifierClickTaken(CDrawContext* ctx, long buttons) {
  return listener && (buttons & kModifierMask) &&
         listener->controlModifierClicked(ctx, this, buttons) != 0;
}
