#include "Helpers/RecursiveFilter.h"

#include <cmath>
#include <limits>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("Helpers/RecursiveFilter");

namespace {

constexpr float kfPi = 3.14159265358979323846f;
constexpr float kf2Pi = 6.28318530717958647692f;
constexpr double kdPi = 3.14159265358979323846;
// Single-precision pi and pi/2 both round up, past the true values. Angles
// are kept below them so that the tangent does not wrap negative and the sine
// of a Nyquist angle does not turn negative (either would put poles outside
// the unit circle).
constexpr float kfHalfPi = 1.57079637f;
const float kfBelowPi = std::nextafter(kfPi, 0.0f);

bool IsPositiveFinite(float v) { return std::isfinite(v) && v > 0.0f; }

// A frequency in Hz from 0 to half of a finite positive sample rate.
bool IsValidCutOff(float fFrequency, float fSampleRate) {
  return IsPositiveFinite(fSampleRate) && fFrequency >= 0.0f &&
         static_cast<double>(fFrequency) <= 0.5 * static_cast<double>(fSampleRate);
}

}  // namespace

// ---------------------------------------------------------------------------
// Common base

template <typename FTYPE>
CRecursiveFilter<FTYPE>::CRecursiveFilter(int nInputOrder, int nOutputOrder)
    : m_nInputPosition(0),
      m_fInputHistory{},
      m_nInputOrder(nInputOrder < 0 ? 0 : (nInputOrder > c_nMaxOrder ? c_nMaxOrder : nInputOrder)),
      m_fA{},
      m_nOutputPosition(0),
      m_fOutputHistory{},
      m_nOutputOrder(nOutputOrder < 0 ? 0 : (nOutputOrder > c_nMaxOrder ? c_nMaxOrder : nOutputOrder)),
      m_fB{} {}

template <typename FTYPE>
bool CRecursiveFilter<FTYPE>::StoreCoefs(const FTYPE* pA, const FTYPE* pB) {
  for (int i = 0; i <= m_nInputOrder; ++i)
    if (!std::isfinite(pA[i])) return false;
  for (int j = 1; j <= m_nOutputOrder; ++j)
    if (!std::isfinite(pB[j])) return false;
  for (int i = 0; i <= m_nInputOrder; ++i) m_fA[i] = pA[i];
  for (int j = 1; j <= m_nOutputOrder; ++j) m_fB[j] = pB[j];
  return true;
}

// ---------------------------------------------------------------------------
// One-pole filters

template <typename FTYPE>
bool CRecursiveFilterPassSimple<FTYPE>::SetCutOffFrequency(float fFrequency, float fSampleRate) {
  XR_TRY
  if (!IsValidCutOff(fFrequency, fSampleRate)) return false;
  const float x = std::exp(static_cast<float>(-2.0 * kdPi * fFrequency / fSampleRate));
  return CalculateCoefs(x);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterLowPass<FTYPE>::CalculateCoefs(float x) {
  XR_TRY
  if (!(x >= 0.0f && x <= 1.0f)) return false;
  const FTYPE a[1] = {1.0f - x};
  const FTYPE b[2] = {0, x};
  return this->StoreCoefs(a, b);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterHighPass<FTYPE>::CalculateCoefs(float x) {
  XR_TRY
  if (!(x >= 0.0f && x <= 1.0f)) return false;
  const float g = (1.0f + x) / 2.0f;
  const FTYPE a[2] = {g, -g};
  const FTYPE b[2] = {0, x};
  return this->StoreCoefs(a, b);
  XR_CATCH(false)
}

// ---------------------------------------------------------------------------
// Second-order pass filters

template <typename FTYPE>
float CRecursiveFilterPassButterworth<FTYPE>::GetCFromFrequency(float fFrequency, float fSampleRate) {
  XR_TRY
  if (!IsValidCutOff(fFrequency, fSampleRate)) return std::numeric_limits<float>::quiet_NaN();
  float theta = kfPi * fFrequency / fSampleRate;
  // The product alone overflows only for absurd sample rates near the float
  // limit; the quotient first stays in range there.
  if (!std::isfinite(theta)) theta = kfPi * (fFrequency / fSampleRate);
  const bool bAtNyquist = static_cast<double>(fFrequency) == 0.5 * static_cast<double>(fSampleRate);
  if (bAtNyquist || !(theta < kfHalfPi)) return std::numeric_limits<float>::infinity();
  return std::tan(theta);
  XR_CATCH(std::numeric_limits<float>::quiet_NaN())
}

template <typename FTYPE>
bool CRecursiveFilterPassButterworth<FTYPE>::SetCutOffFrequencyAndResonance(float fFrequency, float fSampleRate,
                                                                            float fResonance) {
  XR_TRY
  const float c = GetCFromFrequency(fFrequency, fSampleRate);
  if (!IsValidDesign(c, fResonance)) return false;
  return CalculateCoefs(c, fResonance);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterPassButterworth<FTYPE>::IsValidDesign(float c, float r) {
  // r = 0 would put the poles on the unit circle, r < 0 outside it.
  return c >= 0.0f && IsPositiveFinite(r);
}

template <typename FTYPE>
bool CRecursiveFilterPassButterworth<FTYPE>::DesignLowPass(float c, float r) {
  if (!IsValidDesign(c, r)) return false;
  // A cut-off at 0 (or so close to it that 1/c^2 overflows) passes nothing;
  // its limit is stored as all-zero coefficients rather than as the double
  // pole at z = 1 that the formula tends to.
  FTYPE a[4] = {0, 0, 0, 0};
  FTYPE b[3] = {0, 0, 0};
  if (c > 0.0f) {
    const float k = 1.0f / c;
    const float kk = k * k;
    if (std::isfinite(kk)) {
      const float g = 1.0f / (1.0f + r * k + kk);
      a[1] = g;
      a[2] = 2.0f * g;
      a[3] = g;
      b[1] = -2.0f * (1.0f - kk) * g;
      b[2] = -(1.0f - r * k + kk) * g;
    }
  }
  return this->StoreCoefs(a, b);
}

template <typename FTYPE>
bool CRecursiveFilterPassButterworth<FTYPE>::DesignHighPass(float c, float r) {
  if (!IsValidDesign(c, r)) return false;
  // A cut-off at the Nyquist frequency (c infinite, or c^2 overflowing)
  // passes nothing, stored as all-zero coefficients.
  FTYPE a[4] = {0, 0, 0, 0};
  FTYPE b[3] = {0, 0, 0};
  const float cc = c * c;
  if (std::isfinite(cc)) {
    const float g = 1.0f / (1.0f + r * c + cc);
    a[1] = g;
    a[2] = -2.0f * g;
    a[3] = g;
    b[1] = -2.0f * (cc - 1.0f) * g;
    b[2] = -(1.0f - r * c + cc) * g;
  }
  return this->StoreCoefs(a, b);
}

template <typename FTYPE>
bool CRecursiveFilterPassButterworth<FTYPE>::DesignPassThrough() {
  const FTYPE a[4] = {this->m_fA[0], 1, 0, 0};
  const FTYPE b[3] = {0, 0, 0};
  return this->StoreCoefs(a, b);
}

template <typename FTYPE>
bool CRecursiveFilterPassThroughButterworth<FTYPE>::CalculateCoefs(float c, float r) {
  XR_TRY
  return this->IsValidDesign(c, r) && this->DesignPassThrough();
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterLowPassButterworth<FTYPE>::CalculateCoefs(float c, float r) {
  XR_TRY
  return this->DesignLowPass(c, r);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterHighPassButterworth<FTYPE>::CalculateCoefs(float c, float r) {
  XR_TRY
  return this->DesignHighPass(c, r);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterPassThroughButterworthSoftSaturate<FTYPE>::CalculateCoefs(float c, float r) {
  XR_TRY
  return this->IsValidDesign(c, r) && this->DesignPassThrough();
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterLowPassButterworthSoftSaturate<FTYPE>::CalculateCoefs(float c, float r) {
  XR_TRY
  return this->DesignLowPass(c, r);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterHighPassButterworthSoftSaturate<FTYPE>::CalculateCoefs(float c, float r) {
  XR_TRY
  return this->DesignHighPass(c, r);
  XR_CATCH(false)
}

// ---------------------------------------------------------------------------
// Biquads

template <typename FTYPE>
CRecursiveFilterBiquad<FTYPE>::CRecursiveFilterBiquad()
    : CRecursiveFilter<FTYPE>(2, 2), m_fQ(0.0f), m_fW0(0.0f), m_fCosW0(1.0f), m_fAlpha(0.0f), m_fGain(1.0f) {}

template <typename FTYPE>
bool CRecursiveFilterBiquad<FTYPE>::Set(float fFrequency, float fQ, float fSampleRate, float fGain) {
  XR_TRY
  if (!IsValidCutOff(fFrequency, fSampleRate) || !IsPositiveFinite(fQ) || !std::isfinite(fGain)) return false;
  const float fOldQ = m_fQ, fOldW0 = m_fW0, fOldCosW0 = m_fCosW0, fOldAlpha = m_fAlpha, fOldGain = m_fGain;
  m_fQ = fQ;
  float w0 = fFrequency * kf2Pi / fSampleRate;
  if (!std::isfinite(w0)) w0 = kf2Pi * (fFrequency / fSampleRate);
  if (w0 > kfBelowPi) w0 = kfBelowPi;
  m_fW0 = w0;
  m_fAlpha = std::sin(w0) / (2.0f * fQ);
  m_fCosW0 = std::cos(w0);
  m_fGain = fGain;
  if (SetGain(fGain)) return true;
  m_fQ = fOldQ;
  m_fW0 = fOldW0;
  m_fCosW0 = fOldCosW0;
  m_fAlpha = fOldAlpha;
  m_fGain = fOldGain;
  return false;
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBiquad<FTYPE>::StoreNormalised(float fA0, float a0, float a1, float a2, float b1, float b2,
                                                    float fGain) {
  if (!std::isfinite(fA0) || fA0 == 0.0f) return false;
  const FTYPE a[3] = {a0 / fA0, a1 / fA0, a2 / fA0};
  const FTYPE b[3] = {0, b1 / fA0, b2 / fA0};
  if (!this->StoreCoefs(a, b)) return false;
  m_fGain = fGain;
  return true;
}

template <typename FTYPE>
bool CRecursiveFilterBiquadNotch<FTYPE>::SetGain(float fGain) {
  XR_TRY
  if (!std::isfinite(fGain)) return false;
  const float c = this->m_fCosW0, alpha = this->m_fAlpha;
  return this->StoreNormalised(1.0f + alpha, 1.0f, -2.0f * c, 1.0f, 2.0f * c, -(1.0f - alpha), fGain);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBiquadBandPass<FTYPE>::SetGain(float fGain) {
  XR_TRY
  if (!std::isfinite(fGain)) return false;
  const float c = this->m_fCosW0, alpha = this->m_fAlpha, qa = this->m_fQ * alpha;
  return this->StoreNormalised(1.0f + alpha, qa, 0.0f, -qa, 2.0f * c, -(1.0f - alpha), fGain);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBiquadLowPass<FTYPE>::SetGain(float fGain) {
  XR_TRY
  if (!std::isfinite(fGain)) return false;
  const float c = this->m_fCosW0, alpha = this->m_fAlpha, h = (1.0f - c) / 2.0f;
  return this->StoreNormalised(1.0f + alpha, h, 1.0f - c, h, 2.0f * c, -(1.0f - alpha), fGain);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBiquadHighPass<FTYPE>::SetGain(float fGain) {
  XR_TRY
  if (!std::isfinite(fGain)) return false;
  const float c = this->m_fCosW0, alpha = this->m_fAlpha, h = (1.0f + c) / 2.0f;
  return this->StoreNormalised(1.0f + alpha, h, -(1.0f + c), h, 2.0f * c, -(1.0f - alpha), fGain);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBiquadHighShelf<FTYPE>::SetGain(float fGain) {
  XR_TRY
  if (!IsPositiveFinite(fGain)) return false;
  const float A = fGain, c = this->m_fCosW0, alpha = this->m_fAlpha;
  const float s = 2.0f * std::sqrt(A) * alpha;
  return this->StoreNormalised((A + 1.0f) - (A - 1.0f) * c + s,
                               A * ((A + 1.0f) + (A - 1.0f) * c + s),
                               -2.0f * A * ((A - 1.0f) + (A + 1.0f) * c),
                               A * ((A + 1.0f) + (A - 1.0f) * c - s),
                               -2.0f * ((A - 1.0f) - (A + 1.0f) * c),
                               -((A + 1.0f) - (A - 1.0f) * c - s), fGain);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBiquadLowShelf<FTYPE>::SetGain(float fGain) {
  XR_TRY
  if (!IsPositiveFinite(fGain)) return false;
  const float A = fGain, c = this->m_fCosW0, alpha = this->m_fAlpha;
  const float s = 2.0f * std::sqrt(A) * alpha;
  return this->StoreNormalised((A + 1.0f) + (A - 1.0f) * c + s,
                               A * ((A + 1.0f) - (A - 1.0f) * c + s),
                               2.0f * A * ((A - 1.0f) - (A + 1.0f) * c),
                               A * ((A + 1.0f) - (A - 1.0f) * c - s),
                               2.0f * ((A - 1.0f) + (A + 1.0f) * c),
                               -((A + 1.0f) + (A - 1.0f) * c - s), fGain);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBiquadEQ<FTYPE>::SetGain(float fGain) {
  XR_TRY
  if (!IsPositiveFinite(fGain)) return false;
  const float A = fGain, c = this->m_fCosW0, alpha = this->m_fAlpha;
  return this->StoreNormalised(1.0f + alpha / A, 1.0f + alpha * A, -2.0f * c, 1.0f - alpha * A, 2.0f * c,
                               -(1.0f - alpha / A), fGain);
  XR_CATCH(false)
}

// ---------------------------------------------------------------------------
// Narrow band pass and band reject

namespace {

// Shared design: pole radius R, cos of the centre angle c and the gain K that
// gives the band reject unit gain at DC. False for settings outside the range.
bool DesignNarrowBand(float fCentre, float fBandWidth, float& R, float& c, float& K) {
  if (!(fCentre > 0.0f && fCentre <= 0.5f) || !(fBandWidth >= 0.0f)) return false;
  R = 1.0f - 3.0f * fBandWidth;
  if (!(R > 0.0f)) return false;
  c = std::cos(kf2Pi * fCentre);
  // Centres so close to DC that cos rounds to 1 leave no DC gain to scale.
  const float fDenominator = 2.0f - 2.0f * c;
  if (!(fDenominator > 0.0f)) return false;
  K = (1.0f - 2.0f * R * c + R * R) / fDenominator;
  return std::isfinite(K);
}

}  // namespace

template <typename FTYPE>
bool CRecursiveFilterBandPass<FTYPE>::SetCentreFreqAndBandWidth(float fCentre, float fBandWidth) {
  XR_TRY
  float R, c, K;
  if (!DesignNarrowBand(fCentre, fBandWidth, R, c, K)) return false;
  const FTYPE a[3] = {1.0f - K, 2.0f * (K - R) * c, R * R - K};
  const FTYPE b[3] = {0, 2.0f * R * c, -(R * R)};
  return this->StoreCoefs(a, b);
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBandPass<FTYPE>::GetCentreFreqAndBandWidth(float* pfCentre, float* pfBandWidth) const {
  XR_TRY
  // Every accepted setting has R > 0, so b[2] = -R^2 < 0; a new filter has 0.
  const float fNegB2 = static_cast<float>(-this->m_fB[2]);
  if (!(fNegB2 > 0.0f)) return false;
  const float R = std::sqrt(fNegB2);
  float fCos = static_cast<float>(this->m_fB[1]) / (2.0f * R);
  // Rounding may carry the ratio just past +-1, where acos has no value.
  if (fCos > 1.0f) fCos = 1.0f;
  if (fCos < -1.0f) fCos = -1.0f;
  if (pfBandWidth) *pfBandWidth = (1.0f - R) / 3.0f;
  if (pfCentre) *pfCentre = static_cast<float>(std::acos(static_cast<double>(fCos)) / (2.0 * kdPi));
  return true;
  XR_CATCH(false)
}

template <typename FTYPE>
bool CRecursiveFilterBandReject<FTYPE>::SetCentreFreqAndBandWidth(float fCentre, float fBandWidth) {
  XR_TRY
  float R, c, K;
  if (!DesignNarrowBand(fCentre, fBandWidth, R, c, K)) return false;
  const FTYPE a[3] = {K, -2.0f * K * c, K};
  const FTYPE b[3] = {0, 2.0f * R * c, -(R * R)};
  return this->StoreCoefs(a, b);
  XR_CATCH(false)
}

template class CRecursiveFilter<float>;
template class CRecursiveFilterPassSimple<float>;
template class CRecursiveFilterLowPass<float>;
template class CRecursiveFilterHighPass<float>;
template class CRecursiveFilterPassButterworth<float>;
template class CRecursiveFilterPassThroughButterworth<float>;
template class CRecursiveFilterLowPassButterworth<float>;
template class CRecursiveFilterHighPassButterworth<float>;
template class CRecursiveFilterPassButterworthSoftSaturate<float>;
template class CRecursiveFilterPassThroughButterworthSoftSaturate<float>;
template class CRecursiveFilterLowPassButterworthSoftSaturate<float>;
template class CRecursiveFilterHighPassButterworthSoftSaturate<float>;
template class CRecursiveFilterBiquad<float>;
template class CRecursiveFilterBiquadNotch<float>;
template class CRecursiveFilterBiquadBandPass<float>;
template class CRecursiveFilterBiquadLowPass<float>;
template class CRecursiveFilterBiquadHighPass<float>;
template class CRecursiveFilterBiquadHighShelf<float>;
template class CRecursiveFilterBiquadLowShelf<float>;
template class CRecursiveFilterBiquadEQ<float>;
template class CRecursiveFilterBandPass<float>;
template class CRecursiveFilterBandReject<float>;
template float CRecursiveFilterPassButterworth<double>::GetCFromFrequency(float, float);
