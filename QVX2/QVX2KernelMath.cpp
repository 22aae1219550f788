#include "QVX2/QVX2KernelMath.h"

#include "QVX2/QVX2KernelMathAvx2.h"

namespace {

// (a.re h.re - a.im h.im, a.re h.im + a.im h.re)
inline void Multiply(double& re, double& im, double hRe, double hIm) {
  const double r = re * hRe - im * hIm;
  const double i = re * hIm + im * hRe;
  re = r;
  im = i;
}

// One bin pair, in place; the imaginary parts are those of the bin (0 for the
// real bins 0 and N/2, whose products then reduce to the real ones exactly).
inline void Bin(double& lr, double& li, double& rr, double& ri, double h0Re, double h0Im, double h1Re,
                double h1Im, bool bMidSide) {
  if (bMidSide) {
    double mr = (lr + rr) * 0.5, mi = (li + ri) * 0.5;
    double sr = (lr - rr) * 0.5, si = (li - ri) * 0.5;
    Multiply(mr, mi, h0Re, h0Im);
    Multiply(sr, si, h1Re, h1Im);
    lr = mr + sr;
    li = mi + si;
    rr = mr - sr;
    ri = mi - si;
  } else {
    Multiply(lr, li, h0Re, h0Im);
    Multiply(rr, ri, h1Re, h1Im);
  }
}

// A real bin (0 or N/2) of the packed order.
template <typename FTYPE>
inline void RealBin(FTYPE& l, FTYPE& r, double h0, double h1, bool bMidSide) {
  double lr = l, rr = r;
  if (bMidSide) {
    const double m = (lr + rr) * 0.5 * h0;
    const double s = (lr - rr) * 0.5 * h1;
    lr = m + s;
    rr = m - s;
  } else {
    lr *= h0;
    rr *= h1;
  }
  l = static_cast<FTYPE>(lr);
  r = static_cast<FTYPE>(rr);
}

// Bins first..last-1 of the packed order (0 < first, last <= N/2).
template <typename FTYPE>
void PackedRange(FTYPE* left, FTYPE* right, const double* h0, const double* h1, int half, int first, int last,
                 bool bMidSide) {
  for (int k = first; k < last; ++k) {
    double lr = left[k], li = left[half + k], rr = right[k], ri = right[half + k];
    Bin(lr, li, rr, ri, h0[k], h0[half + k], h1[k], h1[half + k], bMidSide);
    left[k] = static_cast<FTYPE>(lr);
    left[half + k] = static_cast<FTYPE>(li);
    right[k] = static_cast<FTYPE>(rr);
    right[half + k] = static_cast<FTYPE>(ri);
  }
}

bool UseAvx2() {
  static const bool s_bAvx2 = __builtin_cpu_supports("avx2");
  return s_bAvx2;
}

}  // namespace

template <typename FTYPE>
void Qvx2ApplyKernels(Complex<FTYPE>* left, Complex<FTYPE>* right, const Complex<double>* h0,
                      const Complex<double>* h1, int bins, bool bMidSide) {
  for (int k = 0; k < bins; ++k) {
    double lr = left[k].re, li = left[k].im, rr = right[k].re, ri = right[k].im;
    Bin(lr, li, rr, ri, h0[k].re, h0[k].im, h1[k].re, h1[k].im, bMidSide);
    left[k] = Complex<FTYPE>{static_cast<FTYPE>(lr), static_cast<FTYPE>(li)};
    right[k] = Complex<FTYPE>{static_cast<FTYPE>(rr), static_cast<FTYPE>(ri)};
  }
}

template <typename FTYPE>
void Qvx2ApplyKernelsPacked(FTYPE* left, FTYPE* right, const double* h0, const double* h1, int N, bool bMidSide) {
  const int half = N / 2;
  if (half < 1) return;
  RealBin(left[0], right[0], h0[0], h1[0], bMidSide);
  RealBin(left[half], right[half], h0[half], h1[half], bMidSide);
  int done = 1;
  if (UseAvx2()) done = Qvx2ApplyKernelsPackedAvx2(left, right, h0, h1, half, bMidSide);
  PackedRange(left, right, h0, h1, half, done, half, bMidSide);
}

template void Qvx2ApplyKernels<float>(Complex<float>*, Complex<float>*, const Complex<double>*,
                                      const Complex<double>*, int, bool);
template void Qvx2ApplyKernels<double>(Complex<double>*, Complex<double>*, const Complex<double>*,
                                       const Complex<double>*, int, bool);
template void Qvx2ApplyKernelsPacked<float>(float*, float*, const double*, const double*, int, bool);
template void Qvx2ApplyKernelsPacked<double>(double*, double*, const double*, const double*, int, bool);
