// The AVX2 path of Qvx2ApplyKernels (QVX2KernelMath.h), compiled on its
// own with AVX2 enabled and entered only after a run-time check. Processes
// whole pairs of bins and answers how many it did; the caller finishes the
// rest on the plain path.
#pragma once

#include "Helpers/Complex.h"

int Qvx2ApplyKernelsAvx2(Complex<float>* left, Complex<float>* right, const Complex<double>* h0,
                         const Complex<double>* h1, int bins, bool bMidSide);
int Qvx2ApplyKernelsAvx2(Complex<double>* left, Complex<double>* right, const Complex<double>* h0,
                         const Complex<double>* h1, int bins, bool bMidSide);
