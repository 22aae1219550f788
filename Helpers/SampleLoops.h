// The element-wise loops of the audio path around its transforms, on the
// widest vectors the processor has: each runs its AVX2 form where the
// processor has AVX2 (checked once) and its plain form elsewhere. Both forms
// make every value the same way (the same operations in the same order, one
// rounding each, no fused multiply-add), so a result never depends on the
// processor.
//
// Thread contract: any thread, the audio thread included; no state, no
// allocation, no wait.
#pragma once

// dst[i] = LimitInputSample(src[i]) (DitherCopy.h), widened for double.
void LimitCopy(float* dst, const float* src, int n);
void LimitCopy(double* dst, const float* src, int n);

// dst[i] = src[i] narrowed to float (rounded to nearest).
void NarrowCopy(float* dst, const double* src, int n);

// out[i] = y[i] * scale.
void ScaleInto(float* out, const float* y, float scale, int n);
void ScaleInto(double* out, const double* y, double scale, int n);

// out[i] = y[i] * scale + add[i]. out may lie before add in the same array
// (out <= add), as when an overlap tail moves towards its start.
void ScaleAddInto(float* out, const float* y, float scale, const float* add, int n);
void ScaleAddInto(double* out, const double* y, double scale, const double* add, int n);

// The powers of n complex bins given as separate real and imaginary parts:
// to[k] = re[k]^2 + im[k]^2 (float bins sum in float and widen the sum), or
// the larger of that and previous[k] when previous is given.
void BinPowers(double* to, const float* re, const float* im, int n, const double* previous);
void BinPowers(double* to, const double* re, const double* im, int n, const double* previous);
