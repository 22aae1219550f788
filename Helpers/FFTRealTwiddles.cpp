#include "Helpers/FFTRealTwiddles.h"

#include <type_traits>

#include "Helpers/OscSinCos.h"

template <typename T>
FFTRealTwiddles<T>::FFTRealTwiddles() {
  // The cosine table of every length of 4096 points or more; a shorter
  // length's table holds the same values at the indexes its passes use.
  constexpr long kTableLen = kFftTrigoTableMaxLen / 4;
  T table[kTableLen];
  for (long i = 0; i < kTableLen; ++i)
    table[i] = static_cast<T>(FftTrigoTableEntry(i, kFftTrigoTableMaxLen));

  m_cos[0] = m_cos[1] = m_cos[2] = m_cos[3] = static_cast<T>(1);
  m_sin[0] = m_sin[1] = m_sin[2] = m_sin[3] = static_cast<T>(0);
  int pass = 3;
  for (long d = 4; d <= kMaxDist; d *= 2, ++pass) {
    m_cos[d] = static_cast<T>(1);
    m_sin[d] = static_cast<T>(0);
    if (pass < kFftFirstOscPass) {
      const long c_step = kTableLen / d;
      for (long i = 1; i < d; ++i) {
        m_cos[d + i] = table[i * c_step];
        m_sin[d + i] = table[(d - i) * c_step];
      }
    } else {
      OscSinCos<T> osc;
      osc.set_step(FftOscStepAngle(pass - kFftFirstOscPass));
      osc.clear_buffers();
      for (long i = 1; i < d; ++i) {
        osc.step();
        m_cos[d + i] = osc.get_cos();
        m_sin[d + i] = osc.get_sin();
      }
    }
  }
}

template <typename T>
const FFTRealTwiddles<T>& FFTRealTwiddles<T>::Get() {
  // Trivially destructible: no exit handler is registered for it.
  static_assert(std::is_trivially_destructible_v<FFTRealTwiddles>);
  static const FFTRealTwiddles s_twiddles;
  return s_twiddles;
}

template class FFTRealTwiddles<float>;
template class FFTRealTwiddles<double>;
