// The products of a frame pair's spectra with the two channel kernels: in
// left/right form L x H0 and R x H1; in mid/side form M = (L + R) / 2 and
// S = (L - R) / 2 are multiplied by H0 and H1 and decoded as M + S, M - S.
// The arithmetic is in double whatever the spectra's sample type, and every
// product and sum is rounded on its own (no fused multiply-add), so the
// vector path on processors with AVX2 gives exactly the plain path's result,
// and the packed form exactly the bins form's.
//
// Thread contract: any thread; no allocation, no state.
#pragma once

#include "Helpers/Complex.h"

// Spectra as N/2+1 bins, kernels as the committed bins.
template <typename FTYPE>
void Qvx2ApplyKernels(Complex<FTYPE>* left, Complex<FTYPE>* right, const Complex<double>* h0,
                      const Complex<double>* h1, int bins, bool bMidSide);

// Spectra and kernels in the FFT's packed order (N values each, see
// CFftWrapper::DoFFTPacked): bins 0 and N/2 are real, bin k of the others
// has re at k and im at N/2 + k.
template <typename FTYPE>
void Qvx2ApplyKernelsPacked(FTYPE* left, FTYPE* right, const double* h0, const double* h1, int N, bool bMidSide);
