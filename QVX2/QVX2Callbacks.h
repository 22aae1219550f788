// The two spectrum callbacks of a filter pair. The left filter's callback
// only remembers its frame's spectrum; the right filter's callback, which
// runs within the same chunk (both filters take the same chunk sizes, the
// left one first), processes both spectra together: it feeds the analyser
// data stores and multiplies by the two channel kernels, in left/right or
// mid/side form. The left frame is transformed back only after that, in the
// left filter's CompleteProcessing. Both read the FFT's packed order, so
// the filters hand them their spectra as the transform wrote them; Apply
// takes the same frames as bins.
//
// Thread contract: Apply runs on the audio thread, inside the filter's
// ValuesIn, while the effect holds its audio-busy flag.
#pragma once

#include "Helpers/Complex.h"
#include "Helpers/FftFilter.h"

template <typename FTYPE>
class FilterCallBack0 : public FftFilterCallBack<FTYPE> {
 public:
  // Store the spectrum for the partner; neither reads nor changes it.
  void Apply(int N, Complex<FTYPE>* spectrum, XREffect* effect) override;
  bool ReadsPackedSpectrum() const override { return true; }
  void ApplyPacked(int N, FTYPE* packed, XREffect* effect) override;

  // The left frame waiting for the right one, as bins or packed; both null
  // when none waits. Points into the left filter's spectrum buffer. Audio
  // thread only.
  Complex<FTYPE>* m_pLeftSpectrum = nullptr;
  FTYPE* m_pLeftPacked = nullptr;
  // Drops a waiting left frame (its filter was cleared or replaced).
  void Forget() {
    m_pLeftSpectrum = nullptr;
    m_pLeftPacked = nullptr;
  }
  // The FFT size of the waiting frame.
  int m_nLeftSize = 0;
};

template <typename FTYPE>
class FilterCallBack1 : public FftFilterCallBack<FTYPE> {
 public:
  // Process the right spectrum with the waiting left one, in place; do
  // nothing (the right spectrum passes unchanged) without an effect, a
  // partner or a waiting left spectrum of the same size and form.
  void Apply(int N, Complex<FTYPE>* spectrum, XREffect* effect) override;
  bool ReadsPackedSpectrum() const override { return true; }
  void ApplyPacked(int N, FTYPE* packed, XREffect* effect) override;

  // The left callback of the same pair; set once by the effect. Not owned.
  FilterCallBack0<FTYPE>* m_pPartner = nullptr;
};

extern template class FilterCallBack0<float>;
extern template class FilterCallBack0<double>;
extern template class FilterCallBack1<float>;
extern template class FilterCallBack1<double>;
