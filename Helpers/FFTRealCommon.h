// Constants and small helpers shared by the real-FFT kernels, the plain pass
// templates and the vectorised passes. Both paths must form every value from
// exactly these definitions so that their results agree bit for bit.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>

// Lengths with kernels: 2^8 .. 2^17.
constexpr int kFftMinLog2 = 8;
constexpr int kFftMaxLog2 = 17;

// The cosine table never grows beyond a quarter period of a 4096-point cosine.
constexpr long kFftTrigoTableMaxLen = 4096;
// First pass whose twiddles come from an oscillator (half-block 2048).
constexpr int kFftFirstOscPass = 12;

// 2*pi rounded to double.
constexpr double kFftTwoPi = 6.28318530717958647692528676655900577;

// Entry i of the cosine table of a length with table period m (min(N, 4096)):
// formed in double, rounded to T by the caller.
inline double FftTrigoTableEntry(long i, long m) {
  return std::cos(static_cast<double>(i) * kFftTwoPi / static_cast<double>(m));
}

// Step angle of oscillator k, which serves pass 12 + k: 2*pi / 2^(13+k).
inline double FftOscStepAngle(int k) {
  return kFftTwoPi / static_cast<double>(1L << (13 + k));
}

// sqrt(1/2) rounded to T; used by pass 2 in both directions. A variable,
// not a function, so that the per-instruction-set files share no code.
template <typename T>
constexpr T kFftSqrtHalf = static_cast<T>(0.70710678118654752440084436210484903928L);

// g with its `bits` lowest bits in reverse order.
inline int32_t FftReverseBits(int32_t g, int bits) {
  int32_t r = 0;
  for (int b = 0; b < bits; ++b) r |= ((g >> b) & 1) << (bits - 1 - b);
  return r;
}

// Storage of `count` (uninitialised) values, aligned to a cache line for
// the vector passes, and its release (null is allowed). Throws std::bad_alloc.
template <typename U>
U* FftAlignedNew(long count) {
  return static_cast<U*>(::operator new(sizeof(U) * static_cast<size_t>(count), std::align_val_t(64)));
}
template <typename U>
void FftAlignedDelete(U* p) {
  if (p) ::operator delete(p, std::align_val_t(64));
}

// Owning array with an element count, released (pointer nulled, count
// zeroed) by the destructor. Storage is 64-byte aligned for the vector path.
template <typename U>
class FFTRealArray {
 public:
  FFTRealArray() = default;
  explicit FFTRealArray(long count) : m_ptr(FftAlignedNew<U>(count)), m_count(count) {}
  ~FFTRealArray() { release(); }
  FFTRealArray(const FFTRealArray&) = delete;
  FFTRealArray& operator=(const FFTRealArray&) = delete;

  U* get() { return m_ptr; }
  const U* get() const { return m_ptr; }
  long size() const { return m_count; }
  U& operator[](long i) { return m_ptr[i]; }
  const U& operator[](long i) const { return m_ptr[i]; }

  void release() {
    FftAlignedDelete(m_ptr);
    m_ptr = nullptr;
    m_count = 0;
  }
  // Replaces the storage with `count` new (uninitialised) values. Throws
  // std::bad_alloc, leaving the array empty.
  void reset(long count) {
    release();
    m_ptr = FftAlignedNew<U>(count);
    m_count = count;
  }

 private:
  U* m_ptr = nullptr;
  long m_count = 0;
};
