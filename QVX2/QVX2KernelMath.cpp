#include "QVX2/QVX2KernelMath.h"

#include "QVX2/QVX2KernelMathAvx2.h"

namespace {

// (a.re h.re - a.im h.im, a.re h.im + a.im h.re)
inline void Multiply(double& re, double& im, const Complex<double>& h) {
  const double r = re * h.re - im * h.im;
  const double i = re * h.im + im * h.re;
  re = r;
  im = i;
}

bool UseAvx2() {
  static const bool s_bAvx2 = __builtin_cpu_supports("avx2");
  return s_bAvx2;
}

}  // namespace

template <typename FTYPE>
void Qvx2ApplyKernelsPlain(Complex<FTYPE>* left, Complex<FTYPE>* right, const Complex<double>* h0,
                           const Complex<double>* h1, int bins, bool bMidSide) {
  for (int k = 0; k < bins; ++k) {
    double lr = left[k].re, li = left[k].im, rr = right[k].re, ri = right[k].im;
    if (bMidSide) {
      double mr = (lr + rr) * 0.5, mi = (li + ri) * 0.5;
      double sr = (lr - rr) * 0.5, si = (li - ri) * 0.5;
      Multiply(mr, mi, h0[k]);
      Multiply(sr, si, h1[k]);
      lr = mr + sr;
      li = mi + si;
      rr = mr - sr;
      ri = mi - si;
    } else {
      Multiply(lr, li, h0[k]);
      Multiply(rr, ri, h1[k]);
    }
    left[k] = Complex<FTYPE>{static_cast<FTYPE>(lr), static_cast<FTYPE>(li)};
    right[k] = Complex<FTYPE>{static_cast<FTYPE>(rr), static_cast<FTYPE>(ri)};
  }
}

template <typename FTYPE>
void Qvx2ApplyKernels(Complex<FTYPE>* left, Complex<FTYPE>* right, const Complex<double>* h0,
                      const Complex<double>* h1, int bins, bool bMidSide) {
  int done = 0;
  if (UseAvx2()) done = Qvx2ApplyKernelsAvx2(left, right, h0, h1, bins, bMidSide);
  Qvx2ApplyKernelsPlain(left + done, right + done, h0 + done, h1 + done, bins - done, bMidSide);
}

template void Qvx2ApplyKernels<float>(Complex<float>*, Complex<float>*, const Complex<double>*,
                                      const Complex<double>*, int, bool);
template void Qvx2ApplyKernels<double>(Complex<double>*, Complex<double>*, const Complex<double>*,
                                       const Complex<double>*, int, bool);
template void Qvx2ApplyKernelsPlain<float>(Complex<float>*, Complex<float>*, const Complex<double>*,
                                           const Complex<double>*, int, bool);
template void Qvx2ApplyKernelsPlain<double>(Complex<double>*, Complex<double>*, const Complex<double>*,
                                            const Complex<double>*, int, bool);
