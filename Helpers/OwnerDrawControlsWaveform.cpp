#include "Helpers/OwnerDrawControlsWaveform.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Helpers/Assert.h"
#include "Helpers/FrequencyDataStore.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControlsWaveform");

namespace {

constexpr CColor kLeftTrace = {120, 220, 120, 255};
constexpr CColor kRightTrace = {220, 120, 120, 255};
constexpr CColor kTextColour = {200, 200, 200, 255};
// Rows kept free above and below the traces.
constexpr long kTraceMargin = 4;

}  // namespace

CWaveFormGraph::CWaveFormGraph(const CRect& size, AEffGUIEditor* editor,
                               CControlListener* listener)
    : CLayeredOwnerDrawControl(size, editor, listener) {
  XR_TRY
  nW = static_cast<int>(std::max(1L, size.width()));
  for (int i = 0; i < 3; ++i) {
    Trace& slot = m_handOver.SlotAt(i);
    slot.left.reset(new float[nW]());
    slot.right.reset(new float[nW]());
  }
  m_blank.left.reset(new float[nW]());
  m_blank.right.reset(new float[nW]());
  XR_CATCH_VOID
}

void CWaveFormGraph::SetDataStore(int slot, CFrequencyDataStore* store) {
  if (slot == 0 || slot == 1) pDataStore[slot] = store;
}

// --- period detection (user-interface thread) -------------------------------

void CWaveFormGraph::AttemptToDetectFreq() {
  XR_TRY
  CFrequencyDataStore* left = pDataStore[0];
  CFrequencyDataStore* right = pDataStore[1];
  if (!left || !right) return;
  const int flips = right->GetFlipCount();
  if (flips == nLastFlipCount) return;
  nLastFlipCount = flips;
  const int h = std::min(left->GetHalfSize(), right->GetHalfSize());
  CFrequencyDataStoreReaders readers;
  const double* l = readers.Enter(left);
  const double* r = readers.Enter(right);
  int best = 0;
  if (l && r && h > 0) {
    auto power = [l, r](int j) { return l[j] + r[j]; };
    double bestScore = -1.0;
    for (int k = 0; k < h; ++k) {
      const double score = power(k) * 0.5 + power(std::min(2 * k, h)) / 3.0 +
                           power(std::min(3 * k, h)) * 0.25 + power(std::min(4 * k, h)) / 5.0;
      if (score > bestScore) {
        bestScore = score;
        best = k;
      }
    }
  }
  readers.Release();
  if (!l || !r || h <= 0) return;
  const int period = best > 0 ? (h / best) * 2 : 1;
  nPeriod.store(period, std::memory_order_relaxed);
  double rate = GetSampleRate();
  if (!(rate > 0.0)) rate = right->GetSampleRate();
  fDetectedFreq = rate > 0.0 ? static_cast<float>(rate / period) : 0.0f;
  XR_CATCH_VOID
}

// --- trigger and capture (audio thread) --------------------------------------

void CWaveFormGraph::StartWaiting() {
  const long long p = m_nPeriodInUse;
  long long until = p - (m_nSeen % p) - kTriggerLead;
  if (until < 0) until += p;
  m_nUntilSearch = until;
  m_nSearched = 0;
  m_eTrigger = eWaiting;
}

void CWaveFormGraph::Capture(float left, float right) {
  Trace& trace = m_handOver.WriteSlot();
  const int perColumn = std::max(1, m_nPeriodInUse / nW);
  if (m_nCaptured % perColumn == 0) {
    const int column = m_nCaptured / perColumn;
    if (column < nW) {
      trace.left[column] = left;
      trace.right[column] = right;
      trace.nColumns = column + 1;
    }
  }
  ++m_nCaptured;
  if (m_nCaptured >= std::min(m_nPeriodInUse, nW * perColumn)) {
    trace.period = m_nPeriodInUse;
    m_handOver.Publish();
    StartWaiting();
  }
}

void CWaveFormGraph::StoreValues(const float* left, const float* right, int count) {
  XR_TRY
  if (!left || !right || count < 1) return;
  const int period = nPeriod.load(std::memory_order_relaxed);
  if (period <= 0) {
    // No period yet: one empty trace, then nothing.
    if (!m_bCleared) {
      Trace& trace = m_handOver.WriteSlot();
      trace.nColumns = 0;
      trace.period = 0;
      m_handOver.Publish();
      m_bCleared = true;
    }
    return;
  }
  m_bCleared = false;
  if (period != m_nPeriodInUse) {
    m_nPeriodInUse = period;
    m_nSeen = 0;
    StartWaiting();
  }
  for (int i = 0; i < count; ++i) {
    const float l = left[i];
    switch (m_eTrigger) {
      case eWaiting:
        if (--m_nUntilSearch <= 0) m_eTrigger = eSearching;
        break;
      case eSearching:
        // A positive-to-negative crossing, or no crossing for two periods.
        if ((m_fLastLeft > 0.0f && l <= 0.0f) || ++m_nSearched > 2LL * m_nPeriodInUse) {
          m_eTrigger = eCapturing;
          m_nCaptured = 0;
          m_handOver.WriteSlot().nColumns = 0;
        }
        break;
      case eCapturing:
        break;
    }
    if (m_eTrigger == eCapturing) Capture(l, right[i]);
    m_fLastLeft = l;
    ++m_nSeen;
  }
  XR_CATCH_VOID
}

// --- drawing (user-interface thread) ---------------------------------------

void CWaveFormGraph::DoDrawBackground(CDrawContext* layer) {
  XR_TRY
  ClearBackground(layer, 0, 0, 0);
  XR_CATCH_VOID
}

void CWaveFormGraph::DoOwnerDrawInner(CDrawContext* ctx) {
  XR_TRY
  if (!ctx) return;
  AttemptToDetectFreq();
  if (m_handOver.TakeLatest()) m_pShown = &m_handOver.ReadSlot();
  const Trace& trace = *m_pShown;
  const long height = size.height();
  const float mid = static_cast<float>(height) * 0.5f;
  const float scale = std::max(1.0f, mid - static_cast<float>(kTraceMargin));
  if (trace.nColumns > 1) {
    std::vector<CPoint> points(static_cast<size_t>(trace.nColumns) + 1);
    const float* channels[2] = {trace.left.get(), trace.right.get()};
    const CColor colours[2] = {kLeftTrace, kRightTrace};
    for (int c = 0; c < 2; ++c) {
      // The direct trace starts one column left of its first point.
      for (int x = 0; x <= trace.nColumns; ++x) {
        const float v = channels[c][std::min(x, trace.nColumns - 1)];
        const float y = std::clamp(mid - v * scale, 0.0f, static_cast<float>(height - 1));
        points[static_cast<size_t>(x)] = CPoint(x + 1, static_cast<long>(y));
      }
      ctx->drawGraphPolyLine(points.data(), colours[c], trace.nColumns + 1);
    }
  }
  if (GetPeriod() > 0 && fDetectedFreq > 0.0f) {
    char text[48];
    if (fDetectedFreq >= 1000.0f)
      std::snprintf(text, sizeof text, "Frequency = %.1f kHz",
                    static_cast<double>(fDetectedFreq) / 1000.0);
    else
      std::snprintf(text, sizeof text, "Frequency = %.0f Hz", static_cast<double>(fDetectedFreq));
    ctx->setFont(kFontVerySmall);
    ctx->setFontColor(kTextColour);
    ctx->drawString(text, CRect(4, 2, size.width() - 4, 14), 0, kAlignLeft);
  }
  XR_CATCH_VOID
}
