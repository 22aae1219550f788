#include "Helpers/FftWindow.h"

#include "Helpers/Assert.h"

#include <cmath>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// The window coefficients are the single-precision values of the constants
// in both sample types; the cosines are evaluated in double.
double WindowFormula(EWindowType type, double cos1, double cos2, double cos3) {
  switch (type) {
    case eWindowHamming:
      return double(0.53836f) - double(0.46164f) * cos1;
    case eWindowHann:
      return double(0.5f) - double(0.5f) * cos1;
    case eWindowBlackman:
      return double(0.42f) - double(0.5f) * cos1 + double(0.08f) * cos2;
    case eWindowBlackmanHarris:
      return double(0.35875f) - double(0.48829f) * cos1 + double(0.14128f) * cos2 -
             double(0.01168f) * cos3;
    default:
      return 1.0;
  }
}

}  // namespace

template <typename FTYPE>
void WindowCache<FTYPE>::Allocate(int n) {
  Free();
  if (n < 0) throw std::invalid_argument("window size");
  m_pValues = new FTYPE[static_cast<size_t>(n) + 1];
  m_nSize = n;
}

template <typename FTYPE>
void WindowCache<FTYPE>::Free() {
  delete[] m_pValues;
  m_pValues = nullptr;
  m_nSize = 0;
  m_eType = eWindowRectangle;
}

template <typename FTYPE>
bool WindowCache<FTYPE>::Prepare(int n, EWindowType type) {
  if (n < 0 || !IsKnownWindowType(type)) return false;
  if (Holds(n, type)) return true;
  Allocate(n);
  for (int i = 0; i <= n; ++i) m_pValues[i] = FFT<FTYPE>::WindowValue(i, n, type);
  m_eType = type;
  return true;
}

template <typename FTYPE>
FTYPE FFT<FTYPE>::WindowValue(int i, int n, EWindowType type) {
  if (type == eWindowRectangle || n == 0) return FTYPE(1);
  if constexpr (std::is_same_v<FTYPE, float>) {
    // The float window forms its arguments in single precision.
    const float step = static_cast<float>(kTwoPi / n);
    const float x = static_cast<float>(i) * step;
    const float x2 = 2.0f * x;
    const float x3 = 3.0f * x;
    return static_cast<float>(WindowFormula(type, std::cos(double(x)), std::cos(double(x2)),
                                            std::cos(double(x3))));
  } else {
    const double step = kTwoPi / n;
    const double x = i * step;
    return static_cast<FTYPE>(WindowFormula(type, std::cos(x), std::cos(2.0 * x), std::cos(3.0 * x)));
  }
}

template <typename FTYPE>
void FFT<FTYPE>::ApplyWindow(FTYPE* samples, int n, EWindowType type, WindowCache<FTYPE>* cache) {
  // An unknown type must neither touch the samples nor leave a cache that
  // claims to hold it, or a later call would multiply by unset values.
  XR_TRY
  if (samples == nullptr || n < 0 || !IsKnownWindowType(type)) return;
  if (cache != nullptr) {
    // A cache that cannot be filled leaves the samples untouched; callers
    // that must know check the cache afterwards.
    cache->Prepare(n, type);
    if (type == eWindowRectangle) return;
    const FTYPE* w = cache->m_pValues;
    for (int i = 0; i <= n; ++i) samples[i] *= w[i];
    return;
  }
  if (type == eWindowRectangle) return;
  for (int i = 0; i <= n; ++i) samples[i] *= WindowValue(i, n, type);
  XR_CATCH_VOID
}

template struct WindowCache<float>;
template struct WindowCache<double>;
template class FFT<float>;
template class FFT<double>;
