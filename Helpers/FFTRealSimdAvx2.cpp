// 256-bit vector passes. This file alone is compiled for AVX2 (without FMA:
// products and sums stay separately rounded); it is entered only after the
// processor has been checked, and shares no symbol with other files apart
// from its four entry points.
#include <immintrin.h>

#include <cstdint>

#include "Helpers/FFTRealCommon.h"
#include "Helpers/FFTRealSimd.h"

namespace {

struct VecAvx2Float {
  using T = float;
  using R = __m256;
  static constexpr int W = 8;
  static constexpr int kLogW = 3;
  static constexpr int kRev[W] = {0, 4, 2, 6, 1, 5, 3, 7};
  static R load(const T* p) { return _mm256_loadu_ps(p); }
  static void store(T* p, R v) { _mm256_storeu_ps(p, v); }
  static R set1(T v) { return _mm256_set1_ps(v); }
  static R add(R a, R b) { return _mm256_add_ps(a, b); }
  static R sub(R a, R b) { return _mm256_sub_ps(a, b); }
  static R mul(R a, R b) { return _mm256_mul_ps(a, b); }
  static R shiftrev(R p, R q) {
    const R y = _mm256_blend_ps(p, q, 0x01);
    return _mm256_permutevar8x32_ps(y, _mm256_setr_epi32(0, 7, 6, 5, 4, 3, 2, 1));
  }
  static R reverse(R p) { return _mm256_permutevar8x32_ps(p, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)); }
  static void transpose(R* r) {
    const R t0 = _mm256_unpacklo_ps(r[0], r[1]);
    const R t1 = _mm256_unpackhi_ps(r[0], r[1]);
    const R t2 = _mm256_unpacklo_ps(r[2], r[3]);
    const R t3 = _mm256_unpackhi_ps(r[2], r[3]);
    const R t4 = _mm256_unpacklo_ps(r[4], r[5]);
    const R t5 = _mm256_unpackhi_ps(r[4], r[5]);
    const R t6 = _mm256_unpacklo_ps(r[6], r[7]);
    const R t7 = _mm256_unpackhi_ps(r[6], r[7]);
    const R s0 = _mm256_shuffle_ps(t0, t2, 0x44);
    const R s1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    const R s2 = _mm256_shuffle_ps(t1, t3, 0x44);
    const R s3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    const R s4 = _mm256_shuffle_ps(t4, t6, 0x44);
    const R s5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    const R s6 = _mm256_shuffle_ps(t5, t7, 0x44);
    const R s7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    r[0] = _mm256_permute2f128_ps(s0, s4, 0x20);
    r[1] = _mm256_permute2f128_ps(s1, s5, 0x20);
    r[2] = _mm256_permute2f128_ps(s2, s6, 0x20);
    r[3] = _mm256_permute2f128_ps(s3, s7, 0x20);
    r[4] = _mm256_permute2f128_ps(s0, s4, 0x31);
    r[5] = _mm256_permute2f128_ps(s1, s5, 0x31);
    r[6] = _mm256_permute2f128_ps(s2, s6, 0x31);
    r[7] = _mm256_permute2f128_ps(s3, s7, 0x31);
  }
};

struct VecAvx2Double {
  using T = double;
  using R = __m256d;
  static constexpr int W = 4;
  static constexpr int kLogW = 2;
  static constexpr int kRev[W] = {0, 2, 1, 3};
  static R load(const T* p) { return _mm256_loadu_pd(p); }
  static void store(T* p, R v) { _mm256_storeu_pd(p, v); }
  static R set1(T v) { return _mm256_set1_pd(v); }
  static R add(R a, R b) { return _mm256_add_pd(a, b); }
  static R sub(R a, R b) { return _mm256_sub_pd(a, b); }
  static R mul(R a, R b) { return _mm256_mul_pd(a, b); }
  static R shiftrev(R p, R q) {
    const R y = _mm256_blend_pd(p, q, 0x1);
    return _mm256_permute4x64_pd(y, _MM_SHUFFLE(1, 2, 3, 0));
  }
  static R reverse(R p) { return _mm256_permute4x64_pd(p, _MM_SHUFFLE(0, 1, 2, 3)); }
  static void transpose(R* r) {
    const R t0 = _mm256_unpacklo_pd(r[0], r[1]);
    const R t1 = _mm256_unpackhi_pd(r[0], r[1]);
    const R t2 = _mm256_unpacklo_pd(r[2], r[3]);
    const R t3 = _mm256_unpackhi_pd(r[2], r[3]);
    r[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
    r[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
    r[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
    r[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
  }
};

#include "Helpers/FFTRealSimdKernels.inl"

}  // namespace

void FftSimdForwardAvx2(int log2_len, float* f, const float* x, float* scratch, const int32_t* br, const float* tc,
                        const float* ts, int quarters) {
  FftSimdKernels<VecAvx2Float>::Forward(log2_len, f, x, scratch, br, tc, ts, quarters);
}
void FftSimdForwardAvx2(int log2_len, double* f, const double* x, double* scratch, const int32_t* br, const double* tc,
                        const double* ts, int quarters) {
  FftSimdKernels<VecAvx2Double>::Forward(log2_len, f, x, scratch, br, tc, ts, quarters);
}
void FftSimdInverseAvx2(int log2_len, const float* f, float* x, float* scratch, const int32_t* br,
                        const float* tc, const float* ts) {
  FftSimdKernels<VecAvx2Float>::Inverse(log2_len, f, x, scratch, br, tc, ts);
}
void FftSimdInverseAvx2(int log2_len, const double* f, double* x, double* scratch,
                        const int32_t* br, const double* tc, const double* ts) {
  FftSimdKernels<VecAvx2Double>::Inverse(log2_len, f, x, scratch, br, tc, ts);
}
