// 128-bit vector passes (SSE2: baseline on every x86-64 processor).
#include <emmintrin.h>

#include <cstdint>

#include "Helpers/FFTRealCommon.h"
#include "Helpers/FFTRealSimd.h"

namespace {

struct VecSse2Float {
  using T = float;
  using R = __m128;
  static constexpr int W = 4;
  static constexpr int kLogW = 2;
  static constexpr int kRev[W] = {0, 2, 1, 3};
  static R load(const T* p) { return _mm_loadu_ps(p); }
  static void store(T* p, R v) { _mm_storeu_ps(p, v); }
  static R set1(T v) { return _mm_set1_ps(v); }
  static R add(R a, R b) { return _mm_add_ps(a, b); }
  static R sub(R a, R b) { return _mm_sub_ps(a, b); }
  static R mul(R a, R b) { return _mm_mul_ps(a, b); }
  static R shiftrev(R p, R q) {
    const R y = _mm_move_ss(p, q);
    return _mm_shuffle_ps(y, y, _MM_SHUFFLE(1, 2, 3, 0));
  }
  static R reverse(R p) { return _mm_shuffle_ps(p, p, _MM_SHUFFLE(0, 1, 2, 3)); }
  static void transpose(R* r) { _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]); }
};

struct VecSse2Double {
  using T = double;
  using R = __m128d;
  static constexpr int W = 2;
  static constexpr int kLogW = 1;
  static constexpr int kRev[W] = {0, 1};
  static R load(const T* p) { return _mm_loadu_pd(p); }
  static void store(T* p, R v) { _mm_storeu_pd(p, v); }
  static R set1(T v) { return _mm_set1_pd(v); }
  static R add(R a, R b) { return _mm_add_pd(a, b); }
  static R sub(R a, R b) { return _mm_sub_pd(a, b); }
  static R mul(R a, R b) { return _mm_mul_pd(a, b); }
  static R shiftrev(R p, R q) { return _mm_move_sd(p, q); }
  static R reverse(R p) { return _mm_shuffle_pd(p, p, 1); }
  static void transpose(R* r) {
    const R lo = _mm_unpacklo_pd(r[0], r[1]);
    r[1] = _mm_unpackhi_pd(r[0], r[1]);
    r[0] = lo;
  }
};

#include "Helpers/FFTRealSimdKernels.inl"

}  // namespace

void FftSimdForwardSse2(int log2_len, float* f, const float* x, float* scratch, const int32_t* br, const float* tc,
                        const float* ts, int quarters) {
  FftSimdKernels<VecSse2Float>::Forward(log2_len, f, x, scratch, br, tc, ts, quarters);
}
void FftSimdForwardSse2(int log2_len, double* f, const double* x, double* scratch, const int32_t* br, const double* tc,
                        const double* ts, int quarters) {
  FftSimdKernels<VecSse2Double>::Forward(log2_len, f, x, scratch, br, tc, ts, quarters);
}
void FftSimdInverseSse2(int log2_len, const float* f, float* x, float* scratch, const int32_t* br,
                        const float* tc, const float* ts) {
  FftSimdKernels<VecSse2Float>::Inverse(log2_len, f, x, scratch, br, tc, ts);
}
void FftSimdInverseSse2(int log2_len, const double* f, double* x, double* scratch,
                        const int32_t* br, const double* tc, const double* ts) {
  FftSimdKernels<VecSse2Double>::Inverse(log2_len, f, x, scratch, br, tc, ts);
}
