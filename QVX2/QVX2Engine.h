// Everything one quality mode needs on the audio path, built together for
// one FFT size and swapped in as a whole: the filter pair (float or double),
// the four analyser data stores, the two channel kernels with the hand-over
// of their committed pair, the two bypass delay lines and the scratch buffer
// of the bypassed filters' output. A rebuild makes a new engine and replaces
// the old one only when the new one is complete, so a failure keeps the
// effect running on the old one.
//
// Thread contract: built and destroyed on the idle side. The audio thread
// uses the effect's engine only while it holds the audio-busy flag; the idle
// side swaps the engine, and pushes the settings into a new one's filters and
// delay lines, only while it holds that flag itself. Otherwise the filters,
// delay lines and the kernel pair in use are the audio thread's: the idle
// side designs and commits the kernels (FftQVX2) on its own and hands the
// pair over (pKernelHandOver), and asks for the filters' and lines' clear,
// which the audio thread makes at the start of its next block.
#pragma once

#include <memory>

#include "Helpers/DelayFilter.h"
#include "Helpers/FftFilter.h"
#include "Helpers/FrequencyDataStore.h"
#include "QVX2/FftQVX2.h"
#include "QVX2/QVX2KernelHandOver.h"

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
  // The kernels' committed pair, copied for the audio thread.
  std::unique_ptr<CQVX2KernelHandOver> pKernelHandOver;
  // As long as the latency the processed output has (see UpdateAllFFTSettings).
  std::unique_ptr<CDelayFilter<float>> pBypass[2];
  // One hop of the bypassed filters' output, which nobody hears.
  std::unique_ptr<float[]> pScratch;
  int nScratch = 0;
};
