#include "Helpers/FftFilter.h"

#include <algorithm>
#include <stdexcept>
#include <type_traits>

#include "Helpers/Assert.h"
#include "Helpers/SampleLoops.h"

namespace {
// Longest extra input delay PadWithExtraLatency provides, in samples.
constexpr int kPadMaxDelay = 65536;
}  // namespace

template <typename FTYPE>
FftFilter<FTYPE>::FftFilter(int N, FftFilterCallBack<FTYPE>* callBack, XREffect* effect)
    : FreqDomainOperator<FTYPE>(N),
      m_nHop(N),
      m_pFrame(N),
      m_pPacked(N),
      m_pSpectrum(new Complex<FTYPE>[N / 2 + 1]),
      m_pOutput(new FTYPE[4 * static_cast<size_t>(N)]),
      m_nOutputSize(4 * N),
      m_pEffect(effect),
      m_pCallBack(callBack),
      m_bPackedCallBack(callBack != nullptr && callBack->ReadsPackedSpectrum()) {
  FftFilter<FTYPE>::Clear();
}

template <typename FTYPE>
FftFilter<FTYPE>::~FftFilter() = default;

template <typename FTYPE>
void FftFilter<FTYPE>::FrequencyDomainTransform() {
  XR_TRY
  if (m_pCallBack == nullptr) return;
  if (m_bPackedCallBack)
    m_pCallBack->ApplyPacked(this->m_nFftSize, m_pPacked.get(), m_pEffect);
  else
    ApplyThroughBins();
  XR_CATCH_VOID
}

template <typename FTYPE>
void FftFilter<FTYPE>::ApplyThroughBins() {
  const int h = this->m_nFftSize / 2;
  FTYPE* packed = m_pPacked.get();
  Complex<FTYPE>* bins = m_pSpectrum.get();
  bins[0] = Complex<FTYPE>{packed[0], FTYPE(0)};
  for (int k = 1; k < h; ++k) bins[k] = Complex<FTYPE>{packed[k], packed[h + k]};
  bins[h] = Complex<FTYPE>{packed[h], FTYPE(0)};
  m_pCallBack->Apply(this->m_nFftSize, bins, m_pEffect);
  // The imaginary parts of bins 0 and N/2 have no place in the packed order:
  // the inverse transform takes them as zero.
  for (int k = 0; k <= h; ++k) packed[k] = bins[k].re;
  for (int k = 1; k < h; ++k) packed[h + k] = bins[k].im;
}

template <typename FTYPE>
void FftFilter<FTYPE>::OperateOverlap() {
  XR_TRY
  ScaleInto(m_pOutputWrite, m_pFrame.get(), static_cast<FTYPE>(1.0 / static_cast<double>(this->m_nFftSize)), m_nHop);
  XR_CATCH_VOID
}

template <typename FTYPE>
bool FftFilter<FTYPE>::CompleteProcessing() {
  XR_TRY
  CScopedLock lock(m_Lock);
  if (!m_bFrameReady) return false;
  CompleteFrame();
  return true;
  XR_CATCH(false)
}

template <typename FTYPE>
void FftFilter<FTYPE>::Clear() {
  XR_TRY
  const int N = this->m_nFftSize;
  m_nFilled = 0;
  m_nHop = N;
  m_pFrameWrite = m_pFrame.get();
  m_pOutputRead = m_pOutput.get();
  m_pOutputWrite = m_pOutputValidEnd = m_pOutput.get() + m_nHop;
  std::fill(m_pFrame.get(), m_pFrame.get() + N, FTYPE(0));
  std::fill(m_pPacked.get(), m_pPacked.get() + N, FTYPE(0));
  ClearOutput();
  std::fill(m_pSpectrum.get(), m_pSpectrum.get() + N / 2 + 1, Complex<FTYPE>{FTYPE(0), FTYPE(0)});
  if (m_pPadDelay) m_pPadDelay->Clear();
  m_bFrameReady = false;
  m_pPendingInput = nullptr;
  m_nPendingInput = 0;
  ApplySkip();
  XR_CATCH_VOID
}

template <typename FTYPE>
void FftFilter<FTYPE>::ClearOutput() {
  XR_TRY
  std::fill(m_pOutput.get(), m_pOutput.get() + m_nOutputSize, FTYPE(0));
  XR_CATCH_VOID
}

template <typename FTYPE>
void FftFilter<FTYPE>::ApplySkip() {
  // The skip is applied on every clear, so that the latency reported from it
  // stays the latency the stream has.
  if (m_nSkip > m_nHop - 1) m_nSkip = m_nHop - 1;
  if (m_nSkip < 0) m_nSkip = 0;
  m_pOutputRead = m_pOutput.get() + m_nSkip;
}

template <typename FTYPE>
bool FftFilter<FTYPE>::NotifyOfProcessingBlockSize(int blockSize) {
  XR_TRY
  m_nSkip = blockSize > 0 ? blockSize - 1 : 0;
  Clear();
  return true;
  XR_CATCH(false)
}

template <typename FTYPE>
int FftFilter<FTYPE>::GetOutputLatency() {
  XR_TRY
  return m_nHop - m_nSkip;
  XR_CATCH(0)
}

template <typename FTYPE>
void FftFilter<FTYPE>::PadWithExtraLatency(int samples) {
  XR_TRY
  // Built before the old pad goes, so that a failure keeps the old one.
  std::unique_ptr<CDelayFilter<FTYPE>> pad(new CDelayFilter<FTYPE>(kPadMaxDelay, false));
  pad->SetSamplesDelay(samples);
  m_pPadDelay = std::move(pad);
  XR_CATCH_VOID
}

template <typename FTYPE>
bool FftFilter<FTYPE>::SetAnalysisWindow(EWindowType type, bool bApply) {
  XR_TRY
  m_bApplyWindow = false;
  if (!bApply) return true;
  if (!m_WindowCache.Prepare(this->m_nFftSize - 1, type)) return false;
  m_eWindowType = type;
  m_bApplyWindow = true;
  return true;
  XR_CATCH(false)
}

template <typename FTYPE>
int FftFilter<FTYPE>::FeedFrame(const float* in, int n) {
  const int take = std::min(n, m_nHop - m_nFilled);
  if (m_pPadDelay) {
    CDelayFilter<FTYPE>& pad = *m_pPadDelay;
    for (int i = 0; i < take; ++i) m_pFrameWrite[i] = pad.Step(static_cast<FTYPE>(LimitInputSample(in[i])));
  } else {
    LimitCopy(m_pFrameWrite, in, take);
  }
  m_nFilled += take;
  m_pFrameWrite += take;
  if (m_nFilled == m_nHop) {
    // Samples hop..N-1 of the frame hold the last inverse transform: the
    // forward transform takes them as zero padding.
    const int N = this->m_nFftSize;
    FTYPE* frame = m_pFrame.get();
    m_pFrameWrite = frame;
    m_nFilled = 0;
    int samples = m_nHop;
    if (m_bApplyWindow) {
      std::fill(frame + m_nHop, frame + N, FTYPE(0));
      FFT<FTYPE>::ApplyWindow(frame, N - 1, m_eWindowType, &m_WindowCache);
      samples = N;
    }
    this->m_FftWrapper.DoFFTPackedPadded(m_pPacked.get(), frame, samples);
    FrequencyDomainTransform();
    m_bFrameReady = true;
  }
  return take;
}

template <typename FTYPE>
void FftFilter<FTYPE>::CompleteFrame() {
  // No input enters the frame while a frame is ready (every feed completes
  // the waiting frame first), so the inverse transform may overwrite it.
  m_bFrameReady = false;
  this->m_FftWrapper.DoIFFTPacked(m_pPacked.get(), m_pFrame.get());
  FTYPE* start = m_pOutput.get();
  if ((m_pOutputWrite - start) + m_nHop > m_nOutputSize) m_pOutputWrite = start;
  OperateOverlap();
  m_pOutputWrite += m_nHop;
  if (m_pOutputWrite > m_pOutputValidEnd) m_pOutputValidEnd = m_pOutputWrite;
}

template <typename FTYPE>
void FftFilter<FTYPE>::CopyOut(float* out, const FTYPE* from, int n) {
  if constexpr (std::is_same_v<FTYPE, double>) {
    my_typed_memcpy_with_dither(out, from, n, m_eDitherType.load(std::memory_order_relaxed),
                                m_nDitherSeed);
  } else {
    my_typed_memcpy<float, float>(out, from, n);
  }
}

template <typename FTYPE>
void FftFilter<FTYPE>::ReadOutput(float* out, int n) {
  // Pieces of at most one hop keep every copy inside the ring, even when a
  // caller reads more than the stream holds.
  FTYPE* start = m_pOutput.get();
  while (n > 0) {
    const int m = std::min(n, m_nHop);
    const int toValidEnd = static_cast<int>(m_pOutputValidEnd - m_pOutputRead);
    if (m > toValidEnd) {
      const int c = std::max(toValidEnd, 0);
      CopyOut(out, m_pOutputRead, c);
      CopyOut(out + c, start, m - c);
      m_pOutputValidEnd = m_pOutputWrite;
      m_pOutputRead = start + (m - c);
    } else {
      CopyOut(out, m_pOutputRead, m);
      m_pOutputRead += m;
      if (m_pOutputRead >= m_pOutputValidEnd) {
        m_pOutputRead = start;
        m_pOutputValidEnd = m_pOutputWrite;
      }
    }
    out += m;
    n -= m;
  }
}

template <typename FTYPE>
void FftFilter<FTYPE>::ValuesIn(const float* in, int n) {
  XR_TRY
  CScopedLock lock(m_Lock);
  if (in == nullptr || n <= 0) return;
  // Surplus of an earlier chunk whose ValuesOut never came goes first, so
  // that no input is dropped or reordered.
  while (m_pPendingInput != nullptr && m_nPendingInput > 0) {
    if (m_bFrameReady) CompleteFrame();
    const int take = FeedFrame(m_pPendingInput, m_nPendingInput);
    m_pPendingInput += take;
    m_nPendingInput -= take;
  }
  m_pPendingInput = nullptr;
  m_nPendingInput = 0;
  // A frame still waiting (CompleteProcessing was skipped) must leave the
  // frame buffer before new input goes into it.
  if (m_bFrameReady) CompleteFrame();
  const int take = FeedFrame(in, n);
  if (take < n) {
    m_pPendingInput = in + take;
    m_nPendingInput = n - take;
  }
  XR_CATCH_VOID
}

template <typename FTYPE>
void FftFilter<FTYPE>::ValuesOut(float* out, int n) {
  XR_TRY
  CScopedLock lock(m_Lock);
  if (out == nullptr || n < 0) n = 0;
  const int surplus = m_pPendingInput != nullptr ? m_nPendingInput : 0;
  // The chunk's first n - surplus samples have gone into completed frames:
  // write them before the surplus is fed, so that with one buffer for input
  // and output nothing unread is overwritten.
  if (m_bFrameReady) CompleteFrame();
  int done = std::max(0, n - surplus);
  ReadOutput(out, done);
  while (m_pPendingInput != nullptr && m_nPendingInput > 0) {
    const int take = FeedFrame(m_pPendingInput, m_nPendingInput);
    m_pPendingInput += take;
    m_nPendingInput -= take;
    // Only a chunk longer than the hop completes a frame here.
    if (m_bFrameReady) CompleteFrame();
    const int m = std::min(take, n - done);
    ReadOutput(out + done, m);
    done += m;
  }
  m_pPendingInput = nullptr;
  m_nPendingInput = 0;
  if (done < n) ReadOutput(out + done, n - done);
  XR_CATCH_VOID
}

template <typename FTYPE>
FftFilterWithCallBack<FTYPE>::FftFilterWithCallBack(int N, int overlap,
                                                    FftFilterCallBack<FTYPE>* callBack,
                                                    XREffect* effect)
    : FftFilter<FTYPE>(N, callBack, effect), m_nOverlap(overlap) {
  // An overlap of N or more would leave a hop of zero samples: no input could
  // ever be taken.
  if (overlap < 0 || overlap >= N) throw std::invalid_argument("overlap");
  if (callBack == nullptr) throw std::invalid_argument("callback");
  m_pOverlapTail.reset(overlap > 0 ? overlap : 1);
  FftFilterWithCallBack<FTYPE>::Clear();
}

template <typename FTYPE>
FftFilterWithCallBack<FTYPE>::~FftFilterWithCallBack() = default;

template <typename FTYPE>
void FftFilterWithCallBack<FTYPE>::OperateOverlap() {
  XR_TRY
  // The 1/N of the inverse transform, the overlap-add and the copy into the
  // ring in one pass over the frame: each output sample is y * (1/N) + tail,
  // formed as the separate scaling and addition formed it.
  const FTYPE scale = static_cast<FTYPE>(1.0 / static_cast<double>(this->m_nFftSize));
  const FTYPE* y = this->m_pFrame.get();
  FTYPE* out = this->m_pOutputWrite;
  FTYPE* tail = m_pOverlapTail.get();
  const int hop = this->m_nHop;
  const int ov = m_nOverlap;
  const int m = std::min(hop, ov);
  ScaleAddInto(out, y, scale, tail, m);
  ScaleInto(out + m, y + m, scale, hop - m);
  // With an overlap beyond the hop the old tail reaches past this hop too.
  const int carried = std::max(ov - hop, 0);
  ScaleAddInto(tail, y + hop, scale, tail + hop, carried);
  ScaleInto(tail + carried, y + hop + carried, scale, ov - carried);
  XR_CATCH_VOID
}

template <typename FTYPE>
void FftFilterWithCallBack<FTYPE>::Clear() {
  XR_TRY
  FftFilter<FTYPE>::Clear();
  this->m_nHop = this->m_nFftSize - m_nOverlap;
  if (m_pOverlapTail.get()) std::fill(m_pOverlapTail.get(), m_pOverlapTail.get() + m_nOverlap, FTYPE(0));
  this->m_pOutputWrite = this->m_pOutputValidEnd = this->m_pOutput.get() + this->m_nHop;
  this->ApplySkip();
  XR_CATCH_VOID
}

template <typename FTYPE>
int FftFilterWithCallBack<FTYPE>::GetOutputLatency() {
  XR_TRY
  return this->m_nHop - this->m_nSkip + m_nOverlap / 2;
  XR_CATCH(0)
}

template class FftFilter<float>;
template class FftFilter<double>;
template class FftFilterWithCallBack<float>;
template class FftFilterWithCallBack<double>;
