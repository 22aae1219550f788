#include "QVX2/QVX2KernelMathAvx2.h"

#include <immintrin.h>

namespace {

// Two bins (re, im, re, im) times two kernel bins. addsub gives
// (a.re h.re - a.im h.im, a.im h.re + a.re h.im): the plain path's products
// and sums, each rounded on its own.
inline __m256d Multiply(__m256d a, __m256d h) {
  const __m256d hRe = _mm256_movedup_pd(h);          // h.re h.re
  const __m256d hIm = _mm256_permute_pd(h, 0xF);     // h.im h.im
  const __m256d aSwap = _mm256_permute_pd(a, 0x5);   // a.im a.re
  return _mm256_addsub_pd(_mm256_mul_pd(a, hRe), _mm256_mul_pd(aSwap, hIm));
}

inline void Pair(__m256d& l, __m256d& r, const Complex<double>* h0, const Complex<double>* h1, bool bMidSide) {
  const __m256d k0 = _mm256_loadu_pd(&h0->re);
  const __m256d k1 = _mm256_loadu_pd(&h1->re);
  if (bMidSide) {
    const __m256d half = _mm256_set1_pd(0.5);
    const __m256d m = Multiply(_mm256_mul_pd(_mm256_add_pd(l, r), half), k0);
    const __m256d s = Multiply(_mm256_mul_pd(_mm256_sub_pd(l, r), half), k1);
    l = _mm256_add_pd(m, s);
    r = _mm256_sub_pd(m, s);
  } else {
    l = Multiply(l, k0);
    r = Multiply(r, k1);
  }
}

}  // namespace

int Qvx2ApplyKernelsAvx2(Complex<float>* left, Complex<float>* right, const Complex<double>* h0,
                         const Complex<double>* h1, int bins, bool bMidSide) {
  int k = 0;
  for (; k + 2 <= bins; k += 2) {
    __m256d l = _mm256_cvtps_pd(_mm_loadu_ps(&left[k].re));
    __m256d r = _mm256_cvtps_pd(_mm_loadu_ps(&right[k].re));
    Pair(l, r, h0 + k, h1 + k, bMidSide);
    _mm_storeu_ps(&left[k].re, _mm256_cvtpd_ps(l));
    _mm_storeu_ps(&right[k].re, _mm256_cvtpd_ps(r));
  }
  return k;
}

int Qvx2ApplyKernelsAvx2(Complex<double>* left, Complex<double>* right, const Complex<double>* h0,
                         const Complex<double>* h1, int bins, bool bMidSide) {
  int k = 0;
  for (; k + 2 <= bins; k += 2) {
    __m256d l = _mm256_loadu_pd(&left[k].re);
    __m256d r = _mm256_loadu_pd(&right[k].re);
    Pair(l, r, h0 + k, h1 + k, bMidSide);
    _mm256_storeu_pd(&left[k].re, l);
    _mm256_storeu_pd(&right[k].re, r);
  }
  return k;
}
