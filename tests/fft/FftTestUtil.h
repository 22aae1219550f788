// Shared helpers of the FFT tests: deterministic inputs, independent
// references (a long-double DFT and a long-double recursive FFT that share
// no code with the kernels) and a call-through for every kernel type.
#pragma once

#include <algorithm>
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

// Iterative radix-2 complex FFT in long double (decimation in time, bit
// reversal first), twiddles from cosl/sinl of the exact angle: a reference
// for the lengths where the definition is too slow. Returns bins 0..N/2 of
// X_k = sum x_n e^(-j 2 pi k n / N).
template <typename T>
std::vector<LDComplex> ReferenceFft(const std::vector<T>& x) {
  const size_t n = x.size();
  std::vector<LDComplex> a(n);
  int bits = 0;
  while ((size_t{1} << bits) < n) ++bits;
  for (size_t i = 0; i < n; ++i) {
    size_t r = 0;
    for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1u) << (bits - 1 - b);
    a[r] = static_cast<long double>(x[i]);
  }
  std::vector<LDComplex> w(n / 2);
  for (size_t k = 0; k < n / 2; ++k) {
    const long double ang = -2.0L * kPiL * static_cast<long double>(k) / static_cast<long double>(n);
    w[k] = LDComplex(std::cos(ang), std::sin(ang));
  }
  for (size_t len = 2; len <= n; len *= 2) {
    const size_t step = n / len;
    for (size_t start = 0; start < n; start += len) {
      for (size_t k = 0; k < len / 2; ++k) {
        const LDComplex t = w[k * step] * a[start + k + len / 2];
        a[start + k + len / 2] = a[start + k] - t;
        a[start + k] += t;
      }
    }
  }
  a.resize(n / 2 + 1);
  return a;
}

// Largest distance between a packed spectrum and reference bins, relative
// to the root-mean-square size of the reference bins.
template <typename T>
double PackedSpectrumError(const std::vector<T>& f, const std::vector<LDComplex>& ref) {
  const long n = static_cast<long>(f.size());
  const long h = n / 2;
  long double rms = 0;
  for (const auto& c : ref) rms += std::norm(c);
  rms = std::sqrt(rms / static_cast<long double>(ref.size()));
  long double worst = 0;
  for (long k = 0; k <= h; ++k) {
    const long double re = f[static_cast<size_t>(k)];
    const long double im = (k == 0 || k == h) ? 0.0L : -static_cast<long double>(f[static_cast<size_t>(h + k)]);
    worst = std::max(worst, std::abs(LDComplex(re, im) - ref[static_cast<size_t>(k)]));
  }
  return static_cast<double>(worst / rms);
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
