// Twiddle source of the oscillator passes: one oscillator step per butterfly.
#pragma once

#include "Helpers/OscSinCos.h"

template <int ALGO, typename T>
struct FFTRealUseTrigo;

template <typename T>
struct FFTRealUseTrigo<1, T> {
  // Advances the oscillator and returns its new point; the table and the two
  // indexes belong to the table form of the step and are not used here.
  static inline void iterate(OscSinCos<T>& osc, T& c, T& s, const T* /*cos_ptr*/,
                             long /*index_c*/, long /*index_s*/) {
    osc.step();
    c = osc.get_cos();
    s = osc.get_sin();
  }
};
