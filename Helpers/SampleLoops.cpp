#include "Helpers/SampleLoops.h"

#include "Helpers/DitherCopy.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#include "Helpers/SampleLoopsPlain.inl"

#if defined(__x86_64__)
bool UseAvx2() {
  static const bool s_bAvx2 = __builtin_cpu_supports("avx2");
  return s_bAvx2;
}
#else
bool UseAvx2() { return false; }
#endif

#if defined(__SSE2__)
// Four samples through LimitInputSample: clamped to the limit, then zeroed
// where the input was not finite (the clamp turns NaN into -limit, the mask
// removes it).
inline __m128 LimitFour(__m128 x) {
  const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  const __m128 finite = _mm_cmple_ps(_mm_and_ps(x, absMask), _mm_set1_ps(std::numeric_limits<float>::max()));
  const __m128 limited = _mm_min_ps(_mm_max_ps(x, _mm_set1_ps(-kfInputLimit)), _mm_set1_ps(kfInputLimit));
  return _mm_and_ps(limited, finite);
}
#endif

}  // namespace

#if defined(__x86_64__)
// SampleLoopsAvx2.cpp: each answers how many elements it did (a multiple of
// its vector width); the plain path finishes the rest.
int LimitCopyAvx2(float* dst, const float* src, int n);
int LimitCopyAvx2(double* dst, const float* src, int n);
int NarrowCopyAvx2(float* dst, const double* src, int n);
int ScaleIntoAvx2(float* out, const float* y, float scale, int n);
int ScaleIntoAvx2(double* out, const double* y, double scale, int n);
int ScaleAddIntoAvx2(float* out, const float* y, float scale, const float* add, int n);
int ScaleAddIntoAvx2(double* out, const double* y, double scale, const double* add, int n);
int BinPowersAvx2(double* to, const float* re, const float* im, int n, const double* previous);
int BinPowersAvx2(double* to, const double* re, const double* im, int n, const double* previous);
#define QVX_AVX2_DONE(call) (UseAvx2() ? (call) : 0)
#else
#define QVX_AVX2_DONE(call) 0
#endif

void LimitCopy(float* dst, const float* src, int n) {
  int i = QVX_AVX2_DONE(LimitCopyAvx2(dst, src, n));
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) _mm_storeu_ps(dst + i, LimitFour(_mm_loadu_ps(src + i)));
#endif
  for (; i < n; ++i) dst[i] = LimitInputSample(src[i]);
}

void LimitCopy(double* dst, const float* src, int n) {
  int i = QVX_AVX2_DONE(LimitCopyAvx2(dst, src, n));
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    const __m128 y = LimitFour(_mm_loadu_ps(src + i));
    _mm_storeu_pd(dst + i, _mm_cvtps_pd(y));
    _mm_storeu_pd(dst + i + 2, _mm_cvtps_pd(_mm_movehl_ps(y, y)));
  }
#endif
  for (; i < n; ++i) dst[i] = LimitInputSample(src[i]);
}

void NarrowCopy(float* dst, const double* src, int n) {
  for (int i = QVX_AVX2_DONE(NarrowCopyAvx2(dst, src, n)); i < n; ++i) dst[i] = static_cast<float>(src[i]);
}

void ScaleInto(float* out, const float* y, float scale, int n) {
  const int i = QVX_AVX2_DONE(ScaleIntoAvx2(out, y, scale, n));
  PlainScaleInto(out + i, y + i, scale, n - i);
}

void ScaleInto(double* out, const double* y, double scale, int n) {
  const int i = QVX_AVX2_DONE(ScaleIntoAvx2(out, y, scale, n));
  PlainScaleInto(out + i, y + i, scale, n - i);
}

void ScaleAddInto(float* out, const float* y, float scale, const float* add, int n) {
  const int i = QVX_AVX2_DONE(ScaleAddIntoAvx2(out, y, scale, add, n));
  PlainScaleAddInto(out + i, y + i, scale, add + i, n - i);
}

void ScaleAddInto(double* out, const double* y, double scale, const double* add, int n) {
  const int i = QVX_AVX2_DONE(ScaleAddIntoAvx2(out, y, scale, add, n));
  PlainScaleAddInto(out + i, y + i, scale, add + i, n - i);
}

void BinPowers(double* to, const float* re, const float* im, int n, const double* previous) {
  const int k = QVX_AVX2_DONE(BinPowersAvx2(to, re, im, n, previous));
  PlainBinPowers(to + k, re + k, im + k, n - k, previous != nullptr ? previous + k : nullptr);
}

void BinPowers(double* to, const double* re, const double* im, int n, const double* previous) {
  const int k = QVX_AVX2_DONE(BinPowersAvx2(to, re, im, n, previous));
  PlainBinPowers(to + k, re + k, im + k, n - k, previous != nullptr ? previous + k : nullptr);
}
