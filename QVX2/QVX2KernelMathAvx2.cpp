#include "QVX2/QVX2KernelMathAvx2.h"

#include <immintrin.h>

namespace {

// Four bins, real and imaginary parts in separate vectors (the packed
// order), times four kernel bins: the plain path's products and sums, each
// rounded on its own.
inline void Multiply(__m256d& re, __m256d& im, __m256d hRe, __m256d hIm) {
  const __m256d r = _mm256_sub_pd(_mm256_mul_pd(re, hRe), _mm256_mul_pd(im, hIm));
  const __m256d i = _mm256_add_pd(_mm256_mul_pd(re, hIm), _mm256_mul_pd(im, hRe));
  re = r;
  im = i;
}

inline void Four(__m256d& lr, __m256d& li, __m256d& rr, __m256d& ri, const double* h0, const double* h1, int half,
                 int k, bool bMidSide) {
  const __m256d h0r = _mm256_loadu_pd(h0 + k), h0i = _mm256_loadu_pd(h0 + half + k);
  const __m256d h1r = _mm256_loadu_pd(h1 + k), h1i = _mm256_loadu_pd(h1 + half + k);
  if (bMidSide) {
    const __m256d c = _mm256_set1_pd(0.5);
    __m256d mr = _mm256_mul_pd(_mm256_add_pd(lr, rr), c), mi = _mm256_mul_pd(_mm256_add_pd(li, ri), c);
    __m256d sr = _mm256_mul_pd(_mm256_sub_pd(lr, rr), c), si = _mm256_mul_pd(_mm256_sub_pd(li, ri), c);
    Multiply(mr, mi, h0r, h0i);
    Multiply(sr, si, h1r, h1i);
    lr = _mm256_add_pd(mr, sr);
    li = _mm256_add_pd(mi, si);
    rr = _mm256_sub_pd(mr, sr);
    ri = _mm256_sub_pd(mi, si);
  } else {
    Multiply(lr, li, h0r, h0i);
    Multiply(rr, ri, h1r, h1i);
  }
}

}  // namespace

int Qvx2ApplyKernelsPackedAvx2(float* left, float* right, const double* h0, const double* h1, int half,
                               bool bMidSide) {
  int k = 1;
  for (; k + 4 <= half; k += 4) {
    __m256d lr = _mm256_cvtps_pd(_mm_loadu_ps(left + k)), li = _mm256_cvtps_pd(_mm_loadu_ps(left + half + k));
    __m256d rr = _mm256_cvtps_pd(_mm_loadu_ps(right + k)), ri = _mm256_cvtps_pd(_mm_loadu_ps(right + half + k));
    Four(lr, li, rr, ri, h0, h1, half, k, bMidSide);
    _mm_storeu_ps(left + k, _mm256_cvtpd_ps(lr));
    _mm_storeu_ps(left + half + k, _mm256_cvtpd_ps(li));
    _mm_storeu_ps(right + k, _mm256_cvtpd_ps(rr));
    _mm_storeu_ps(right + half + k, _mm256_cvtpd_ps(ri));
  }
  return k;
}

int Qvx2ApplyKernelsPackedAvx2(double* left, double* right, const double* h0, const double* h1, int half,
                               bool bMidSide) {
  int k = 1;
  for (; k + 4 <= half; k += 4) {
    __m256d lr = _mm256_loadu_pd(left + k), li = _mm256_loadu_pd(left + half + k);
    __m256d rr = _mm256_loadu_pd(right + k), ri = _mm256_loadu_pd(right + half + k);
    Four(lr, li, rr, ri, h0, h1, half, k, bMidSide);
    _mm256_storeu_pd(left + k, lr);
    _mm256_storeu_pd(left + half + k, li);
    _mm256_storeu_pd(right + k, rr);
    _mm256_storeu_pd(right + half + k, ri);
  }
  return k;
}
