// The products of a frame pair's spectra with the two channel kernels: in
// left/right form L x H0 and R x H1; in mid/side form M = (L + R) / 2 and
// S = (L - R) / 2 are multiplied by H0 and H1 and decoded as M + S, M - S.
// The arithmetic is in double whatever the spectra's sample type, and every
// product and sum is rounded on its own (no fused multiply-add), so the
// vector path on processors with AVX2 gives exactly the plain path's result.
//
// Thread contract: any thread; no allocation, no state.
#pragma once

#include "Helpers/Complex.h"

template <typename FTYPE>
void Qvx2ApplyKernels(Complex<FTYPE>* left, Complex<FTYPE>* right, const Complex<double>* h0,
                      const Complex<double>* h1, int bins, bool bMidSide);

// The plain path alone, as the reference of the vector path's tests.
template <typename FTYPE>
void Qvx2ApplyKernelsPlain(Complex<FTYPE>* left, Complex<FTYPE>* right, const Complex<double>* h0,
                           const Complex<double>* h1, int bins, bool bMidSide);
