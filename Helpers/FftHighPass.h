// Two ready-made linear-phase kernels on FreqDomainConvolution:
//
// FftHighPass: a high pass whose response rises from a floor gain to unity
// along a straight line on log-log axes, from the cut-off bin k0 to the bin
// k1 where the rise ends (the fraction `slope` of the log distance from k0 to
// the Nyquist bin). Windowing the kernel smears the step, so the realised
// cut-off lies below the designed one; correction tables measured from the
// design (FFT sizes 4096 and 2048, kernel half the FFT size, 44100 Hz) turn a
// wanted cut-off into the frequency to design with.
//
// FftInverseFilter: the complement 1 - H of another kernel of the same FFT
// size, optionally rotated in phase.
//
// Thread contract: construction, SetFrequency, ApplyAutoFudge, SetInverseOf
// and the design itself run on the idle side, one thread at a time (a design
// commits at once and may wait in Sleep for the kernel's lock). The audio
// thread only reads the committed response under the base's Lock().
#pragma once

#include "Helpers/Complex.h"
#include "Helpers/FreqDomainConvolution.h"

constexpr int g_kFudgeSlopeCount = 22;
constexpr int g_kFudgeFreqCount = 27;
// Column keys: slopes from 0 to 1.
extern const float g_fFudgeSlopeIndex[g_kFudgeSlopeCount];
// Row keys: designed (requested) cut-offs in Hz at 44100 Hz.
extern const float g_fFudgeFreqIndex[g_kFudgeFreqCount];
// The cut-off in Hz that a design with the row's frequency and the column's
// slope actually produces; multiples of the bin width, never decreasing down
// a column.
extern const float g_fFudgeActualCutOff_4096[g_kFudgeFreqCount][g_kFudgeSlopeCount];
extern const float g_fFudgeActualCutOff_2048[g_kFudgeFreqCount][g_kFudgeSlopeCount];
// The sample rate the tables were measured at.
constexpr float kfFudgeSampleRate = 44100.0f;

template <typename FTYPE>
class FftHighPass : public FreqDomainConvolution<FTYPE> {
 public:
  // As FreqDomainConvolution (throws on an unsupported size or kernel length).
  FftHighPass(int N, int kernelSize, int passes);
  ~FftHighPass() override;

  // Corrects the cut-off with ApplyAutoFudge and, when anything changed or a
  // design is wanted (m_bNeedsSetup), designs and commits at once.
  // fFrequency: wanted cut-off in Hz, 0 to half of m_fSampleRate, which the
  // owner must have set to a finite positive rate; fSlope and fFloor: 0 to 1.
  // Anything else is refused: false, nothing stored or designed. Returns
  // false too when the design failed (m_bNeedsSetup then stays set).
  bool SetFrequency(float fFrequency, float fSlope, float fFloor);

  // Replaces a wanted cut-off by the frequency to design with, from the
  // table of this FFT size (interpolated between slope columns, then
  // inverted along each column); the slope is only read. Sizes without a
  // table and a sample rate that is not finite and positive leave the
  // frequency as it is, as do non-finite arguments. Other sample rates use
  // the tables on the bin scale (the design depends only on bins). Outside
  // the tables the end pairs extrapolate; where a pair of entries is equal
  // (a wanted cut-off at or below the lowest entry) the lower row's
  // frequency is taken.
  void ApplyAutoFudge(float& fFrequency, float& fSlope);

  // Bins below b0 = k0 (minus 5 with a slope) get the floor; from there the
  // gain rises as (k / k1)^p from max(floor, 0.04) at k0 to 1 at k1, limited
  // to floor..1. A cut-off bin of 0 designs an all-pass.
  void SetIdealisedFreqResponse(Complex<FTYPE>* response) override;

  float m_fFrequency = 0.0f;  // designed cut-off in Hz, after correction
  float m_fSlope = 0.0f;      // 0..1
  float m_fFloor = 0.0f;      // gain below the cut-off
};

template <typename FTYPE>
class FftInverseFilter : public FreqDomainConvolution<FTYPE> {
 public:
  // As FreqDomainConvolution; no source, phase 0.
  FftInverseFilter(int N, int kernelSize, int passes);
  ~FftInverseFilter() override;

  // Takes the source (not owned; it must outlive this filter or be replaced
  // first), copies its sample rate and designs and commits at once. Refused
  // (false, nothing changed) for a null source, a source of another FFT size
  // (its response would not fit), and this filter itself or a chain of
  // inverse filters leading back to it (the design would never end).
  bool SetInverseOf(FreqDomainConvolution<FTYPE>* pSource);

  // (1 - source response) rotated by m_fPhase. Without a source the response
  // is 0 in every bin: a defined result, never the unset design buffer.
  void SetIdealisedFreqResponse(Complex<FTYPE>* response) override;

  FreqDomainConvolution<FTYPE>* m_pInverseOf = nullptr;
  float m_fPhase = 0.0f;  // radians

 private:
  bool m_bInDesign = false;  // inside SetIdealisedFreqResponse
};

extern template class FftHighPass<float>;
extern template class FftHighPass<double>;
extern template class FftInverseFilter<float>;
