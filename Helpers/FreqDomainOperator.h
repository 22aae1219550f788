// The common base of every FFT-size object of the spectral engine: its FFT
// size N and its own FFT front end.
#pragma once

#include <stdexcept>

#include "Helpers/FFTPool.h"

template <typename FTYPE>
class FreqDomainOperator {
 public:
  // N must be one of the sizes the FFT pool serves (256..131072, powers of
  // two); any other N throws std::invalid_argument, so no operator exists
  // whose transforms would silently do nothing. [idle side]
  explicit FreqDomainOperator(int N) : m_nFftSize(CheckedSize(N)), m_FftWrapper(N) {}
  FreqDomainOperator(const FreqDomainOperator&) = delete;
  FreqDomainOperator& operator=(const FreqDomainOperator&) = delete;

  int m_nFftSize;                     // N; fixed for the object's life
  CFftWrapper<FTYPE> m_FftWrapper;    // transforms of size N, from any thread

 private:
  static int CheckedSize(int N) {
    if (!FFT_IsSupportedSize(N)) throw std::invalid_argument("unsupported FFT size");
    return N;
  }
};
