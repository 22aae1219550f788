// A family of small recursive (IIR) filters in direct form: one-pole low and
// high pass, second-order Butterworth pass filters (plain and with a soft
// saturation amount), the second-order biquads (notch, band pass, low pass,
// high pass, shelves, peaking EQ) and a narrow band-pass / band-reject pair.
//
// Each class designs coefficients from musical settings and keeps the
// coefficient and history arrays of a direct-form filter whose difference
// equation is
//   y[n] = a[0] x[n] + ... + a[M] x[n-M] + b[1] y[n-1] + ... + b[L] y[n-L]
// (the feedback coefficients carry the sign that makes this a sum; b[0] is
// never used).
//
// Every setter checks its arguments first. Non-finite or out-of-range
// settings, and settings whose coefficients would not be finite, are refused:
// the setter returns false and the filter keeps its previous coefficients and
// settings. A refused filter never holds a NaN or infinite coefficient.
//
// Thread contract: none of its own. A filter object is designed and read by
// one thread at a time; the owner serialises access.
//
// The delay lines that belong with this family (CDelayFilter,
// CFloatDelayFilter) come with this header.
#pragma once

#include "Helpers/DelayFilter.h"

template <typename FTYPE>
class CRecursiveFilter {
 public:
  static constexpr int c_nHistoryLength = 50;
  static constexpr int c_nMaxOrder = 5;

  // Feed-forward a[i], i = 0..c_nMaxOrder; 0 outside that range.
  FTYPE GetA(int i) const { return (i >= 0 && i <= c_nMaxOrder) ? m_fA[i] : FTYPE(0); }
  // Feedback b[j], j = 1..c_nMaxOrder (b[0] reads 0); 0 outside that range.
  FTYPE GetB(int j) const { return (j >= 0 && j <= c_nMaxOrder) ? m_fB[j] : FTYPE(0); }
  int GetInputOrder() const { return m_nInputOrder; }
  int GetOutputOrder() const { return m_nOutputOrder; }

 protected:
  // Orders are limited to 0..c_nMaxOrder, the size of the coefficient arrays.
  CRecursiveFilter(int nInputOrder, int nOutputOrder);
  // Not a polymorphic base: filters are never deleted through a base pointer.
  ~CRecursiveFilter() = default;

  // Stores a[0..M] and b[1..L] (b[0] of the argument is ignored) when every
  // one of them is finite; otherwise changes nothing and returns false.
  bool StoreCoefs(const FTYPE* pA, const FTYPE* pB);

  // Input side.
  int m_nInputPosition;
  FTYPE m_fInputHistory[c_nHistoryLength];
  int m_nInputOrder;
  FTYPE m_fA[c_nMaxOrder + 1];
  // Output side.
  int m_nOutputPosition;
  FTYPE m_fOutputHistory[c_nHistoryLength];
  int m_nOutputOrder;
  FTYPE m_fB[c_nMaxOrder + 1];
};

// One-pole filters set by the pole position x = exp(-2 pi f / fs).
template <typename FTYPE>
class CRecursiveFilterPassSimple : public CRecursiveFilter<FTYPE> {
 public:
  // Cut-off in Hz from 0 to fs/2 at a finite sample rate fs > 0.
  bool SetCutOffFrequency(float fFrequency, float fSampleRate);
  // Designs from the pole position x, 0 <= x <= 1.
  virtual bool CalculateCoefs(float x) = 0;

 protected:
  CRecursiveFilterPassSimple(int nInputOrder, int nOutputOrder)
      : CRecursiveFilter<FTYPE>(nInputOrder, nOutputOrder) {}
  ~CRecursiveFilterPassSimple() = default;
};

template <typename FTYPE>
class CRecursiveFilterLowPass : public CRecursiveFilterPassSimple<FTYPE> {
 public:
  CRecursiveFilterLowPass() : CRecursiveFilterPassSimple<FTYPE>(0, 1) {}
  bool CalculateCoefs(float x) override;
};

template <typename FTYPE>
class CRecursiveFilterHighPass : public CRecursiveFilterPassSimple<FTYPE> {
 public:
  CRecursiveFilterHighPass() : CRecursiveFilterPassSimple<FTYPE>(1, 1) {}
  bool CalculateCoefs(float x) override;
};

// Second-order pass filters from the bilinear transform with the prewarped
// cut-off c = tan(pi f / fs) and the damping r (sqrt 2 for Butterworth; a
// smaller r resonates). The design sits in a[1..3], so the output lags the
// textbook section by one sample.
template <typename FTYPE>
class CRecursiveFilterPassButterworth : public CRecursiveFilter<FTYPE> {
 public:
  // tan(pi f / fs) in single precision for 0 <= f < fs/2; +infinity at fs/2
  // (where single-precision pi would otherwise wrap the tangent negative);
  // NaN for a sample rate that is not finite and positive or a frequency
  // outside 0..fs/2.
  static float GetCFromFrequency(float fFrequency, float fSampleRate);
  // Cut-off in Hz from 0 to fs/2, resonance r finite and > 0.
  bool SetCutOffFrequencyAndResonance(float fFrequency, float fSampleRate, float fResonance);
  // c from 0 to +infinity (both ends design the limiting filter), r > 0.
  virtual bool CalculateCoefs(float c, float r) = 0;

 protected:
  CRecursiveFilterPassButterworth(int nInputOrder, int nOutputOrder)
      : CRecursiveFilter<FTYPE>(nInputOrder, nOutputOrder) {}
  ~CRecursiveFilterPassButterworth() = default;

  static bool IsValidDesign(float c, float r);
  bool DesignLowPass(float c, float r);
  bool DesignHighPass(float c, float r);
  bool DesignPassThrough();
};

template <typename FTYPE>
class CRecursiveFilterPassThroughButterworth : public CRecursiveFilterPassButterworth<FTYPE> {
 public:
  CRecursiveFilterPassThroughButterworth() : CRecursiveFilterPassButterworth<FTYPE>(3, 2) {}
  bool CalculateCoefs(float c, float r) override;
};

template <typename FTYPE>
class CRecursiveFilterLowPassButterworth : public CRecursiveFilterPassButterworth<FTYPE> {
 public:
  CRecursiveFilterLowPassButterworth() : CRecursiveFilterPassButterworth<FTYPE>(3, 2) {}
  bool CalculateCoefs(float c, float r) override;
};

template <typename FTYPE>
class CRecursiveFilterHighPassButterworth : public CRecursiveFilterPassButterworth<FTYPE> {
 public:
  CRecursiveFilterHighPassButterworth() : CRecursiveFilterPassButterworth<FTYPE>(3, 2) {}
  bool CalculateCoefs(float c, float r) override;
};

// The Butterworth designs with a saturation amount for a processing step that
// bends the output; the coefficients are those of the plain classes.
template <typename FTYPE>
class CRecursiveFilterPassButterworthSoftSaturate : public CRecursiveFilterPassButterworth<FTYPE> {
 public:
  float GetSaturation() const { return m_fSaturation; }

 protected:
  CRecursiveFilterPassButterworthSoftSaturate(int nInputOrder, int nOutputOrder, float fSaturation)
      : CRecursiveFilterPassButterworth<FTYPE>(nInputOrder, nOutputOrder), m_fSaturation(fSaturation) {}
  ~CRecursiveFilterPassButterworthSoftSaturate() = default;

  float m_fSaturation;
};

template <typename FTYPE>
class CRecursiveFilterPassThroughButterworthSoftSaturate
    : public CRecursiveFilterPassButterworthSoftSaturate<FTYPE> {
 public:
  CRecursiveFilterPassThroughButterworthSoftSaturate()
      : CRecursiveFilterPassButterworthSoftSaturate<FTYPE>(3, 2, 0.8f) {}
  bool CalculateCoefs(float c, float r) override;
};

template <typename FTYPE>
class CRecursiveFilterLowPassButterworthSoftSaturate : public CRecursiveFilterPassButterworthSoftSaturate<FTYPE> {
 public:
  CRecursiveFilterLowPassButterworthSoftSaturate() : CRecursiveFilterPassButterworthSoftSaturate<FTYPE>(3, 2, 0.8f) {}
  bool CalculateCoefs(float c, float r) override;
};

template <typename FTYPE>
class CRecursiveFilterHighPassButterworthSoftSaturate : public CRecursiveFilterPassButterworthSoftSaturate<FTYPE> {
 public:
  CRecursiveFilterHighPassButterworthSoftSaturate() : CRecursiveFilterPassButterworthSoftSaturate<FTYPE>(3, 2, 0.8f) {}
  bool CalculateCoefs(float c, float r) override;
};

// Second-order sections from the bilinear transform of the classic analogue
// prototypes. The gain argument A is the prototypes' own A (a linear factor,
// not decibels): the peaking EQ reaches A^2 at its centre and the shelves A^2
// on their shelf. Only the shelves and the peaking EQ read it.
template <typename FTYPE>
class CRecursiveFilterBiquad : public CRecursiveFilter<FTYPE> {
 public:
  // Frequency in Hz from 0 to fs/2, Q finite and > 0, fs finite and > 0,
  // gain finite (the shelves and the peaking EQ also need it > 0). On refusal
  // the stored settings and coefficients stay as they were.
  bool Set(float fFrequency, float fQ, float fSampleRate, float fGain);
  // Redesigns from the stored Q, w0, cos w0 and alpha with the gain A.
  virtual bool SetGain(float fGain) = 0;

  float GetQ() const { return m_fQ; }
  float GetW0() const { return m_fW0; }
  float GetCosW0() const { return m_fCosW0; }
  float GetAlpha() const { return m_fAlpha; }
  float GetGain() const { return m_fGain; }

 protected:
  CRecursiveFilterBiquad();
  ~CRecursiveFilterBiquad() = default;

  // Divides the six design values by A0 and stores them, when A0 is finite and
  // not 0 and every quotient is finite; stores the gain with them.
  bool StoreNormalised(float fA0, float a0, float a1, float a2, float b1, float b2, float fGain);

  float m_fQ;
  float m_fW0;     // radians per sample
  float m_fCosW0;
  float m_fAlpha;
  float m_fGain;
};

// Zero gain at w0, unit gain elsewhere.
template <typename FTYPE>
class CRecursiveFilterBiquadNotch : public CRecursiveFilterBiquad<FTYPE> {
 public:
  bool SetGain(float fGain) override;
};

// Peak gain Q at w0 (constant skirt).
template <typename FTYPE>
class CRecursiveFilterBiquadBandPass : public CRecursiveFilterBiquad<FTYPE> {
 public:
  bool SetGain(float fGain) override;
};

template <typename FTYPE>
class CRecursiveFilterBiquadLowPass : public CRecursiveFilterBiquad<FTYPE> {
 public:
  bool SetGain(float fGain) override;
};

template <typename FTYPE>
class CRecursiveFilterBiquadHighPass : public CRecursiveFilterBiquad<FTYPE> {
 public:
  bool SetGain(float fGain) override;
};

// Gain A^2 above w0, 1 below.
template <typename FTYPE>
class CRecursiveFilterBiquadHighShelf : public CRecursiveFilterBiquad<FTYPE> {
 public:
  bool SetGain(float fGain) override;
};

// Gain A^2 below w0, 1 above.
template <typename FTYPE>
class CRecursiveFilterBiquadLowShelf : public CRecursiveFilterBiquad<FTYPE> {
 public:
  bool SetGain(float fGain) override;
};

// Peaking: A^2 at w0, 1 far from it.
template <typename FTYPE>
class CRecursiveFilterBiquadEQ : public CRecursiveFilterBiquad<FTYPE> {
 public:
  bool SetGain(float fGain) override;
};

// Narrow resonators with poles at radius R = 1 - 3 bw on the centre frequency;
// the band reject has its zeros on the unit circle there and unit gain at DC,
// the band pass is its complement (the two responses sum to 1).
// Centre frequency f and bandwidth bw are fractions of the sample rate:
// 0 < f <= 0.5 and 0 <= bw < 1/3 (from bw = 1/3 on, R is no longer positive
// and the poles would move to the mirrored frequency 0.5 - f).
template <typename FTYPE>
class CRecursiveFilterBandPass : public CRecursiveFilter<FTYPE> {
 public:
  CRecursiveFilterBandPass() : CRecursiveFilter<FTYPE>(2, 2) {}
  bool SetCentreFreqAndBandWidth(float fCentre, float fBandWidth);
  // Recovers the centre frequency and the bandwidth from the stored
  // coefficients. Returns false, writing nothing, while no setting has been
  // made. Either pointer may be null.
  bool GetCentreFreqAndBandWidth(float* pfCentre, float* pfBandWidth) const;
};

template <typename FTYPE>
class CRecursiveFilterBandReject : public CRecursiveFilter<FTYPE> {
 public:
  CRecursiveFilterBandReject() : CRecursiveFilter<FTYPE>(2, 2) {}
  bool SetCentreFreqAndBandWidth(float fCentre, float fBandWidth);
};

extern template class CRecursiveFilter<float>;
extern template class CRecursiveFilterPassSimple<float>;
extern template class CRecursiveFilterLowPass<float>;
extern template class CRecursiveFilterHighPass<float>;
extern template class CRecursiveFilterPassButterworth<float>;
extern template class CRecursiveFilterPassThroughButterworth<float>;
extern template class CRecursiveFilterLowPassButterworth<float>;
extern template class CRecursiveFilterHighPassButterworth<float>;
extern template class CRecursiveFilterPassButterworthSoftSaturate<float>;
extern template class CRecursiveFilterPassThroughButterworthSoftSaturate<float>;
extern template class CRecursiveFilterLowPassButterworthSoftSaturate<float>;
extern template class CRecursiveFilterHighPassButterworthSoftSaturate<float>;
extern template class CRecursiveFilterBiquad<float>;
extern template class CRecursiveFilterBiquadNotch<float>;
extern template class CRecursiveFilterBiquadBandPass<float>;
extern template class CRecursiveFilterBiquadLowPass<float>;
extern template class CRecursiveFilterBiquadHighPass<float>;
extern template class CRecursiveFilterBiquadHighShelf<float>;
extern template class CRecursiveFilterBiquadLowShelf<float>;
extern template class CRecursiveFilterBiquadEQ<float>;
extern template class CRecursiveFilterBandPass<float>;
extern template class CRecursiveFilterBandReject<float>;
extern template float CRecursiveFilterPassButterworth<double>::GetCFromFrequency(float, float);
