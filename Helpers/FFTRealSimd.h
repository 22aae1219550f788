// Vectorised forms of the real-FFT passes and the choice between them.
//
// The vector paths form every value exactly as the plain passes do (same
// operands, same grouping, one rounding per operation, no fused multiply-add),
// so all paths give bit-identical results; they differ only in how many
// butterflies run per instruction and in how data move between passes:
//  - pass 1 and the passes whose blocks fit in 1/W of the array run on W
//    interleaved sub-arrays at once (lane l holds the sub-array whose index is
//    l with its bits reversed, which makes the bit-reversed reads of pass 1
//    contiguous), depth-first in cache-sized chunks;
//  - one W x W transposition returns to natural order;
//  - the last log2(W) passes run on W consecutive butterflies at once.
//
// Thread contract: the entry points touch only the arrays passed; any number
// of threads may run them on distinct arrays.
#pragma once

#include <cstdint>

enum class EFftIsa {
  kPlain,  // the pass templates, one butterfly at a time
  kSse2,   // 128-bit vectors (baseline on x86-64)
  kAvx2,   // 256-bit vectors, chosen at run time where the processor has them
};

// Best path on this processor, detected once.
EFftIsa FftBestIsa();
// Whether a path can run on this processor.
bool FftIsaAvailable(EFftIsa isa);

// Forward: x (N samples, read only) -> f (packed spectrum); scratch: N values.
// Only the first `quarters` quarters of x (1..4) are read; the rest are taken
// as zero, with the same result bit for bit as from zeros in memory.
// Inverse: f (packed spectrum, read only) -> x (N samples, unscaled); scratch:
// N values. tw_cos/tw_sin: FFTRealTwiddles<T>. isa must be available and not
// kPlain. f, x and scratch are distinct arrays of N = 2^log2_len values.
void FftSimdForward(EFftIsa isa, int log2_len, float* f, const float* x, float* scratch, const int32_t* br,
                    const float* tw_cos, const float* tw_sin, int quarters = 4);
void FftSimdForward(EFftIsa isa, int log2_len, double* f, const double* x, double* scratch, const int32_t* br,
                    const double* tw_cos, const double* tw_sin, int quarters = 4);
void FftSimdInverse(EFftIsa isa, int log2_len, const float* f, float* x, float* scratch,
                    const int32_t* br, const float* tw_cos, const float* tw_sin);
void FftSimdInverse(EFftIsa isa, int log2_len, const double* f, double* x, double* scratch,
                    const int32_t* br, const double* tw_cos, const double* tw_sin);
