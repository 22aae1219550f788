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
  static void transpose8(R& r0, R& r1, R& r2, R& r3, R& r4, R& r5, R& r6, R& r7) {
    const R t0 = _mm256_unpacklo_ps(r0, r1);
    const R t1 = _mm256_unpackhi_ps(r0, r1);
    const R t2 = _mm256_unpacklo_ps(r2, r3);
    const R t3 = _mm256_unpackhi_ps(r2, r3);
    const R t4 = _mm256_unpacklo_ps(r4, r5);
    const R t5 = _mm256_unpackhi_ps(r4, r5);
    const R t6 = _mm256_unpacklo_ps(r6, r7);
    const R t7 = _mm256_unpackhi_ps(r6, r7);
    const R s0 = _mm256_shuffle_ps(t0, t2, 0x44);
    const R s1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    const R s2 = _mm256_shuffle_ps(t1, t3, 0x44);
    const R s3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    const R s4 = _mm256_shuffle_ps(t4, t6, 0x44);
    const R s5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    const R s6 = _mm256_shuffle_ps(t5, t7, 0x44);
    const R s7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    r0 = _mm256_permute2f128_ps(s0, s4, 0x20);
    r1 = _mm256_permute2f128_ps(s1, s5, 0x20);
    r2 = _mm256_permute2f128_ps(s2, s6, 0x20);
    r3 = _mm256_permute2f128_ps(s3, s7, 0x20);
    r4 = _mm256_permute2f128_ps(s0, s4, 0x31);
    r5 = _mm256_permute2f128_ps(s1, s5, 0x31);
    r6 = _mm256_permute2f128_ps(s2, s6, 0x31);
    r7 = _mm256_permute2f128_ps(s3, s7, 0x31);
  }
  // 2W consecutive vectors at src -> two transposed groups; row l of each
  // goes to rows[l] + off and rows[l] + off + W, one whole cache line.
  static void transpose_store2(const T* src, T* const* rows, long off) {
    R r0 = load(src), r1 = load(src + 8), r2 = load(src + 16), r3 = load(src + 24);
    R r4 = load(src + 32), r5 = load(src + 40), r6 = load(src + 48), r7 = load(src + 56);
    transpose8(r0, r1, r2, r3, r4, r5, r6, r7);
    const T* s2 = src + 64;
    R q0 = load(s2), q1 = load(s2 + 8), q2 = load(s2 + 16), q3 = load(s2 + 24);
    R q4 = load(s2 + 32), q5 = load(s2 + 40), q6 = load(s2 + 48), q7 = load(s2 + 56);
    transpose8(q0, q1, q2, q3, q4, q5, q6, q7);
    store(rows[0] + off, r0);
    store(rows[0] + off + 8, q0);
    store(rows[1] + off, r1);
    store(rows[1] + off + 8, q1);
    store(rows[2] + off, r2);
    store(rows[2] + off + 8, q2);
    store(rows[3] + off, r3);
    store(rows[3] + off + 8, q3);
    store(rows[4] + off, r4);
    store(rows[4] + off + 8, q4);
    store(rows[5] + off, r5);
    store(rows[5] + off + 8, q5);
    store(rows[6] + off, r6);
    store(rows[6] + off + 8, q6);
    store(rows[7] + off, r7);
    store(rows[7] + off + 8, q7);
  }
  // The reverse: two vectors from each rows[l] + off, two transposed groups
  // to 2W consecutive vectors at dst.
  static void load_transpose2(const T* const* rows, long off, T* dst) {
    R r0 = load(rows[0] + off), r1 = load(rows[1] + off), r2 = load(rows[2] + off),
      r3 = load(rows[3] + off), r4 = load(rows[4] + off), r5 = load(rows[5] + off),
      r6 = load(rows[6] + off), r7 = load(rows[7] + off);
    R q0 = load(rows[0] + off + 8), q1 = load(rows[1] + off + 8), q2 = load(rows[2] + off + 8),
      q3 = load(rows[3] + off + 8), q4 = load(rows[4] + off + 8), q5 = load(rows[5] + off + 8),
      q6 = load(rows[6] + off + 8), q7 = load(rows[7] + off + 8);
    transpose8(r0, r1, r2, r3, r4, r5, r6, r7);
    store(dst, r0);
    store(dst + 8, r1);
    store(dst + 16, r2);
    store(dst + 24, r3);
    store(dst + 32, r4);
    store(dst + 40, r5);
    store(dst + 48, r6);
    store(dst + 56, r7);
    transpose8(q0, q1, q2, q3, q4, q5, q6, q7);
    store(dst + 64, q0);
    store(dst + 72, q1);
    store(dst + 80, q2);
    store(dst + 88, q3);
    store(dst + 96, q4);
    store(dst + 104, q5);
    store(dst + 112, q6);
    store(dst + 120, q7);
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
  static void transpose4(R& r0, R& r1, R& r2, R& r3) {
    const R t0 = _mm256_unpacklo_pd(r0, r1);
    const R t1 = _mm256_unpackhi_pd(r0, r1);
    const R t2 = _mm256_unpacklo_pd(r2, r3);
    const R t3 = _mm256_unpackhi_pd(r2, r3);
    r0 = _mm256_permute2f128_pd(t0, t2, 0x20);
    r1 = _mm256_permute2f128_pd(t1, t3, 0x20);
    r2 = _mm256_permute2f128_pd(t0, t2, 0x31);
    r3 = _mm256_permute2f128_pd(t1, t3, 0x31);
  }
  static void transpose_store2(const T* src, T* const* rows, long off) {
    R r0 = load(src), r1 = load(src + 4), r2 = load(src + 8), r3 = load(src + 12);
    R q0 = load(src + 16), q1 = load(src + 20), q2 = load(src + 24), q3 = load(src + 28);
    transpose4(r0, r1, r2, r3);
    transpose4(q0, q1, q2, q3);
    store(rows[0] + off, r0);
    store(rows[0] + off + 4, q0);
    store(rows[1] + off, r1);
    store(rows[1] + off + 4, q1);
    store(rows[2] + off, r2);
    store(rows[2] + off + 4, q2);
    store(rows[3] + off, r3);
    store(rows[3] + off + 4, q3);
  }
  static void load_transpose2(const T* const* rows, long off, T* dst) {
    R r0 = load(rows[0] + off), r1 = load(rows[1] + off), r2 = load(rows[2] + off),
      r3 = load(rows[3] + off);
    R q0 = load(rows[0] + off + 4), q1 = load(rows[1] + off + 4), q2 = load(rows[2] + off + 4),
      q3 = load(rows[3] + off + 4);
    transpose4(r0, r1, r2, r3);
    transpose4(q0, q1, q2, q3);
    store(dst, r0);
    store(dst + 4, r1);
    store(dst + 8, r2);
    store(dst + 12, r3);
    store(dst + 16, q0);
    store(dst + 20, q1);
    store(dst + 24, q2);
    store(dst + 28, q3);
  }
};

#include "Helpers/FFTRealSimdKernels.inl"

}  // namespace

void FftSimdForwardAvx2(int log2_len, float* f, const float* x, float* scratch, const int32_t* br,
                        const float* tc, const float* ts) {
  FftSimdKernels<VecAvx2Float>::Forward(log2_len, f, x, scratch, br, tc, ts);
}
void FftSimdForwardAvx2(int log2_len, double* f, const double* x, double* scratch,
                        const int32_t* br, const double* tc, const double* ts) {
  FftSimdKernels<VecAvx2Double>::Forward(log2_len, f, x, scratch, br, tc, ts);
}
void FftSimdInverseAvx2(int log2_len, const float* f, float* x, float* scratch, const int32_t* br,
                        const float* tc, const float* ts) {
  FftSimdKernels<VecAvx2Float>::Inverse(log2_len, f, x, scratch, br, tc, ts);
}
void FftSimdInverseAvx2(int log2_len, const double* f, double* x, double* scratch,
                        const int32_t* br, const double* tc, const double* ts) {
  FftSimdKernels<VecAvx2Double>::Inverse(log2_len, f, x, scratch, br, tc, ts);
}
