// Non-template code of the spectral engine: the sample copies with dither and
// the display-name tables of the window and dither types.
#include "Helpers/Assert.h"
#include "Helpers/DitherCopy.h"
#include "Helpers/FftWindow.h"
#include "Helpers/SampleLoops.h"


XR_REGISTER_SOURCE_FILE("Helpers/FFT");

const char* const g_szDitherTypeString[kDitherTypeCount] = {"Off", "Rectangular", "Triangular",
                                                             "Gaussian"};

const char* const c_pszFftWindowName[kWindowTypeCount] = {"Rectangle", "Hamming", "Hann", "Blackman",
                                                           "Blackman-Harris"};

std::atomic<uint32_t> xr_rand_seed{kDitherSeedInitial};

void my_typed_memcpy_with_dither(float* dest, const float* src, int n, EDitherType) {
  my_typed_memcpy<float, float>(dest, src, n);
}

void my_typed_memcpy_with_dither(double* dest, const double* src, int n, EDitherType) {
  my_typed_memcpy<double, double>(dest, src, n);
}

void my_typed_memcpy_with_dither(double* dest, const float* src, int n, EDitherType) {
  my_typed_memcpy<float, double>(dest, src, n);
}

void my_typed_memcpy_with_dither(float* dest, const double* src, int n, EDitherType type,
                                 uint32_t& state) {
  if (n <= 0) return;
  // The noise is summed in single precision; its product with the scale and
  // the sum with the sample are formed in double and rounded to float once.
  uint32_t s = state;
  switch (type) {
    case eDitherRectangular:
      for (int i = 0; i < n; ++i) {
        const float d = DitherNoiseDraw(s);
        dest[i] = static_cast<float>(static_cast<double>(d) * kfDitherScaleRectangular + src[i]);
      }
      break;
    case eDitherTriangular:
      for (int i = 0; i < n; ++i) {
        const float r1 = DitherNoiseDraw(s);
        const float r2 = DitherNoiseDraw(s);
        const float d = r1 + r2;
        dest[i] = static_cast<float>(static_cast<double>(d) * kfDitherScaleTriangular + src[i]);
      }
      break;
    case eDitherGaussian:
      for (int i = 0; i < n; ++i) {
        const float r1 = DitherNoiseDraw(s);
        const float r2 = DitherNoiseDraw(s);
        const float r3 = DitherNoiseDraw(s);
        const float r4 = DitherNoiseDraw(s);
        const float d = ((r1 + r2) + r3) + r4;
        dest[i] = static_cast<float>(static_cast<double>(d) * kfDitherScaleGaussian + src[i]);
      }
      break;
    default:
      // Off, and any type this code does not know: the samples must still
      // reach the output, so they are narrowed without noise.
      NarrowCopy(dest, src, n);
      return;
  }
  state = s;
}

void my_typed_memcpy_with_dither(float* dest, const double* src, int n, EDitherType type) {
  uint32_t s = xr_rand_seed.load(std::memory_order_relaxed);
  const uint32_t start = s;
  my_typed_memcpy_with_dither(dest, src, n, type, s);
  // Relaxed: the word carries no other data; overlapping callers may repeat
  // a stretch of noise, which is allowed.
  if (s != start) xr_rand_seed.store(s, std::memory_order_relaxed);
}
