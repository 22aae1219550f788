// Shared helpers of the FFT tests: deterministic inputs, independent
// references (a long-double DFT and a long-double recursive FFT that share
// no code with the kernels) and a call-through for every kernel type.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "Helpers/FFTRealFixLen.h"

namespace fft_test {

using LDComplex = std::complex<long double>;
const long double kPiL = 3.141592653589793238462643383279502884L;

template <typename T>
std::vector<T> RandomSamples(long n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<T> v(static_cast<size_t>(n));
  for (auto& s : v) s = static_cast<T>(dist(gen));
  return v;
}

// X_k = sum x_n e^(-j 2 pi k n / N) for k = 0..N/2, by the definition.
template <typename T>
std::vector<LDComplex> NaiveDft(const std::vector<T>& x) {
  const long n = static_cast<long>(x.size());
  std::vector<LDComplex> out(static_cast<size_t>(n / 2 + 1));
  for (long k = 0; k <= n / 2; ++k) {
    LDComplex acc = 0;
    for (long t = 0; t < n; ++t) {
      const long idx = (k * t) % n;
      const long double ang = -2.0L * kPiL * static_cast<long double>(idx) / n;
      acc += static_cast<long double>(x[static_cast<size_t>(t)]) *
             LDComplex(std::cos(ang), std::sin(ang));
    }
    out[static_cast<size_t>(k)] = acc;
  }
  return out;
}

// Recursive radix-2 decimation in time on complex long double, twiddles from
// cosl/sinl of the exact angle.
inline void RecursiveFft(std::vector<LDComplex>& a) {
  const size_t n = a.size();
  if (n == 1) return;
  std::vector<LDComplex> even(n / 2), odd(n / 2);
  for (size_t i = 0; i < n / 2; ++i) {
    even[i] = a[2 * i];
    odd[i] = a[2 * i + 1];
  }
  RecursiveFft(even);
  RecursiveFft(odd);
  for (size_t k = 0; k < n / 2; ++k) {
    const long double ang = -2.0L * kPiL * static_cast<long double>(k) / static_cast<long double>(n);
    const LDComplex t = LDComplex(std::cos(ang), std::sin(ang)) * odd[k];
    a[k] = even[k] + t;
    a[k + n / 2] = even[k] - t;
  }
}

template <typename T>
std::vector<LDComplex> ReferenceFft(const std::vector<T>& x) {
  std::vector<LDComplex> a(x.size());
  for (size_t i = 0; i < x.size(); ++i) a[i] = static_cast<long double>(x[i]);
  RecursiveFft(a);
  a.resize(x.size() / 2 + 1);
  return a;
}

// Runs a callable with an object of every length, for one sample type.
template <typename T, typename Fn>
void ForEachLength(Fn&& fn) {
  fn(std::make_unique<FFTRealFixLen<8, T>>());
  fn(std::make_unique<FFTRealFixLen<9, T>>());
  fn(std::make_unique<FFTRealFixLen<10, T>>());
  fn(std::make_unique<FFTRealFixLen<11, T>>());
  fn(std::make_unique<FFTRealFixLen<12, T>>());
  fn(std::make_unique<FFTRealFixLen<13, T>>());
  fn(std::make_unique<FFTRealFixLen<14, T>>());
  fn(std::make_unique<FFTRealFixLen<15, T>>());
  fn(std::make_unique<FFTRealFixLen<16, T>>());
  fn(std::make_unique<FFTRealFixLen<17, T>>());
}

template <typename T>
bool BitEqual(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

}  // namespace fft_test
