// Forward passes of the real FFT in their plain formulation: pass 1 (the
// first two radix-2 stages on bit-reversed quadruples), pass 2, then one
// radix-2 stage per pass. FFTRealPassDirect<P, T>::process runs passes 1..P,
// alternating between the destination and the working array so that pass P
// writes the destination.
//
// Every value is formed in the grouping written here; the vectorised passes
// reproduce exactly these values.
#pragma once

#include <cstdint>

#include "Helpers/FFTRealCommon.h"
#include "Helpers/FFTRealUseTrigo.h"
#include "Helpers/OscSinCos.h"

template <int P, typename T>
struct FFTRealPassDirect {
  static_assert(P >= 3, "passes 1 and 2 are specialised");
  static void process(long len, T* dest_ptr, T* src_ptr, const T* x_ptr, const T* cos_ptr,
                      long cos_len, const int32_t* br_ptr, OscSinCos<T>* osc_list) {
    FFTRealPassDirect<P - 1, T>::process(len, src_ptr, dest_ptr, x_ptr, cos_ptr, cos_len, br_ptr,
                                         osc_list);
    FFTRealRunPass<P, T, FFTRealPassDirect>(len, dest_ptr, src_ptr, cos_ptr, cos_len, osc_list);
  }

  // One block's first values and butterfly i, for FFTRealRunPass.
  static inline void pass_block_head(T* out, const T* in, long d) {
    out[0] = in[0] + in[2 * d];
    out[2 * d] = in[0] - in[2 * d];
    out[d] = in[d];
    out[3 * d] = in[3 * d];
  }
  static inline void butterfly(T* out, const T* in, long d, long i, T c, T s) {
    const T v1 = in[2 * d + i] * c - in[3 * d + i] * s;
    out[i] = in[i] + v1;
    out[2 * d - i] = in[i] - v1;
    const T v2 = in[2 * d + i] * s + in[3 * d + i] * c;
    out[2 * d + i] = v2 + in[d + i];
    out[4 * d - i] = v2 - in[d + i];
  }
};

template <typename T>
struct FFTRealPassDirect<1, T> {
  // Reads the samples through the bit-reversal table: the only out-of-order
  // access of the forward transform.
  static void process(long len, T* dest_ptr, T* /*src_ptr*/, const T* x_ptr,
                      const T* /*cos_ptr*/, long /*cos_len*/, const int32_t* br_ptr,
                      OscSinCos<T>* /*osc_list*/) {
    const long qlen = len >> 2;
    for (long g = 0; g < qlen; ++g) {
      const long r = br_ptr[g];
      const T a0 = x_ptr[r];
      const T a1 = x_ptr[r + qlen];
      const T a2 = x_ptr[r + 2 * qlen];
      const T a3 = x_ptr[r + 3 * qlen];
      const T s02 = a0 + a2;
      const T s13 = a1 + a3;
      T* out = dest_ptr + 4 * g;
      out[0] = s02 + s13;
      out[1] = a0 - a2;
      out[2] = s02 - s13;
      out[3] = a1 - a3;
    }
  }
};

template <typename T>
struct FFTRealPassDirect<2, T> {
  static void process(long len, T* dest_ptr, T* src_ptr, const T* x_ptr, const T* cos_ptr,
                      long cos_len, const int32_t* br_ptr, OscSinCos<T>* osc_list) {
    FFTRealPassDirect<1, T>::process(len, src_ptr, dest_ptr, x_ptr, cos_ptr, cos_len, br_ptr,
                                     osc_list);
    const T h = kFftSqrtHalf<T>;
    for (long b = 0; b < len; b += 8) {
      const T* in = src_ptr + b;
      T* out = dest_ptr + b;
      out[0] = in[0] + in[4];
      out[4] = in[0] - in[4];
      out[2] = in[2];
      out[6] = in[6];
      T v = (in[5] - in[7]) * h;
      out[1] = in[1] + v;
      out[3] = in[1] - v;
      v = (in[5] + in[7]) * h;
      out[5] = v + in[3];
      out[7] = v - in[3];
    }
  }
};
