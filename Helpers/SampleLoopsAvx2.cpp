// The AVX2 forms of SampleLoops.h. This file alone is compiled for AVX2
// (without FMA) and is entered only after the processor has been checked.
// Each does whole vectors and answers how many elements that was.
#include <immintrin.h>

#include <limits>

#include "Helpers/DitherCopy.h"

namespace {

inline __m256 LimitEight(__m256 x) {
  const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
  const __m256 finite =
      _mm256_cmp_ps(_mm256_and_ps(x, absMask), _mm256_set1_ps(std::numeric_limits<float>::max()), _CMP_LE_OQ);
  const __m256 limited =
      _mm256_min_ps(_mm256_max_ps(x, _mm256_set1_ps(-kfInputLimit)), _mm256_set1_ps(kfInputLimit));
  return _mm256_and_ps(limited, finite);
}

}  // namespace

int LimitCopyAvx2(float* dst, const float* src, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) _mm256_storeu_ps(dst + i, LimitEight(_mm256_loadu_ps(src + i)));
  return i;
}

int LimitCopyAvx2(double* dst, const float* src, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256 y = LimitEight(_mm256_loadu_ps(src + i));
    _mm256_storeu_pd(dst + i, _mm256_cvtps_pd(_mm256_castps256_ps128(y)));
    _mm256_storeu_pd(dst + i + 4, _mm256_cvtps_pd(_mm256_extractf128_ps(y, 1)));
  }
  return i;
}

int NarrowCopyAvx2(float* dst, const double* src, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) _mm_storeu_ps(dst + i, _mm256_cvtpd_ps(_mm256_loadu_pd(src + i)));
  return i;
}

int ScaleIntoAvx2(float* out, const float* y, float scale, int n) {
  const __m256 s = _mm256_set1_ps(scale);
  int i = 0;
  for (; i + 8 <= n; i += 8) _mm256_storeu_ps(out + i, _mm256_mul_ps(_mm256_loadu_ps(y + i), s));
  return i;
}

int ScaleIntoAvx2(double* out, const double* y, double scale, int n) {
  const __m256d s = _mm256_set1_pd(scale);
  int i = 0;
  for (; i + 4 <= n; i += 4) _mm256_storeu_pd(out + i, _mm256_mul_pd(_mm256_loadu_pd(y + i), s));
  return i;
}

// Each vector of add is read before the vector of out that may overlap it
// is written, so out may lie before add in one array.
int ScaleAddIntoAvx2(float* out, const float* y, float scale, const float* add, int n) {
  const __m256 s = _mm256_set1_ps(scale);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256 a = _mm256_loadu_ps(add + i);
    _mm256_storeu_ps(out + i, _mm256_add_ps(_mm256_mul_ps(_mm256_loadu_ps(y + i), s), a));
  }
  return i;
}

int ScaleAddIntoAvx2(double* out, const double* y, double scale, const double* add, int n) {
  const __m256d s = _mm256_set1_pd(scale);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m256d a = _mm256_loadu_pd(add + i);
    _mm256_storeu_pd(out + i, _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(y + i), s), a));
  }
  return i;
}

// max_pd(previous, power) is previous > power ? previous : power, which is
// the plain form's power < previous ? previous : power, NaN included.
int BinPowersAvx2(double* to, const float* re, const float* im, int n, const double* previous) {
  int k = 0;
  for (; k + 8 <= n; k += 8) {
    const __m256 r = _mm256_loadu_ps(re + k), m = _mm256_loadu_ps(im + k);
    const __m256 sum = _mm256_add_ps(_mm256_mul_ps(r, r), _mm256_mul_ps(m, m));
    __m256d lo = _mm256_cvtps_pd(_mm256_castps256_ps128(sum));
    __m256d hi = _mm256_cvtps_pd(_mm256_extractf128_ps(sum, 1));
    if (previous != nullptr) {
      lo = _mm256_max_pd(_mm256_loadu_pd(previous + k), lo);
      hi = _mm256_max_pd(_mm256_loadu_pd(previous + k + 4), hi);
    }
    _mm256_storeu_pd(to + k, lo);
    _mm256_storeu_pd(to + k + 4, hi);
  }
  return k;
}

int BinPowersAvx2(double* to, const double* re, const double* im, int n, const double* previous) {
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    const __m256d r = _mm256_loadu_pd(re + k), m = _mm256_loadu_pd(im + k);
    __m256d power = _mm256_add_pd(_mm256_mul_pd(r, r), _mm256_mul_pd(m, m));
    if (previous != nullptr) power = _mm256_max_pd(_mm256_loadu_pd(previous + k), power);
    _mm256_storeu_pd(to + k, power);
  }
  return k;
}
