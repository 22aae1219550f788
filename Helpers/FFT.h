// The spectral DSP engine in one include: the overlap FFT filters that run a
// stream of blocks through a frequency-domain callback at a fixed latency,
// the linear-phase kernels designed from an idealised response (and the
// ready-made high-pass and inverse kernels), the window functions, the delay
// lines, the converting and dithered sample copies, and the pool of real FFT
// objects with the wrapper every FFT-size object transforms through.
//
// Source files: FftFilter.h/.cpp (FftFilter, FftFilterWithCallBack and the
// callback interface FftFilterCallBack), FreqDomainOperator.h (the base of
// every FFT-size object), FreqDomainConvolution.h/.cpp (kernel design and its
// double-buffered commit), FftHighPass.h/.cpp and FftHighPassTables.cpp (the
// high-pass and inverse kernels), FftWindow.h/.cpp (windows and their cache),
// DelayFilter.h (integer and fractional delay lines), DitherCopy.h and
// FFT.cpp (sample copies with dither, the names of the window and dither
// types), SampleLoops.h/.cpp, SampleLoopsAvx2.cpp and SampleLoopsPlain.inl
// (the element-wise loops around the transforms), FFTPool.h/.cpp (the object
// pool and CFftWrapper), FFTRealFixLen.h, FFTRealPass*.h, FFTRealCommon.h,
// FFTRealUseTrigo.h, FFTRealSimd*.{h,cpp,inl} and FFTRealTwiddles.h/.cpp
// (the real-FFT kernels of lengths 256 to 131072), Complex.h (the bin type).
//
// Each header states its own thread contract; in short, construction and
// kernel design belong to the idle side, and the streaming calls, the copies,
// the delay lines and the transforms may run on the audio thread without
// allocating or waiting.
#pragma once

#include "Helpers/Complex.h"
#include "Helpers/DelayFilter.h"
#include "Helpers/DitherCopy.h"
#include "Helpers/FFTPool.h"
#include "Helpers/FftFilter.h"
#include "Helpers/FftHighPass.h"
#include "Helpers/FftWindow.h"
#include "Helpers/FreqDomainConvolution.h"
#include "Helpers/FreqDomainOperator.h"
#include "Helpers/SampleLoops.h"
