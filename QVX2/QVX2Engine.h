// Everything one quality mode needs on the audio path, built together for
// one FFT size and swapped in as a whole: the filter pair (float or double),
// the four analyser data stores, the two channel kernels, the two bypass
// delay lines and the scratch buffer of the bypassed filters' output. A
// rebuild makes a new engine and replaces the old one only when the new one
// is complete, so a failure keeps the effect running on the old one.
//
// Thread contract: built and destroyed on the idle side. The audio thread
// uses the effect's engine only while it holds the audio-busy flag; the idle
// side swaps the engine, clears its filters, rebuilds its delay lines and
// commits its kernels only while it holds that flag itself.
#pragma once

#include <memory>

#include "Helpers/DelayFilter.h"
#include "Helpers/FftFilter.h"
#include "Helpers/FrequencyDataStore.h"
#include "QVX2/FftQVX2.h"

constexpr int kQvx2NumDataStores = 4;

struct CQVX2Engine {
  int nFftSize = 0;
  int nKernelSize = 0;
  int nPasses = 1;
  // Exactly one pair exists: double when the bit depth asks for it.
  std::unique_ptr<FftFilterWithCallBack<float>> pFloatFilter[2];
  std::unique_ptr<FftFilterWithCallBack<double>> pDoubleFilter[2];
  // 0 left, 1 right (written by the audio path); 2 and 3 for the editor.
  std::unique_ptr<CFrequencyDataStore> pDataStore[kQvx2NumDataStores];
  std::unique_ptr<FftQVX2> pKernel[2];
  // As long as the latency the processed output has (see UpdateAllFFTSettings).
  std::unique_ptr<CDelayFilter<float>> pBypass[2];
  // One hop of the bypassed filters' output, which nobody hears.
  std::unique_ptr<float[]> pScratch;
  int nScratch = 0;
};
