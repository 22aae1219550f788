#include "Helpers/FrequencyDataStore.h"

#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/SampleLoops.h"

XR_REGISTER_SOURCE_FILE("Helpers/FrequencyDataStore.cpp");

static_assert(std::atomic<unsigned>::is_always_lock_free, "the writer must never block");
static_assert(std::atomic<float>::is_always_lock_free, "the writer must never block");

const char* const g_pszEqualLoudnessFnNames[kEqualLoudnessFnCount] = {
    "None", "A", "B", "C", "D", "1dB", "2dB", "3dB", "4dB", "5dB", "6dB"};

namespace {

// Amplitude correction of the extraction by FFT size, for sizes 256..131072.
constexpr float kWindowGainBySize[] = {15.700062f, 7.9788857f, 4.289406f,   1.9579611f,  1.0f,
                                       0.545135f,  0.24315006f, 0.12157503f, 0.060787514f, 0.030393757f};

float WindowGainForSize(int N) {
  for (int i = 0, size = 256; i < static_cast<int>(sizeof(kWindowGainBySize) / sizeof(float)); ++i, size *= 2)
    if (N == size) return kWindowGainBySize[i];
  return 1.0f;
}

// The power weight of one frequency (Hz, single precision) for the
// weightings 1 ("A") to 4 ("D").
float CurveWeight(int function, float f) {
  switch (function) {
    case 1: {
      const float a = f + 129.4f, e = f + 76655.0f;
      return 7397049856.0f * f * f * f * f / (a * a * (f + 676.7f) * (f + 4636.0f) * e * e);
    }
    case 2: {
      const float a = f + 129.4f, e = f + 76655.0f;
      return 5991849984.0f * f * f * f / (a * a * (f + 995.9f) * e * e);
    }
    case 3: {
      const float a = f + 129.4f, e = f + 76655.0f;
      return 5917969920.0f * f * f / (a * a * e * e);
    }
    default:
      return 91104.32f * f * (f * f + 6532.0f * f + 4.0975e7f) /
             ((f + 1776.3f) * (f + 7288.5f) * (f * f + 21514.0f * f + 3.8836e8f));
  }
}

}  // namespace

CFrequencyDataStore::CFrequencyDataStore(int fftSize) : m_nHalf(fftSize > 0 ? fftSize / 2 : 0) {
  XR_TRY
  const size_t bins = static_cast<size_t>(m_nHalf) + 1;
  m_pBins[0].reset(new double[bins]);
  m_pBins[1].reset(new double[bins]);
  m_pZeros.reset(new double[bins]);
  std::fill(m_pZeros.get(), m_pZeros.get() + bins, 0.0);
  SetUsingWindowFn(eWindowRectangle);
  m_fWindowGain.store(1.0f, std::memory_order_relaxed);
  m_fGain.store(1.0f, std::memory_order_relaxed);
  // Unit weights until a weighting is computed, so that no path can ever
  // multiply by uninitialised values.
  m_pWeights.reset(new float[bins]);
  std::fill(m_pWeights.get(), m_pWeights.get() + bins, 1.0f);
  ZeroBuffers();
  XR_CATCH_VOID
}

CFrequencyDataStore::~CFrequencyDataStore() = default;

namespace {

// Bin powers of one frame into `to`: weighted when `weights` is given, and
// the larger of each and `previous` when merging, in one pass.
template <bool kWeight, bool kMerge, typename T>
inline void StorePower(double* to, int k, T sum, const float* weights, const double* previous) {
  // The float form sums in float and widens the sum.
  double power = static_cast<double>(sum);
  if (kWeight) power *= static_cast<double>(weights[k]);
  if (kMerge) power = std::max(power, previous[k]);
  to[k] = power;
}

template <typename T, bool kWeight, bool kMerge>
void StorePowers(double* to, const Complex<T>* spectrum, int half, const float* weights, const double* previous) {
  for (int k = 0; k <= half; ++k)
    StorePower<kWeight, kMerge>(to, k, spectrum[k].re * spectrum[k].re + spectrum[k].im * spectrum[k].im, weights,
                                previous);
}

// The packed order: bins 0 and half are real (their zero imaginary parts
// add nothing to the sum), the others pair re at k with im at half + k.
// Unweighted frames, the usual case, go through the vector loop.
template <typename T, bool kWeight, bool kMerge>
void StorePowersPacked(double* __restrict to, const T* __restrict packed, int half, const float* weights,
                       const double* previous) {
  StorePower<kWeight, kMerge>(to, 0, packed[0] * packed[0], weights, previous);
  const T* im = packed + half;
  if (kWeight) {
    for (int k = 1; k < half; ++k)
      StorePower<kWeight, kMerge>(to, k, packed[k] * packed[k] + im[k] * im[k], weights, previous);
  } else if (half > 1) {
    BinPowers(to + 1, packed + 1, im + 1, half - 1, kMerge ? previous + 1 : nullptr);
  }
  if (half > 0) StorePower<kWeight, kMerge>(to, half, packed[half] * packed[half], weights, previous);
}

// Calls fn with the weighting and merging chosen at compile time.
template <typename Fn>
void WithModes(bool bWeight, bool bMerge, Fn&& fn) {
  if (bWeight) {
    if (bMerge) fn(std::true_type{}, std::true_type{});
    else fn(std::true_type{}, std::false_type{});
  } else {
    if (bMerge) fn(std::false_type{}, std::true_type{});
    else fn(std::false_type{}, std::false_type{});
  }
}

}  // namespace

template <typename StorePowersFn>
void CFrequencyDataStore::StoreFrame(StorePowersFn&& store) {
  const bool bHold = m_bHold.load(std::memory_order_relaxed);
  // A clear asked for before this frame: the frame is shown alone.
  const unsigned clearRequests = m_nClearRequests.load(std::memory_order_acquire);
  const bool bClearing = clearRequests != m_nClearsDone.load(std::memory_order_relaxed);
  // Clear a pending flip and read the current index in one step: from here
  // on only this thread can change the current index. Only this thread sets
  // the pending bit, so when it is clear already no reader can flip and the
  // plain read is that step.
  unsigned state = m_nState.load(std::memory_order_acquire);
  while ((state & kPendingBit) != 0 &&
         !m_nState.compare_exchange_weak(state, state & ~kPendingBit, std::memory_order_acq_rel,
                                         std::memory_order_acquire)) {
  }
  const int current = static_cast<int>(state & kCurrentBit);
  const int target = bHold ? current : 1 - current;

  const float* weights = nullptr;
  const int function = m_nEqualLoudnessFn.load(std::memory_order_relaxed);
  if (m_bEqualLoudness.load(std::memory_order_relaxed) && function != 0) {
    if (function != m_nTableFn.load(std::memory_order_relaxed)) FillWeightTable(function);
    if (function >= 1 && function < kEqualLoudnessFnCount) weights = m_pWeights.get();
  }
  // The frame is merged with the one on show unless a reader has read that
  // one or is reading now (then the next reader flips to this frame as it
  // is). Merging while the powers are stored reads the current buffer,
  // which readers only read, and leaves the published buffer finished.
  const bool bMerge =
      !bHold && !bClearing && (state >> kReaderShift) == 0 && !m_bConsumed.load(std::memory_order_relaxed);
  store(m_pBins[target].get(), weights, m_pBins[current].get(), bMerge);
  // A frame left pending for a reader does not end a clear: the buffer on
  // show until that reader flips still holds what came before.
  const bool bShown = bHold || Publish();
  if (bClearing && bShown) m_nClearsDone.store(clearRequests, std::memory_order_release);
}

template <typename T>
void CFrequencyDataStore::StoreValuesForGraph(Complex<T>* spectrum, int) {
  XR_TRY
  if (spectrum == nullptr || !IsUsable()) return;
  const int half = m_nHalf;
  StoreFrame([&](double* to, const float* weights, const double* previous, bool bMerge) {
    WithModes(weights != nullptr, bMerge, [&](auto weight, auto merge) {
      StorePowers<T, decltype(weight)::value, decltype(merge)::value>(to, spectrum, half, weights, previous);
    });
  });
  XR_CATCH_VOID
}

template <typename T>
void CFrequencyDataStore::StoreValuesForGraphPacked(const T* packed, int n) {
  XR_TRY
  if (packed == nullptr || !IsUsable() || n != 2 * m_nHalf) return;
  const int half = m_nHalf;
  StoreFrame([&](double* to, const float* weights, const double* previous, bool bMerge) {
    WithModes(weights != nullptr, bMerge, [&](auto weight, auto merge) {
      StorePowersPacked<T, decltype(weight)::value, decltype(merge)::value>(to, packed, half, weights, previous);
    });
  });
  XR_CATCH_VOID
}

template void CFrequencyDataStore::StoreValuesForGraph<float>(Complex<float>*, int);
template void CFrequencyDataStore::StoreValuesForGraph<double>(Complex<double>*, int);
template void CFrequencyDataStore::StoreValuesForGraphPacked<float>(const float*, int);
template void CFrequencyDataStore::StoreValuesForGraphPacked<double>(const double*, int);

bool CFrequencyDataStore::Publish() {
  unsigned state = m_nState.load(std::memory_order_acquire);
  for (;;) {
    if ((state >> kReaderShift) != 0) {
      // A reader is inside: leave the frame for the next reader to flip to.
      if (m_nState.compare_exchange_weak(state, state | kPendingBit, std::memory_order_acq_rel,
                                         std::memory_order_acquire))
        return false;
      continue;
    }
    if (m_nState.compare_exchange_weak(state, state ^ kCurrentBit, std::memory_order_acq_rel,
                                       std::memory_order_acquire))
      break;
  }
  // This thread is the count's only writer.
  m_nFlipCount.store(m_nFlipCount.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  m_bConsumed.store(false, std::memory_order_relaxed);
  return true;
}

void CFrequencyDataStore::MaxMerge(int target) {
  double* to = m_pBins[target & 1].get();
  const double* from = m_pBins[1 - (target & 1)].get();
  for (int k = 0; k <= m_nHalf; ++k) to[k] = std::max(to[k], from[k]);
}

const double* CFrequencyDataStore::BeginRead() {
  XR_TRY
  unsigned state = m_nState.load(std::memory_order_acquire);
  unsigned next = 0;
  do {
    next = state + kOneReader;
    // Only a reader that is alone may flip: another reader may be reading
    // the buffer the flip would hand back to the writer.
    if ((state & kPendingBit) != 0 && (state >> kReaderShift) == 0)
      next = ((state ^ kCurrentBit) & ~kPendingBit) + kOneReader;
  } while (!m_nState.compare_exchange_weak(state, next, std::memory_order_acq_rel, std::memory_order_acquire));
  if (!IsUsable()) return nullptr;
  return IsClearPending() ? m_pZeros.get() : m_pBins[next & kCurrentBit].get();
  XR_CATCH(nullptr)
}

void CFrequencyDataStore::EndRead() {
  XR_TRY
  unsigned state = m_nState.load(std::memory_order_acquire);
  // An unmatched EndRead never wraps the count.
  while ((state >> kReaderShift) != 0 &&
         !m_nState.compare_exchange_weak(state, state - kOneReader, std::memory_order_acq_rel,
                                         std::memory_order_acquire)) {
  }
  XR_CATCH_VOID
}

void CFrequencyDataStore::Clear() {
  XR_TRY
  m_nClearRequests.fetch_add(1, std::memory_order_acq_rel);
  XR_CATCH_VOID
}

void CFrequencyDataStore::ZeroBuffers() {
  for (auto& buffer : m_pBins)
    if (buffer) std::fill(buffer.get(), buffer.get() + m_nHalf + 1, 0.0);
}

void CFrequencyDataStore::CopyFrom(CFrequencyDataStore* source) {
  XR_TRY
  if (source == nullptr || source == this || source->m_nHalf != m_nHalf || !IsUsable() || !source->IsUsable())
    return;
  m_nState.fetch_add(kOneReader, std::memory_order_acq_rel);
  // Holding a reader's place in the source keeps its current index and
  // current buffer still for the copy (the writer then only fills the other
  // buffer and leaves its flip pending).
  const unsigned sourceState = source->m_nState.fetch_add(kOneReader, std::memory_order_acq_rel);
  const size_t bins = static_cast<size_t>(m_nHalf) + 1;
  const unsigned ownRequests = m_nClearRequests.load(std::memory_order_acquire);
  for (int i = 0; i < 2; ++i) {
    const double* from = source->GetBuffer(i);
    std::copy(from, from + bins, m_pBins[i].get());
  }
  m_nClearsDone.store(ownRequests, std::memory_order_release);
  std::copy(source->m_pWeights.get(), source->m_pWeights.get() + bins, m_pWeights.get());
  source->EndRead();
  unsigned state = m_nState.load(std::memory_order_acquire);
  while (!m_nState.compare_exchange_weak(state, (state & ~kCurrentBit) | (sourceState & kCurrentBit),
                                         std::memory_order_acq_rel, std::memory_order_acquire)) {
  }
  m_fGain.store(source->GetGain(), std::memory_order_relaxed);
  m_bEqualLoudness.store(source->IsEqualLoudness(), std::memory_order_relaxed);
  m_nEqualLoudnessFn.store(source->GetEqualLoudnessFn(), std::memory_order_relaxed);
  m_nTableFn.store(source->m_nTableFn.load(std::memory_order_relaxed), std::memory_order_relaxed);
  m_fSampleRate.store(source->GetSampleRate(), std::memory_order_relaxed);
  EndRead();
  XR_CATCH_VOID
}

void CFrequencyDataStore::Flip() {
  XR_TRY
  if (!IsUsable()) return;
  unsigned state = m_nState.load(std::memory_order_acquire);
  if (!m_bConsumed.load(std::memory_order_relaxed)) MaxMerge(1 - static_cast<int>(state & kCurrentBit));
  while (!m_nState.compare_exchange_weak(state, state ^ kCurrentBit, std::memory_order_acq_rel,
                                         std::memory_order_acquire)) {
  }
  m_nFlipCount.fetch_add(1, std::memory_order_relaxed);
  m_bConsumed.store(false, std::memory_order_relaxed);
  XR_CATCH_VOID
}

void CFrequencyDataStore::SetUsingWindowFn(EWindowType window) {
  XR_TRY
  float gain = WindowGainForSize(2 * m_nHalf);
  switch (window) {
    case eWindowRectangle: gain *= 0.44878614f; break;
    case eWindowHamming: gain *= 0.79302275f; break;
    case eWindowHann: gain *= 0.84693f; break;
    case eWindowBlackmanHarris: gain *= 1.1625f; break;
    default: break;  // Blackman and unknown types keep the size factor
  }
  m_fWindowGain.store(gain, std::memory_order_relaxed);
  XR_CATCH_VOID
}

void CFrequencyDataStore::ApplyEqualLoudnessFn(double* bins) {
  XR_TRY
  if (bins == nullptr || !IsUsable()) return;
  const int function = m_nEqualLoudnessFn.load(std::memory_order_relaxed);
  if (function != m_nTableFn.load(std::memory_order_relaxed)) FillWeightTable(function);
  // Only the known weightings multiply; any other value weights nothing.
  if (function < 1 || function >= kEqualLoudnessFnCount) return;
  for (int k = 0; k <= m_nHalf; ++k) bins[k] *= static_cast<double>(m_pWeights[k]);
  XR_CATCH_VOID
}

void CFrequencyDataStore::FillWeightTable(int function) {
  const float rate = m_fSampleRate.load(std::memory_order_relaxed);
  const int N = 2 * m_nHalf;
  const float df = rate / static_cast<float>(N);
  if (function >= 1 && function <= 4) {
    for (int k = 0; k <= m_nHalf; ++k) m_pWeights[k] = CurveWeight(function, static_cast<float>(k) * df);
  } else if (function >= 5 && function < kEqualLoudnessFnCount) {
    // d dB of power per octave, 1 at 1 kHz.
    const float d = static_cast<float>(function - 4);
    const float exponent = d * std::log(10.0f) / 10.0f / std::log(2.0f);
    const float binsPerKHz = static_cast<float>(N) * 1000.0f / rate;
    for (int k = 0; k <= m_nHalf; ++k)
      m_pWeights[k] = std::exp(std::log(static_cast<float>(k) / binsPerKHz) * exponent);
  }
  // DC takes the first bin's weight.
  if (m_nHalf >= 1) m_pWeights[0] = m_pWeights[1];
  m_nTableFn.store(function, std::memory_order_relaxed);
}
