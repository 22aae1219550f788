// Delay lines of a whole number of samples (CDelayFilter) or a fractional
// number (CFloatDelayFilter), up to a maximum fixed at construction.
//
// The ring holds maximum + 1 samples; the position is the slot written last.
// Users run the per-sample steps (Push, Step) inline in their own loops.
// The delay is clamped into 0..maximum by every setter, so a step never
// reads outside the ring whatever delay it was given.
//
// Thread contract: construction, Clear and the setters run on the idle side;
// Push and Step run on the thread that owns the line at the time (the audio
// thread, under its user's protection). A line is used by one thread at a
// time; it allocates only in its constructor.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <memory>

// The ring both lines share: maximum + 1 samples and the write position.
template <typename FTYPE>
class CDelayRing {
 public:
  CDelayRing(const CDelayRing&) = delete;
  CDelayRing& operator=(const CDelayRing&) = delete;

  // Zeroes the ring and restarts at slot 0; the delay stays.
  void Clear() {
    for (int i = 0; i <= m_nMaxDelay; ++i) m_pBuffer[i] = FTYPE(0);
    m_nPosition = 0;
  }

  int GetMaxDelay() const { return m_nMaxDelay; }

  // Write step: the sample takes the next slot.
  inline void Push(FTYPE x) {
    if (++m_nPosition > m_nMaxDelay) m_nPosition = 0;
    m_pBuffer[m_nPosition] = x;
  }

 protected:
  // A negative maximum counts as 0 (a ring of one sample, no delay).
  // Throws std::bad_alloc when the ring cannot be allocated.
  explicit CDelayRing(int nMaxDelay)
      : m_nMaxDelay(nMaxDelay < 0 ? 0 : (nMaxDelay > INT_MAX - 1 ? INT_MAX - 1 : nMaxDelay)),
        m_pBuffer(new FTYPE[static_cast<size_t>(m_nMaxDelay) + 1]()),
        m_nPosition(0) {}
  ~CDelayRing() = default;

  // The sample written `age` steps before the last one, 0 <= age <= maximum + 1
  // (maximum + 1 wraps round to the last one).
  inline FTYPE Written(int age) const {
    int i = m_nPosition - age;
    if (i < 0) i += m_nMaxDelay + 1;
    return m_pBuffer[i];
  }

  int m_nMaxDelay;
  std::unique_ptr<FTYPE[]> m_pBuffer;
  int m_nPosition;
};

template <typename FTYPE>
class CDelayFilter : public CDelayRing<FTYPE> {
  using Ring = CDelayRing<FTYPE>;
  using Ring::m_nMaxDelay;
  using Ring::m_nPosition;
  using Ring::m_pBuffer;

 public:
  CDelayFilter(int nMaxDelay, bool bStartAtMax) : Ring(nMaxDelay), m_nDelay(bStartAtMax ? m_nMaxDelay : 0) {}
  virtual ~CDelayFilter() = default;

  // delay = d limited to 0..maximum.
  void SetSamplesDelay(int d) { m_nDelay = ClampDelay(d); }

  // Like SetSamplesDelay, but a growing delay first refills the ring so that
  // the output holds its next sample for the extra steps instead of jumping
  // back in time. A shrinking delay skips samples.
  void SetSamplesDelaySmoothAudio(int d) {
    const int newDelay = ClampDelay(d);
    if (newDelay > m_nDelay) {
      const int ringSize = m_nMaxDelay + 1;
      const int next = m_nPosition + 1 > m_nMaxDelay ? 0 : m_nPosition + 1;
      int source = next - m_nDelay;
      if (source < 0) source += ringSize;
      const FTYPE held = m_pBuffer[source];
      // The oldest slot the new delay reads; with newDelay <= maximum and
      // the old delay below it, start never equals source.
      int start = next - newDelay;
      if (start < 0) start = next + 1 > m_nMaxDelay ? 0 : next + 1;
      for (int i = start; i != source; i = i + 1 > m_nMaxDelay ? 0 : i + 1) m_pBuffer[i] = held;
    }
    m_nDelay = newDelay;
  }

  int GetSamplesDelay() const { return m_nDelay; }

  // Write steps for n samples at once: the same ring contents as n Push
  // calls, copied in at most two runs.
  void PushBlock(const FTYPE* x, int n) {
    const int ringSize = m_nMaxDelay + 1;
    if (n > ringSize) {  // only the last ringSize samples stay in the ring
      m_nPosition = (m_nPosition + (n - ringSize)) % ringSize;
      x += n - ringSize;
      n = ringSize;
    }
    while (n > 0) {
      const int start = m_nPosition + 1 > m_nMaxDelay ? 0 : m_nPosition + 1;
      const int run = n < ringSize - start ? n : ringSize - start;
      std::copy(x, x + run, m_pBuffer.get() + start);
      m_nPosition = start + run - 1;
      x += run;
      n -= run;
    }
  }

  // Full step: writes x and returns the sample written `delay` steps earlier
  // (x itself for delay 0).
  inline FTYPE Step(FTYPE x) {
    this->Push(x);
    return this->Written(m_nDelay);
  }

 private:
  int ClampDelay(int d) const { return d < 0 ? 0 : (d > m_nMaxDelay ? m_nMaxDelay : d); }

  int m_nDelay;
};

// The same ring with a delay held as a float; a step reads between the two
// neighbouring samples by linear interpolation. Nothing in the effect builds
// one.
template <typename FTYPE>
class CFloatDelayFilter : public CDelayRing<FTYPE> {
  using Ring = CDelayRing<FTYPE>;
  using Ring::m_nMaxDelay;

 public:
  CFloatDelayFilter(int nMaxDelay, bool bStartAtMax)
      : Ring(nMaxDelay), m_fDelay(bStartAtMax ? static_cast<float>(m_nMaxDelay) : 0.0f) {}
  virtual ~CFloatDelayFilter() = default;

  // delay = d limited to 0..maximum; NaN counts as 0.
  void SetSamplesDelay(float d) {
    const float maxDelay = static_cast<float>(m_nMaxDelay);
    m_fDelay = d > 0.0f ? (d < maxDelay ? d : maxDelay) : 0.0f;
  }
  float GetSamplesDelay() const { return m_fDelay; }

  inline FTYPE Step(FTYPE x) {
    this->Push(x);
    // The float maximum may round above the integer one; the whole part stays
    // within the ring and a delay at the maximum has no older neighbour.
    const int whole =
        m_fDelay >= static_cast<float>(m_nMaxDelay) ? m_nMaxDelay : static_cast<int>(m_fDelay);
    const FTYPE frac = whole < m_nMaxDelay ? static_cast<FTYPE>(m_fDelay - static_cast<float>(whole)) : FTYPE(0);
    const FTYPE at = this->Written(whole);
    return at + frac * (this->Written(whole + 1) - at);
  }

 private:
  float m_fDelay;
};
