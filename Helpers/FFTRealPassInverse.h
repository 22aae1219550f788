// Inverse passes of the real FFT in their plain formulation, from pass P down
// to pass 1; pass 1 scatters to the bit-reversed sample positions. Each pass
// undoes its forward pass up to a factor 2 (pass 1: 4), so the whole inverse
// returns N times the samples.
//
// Every value is formed in the grouping written here; the vectorised passes
// reproduce exactly these values.
#pragma once

#include <cstdint>

#include "Helpers/FFTRealCommon.h"
#include "Helpers/FFTRealUseTrigo.h"
#include "Helpers/OscSinCos.h"

template <int P, typename T>
struct FFTRealPassInverse {
  static_assert(P >= 3, "passes 1 and 2 are specialised");

  // First pass of an inverse transform: reads the packed spectrum, leaves it
  // unchanged, and runs the remaining passes between the two arrays.
  static void process(long len, T* dest_ptr, T* src_ptr, const T* f_ptr, const T* cos_ptr,
                      long cos_len, const int32_t* br_ptr, OscSinCos<T>* osc_list) {
    process_internal(len, dest_ptr, f_ptr, cos_ptr, cos_len, br_ptr, osc_list);
    FFTRealPassInverse<P - 1, T>::process_rec(len, src_ptr, dest_ptr, cos_ptr, cos_len, br_ptr,
                                              osc_list);
  }

  static void process_rec(long len, T* dest_ptr, T* src_ptr, const T* cos_ptr, long cos_len,
                          const int32_t* br_ptr, OscSinCos<T>* osc_list) {
    process_internal(len, dest_ptr, src_ptr, cos_ptr, cos_len, br_ptr, osc_list);
    FFTRealPassInverse<P - 1, T>::process_rec(len, src_ptr, dest_ptr, cos_ptr, cos_len, br_ptr,
                                              osc_list);
  }

  static void process_internal(long len, T* dest_ptr, const T* src_ptr, const T* cos_ptr,
                               long cos_len, const int32_t* /*br_ptr*/, OscSinCos<T>* osc_list) {
    FFTRealRunPass<P, T, FFTRealPassInverse>(len, dest_ptr, src_ptr, cos_ptr, cos_len, osc_list);
  }

  // One block's first values and butterfly i, for FFTRealRunPass.
  static inline void pass_block_head(T* out, const T* in, long d) {
    out[0] = in[0] + in[2 * d];
    out[2 * d] = in[0] - in[2 * d];
    out[d] = in[d] + in[d];
    out[3 * d] = in[3 * d] + in[3 * d];
  }
  static inline void butterfly(T* out, const T* in, long d, long i, T c, T s) {
    out[i] = in[i] + in[2 * d - i];
    out[d + i] = in[2 * d + i] - in[4 * d - i];
    const T vr = in[i] - in[2 * d - i];
    const T vi = in[2 * d + i] + in[4 * d - i];
    out[2 * d + i] = vr * c + vi * s;
    out[3 * d + i] = vi * c - vr * s;
  }
};

template <typename T>
struct FFTRealPassInverse<2, T> {
  static void process_rec(long len, T* dest_ptr, T* src_ptr, const T* cos_ptr, long cos_len,
                          const int32_t* br_ptr, OscSinCos<T>* osc_list) {
    process_internal(len, dest_ptr, src_ptr, cos_ptr, cos_len, br_ptr, osc_list);
    FFTRealPassInverse<1, T>::process_rec(len, src_ptr, dest_ptr, cos_ptr, cos_len, br_ptr,
                                          osc_list);
  }

  static void process_internal(long len, T* dest_ptr, const T* src_ptr, const T* /*cos_ptr*/,
                               long /*cos_len*/, const int32_t* /*br_ptr*/,
                               OscSinCos<T>* /*osc_list*/) {
    const T h = kFftSqrtHalf<T>;
    for (long b = 0; b < len; b += 8) {
      const T* in = src_ptr + b;
      T* out = dest_ptr + b;
      out[0] = in[0] + in[4];
      out[4] = in[0] - in[4];
      out[2] = in[2] + in[2];
      out[6] = in[6] + in[6];
      out[1] = in[1] + in[3];
      out[3] = in[5] - in[7];
      const T vr = in[1] - in[3];
      const T vi = in[5] + in[7];
      out[5] = (vr + vi) * h;
      out[7] = (vi - vr) * h;
    }
  }
};

template <typename T>
struct FFTRealPassInverse<1, T> {
  static void process_rec(long len, T* dest_ptr, T* src_ptr, const T* cos_ptr, long cos_len,
                          const int32_t* br_ptr, OscSinCos<T>* osc_list) {
    process_internal(len, dest_ptr, src_ptr, cos_ptr, cos_len, br_ptr, osc_list);
  }

  // Writes the samples through the bit-reversal table: the only out-of-order
  // access of the inverse transform.
  static void process_internal(long len, T* dest_ptr, const T* src_ptr, const T* /*cos_ptr*/,
                               long /*cos_len*/, const int32_t* br_ptr,
                               OscSinCos<T>* /*osc_list*/) {
    const long qlen = len >> 2;
    for (long g = 0; g < qlen; ++g) {
      const long r = br_ptr[g];
      const T* in = src_ptr + 4 * g;
      const T s02p = in[0] + in[2];
      const T s02m = in[0] - in[2];
      const T s11 = in[1] + in[1];
      const T s33 = in[3] + in[3];
      dest_ptr[r] = s02p + s11;
      dest_ptr[r + 2 * qlen] = s02p - s11;
      dest_ptr[r + qlen] = s02m + s33;
      dest_ptr[r + 3 * qlen] = s02m - s33;
    }
  }
};
