// One frequency bin of a spectrum: real part, then imaginary part, of the
// sample type. A spectrum of an FFT of size N holds N/2+1 bins, laid out as
// 2(N/2+1) values (re, im, re, im, ...). Bin k is the sum over n of
// x[n] * exp(+2*pi*i*k*n/N): the conjugate of the usual forward DFT.
#pragma once

template <typename T>
struct Complex {
  T re;
  T im;
};

static_assert(sizeof(Complex<float>) == 2 * sizeof(float), "bins must pack as pairs");
static_assert(sizeof(Complex<double>) == 2 * sizeof(double), "bins must pack as pairs");
