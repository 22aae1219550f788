// Converting sample copies between float and double buffers, and the
// narrowing of the double audio path to the host's float samples with
// optional dither noise.
//
// Thread contract: every function here may run on the audio thread: none
// allocates, locks or prints. The noise generator state is passed in by the
// caller, so each filter draws from its own sequence and two audio threads
// never share a plain variable; the overload without a state argument uses
// one process-wide atomic word instead.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

enum EDitherType : int {
  eDitherOff = 0,
  eDitherRectangular = 1,
  eDitherTriangular = 2,
  eDitherGaussian = 3,
};
constexpr int kDitherTypeCount = 4;

// Display names by EDitherType: "Off", "Rectangular", "Triangular", "Gaussian".
extern const char* const g_szDitherTypeString[kDitherTypeCount];

// Every noise sequence starts from this state and is never reseeded.
constexpr uint32_t kDitherSeedInitial = 1;

// Noise state of callers that bring none of their own. Loaded when a dithered
// copy starts and stored when it ends, so overlapping callers may draw the
// same stretch of noise, which is harmless; the word itself is never torn.
extern std::atomic<uint32_t> xr_rand_seed;

// Noise amplitudes: 2^-24, 2^-25 and 2^-26 of full scale, so that every
// dithered type peaks near half the step of a 24-bit sample.
constexpr double kfDitherScaleRectangular = 5.960464477539e-8;
constexpr double kfDitherScaleTriangular = 2.9802322387695e-8;
constexpr double kfDitherScaleGaussian = 1.49011611938475e-8;

// One draw of the noise generator: advances the state and returns a value
// from -1 to 32767/16383 - 1 (about +1.000061).
inline float DitherNoiseDraw(uint32_t& state) {
  state = state * 1103515245u + 12345u;
  const int v = static_cast<int>((state >> 16) & 0x7FFFu);
  return static_cast<float>(v / 16383.0 - 1.0);
}

// Copies n samples, converting each by the ordinary conversion (widening
// exactly, narrowing with rounding to nearest). n <= 0 copies nothing.
template <typename FROM_TYPE, typename TO_TYPE>
inline void my_typed_memcpy(TO_TYPE* dest, const FROM_TYPE* src, int n) {
  static_assert(std::is_floating_point_v<FROM_TYPE> && std::is_floating_point_v<TO_TYPE>,
                "sample copies convert between float and double only");
  for (int i = 0; i < n; ++i) dest[i] = static_cast<TO_TYPE>(src[i]);
}

// The largest input magnitude the filters take in: 180 dB above full scale,
// so no real signal ever meets it, yet small enough that frames of such
// samples keep every spectrum, bin power and output finite through the
// largest transform (131072 points), the largest kernel gain and the trims.
constexpr float kfInputLimit = 1.0e9f;

// An input sample as the filters take it: a non-finite sample reads as
// silence, a finite one beyond kfInputLimit is limited to it, anything else
// passes unchanged. One bad sample therefore cannot spoil a whole frame.
// LimitCopy (SampleLoops.h) does it to a whole block.
inline float LimitInputSample(float x) {
  if (!(std::fabs(x) <= std::numeric_limits<float>::max())) return 0.0f;
  return x < -kfInputLimit ? -kfInputLimit : (x > kfInputLimit ? kfInputLimit : x);
}


// Copies that keep or widen the precision ignore the dither type.
// n <= 0 writes nothing; source and destination must not overlap.
void my_typed_memcpy_with_dither(float* dest, const float* src, int n, EDitherType type);
void my_typed_memcpy_with_dither(double* dest, const double* src, int n, EDitherType type);
void my_typed_memcpy_with_dither(double* dest, const float* src, int n, EDitherType type);

// Narrows double to float, adding noise of the given type drawn from `state`
// (sample by sample, the draws of one sample before those of the next).
// A type outside 0..3 narrows without noise and draws nothing.
void my_typed_memcpy_with_dither(float* dest, const double* src, int n, EDitherType type,
                                 uint32_t& state);
// The same, drawing from the process-wide xr_rand_seed.
void my_typed_memcpy_with_dither(float* dest, const double* src, int n, EDitherType type);
