// Twiddles of the radix-2 passes (pass 3 on) and the loop that feeds them to
// a pass's butterflies, shared by the forward and the inverse pass templates.
#pragma once

#include "Helpers/FFTRealCommon.h"
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

// Runs radix-2 pass P (P >= 3) from src_ptr into dest_ptr over len values:
// for every block of 4d values (d = 2^(P-1)) Pass::pass_block_head once,
// then Pass::butterfly for i = 1 .. d-1 with the twiddle c = cos, s = sin of
// 2 pi i / 4d. Passes below kFftFirstOscPass take it from the cosine table
// (a quarter period in cos_len entries, the sine as the mirrored cosine), the
// others from their oscillator, restarted at every block.
template <int P, typename T, typename Pass>
inline void FFTRealRunPass(long len, T* dest_ptr, const T* src_ptr, const T* cos_ptr, long cos_len,
                           OscSinCos<T>* osc_list) {
  constexpr long dist = 1L << (P - 1);
  constexpr long block = dist * 4;
  if constexpr (P < kFftFirstOscPass) {
    const long c_step = cos_len >> (P - 1);
    for (long b = 0; b < len; b += block) {
      Pass::pass_block_head(dest_ptr + b, src_ptr + b, dist);
      for (long i = 1; i < dist; ++i) {
        const T c = cos_ptr[i * c_step];
        const T s = cos_ptr[(dist - i) * c_step];
        Pass::butterfly(dest_ptr + b, src_ptr + b, dist, i, c, s);
      }
    }
  } else {
    OscSinCos<T>& osc = osc_list[P - kFftFirstOscPass];
    for (long b = 0; b < len; b += block) {
      osc.clear_buffers();
      Pass::pass_block_head(dest_ptr + b, src_ptr + b, dist);
      for (long i = 1; i < dist; ++i) {
        T c, s;
        FFTRealUseTrigo<1, T>::iterate(osc, c, s, cos_ptr, 0, 0);
        Pass::butterfly(dest_ptr + b, src_ptr + b, dist, i, c, s);
      }
    }
  }
}
