// The AVX2 path of Qvx2ApplyKernelsPacked (QVX2KernelMath.h), compiled on its
// own with AVX2 enabled and entered only after a run-time check. Processes
// the complex bins 1.. in groups of four and answers the first bin it left
// for the caller, who finishes the rest on the plain path.
#pragma once

int Qvx2ApplyKernelsPackedAvx2(float* left, float* right, const double* h0, const double* h1, int half,
                               bool bMidSide);
int Qvx2ApplyKernelsPackedAvx2(double* left, double* right, const double* h0, const double* h1, int half,
                               bool bMidSide);
