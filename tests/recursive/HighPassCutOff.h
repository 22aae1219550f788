// How the correction tables of FftHighPass measure a design's actual cut-off.
// Shared by the table generator and the tests that check the tables.
#pragma once

#include <cmath>

#include "Helpers/FftHighPass.h"

namespace highpass {

// The actual cut-off is the lowest bin whose magnitude reaches this fraction
// of the response's peak (about -29 dB). With the floor at 0 the designed
// ramp starts at 0.04 at the cut-off bin, so this is where the windowed
// kernel has come within 10 % of the ramp's start.
constexpr double kdCutOffLevel = 0.036;

template <typename FTYPE>
int CutOffBin(const Complex<FTYPE>* response, int N) {
  double peak = 0.0;
  for (int k = 0; k <= N / 2; ++k) peak = std::fmax(peak, std::hypot(double(response[k].re), double(response[k].im)));
  int k = 0;
  while (k < N / 2 && std::hypot(double(response[k].re), double(response[k].im)) < kdCutOffLevel * peak) ++k;
  return k;
}

// Designs a high pass of FFT size N (kernel N/2, one pass, 44100 Hz, floor 0)
// with the frequency and slope as given, without correction, and returns
// the bin of its actual cut-off.
template <typename FTYPE>
int MeasureCutOffBin(int N, float fDesigned, float fSlope) {
  FftHighPass<FTYPE> hp(N, N / 2, 1);
  hp.m_fSampleRate = kfFudgeSampleRate;
  hp.m_fFrequency = fDesigned;
  hp.m_fSlope = fSlope;
  hp.m_fFloor = 0.0f;
  hp.m_bNeedsSetup = true;
  hp.Setup(false);
  if (hp.m_bNeedsSetup) return -1;
  return CutOffBin(hp.m_pResponse, N);
}

inline float BinToHz(int k, int N) { return static_cast<float>(k * static_cast<double>(kfFudgeSampleRate) / N); }

}  // namespace highpass
