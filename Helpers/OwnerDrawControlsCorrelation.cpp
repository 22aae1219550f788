#include "Helpers/OwnerDrawControlsCorrelation.h"

#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/OffscreenScroll.h"
#include "gui/COffscreenContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControlsCorrelation");

namespace {

// Histogram bins below this count as empty.
constexpr float kEmptyBin = 0.0001f;
// Runs per bin that light a column fully, over the width in pixels.
constexpr float kBrightnessScale = 600.0f;
constexpr int kMarkerWidth = 4;
constexpr CColor kLabelColour = {200, 200, 200, 255};

}  // namespace

CCorrelationGraph::CCorrelationGraph(const CRect& size, AEffGUIEditor* editor,
                                     CControlListener* listener)
    : CLayeredOwnerDrawControl(size, editor, listener) {
  XR_TRY
  const long width = std::max(1L, size.width());
  nW = static_cast<int>(width % 2 == 0 ? width - 1 : width);
  m_pStoreLeft.reset(new float[kBlockSize]());
  m_pStoreRight.reset(new float[kBlockSize]());
  m_pHistogram.reset(new float[nW]());
  pShown.reset(new float[nW]());
  m_pCachedLines.reset(new CColor[static_cast<size_t>(kCachedLines) * nW]());
  for (int i = 0; i < 3; ++i) m_handOver.SlotAt(i).histogram.reset(new float[nW]());
  Clear();
  XR_CATCH_VOID
}

// --- correlation ---------------------------------------------------------------

void CCorrelationGraph::GetCorrelationInfo(const float* left, const float* right, int n,
                                           float& meanLeft, float& meanRight,
                                           float& deviationProduct) {
  meanLeft = meanRight = deviationProduct = 0.0f;
  if (!left || !right || n <= 0) return;
  float sumLeft = 0.0f, sumRight = 0.0f;
  for (int i = 0; i < n; ++i) {
    sumLeft += left[i];
    sumRight += right[i];
  }
  meanLeft = sumLeft / static_cast<float>(n);
  meanRight = sumRight / static_cast<float>(n);
  float varLeft = 0.0f, varRight = 0.0f;
  for (int i = 0; i < n; ++i) {
    varLeft += (left[i] - meanLeft) * (left[i] - meanLeft);
    varRight += (right[i] - meanRight) * (right[i] - meanRight);
  }
  deviationProduct =
      std::sqrt(varLeft / static_cast<float>(n)) * std::sqrt(varRight / static_cast<float>(n));
}

float CCorrelationGraph::GetCorrelation(const float* left, const float* right, int n,
                                        float meanLeft, float meanRight, float deviationProduct) {
  if (!left || !right || n <= 0) return 0.0f;
  const float denominator = static_cast<float>(n) * deviationProduct;
  if (!(denominator > 0.0f)) return 0.0f;
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) sum += (left[i] - meanLeft) * (right[i] - meanRight);
  return sum / denominator;
}

// --- audio thread --------------------------------------------------------------

void CCorrelationGraph::StoreValues(const float* left, const float* right, int count) {
  XR_TRY
  if (!left || !right || count < 1 || !m_pStoreLeft) return;
  const int generation = m_nClearGeneration.load(std::memory_order_acquire);
  if (generation != m_nGeneration) {
    m_nGeneration = generation;
    m_nStored = 0;
    m_bFirstBlock = true;
    m_fOverall = 0.0f;
  }
  for (int i = 0; i < count; ++i) {
    m_pStoreLeft[m_nStored] = left[i];
    m_pStoreRight[m_nStored] = right[i];
    if (++m_nStored == kBlockSize) {
      ExtractStoredValues(m_pStoreLeft.get(), m_pStoreRight.get(), kBlockSize);
      m_nStored = 0;
    }
  }
  XR_CATCH_VOID
}

void CCorrelationGraph::ExtractStoredValues(const float* left, const float* right, int n) {
  XR_TRY
  if (bFrozen.load(std::memory_order_relaxed) || !left || !right || n <= 0) return;
  const float d = m_bFirstBlock ? 0.0f : kDecay;
  for (int k = 0; k < nW; ++k) {
    m_pHistogram[k] *= d;
    if (m_pHistogram[k] < kEmptyBin) m_pHistogram[k] = 0.0f;
  }
  for (int i = 0; i + kRunLength <= n; i += kRunLength) {
    float meanLeft, meanRight, deviations;
    GetCorrelationInfo(left + i, right + i, kRunLength, meanLeft, meanRight, deviations);
    const float r =
        GetCorrelation(left + i, right + i, kRunLength, meanLeft, meanRight, deviations);
    float p = r + 1.0f;
    if (r < -1.0f) p = 0.0f;
    if (r > 1.0f) p = 2.0f;
    const int bin = std::clamp(static_cast<int>(p * static_cast<float>(nW - 1) / 2.0f), 0, nW - 1);
    m_pHistogram[bin] += 1.0f - d;
  }
  float meanLeft, meanRight, deviations;
  GetCorrelationInfo(left, right, n, meanLeft, meanRight, deviations);
  const float whole = GetCorrelation(left, right, n, meanLeft, meanRight, deviations);
  const float c = m_bFirstBlock ? 0.0f : kOverallKeep;
  m_fOverall = c * m_fOverall + (1.0f - c) * whole;
  m_bFirstBlock = false;

  Result& out = m_handOver.WriteSlot();
  std::copy(m_pHistogram.get(), m_pHistogram.get() + nW, out.histogram.get());
  out.overall = m_fOverall;
  out.generation = m_nGeneration;
  m_handOver.Publish();
  XR_CATCH_VOID
}

// --- user-interface thread ---------------------------------------------------

void CCorrelationGraph::Clear() {
  XR_TRY
  // The audio side restarts its histogram when it sees the new generation
  // (its first block then replaces the histogram outright).
  m_nClearGeneration.fetch_add(1, std::memory_order_acq_rel);
  std::fill(pShown.get(), pShown.get() + nW, 0.0f);
  fOverall = fHeld = 0.0f;
  bFirstShown = true;
  m_pLatest = nullptr;
  setDirty(true);
  XR_CATCH_VOID
}

bool CCorrelationGraph::attached(CView* parent) {
  XR_TRY
  m_bWaterfallStarted = false;
  m_nCachedLines = 0;
  return COwnerDrawControl::attached(parent);
  XR_CATCH(false)
}

bool CCorrelationGraph::removed(CView* parent) {
  XR_TRY
  return COwnerDrawControl::removed(parent);
  XR_CATCH(false)
}

int CCorrelationGraph::ColumnOfCorrelation(float r) const {
  const int half = nW / 2;
  const float x = (r + 1.0f) * static_cast<float>(half);
  if (!(x > 0.0f)) return 0;
  return std::min(static_cast<int>(x), static_cast<int>(size.width()) - 1);
}

void CCorrelationGraph::DoOwnerDrawInner(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  if (m_handOver.TakeLatest()) {
    // The slot read before has gone back to the writer.
    const Result& latest = m_handOver.ReadSlot();
    m_pLatest = nullptr;
    if (latest.generation == m_nClearGeneration.load(std::memory_order_acquire)) {
      m_pLatest = &latest;
      bNewData = true;
    }
  }
  if (!bNewData || !m_pLatest) return;
  bNewData = false;
  const float* bins = m_pLatest->histogram.get();
  fOverall = m_pLatest->overall;

  const bool waterfall = bWaterfall.load(std::memory_order_relaxed);
  const long height = size.height();
  const long bandBottom = waterfall ? std::min<long>(kTopBand, height) : height;
  const int half = std::max(1, nW / 2);
  const float full = 0.5f * kBrightnessScale / static_cast<float>(nW);
  const float s = bFirstShown ? 0.0f : kShownKeep;
  bFirstShown = false;
  const int held = ColumnOfCorrelation(fHeld);
  if (waterfall) {
    // The past lines move down first; the live band is drawn over them.
    CacheTopLine();
    OperateWaterfall();
    fHeld = fOverall;
  }

  // Runs of equal colour, each one fill over the band.
  int runStart = 0;
  CColor runColour = kBlackCColor;
  for (int x = 0; x <= nW; ++x) {
    CColor colour = kBlackCColor;
    if (x < nW) {
      pShown[x] = s * pShown[x] + (1.0f - s) * bins[x];
      const float b = std::min(full, pShown[x]);
      const float level = static_cast<float>(x - half) / static_cast<float>(half);
      colour = GetColorForLevel(level, boundaryArrayPickerCorrelation0) * (b / full);
    }
    if (x > 0 && (x == nW || colour != runColour)) {
      ctx->fillRect(CRect(runStart, -1, x + 1, bandBottom), runColour);
      runStart = x;
    }
    if (x == 0 || colour != runColour) runColour = colour;
  }

  const int marker = ColumnOfCorrelation(fOverall);
  ctx->fillRect(CRect(marker - kMarkerWidth / 2, -1, marker + kMarkerWidth / 2 + 1, bandBottom),
                kWhiteCColor);
  if (waterfall)
    ctx->fillRect(
        CRect(std::min(marker, held), bandBottom - 2, std::max(marker, held) + 2, bandBottom),
        kWhiteCColor);
  XR_CATCH_VOID
}

void CCorrelationGraph::CacheTopLine() {
  XR_TRY
  if (bFrozen.load(std::memory_order_relaxed)) return;
  if (m_nCachedLines >= kCachedLines) OperateWaterfall();
  CacheTopLineInner(m_nCachedLines);
  ++m_nCachedLines;
  XR_CATCH_VOID
}

void CCorrelationGraph::CacheTopLineInner(int row) {
  XR_TRY
  if (row < 0 || row >= kCachedLines || !m_pLatest) return;
  const float* bins = m_pLatest->histogram.get();
  CColor* line = m_pCachedLines.get() + static_cast<size_t>(row) * nW;
  const int half = std::max(1, nW / 2);
  const float full = kBrightnessScale / static_cast<float>(nW);
  for (int x = 0; x < nW; ++x) {
    const float b = std::min(full, bins[x]) / full * 0.5f;
    const float level = static_cast<float>(x - half) / static_cast<float>(half);
    line[x] = GetColorForLevel(level, boundaryArrayPickerCorrelation0) * b;
  }
  const int marker = std::min(ColumnOfCorrelation(m_pLatest->overall), nW - 1);
  line[marker] = kWhiteCColor;
  XR_CATCH_VOID
}

void CCorrelationGraph::OperateWaterfall() {
  XR_TRY
  if (!pOffscreen) return;
  const long height = size.height();
  if (!m_bWaterfallStarted) {
    // The first pass starts from black under a clear band.
    pOffscreen->fillRect(CRect(0, -1, size.width() + 1, height), kBlackCColor);
    m_bWaterfallStarted = true;
  }
  ScrollOffscreenDown(pOffscreen, kTopBand, height, m_nCachedLines);
  DrawCachedTopLines(pOffscreen);
  m_nCachedLines = 0;
  XR_CATCH_VOID
}

void CCorrelationGraph::DrawCachedTopLines(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  // Line i lands on row count - i - 1 under the band: the newest on top.
  for (int i = 0; i < m_nCachedLines; ++i) {
    const long y = kTopBand + (m_nCachedLines - i - 1);
    const CColor* line = m_pCachedLines.get() + static_cast<size_t>(i) * nW;
    for (int x = 0; x < nW; ++x) ctx->drawPoint(CPoint(x, y), line[x]);
  }
  XR_CATCH_VOID
}

void CCorrelationGraph::PostDraw(CDrawContext* screen) {
  XR_TRY
  if (!screen) return;
  screen->setFont(kFontVerySmall);
  screen->setFontColor(kLabelColour);
  const long top = size.bottom - 12;
  screen->drawString("-1", CRect(size.left, top, size.left + 20, size.bottom), 0, kAlignLeft);
  const long mid = (size.left + size.right) / 2;
  screen->drawString("0", CRect(mid - 10, top, mid + 10, size.bottom), 0, kAlignCenter);
  screen->drawString("1", CRect(size.right - 20, top, size.right, size.bottom), 0, kAlignRight);
  XR_CATCH_VOID
}
