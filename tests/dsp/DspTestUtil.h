// Shared constants and slow references for the DSP engine tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "Helpers/Complex.h"
#include "Helpers/FftFilter.h"
#include "Helpers/FreqDomainConvolution.h"

namespace dsptest {

constexpr double kPi = 3.14159265358979323846;

struct SizePair {
  int nFftSize;
  int nKernelSize;
};

// The FFT and kernel sizes of the eight quality modes.
constexpr SizePair kQualityPairs[] = {
    {1024, 512},    {2048, 1024},   {4096, 2048},   {8192, 4096},
    {16384, 8192},  {16384, 12288}, {32768, 16384}, {32768, 24576},
};

inline std::vector<float> RandomSignal(int n, uint32_t seed, float amplitude = 0.5f) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> dist(-amplitude, amplitude);
  std::vector<float> x(n);
  for (float& v : x) v = dist(gen);
  return x;
}

// Real part of the inverse of a half spectrum in the system's convention
// (bin k = sum x[n] exp(+2 pi i k n / N)), by the plain sum, for the taps
// 0..count-1. O(N * count); for small N only.
template <typename T>
std::vector<double> NaiveInverse(const Complex<T>* spectrum, int N, int count) {
  std::vector<double> cosTable(N), sinTable(N);
  for (int m = 0; m < N; ++m) {
    cosTable[m] = std::cos(2.0 * kPi * m / N);
    sinTable[m] = std::sin(2.0 * kPi * m / N);
  }
  std::vector<double> x(count);
  const int half = N / 2;
  for (int n = 0; n < count; ++n) {
    double sum = double(spectrum[0].re) + ((n & 1) ? -1.0 : 1.0) * double(spectrum[half].re);
    for (int k = 1; k < half; ++k) {
      const int m = static_cast<int>((static_cast<int64_t>(k) * n) % N);
      // Re(S e^{-i a}) = re cos a + im sin a
      sum += 2.0 * (double(spectrum[k].re) * cosTable[m] + double(spectrum[k].im) * sinTable[m]);
    }
    x[n] = sum / N;
  }
  return x;
}

// The taps of a committed kernel, through the kernel's own inverse transform
// (the FFT is verified by its own tests; this only reads the design back).
inline std::vector<double> KernelTaps(FreqDomainConvolution<double>& kernel) {
  const int N = kernel.m_nFftSize;
  std::vector<Complex<double>> spectrum(kernel.m_pResponse, kernel.m_pResponse + N / 2 + 1);
  std::vector<double> taps(N);
  kernel.m_FftWrapper.DoIFFT(N, reinterpret_cast<double*>(spectrum.data()), taps.data());
  return taps;
}

// A smooth real target response with broad bumps, between 0.3 and 1.7,
// smooth also where the spectrum wraps (at DC and Nyquist).
inline double SmoothTarget(int k, int N) {
  const double x = static_cast<double>(k) / (N / 2);
  return 1.0 + 0.4 * std::cos(4.0 * kPi * x) + 0.3 * std::cos(kPi * x);
}

// A kernel whose wanted response is SmoothTarget.
class SmoothKernel : public FreqDomainConvolution<double> {
 public:
  SmoothKernel(int N, int L, int passes = 1) : FreqDomainConvolution<double>(N, L, passes) {}
  void SetIdealisedFreqResponse(Complex<double>* response) override {
    for (int k = 0; k <= m_nFftSize / 2; ++k) response[k] = Complex<double>{SmoothTarget(k, m_nFftSize), 0.0};
  }
};

// Multiplies each frame's spectrum by a kernel's committed response, as the
// product's callback does (under the kernel's lock, arithmetic in double).
template <typename FTYPE>
class KernelCallBack : public FftFilterCallBack<FTYPE> {
 public:
  explicit KernelCallBack(FreqDomainConvolution<double>* kernel) : m_pKernel(kernel) {}
  void Apply(int N, Complex<FTYPE>* spectrum, XREffect*) override {
    m_pKernel->Lock();
    if (m_pKernel->m_bHasResponse) {
      const Complex<double>* h = m_pKernel->m_pResponse;
      for (int k = 0; k <= N / 2; ++k) {
        const double re = double(spectrum[k].re) * h[k].re - double(spectrum[k].im) * h[k].im;
        const double im = double(spectrum[k].re) * h[k].im + double(spectrum[k].im) * h[k].re;
        spectrum[k] = Complex<FTYPE>{FTYPE(re), FTYPE(im)};
      }
    }
    m_pKernel->Unlock();
    ++m_nCalls;
  }
  int m_nCalls = 0;

 private:
  FreqDomainConvolution<double>* m_pKernel;
};

// Leaves every spectrum as it is.
template <typename FTYPE>
class IdentityCallBack : public FftFilterCallBack<FTYPE> {
 public:
  void Apply(int, Complex<FTYPE>*, XREffect*) override { ++m_nCalls; }
  int m_nCalls = 0;
};

// Streams `in` through the filter in chunks given by `chunkAt(i)` (clamped to
// what remains), with the three streaming calls per chunk.
template <typename FTYPE, typename ChunkFn>
std::vector<float> Stream(FftFilter<FTYPE>& filter, const std::vector<float>& in, ChunkFn chunkAt) {
  std::vector<float> out(in.size(), -999.0f);
  size_t pos = 0;
  for (int i = 0; pos < in.size(); ++i) {
    int c = chunkAt(i);
    if (c > static_cast<int>(in.size() - pos)) c = static_cast<int>(in.size() - pos);
    filter.ValuesIn(in.data() + pos, c);
    filter.CompleteProcessing();
    filter.ValuesOut(out.data() + pos, c);
    pos += c;
  }
  return out;
}

template <typename FTYPE>
std::vector<float> StreamByHop(FftFilter<FTYPE>& filter, const std::vector<float>& in) {
  const int hop = filter.m_nHop;
  return Stream(filter, in, [hop](int) { return hop; });
}

}  // namespace dsptest
