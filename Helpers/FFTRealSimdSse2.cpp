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
  // 2W consecutive vectors at src -> two transposed groups; row l of each
  // goes to rows[l] + off and rows[l] + off + W.
  static void transpose_store2(const T* src, T* const* rows, long off) {
    R r0 = load(src), r1 = load(src + 4), r2 = load(src + 8), r3 = load(src + 12);
    R q0 = load(src + 16), q1 = load(src + 20), q2 = load(src + 24), q3 = load(src + 28);
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    _MM_TRANSPOSE4_PS(q0, q1, q2, q3);
    store(rows[0] + off, r0);
    store(rows[0] + off + 4, q0);
    store(rows[1] + off, r1);
    store(rows[1] + off + 4, q1);
    store(rows[2] + off, r2);
    store(rows[2] + off + 4, q2);
    store(rows[3] + off, r3);
    store(rows[3] + off + 4, q3);
  }
  // Two vectors from each rows[l] + off -> 2W consecutive vectors at dst.
  static void load_transpose2(const T* const* rows, long off, T* dst) {
    R r0 = load(rows[0] + off), r1 = load(rows[1] + off), r2 = load(rows[2] + off),
      r3 = load(rows[3] + off);
    R q0 = load(rows[0] + off + 4), q1 = load(rows[1] + off + 4), q2 = load(rows[2] + off + 4),
      q3 = load(rows[3] + off + 4);
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    _MM_TRANSPOSE4_PS(q0, q1, q2, q3);
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
  static void transpose_store2(const T* src, T* const* rows, long off) {
    const R r0 = load(src), r1 = load(src + 2), q0 = load(src + 4), q1 = load(src + 6);
    store(rows[0] + off, _mm_unpacklo_pd(r0, r1));
    store(rows[0] + off + 2, _mm_unpacklo_pd(q0, q1));
    store(rows[1] + off, _mm_unpackhi_pd(r0, r1));
    store(rows[1] + off + 2, _mm_unpackhi_pd(q0, q1));
  }
  static void load_transpose2(const T* const* rows, long off, T* dst) {
    const R r0 = load(rows[0] + off), r1 = load(rows[1] + off);
    const R q0 = load(rows[0] + off + 2), q1 = load(rows[1] + off + 2);
    store(dst, _mm_unpacklo_pd(r0, r1));
    store(dst + 2, _mm_unpackhi_pd(r0, r1));
    store(dst + 4, _mm_unpacklo_pd(q0, q1));
    store(dst + 6, _mm_unpackhi_pd(q0, q1));
  }
};

#include "Helpers/FFTRealSimdKernels.inl"

}  // namespace

void FftSimdForwardSse2(int log2_len, float* f, const float* x, float* scratch, const int32_t* br,
                        const float* tc, const float* ts) {
  FftSimdKernels<VecSse2Float>::Forward(log2_len, f, x, scratch, br, tc, ts);
}
void FftSimdForwardSse2(int log2_len, double* f, const double* x, double* scratch,
                        const int32_t* br, const double* tc, const double* ts) {
  FftSimdKernels<VecSse2Double>::Forward(log2_len, f, x, scratch, br, tc, ts);
}
void FftSimdInverseSse2(int log2_len, const float* f, float* x, float* scratch, const int32_t* br,
                        const float* tc, const float* ts) {
  FftSimdKernels<VecSse2Float>::Inverse(log2_len, f, x, scratch, br, tc, ts);
}
void FftSimdInverseSse2(int log2_len, const double* f, double* x, double* scratch,
                        const int32_t* br, const double* tc, const double* ts) {
  FftSimdKernels<VecSse2Double>::Inverse(log2_len, f, x, scratch, br, tc, ts);
}
