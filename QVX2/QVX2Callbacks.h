// The two spectrum callbacks of a filter pair. The left filter's callback
// only remembers its frame's spectrum; the right filter's callback, which
// runs within the same chunk (both filters take the same chunk sizes, the
// left one first), processes both spectra together: it feeds the analyser
// data stores and multiplies by the two channel kernels, in left/right or
// mid/side form. The left frame is transformed back only after that, in the
// left filter's CompleteProcessing.
//
// Thread contract: Apply runs on the audio thread, inside the filter's
// ValuesIn, while the effect holds its audio-busy flag.
#pragma once

#include "Helpers/Complex.h"
#include "Helpers/FftFilter.h"

template <typename FTYPE>
class FilterCallBack0 : public FftFilterCallBack<FTYPE> {
 public:
  // Stores the spectrum for the partner; neither reads nor changes it.
  void Apply(int N, Complex<FTYPE>* spectrum, XREffect* effect) override;

  // The left frame waiting for the right one; null when none waits. Points
  // into the left filter's spectrum buffer. Audio thread only.
  Complex<FTYPE>* m_pLeftSpectrum = nullptr;
  // The FFT size of the waiting frame.
  int m_nLeftSize = 0;
};

template <typename FTYPE>
class FilterCallBack1 : public FftFilterCallBack<FTYPE> {
 public:
  // Processes the right spectrum with the waiting left one, in place; does
  // nothing (the right spectrum passes unchanged) without an effect, a
  // partner or a waiting left spectrum of the same size.
  void Apply(int N, Complex<FTYPE>* spectrum, XREffect* effect) override;

  // The left callback of the same pair; set once by the effect. Not owned.
  FilterCallBack0<FTYPE>* m_pPartner = nullptr;
};

extern template class FilterCallBack0<float>;
extern template class FilterCallBack0<double>;
extern template class FilterCallBack1<float>;
extern template class FilterCallBack1<double>;
