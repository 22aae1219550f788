#include "Helpers/FftHighPass.h"

#include <cmath>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("Helpers/FftHighPass");

const float g_fFudgeSlopeIndex[g_kFudgeSlopeCount] = {0.0f,  0.01f, 0.02f, 0.03f, 0.04f, 0.05f, 0.06f, 0.08f,
                                                      0.1f,  0.12f, 0.14f, 0.16f, 0.18f, 0.2f,  0.22f, 0.24f,
                                                      0.26f, 0.28f, 0.3f,  0.5f,  0.7f,  1.0f};
const float g_fFudgeFreqIndex[g_kFudgeFreqCount] = {0.0f,   20.0f,  30.0f,  40.0f,   50.0f,   60.0f,  70.0f,
                                                    80.0f,  90.0f,  100.0f, 103.0f,  106.0f,  110.0f, 113.0f,
                                                    116.0f, 120.0f, 140.0f, 160.0f,  180.0f,  200.0f, 300.0f,
                                                    400.0f, 500.0f, 1000.0f, 2000.0f, 5000.0f, 22050.0f};

namespace {

using FudgeTable = const float (*)[g_kFudgeSlopeCount];

// The level the ramp starts from when the floor is below it.
constexpr float kfMinRampStart = 0.04f;
// The logarithm used for a bin that is not above 0.
const float kfLnOfNonPositive = std::log(1e-5f);

bool IsInUnitRange(float v) { return v >= 0.0f && v <= 1.0f; }

float ClampToUnitRange(float v) {
  if (!(v >= 0.0f)) return 0.0f;  // NaN too
  return v > 1.0f ? 1.0f : v;
}

// The designed frequency (at 44100 Hz) whose actual cut-off in column c is f:
// the column inverted by linear interpolation between the first entry that
// reaches f and the one before it, extrapolated from the end pairs.
float InvertColumn(FudgeTable table, int c, float f) {
  int i = 0;
  while (i < g_kFudgeFreqCount && !(table[i][c] >= f)) ++i;
  if (i == g_kFudgeFreqCount) i = g_kFudgeFreqCount - 1;
  const int lo = i == 0 ? 0 : i - 1;
  const int hi = i == 0 ? 1 : i;
  const float fDenominator = table[hi][c] - table[lo][c];
  // Equal entries: every frequency between the two rows gives this cut-off.
  if (fDenominator == 0.0f) return f > table[hi][c] ? g_fFudgeFreqIndex[hi] : g_fFudgeFreqIndex[lo];
  const float u = (f - table[lo][c]) / fDenominator;
  return u * g_fFudgeFreqIndex[hi] + (1.0f - u) * g_fFudgeFreqIndex[lo];
}

}  // namespace

// ---------------------------------------------------------------------------
// High pass

template <typename FTYPE>
FftHighPass<FTYPE>::FftHighPass(int N, int kernelSize, int passes)
    : FreqDomainConvolution<FTYPE>(N, kernelSize, passes) {}

template <typename FTYPE>
FftHighPass<FTYPE>::~FftHighPass() {}

template <typename FTYPE>
bool FftHighPass<FTYPE>::SetFrequency(float fFrequency, float fSlope, float fFloor) {
  XR_TRY
  const float fSampleRate = this->m_fSampleRate;
  if (!(std::isfinite(fSampleRate) && fSampleRate > 0.0f)) return false;
  if (!(fFrequency >= 0.0f && static_cast<double>(fFrequency) <= 0.5 * static_cast<double>(fSampleRate)))
    return false;
  if (!IsInUnitRange(fSlope) || !IsInUnitRange(fFloor)) return false;
  ApplyAutoFudge(fFrequency, fSlope);
  if (fFrequency == m_fFrequency && fSlope == m_fSlope && fFloor == m_fFloor && !this->m_bNeedsSetup) return true;
  m_fFrequency = fFrequency;
  m_fSlope = fSlope;
  m_fFloor = fFloor;
  // Stays set unless the design below commits.
  this->m_bNeedsSetup = true;
  this->Setup(false);
  return !this->m_bNeedsSetup;
  XR_CATCH(false)
}

template <typename FTYPE>
void FftHighPass<FTYPE>::ApplyAutoFudge(float& fFrequency, float& fSlope) {
  XR_TRY
  const float fSampleRate = this->m_fSampleRate;
  const float s = fSlope;
  if (!std::isfinite(fFrequency) || !std::isfinite(s)) return;
  if (!(std::isfinite(fSampleRate) && fSampleRate > 0.0f)) return;
  FudgeTable table = nullptr;
  if (this->m_nFftSize == 4096) table = g_fFudgeActualCutOff_4096;
  if (this->m_nFftSize == 2048) table = g_fFudgeActualCutOff_2048;
  if (!table) return;

  // The design depends on the bin alone, so other rates map onto the table's.
  const bool bTableRate = fSampleRate == kfFudgeSampleRate;
  const float f = bTableRate ? fFrequency : fFrequency * kfFudgeSampleRate / fSampleRate;

  int j = 0;
  while (j < g_kFudgeSlopeCount && !(g_fFudgeSlopeIndex[j] >= s)) ++j;
  if (j == g_kFudgeSlopeCount) j = g_kFudgeSlopeCount - 1;
  const int lo = j == 0 ? 0 : j - 1;
  const int hi = j == 0 ? 1 : j;
  const float t = (s - g_fFudgeSlopeIndex[lo]) / (g_fFudgeSlopeIndex[hi] - g_fFudgeSlopeIndex[lo]);
  float fRequest = t * InvertColumn(table, hi, f) + (1.0f - t) * InvertColumn(table, lo, f);
  if (!bTableRate) fRequest = fRequest * fSampleRate / kfFudgeSampleRate;

  // Extrapolation may leave the band; a design can only use 0..Nyquist.
  const float fNyquist = 0.5f * fSampleRate;
  if (!(fRequest >= 0.0f)) fRequest = 0.0f;
  if (fRequest > fNyquist) fRequest = fNyquist;
  fFrequency = fRequest;
  XR_CATCH_VOID
}

template <typename FTYPE>
void FftHighPass<FTYPE>::SetIdealisedFreqResponse(Complex<FTYPE>* response) {
  XR_TRY
  if (!response) return;
  const int half = this->m_nFftSize / 2;
  const int k0Bin = this->IndexForFreq(m_fFrequency);
  const float s = ClampToUnitRange(m_fSlope);
  const float fFloor = ClampToUnitRange(m_fFloor);
  if (k0Bin <= 0) {
    // No bin lies below the cut-off.
    for (int k = 0; k <= half; ++k) response[k] = Complex<FTYPE>{FTYPE(1), FTYPE(0)};
    return;
  }

  const float k0 = static_cast<float>(k0Bin);
  const float lnK0 = std::log(k0);
  float k1 = k0;
  if (s != 0.0f) {
    k1 = std::exp(s * std::log(static_cast<float>(half)) + (1.0f - s) * lnK0);
    // Rounding may carry k1 just outside k0..N/2; there the exponent below
    // would explode and turn the ramp into a jump at the wrong bin.
    if (k1 < k0) k1 = k0;
    if (k1 > static_cast<float>(half)) k1 = static_cast<float>(half);
  }
  const float g = fFloor > kfMinRampStart ? fFloor : kfMinRampStart;
  const float lnK1 = std::log(k1);
  const float p = lnK1 != lnK0 ? std::log(g) / (lnK0 - lnK1) : 1.0f;

  int b0 = k0Bin - (s != 0.0f ? 5 : 0);
  if (b0 < 0) b0 = 0;
  for (int k = 0; k < b0; ++k) response[k] = Complex<FTYPE>{FTYPE(fFloor), FTYPE(0)};
  for (int k = b0; k <= half; ++k) {
    double e = 1.0;
    if (!(static_cast<float>(k) > k1)) {
      const float lnK = k > 0 ? std::log(static_cast<float>(k)) : kfLnOfNonPositive;
      e = std::exp(static_cast<double>(p) * lnK - static_cast<double>(p) * lnK1);
      if (e < fFloor) e = fFloor;
      if (e > 1.0) e = 1.0;
    }
    response[k] = Complex<FTYPE>{static_cast<FTYPE>(e), FTYPE(0)};
  }
  XR_CATCH_VOID
}

// ---------------------------------------------------------------------------
// Inverse

namespace {

// Marks an inverse filter as inside its own design for the scope, so that a
// chain of sources leading back to it is noticed instead of recursing.
class CDesignGuard {
 public:
  explicit CDesignGuard(bool& bFlag) : m_bFlag(bFlag) { m_bFlag = true; }
  ~CDesignGuard() { m_bFlag = false; }
  CDesignGuard(const CDesignGuard&) = delete;
  CDesignGuard& operator=(const CDesignGuard&) = delete;

 private:
  bool& m_bFlag;
};

}  // namespace

template <typename FTYPE>
FftInverseFilter<FTYPE>::FftInverseFilter(int N, int kernelSize, int passes)
    : FreqDomainConvolution<FTYPE>(N, kernelSize, passes) {}

template <typename FTYPE>
FftInverseFilter<FTYPE>::~FftInverseFilter() {}

template <typename FTYPE>
bool FftInverseFilter<FTYPE>::SetInverseOf(FreqDomainConvolution<FTYPE>* pSource) {
  XR_TRY
  if (!pSource || pSource->m_nFftSize != this->m_nFftSize) return false;
  // Follow the chain of inverse filters; the bound stops on a loop that does
  // not pass through this filter (possible only by writing the fields).
  const FreqDomainConvolution<FTYPE>* p = pSource;
  for (int nLinks = 0; p && nLinks < 1024; ++nLinks) {
    if (p == this) return false;
    const auto* pInverse = dynamic_cast<const FftInverseFilter<FTYPE>*>(p);
    p = pInverse ? pInverse->m_pInverseOf : nullptr;
  }
  if (p) return false;
  m_pInverseOf = pSource;
  this->m_fSampleRate = pSource->m_fSampleRate;
  this->m_bNeedsSetup = true;
  this->Setup(false);
  return !this->m_bNeedsSetup;
  XR_CATCH(false)
}

template <typename FTYPE>
void FftInverseFilter<FTYPE>::SetIdealisedFreqResponse(Complex<FTYPE>* response) {
  XR_TRY
  if (!response) return;
  const int bins = this->m_nFftSize / 2 + 1;
  FreqDomainConvolution<FTYPE>* pSource = m_pInverseOf;
  if (!pSource || pSource->m_nFftSize != this->m_nFftSize || m_bInDesign) {
    for (int k = 0; k < bins; ++k) response[k] = Complex<FTYPE>{FTYPE(0), FTYPE(0)};
    return;
  }
  {
    CDesignGuard guard(m_bInDesign);
    pSource->SetIdealisedFreqResponse(response);
  }
  const float fPhase = std::isfinite(m_fPhase) ? m_fPhase : 0.0f;
  const FTYPE c = std::cos(static_cast<FTYPE>(fPhase));
  const FTYPE s = std::sin(static_cast<FTYPE>(fPhase));
  for (int k = 0; k < bins; ++k) {
    const FTYPE a = FTYPE(1) - response[k].re;
    const FTYPE b = -response[k].im;
    response[k] = Complex<FTYPE>{a * c - b * s, a * s + b * c};
  }
  XR_CATCH_VOID
}

template class FftHighPass<float>;
template class FftHighPass<double>;
template class FftInverseFilter<float>;
