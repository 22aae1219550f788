// The equaliser editor's curve cache: the response in dB of each channel at
// each of the graph's columns, from the response model (WYSIWYG off) or from
// the kernels the audio path uses (WYSIWYG on).
#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Editor.h"
#include "QVX2/QVX2Graph.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2EditorCurve");

namespace {
// A curve value this close to 0 dB is drawn as 0 dB.
constexpr double kfFlatDb = 0.0001;
// Magnitudes are floored before the logarithm: a zero bin reads as -200 dB.
constexpr double kfMagnitudeFloor = 1e-10;

double BinDb(const Complex<double>& h) {
  const double magnitude = std::sqrt(h.re * h.re + h.im * h.im);
  return std::log(std::max(magnitude, kfMagnitudeFloor)) / kfDbLogScaleFactor;
}

double Flattened(double db) { return std::fabs(db) < kfFlatDb ? 0.0 : db; }
}  // namespace

void QVX2Editor::CacheFilterGraph() {
  XR_TRY
  AQVX2* fx = Effect();
  if (!fx) return;
  // Never waits: while the idle side updates the filters the cache stays
  // stale and the next draw tries again.
  AQVX2::CEditorReadScope read(*fx);
  if (!read.Held() || fx->GetFilterUpdateState() == 1) return;
  if (m_pGraph) m_pGraph->CacheHandles();

  const bool wysiwyg = kQvx2Wysiwyg >= 0 && fx->GetWysiwyg();
  if (!wysiwyg) {
    for (int i = 0; i < kCurveColumns; ++i) {
      const float x = (m_fLogMinFreq + m_fLogFreqRange * static_cast<float>(i) / kCurveColumns - kfSP_LogMinF) /
                      kfSP_LogRangeF;
      m_fCurve[0][i] = fx->GetFilterResponseDb(x, 0);
      m_fCurve[1][i] = fx->GetFilterResponseDb(x, 1);
    }
  } else {
    // The committed kernels; while filters are marked or being built the
    // curve keeps the shape the audio path still has.
    const Complex<double>* h[2] = {read.CommittedResponse(0), read.CommittedResponse(1)};
    const int N = read.FftSize();
    const double rate = fx->getSampleRate();
    if (fx->GetFiltersNeedUpdating() || fx->GetFilterUpdateState() != 0 || !h[0] || !h[1] || N < 2 ||
        !(rate > 0.0) || !(m_fLogFreqRange > 0.0f))
      return;
    const int lastBin = N / 2;
    double p = N / rate * std::exp(static_cast<double>(m_fLogMinFreq));
    const double step = std::exp(static_cast<double>(m_fLogFreqRange) / kCurveColumns);
    const double byNyquist = (std::log(rate / 2.0) - m_fLogMinFreq) * kCurveColumns / m_fLogFreqRange;
    const int last = byNyquist >= kCurveColumns ? kCurveColumns : static_cast<int>(std::max(byNyquist, 0.0));
    int previousBin = std::min(std::max(static_cast<int>(p) - 1, 0), lastBin);
    double previousDb[2] = {BinDb(h[0][previousBin]), BinDb(h[1][previousBin])};
    for (int i = 0; i < last; ++i) {
      int k = static_cast<int>(std::min(p, static_cast<double>(lastBin)));
      const bool interpolate = k == previousBin;
      if (interpolate) k = previousBin + 1;
      k = std::min(k, lastBin);
      for (int ch = 0; ch < 2; ++ch) {
        const double d = BinDb(h[ch][k]);
        if (interpolate) {
          const double t = p - (k - 1);
          m_fCurve[ch][i] = Flattened(previousDb[ch] * (1.0 - t) + t * d);
        } else {
          m_fCurve[ch][i] = Flattened(d);
          previousDb[ch] = d;
        }
      }
      if (!interpolate) previousBin = k;
      p *= step;
    }
    for (int i = last; i < kCurveColumns; ++i) m_fCurve[0][i] = m_fCurve[1][i] = 0.0;
  }
  m_bCurveCacheStale.store(false);
  if (m_pGraph) m_pGraph->setDirty(true);
  XR_CATCH_VOID
}
