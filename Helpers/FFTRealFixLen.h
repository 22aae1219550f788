// Real FFT of fixed length N = 2^L (L = 8..17) in the arithmetic of T (float
// or double).
//
// Packed spectrum f of N real samples x, with X_k = sum x_n e^(-j2pi kn/N):
//   f[0] = X_0, f[k] = Re X_k (1 <= k < N/2), f[N/2] = X_(N/2),
//   f[N/2 + k] = -Im X_k (1 <= k < N/2).
// Both directions are unnormalised: do_ifft(do_fft(x)) = N x; rescale
// multiplies by 1/N.
//
// The transform is a chain of passes (pass 1: the first two radix-2 stages on
// bit-reversed quadruples; every later pass one stage). Twiddles of the
// passes with half-distance up to 1024 come from a quarter-period cosine
// table of at most 1024 entries; the larger ones from one oscillator per pass,
// restarted at every block. do_fft/do_ifft run the vectorised form of the
// passes where the processor has one (bit-identical to the plain form).
//
// Thread contract: construction allocates (idle side only). do_fft/do_ifft
// write the object's scratch buffer and oscillators, so one object serves one
// caller at a time; they never allocate, lock or call the system. rescale
// reads no member and may run on any object at any time. f, x and the scratch
// buffer must be three distinct arrays of N values (nothing works in place).
#pragma once

#include <algorithm>
#include <cstdint>

#include "Helpers/FFTRealCommon.h"
#include "Helpers/FFTRealPassDirect.h"
#include "Helpers/FFTRealPassInverse.h"
#include "Helpers/FFTRealSimd.h"
#include "Helpers/FFTRealTwiddles.h"
#include "Helpers/OscSinCos.h"

template <int L, typename T>
class FFTRealFixLen {
  static_assert(L >= kFftMinLog2 && L <= kFftMaxLog2, "lengths 256 .. 131072 only");

 public:
  static constexpr int FFT_LEN_L = L;
  static constexpr long FFT_LEN = 1L << L;
  static constexpr long TRIGO_TABLE_LEN =
      (FFT_LEN < kFftTrigoTableMaxLen ? FFT_LEN : kFftTrigoTableMaxLen) / 4;
  static constexpr int NBR_TRIGO_OSC = L - kFftFirstOscPass > 1 ? L - kFftFirstOscPass : 1;

  // Allocates scratch buffer, bit-reversal table and cosine table (in this
  // order) and fills the tables. Throws std::bad_alloc; whatever was
  // allocated is released.
  FFTRealFixLen();
  // Releases cosine table, bit-reversal table and scratch buffer (members
  // are destroyed in reverse order of declaration).
  ~FFTRealFixLen() = default;
  FFTRealFixLen(const FFTRealFixLen&) = delete;
  FFTRealFixLen& operator=(const FFTRealFixLen&) = delete;

  // x: N samples, left unchanged; f: packed spectrum out.
  void do_fft(T* f, const T* x) { do_fft_isa(m_eIsa, f, x); }
  // The same for x whose samples from `count` on (0..N) are zero: those are
  // not read but taken as zero, and may be overwritten with zeros. The result
  // is bit for bit do_fft of the zero-padded x; the vector path reads only
  // the quarters that hold samples.
  void do_fft_padded(T* f, T* x, long count) { do_fft_padded_isa(m_eIsa, f, x, count); }
  // f: packed spectrum, left unchanged; x: N times the samples out.
  void do_ifft(const T* f, T* x) { do_ifft_isa(m_eIsa, f, x); }
  // x[n] *= 1/N for every n.
  void rescale(T* x) const;

  // The same transforms through a given path (for comparing the paths).
  void do_fft_isa(EFftIsa isa, T* f, const T* x);
  void do_ifft_isa(EFftIsa isa, const T* f, T* x);
  void do_fft_padded_isa(EFftIsa isa, T* f, T* x, long count);

 private:
  void build_br_lut();
  void build_trigo_lut();
  void build_trigo_osc();

  FFTRealArray<T> m_buffer;
  FFTRealArray<int32_t> m_br_lut;
  FFTRealArray<T> m_trigo_lut;
  OscSinCos<T> m_trigo_osc[NBR_TRIGO_OSC];
  // Shared twiddle layout of the vectorised passes, and the path this
  // processor runs (both settled at construction, off the audio thread).
  const FFTRealTwiddles<T>* m_pTwiddles = nullptr;
  EFftIsa m_eIsa = EFftIsa::kPlain;
};

template <int L, typename T>
FFTRealFixLen<L, T>::FFTRealFixLen()
    : m_buffer(FFT_LEN), m_br_lut(FFT_LEN / 4), m_trigo_lut(TRIGO_TABLE_LEN) {
  build_br_lut();
  build_trigo_lut();
  build_trigo_osc();
  m_pTwiddles = &FFTRealTwiddles<T>::Get();
  m_eIsa = FftBestIsa();
}

template <int L, typename T>
void FFTRealFixLen<L, T>::build_br_lut() {
  m_br_lut[0] = 0;
  for (int32_t g = 1; g < FFT_LEN / 4; ++g) m_br_lut[g] = FftReverseBits(g, L - 2);
}

template <int L, typename T>
void FFTRealFixLen<L, T>::build_trigo_lut() {
  const long period = TRIGO_TABLE_LEN * 4;
  for (long i = 0; i < TRIGO_TABLE_LEN; ++i)
    m_trigo_lut[i] = static_cast<T>(FftTrigoTableEntry(i, period));
}

template <int L, typename T>
void FFTRealFixLen<L, T>::build_trigo_osc() {
  for (int k = 0; k <= L - 13; ++k) m_trigo_osc[k].set_step(FftOscStepAngle(k));
}

template <int L, typename T>
void FFTRealFixLen<L, T>::do_fft_isa(EFftIsa isa, T* f, const T* x) {
  if (isa != EFftIsa::kPlain) {
    FftSimdForward(isa, L, f, x, m_buffer.get(), m_br_lut.get(), m_pTwiddles->cos_table(),
                   m_pTwiddles->sin_table());
    return;
  }
  FFTRealPassDirect<L - 1, T>::process(FFT_LEN, f, m_buffer.get(), x, m_trigo_lut.get(),
                                       TRIGO_TABLE_LEN, m_br_lut.get(), m_trigo_osc);
}

template <int L, typename T>
void FFTRealFixLen<L, T>::do_fft_padded_isa(EFftIsa isa, T* f, T* x, long count) {
  count = count < 0 ? 0 : (count > FFT_LEN ? FFT_LEN : count);
  if (isa == EFftIsa::kPlain) {
    std::fill(x + count, x + FFT_LEN, T(0));
    do_fft_isa(isa, f, x);
    return;
  }
  // The vector passes leave out whole quarters; the rest of the last quarter
  // with samples is zeroed here.
  constexpr long kQuarter = FFT_LEN / 4;
  const long quarters = count > kQuarter ? (count + kQuarter - 1) / kQuarter : 1;
  std::fill(x + count, x + quarters * kQuarter, T(0));
  FftSimdForward(isa, L, f, x, m_buffer.get(), m_br_lut.get(), m_pTwiddles->cos_table(), m_pTwiddles->sin_table(),
                 static_cast<int>(quarters));
}

template <int L, typename T>
void FFTRealFixLen<L, T>::do_ifft_isa(EFftIsa isa, const T* f, T* x) {
  if (isa != EFftIsa::kPlain) {
    FftSimdInverse(isa, L, f, x, m_buffer.get(), m_br_lut.get(), m_pTwiddles->cos_table(),
                   m_pTwiddles->sin_table());
    return;
  }
  // The first destination is chosen so that pass 1 writes x.
  if constexpr ((L & 1) == 0) {
    FFTRealPassInverse<L - 1, T>::process(FFT_LEN, x, m_buffer.get(), f, m_trigo_lut.get(),
                                          TRIGO_TABLE_LEN, m_br_lut.get(), m_trigo_osc);
  } else {
    FFTRealPassInverse<L - 1, T>::process(FFT_LEN, m_buffer.get(), x, f, m_trigo_lut.get(),
                                          TRIGO_TABLE_LEN, m_br_lut.get(), m_trigo_osc);
  }
}

template <int L, typename T>
void FFTRealFixLen<L, T>::rescale(T* x) const {
  const T mul = static_cast<T>(1.0 / static_cast<double>(FFT_LEN));
  for (long i = 0; i < FFT_LEN; ++i) x[i] = x[i] * mul;
}
