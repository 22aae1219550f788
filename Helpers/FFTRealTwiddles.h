// Process-wide, read-only twiddle layout for the vectorised passes.
//
// Every pass of every length forms its twiddles from the same values: pass P
// (half-distance d = 2^(P-1)) uses cos/sin of i*pi/(2d), taken from the
// 4096-point cosine table for d <= 1024 and from the restarted oscillator of
// that pass for d >= 2048. Both depend on P alone, so one copy per sample type
// serves all lengths. The oscillator sequences are run once here, in T,
// exactly as a pass runs them, instead of once per block and call: the
// recurrence is serial and would otherwise dominate the large transforms.
//
// Layout: entry [d + i] holds (c_i, s_i) of the pass with half-distance d, for
// d = 4 .. 32768 and i = 0 .. d-1 ([d] = (1, 0)). Contiguous in i, so a vector
// of consecutive butterflies loads its twiddles directly.
//
// Thread contract: built once per process (thread-safe, on the first Get());
// read-only afterwards, so any number of threads may read it.
//
// Lifetime: the layout lives in the module's static storage (1.5 MB of zero
// pages until built) and has no destructor, so the process's exit never
// takes it from a thread still transforming (an effect's idle worker, a
// host's audio thread), and unloading the module leaves nothing behind.
#pragma once

#include "Helpers/FFTRealCommon.h"

template <typename T>
class FFTRealTwiddles {
 public:
  // Largest half-distance: the last pass of the longest length.
  static constexpr long kMaxDist = 1L << (kFftMaxLog2 - 2);

  static const FFTRealTwiddles& Get();

  const T* cos_table() const { return m_cos; }
  const T* sin_table() const { return m_sin; }

  FFTRealTwiddles(const FFTRealTwiddles&) = delete;
  FFTRealTwiddles& operator=(const FFTRealTwiddles&) = delete;

 private:
  FFTRealTwiddles();

  alignas(64) T m_cos[2 * kMaxDist];
  alignas(64) T m_sin[2 * kMaxDist];
};

extern template class FFTRealTwiddles<float>;
extern template class FFTRealTwiddles<double>;
