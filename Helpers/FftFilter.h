// Overlap FFT filter: turns a stream of float blocks of any size into frames
// of one FFT size, hands each frame's spectrum to a callback that may change
// it, transforms it back and streams the result out at a fixed latency.
// FftFilterWithCallBack adds overlap-add, so that a callback multiplying by
// the spectrum of a kernel of up to overlap + 1 taps performs an exact linear
// convolution.
//
// Streaming protocol, per chunk of n samples (n <= m_nHop; larger chunks are
// split inside the filter, see ValuesOut): ValuesIn(in, n), then
// CompleteProcessing(), then ValuesOut(out, n). Filters that share a callback
// protocol (left and right of one effect) take each step in turn before the
// next step, and must be fed chunks of at most one hop. The input buffer must
// stay unchanged until the chunk's ValuesOut has returned (surplus input is
// remembered as a pointer into it); it may be the output buffer too.
//
// Frame path, per hop: the input (non-finite samples read as 0, huge ones
// limited, see LimitInputSample) goes into the first hop of the frame; the
// forward transform takes the rest of the frame as zero padding without
// reading it and writes the packed spectrum, the callback edits it (in the
// packed order when it can read it), the inverse transform writes the frame
// buffer again, and one pass scales it by 1/N, adds the overlap tail and
// writes the hop into the output ring.
//
// Output ring: 4N samples. The writer always writes whole hops and jumps to
// the ring's start when the next hop would not fit; m_pOutputValidEnd marks
// where the reader must jump after it; the reader's jump resets it to the
// writer's position, and each later write raises it again.
//
// Thread contract:
//   - ValuesIn, CompleteProcessing, ValuesOut: the audio thread; each holds
//     m_Lock (recursive) for its whole body and the callback runs under it.
//     They allocate nothing: every buffer is made by the constructor.
//   - Clear, ClearOutput: the streaming thread between its streaming calls,
//     or another thread while none can run (audio stopped or held off).
//     They allocate nothing.
//   - SamplesToNextFrame: the streaming thread between its streaming calls.
//   - NotifyOfProcessingBlockSize, GetOutputLatency, PadWithExtraLatency,
//     SetAnalysisWindow: the idle side, unlocked, only while no streaming
//     call can run.
//   - SetDitherType / m_eDitherType: any thread (atomic).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "Helpers/Complex.h"
#include "Helpers/DelayFilter.h"
#include "Helpers/DitherCopy.h"
#include "Helpers/FFTRealCommon.h"
#include "Helpers/FftWindow.h"
#include "Helpers/FreqDomainOperator.h"
#include "Helpers/Lock.h"

class XREffect;

// The interface through which a product edits each frame's spectrum. The
// filter never deletes a callback, hence no virtual destructor.
template <typename FTYPE>
class FftFilterCallBack {
 public:
  // N: the FFT size; spectrum: N/2+1 bins, changed in place; effect: the
  // pointer the filter was built with. Runs on the streaming thread, under
  // the filter's lock, once per completed frame.
  virtual void Apply(int N, Complex<FTYPE>* spectrum, XREffect* effect) = 0;

  // A callback that can read the transform's own packed order answers true
  // here (asked once, when a filter is built) and then receives every frame
  // through ApplyPacked instead of Apply, which spares the filter the
  // conversion to bins and back. packed: N values, packed[k] = re of bin k
  // for k = 0..N/2 and packed[N/2 + k] = im of bin k for k = 1..N/2-1 (bins
  // 0 and N/2 are real), changed in place; the bins are those Apply would
  // see. Same thread and lock as Apply.
  virtual bool ReadsPackedSpectrum() const { return false; }
  virtual void ApplyPacked(int N, FTYPE* packed, XREffect* effect) {
    (void)N, (void)packed, (void)effect;
  }

 protected:
  ~FftFilterCallBack() = default;
};

template <typename FTYPE>
class FftFilter : public FreqDomainOperator<FTYPE> {
 public:
  // N: a supported FFT size (256..131072, powers of two); otherwise throws
  // std::invalid_argument. No memory throws std::bad_alloc. The callback may
  // be null (frames pass unchanged). [idle side]
  FftFilter(int N, FftFilterCallBack<FTYPE>* callBack, XREffect* effect);
  virtual ~FftFilter();

  virtual void FrequencyDomainTransform();
  // Writes the finished frame's hop to m_pOutputWrite: the inverse
  // transform's output scaled by 1/N (plus the overlap tail in
  // FftFilterWithCallBack, which also keeps the new tail).
  virtual void OperateOverlap();
  // Finishes a frame that ValuesIn transformed; false when none was waiting.
  virtual bool CompleteProcessing();
  // Resets the stream: the next output is m_nHop - skip zero samples, then
  // the first frame's output. The reported latency stays true.
  virtual void Clear();
  // Zeroes the output ring only.
  virtual void ClearOutput();
  // Clears the stream and sets the skip to blockSize - 1 (0 for 0 or less),
  // at most m_nHop - 1: the latency shrinks by the skip, which stays exact
  // while every later chunk has blockSize samples and blockSize divides the
  // hop. True on success.
  virtual bool NotifyOfProcessingBlockSize(int blockSize);
  // Samples from an input sample to the output sample that carries it (for
  // a kernel centred on overlap / 2); the pad delay is not included.
  virtual int GetOutputLatency();
  // Delays the input by `samples` (0..65536) more, through a new, empty pad
  // delay line that replaces the old one. [idle side; allocates]
  virtual void PadWithExtraLatency(int samples);

  // Feeds n input samples; completes at most one frame, whose callback runs
  // here. Surplus input after a completed frame is fed by ValuesOut. n <= 0
  // or a null buffer does nothing.
  void ValuesIn(const float* in, int n);
  // Feeds the chunk's surplus input, then writes n output samples. When the
  // surplus completes further frames (a chunk longer than the hop) they are
  // completed here and the output is written piece by piece, so no input is
  // lost and an in-place buffer is never overwritten before it is read.
  void ValuesOut(float* out, int n);

  // Dither of the double filter's output; ignored by the float filter.
  void SetDitherType(EDitherType type) { m_eDitherType.store(type, std::memory_order_relaxed); }
  // Windows every frame before the forward transform (off by default). The
  // window is computed here so that streaming never allocates. False for an
  // unknown type or no memory, leaving windowing off. [idle side]
  bool SetAnalysisWindow(EWindowType type, bool bApply);
  int GetSkip() const { return m_nSkip; }
  // Input samples still to come before the callback runs for the next frame
  // (1..m_nHop), 0 when input the filter holds already (a chunk's surplus
  // not yet fed) completes one. The skip and the pad delay change only the
  // output side, never when a frame completes. [the streaming thread,
  // between its streaming calls]
  int SamplesToNextFrame() const {
    const int due = m_nHop - m_nFilled - (m_pPendingInput != nullptr ? m_nPendingInput : 0);
    return due > 0 ? due : 0;
  }

  // Samples taken in per frame; callers read it to size their chunks.
  // Changes only in the constructors and Clear.
  int m_nHop;
  // Written by the effect on its parameter thread; read by ValuesOut on the
  // audio thread. Relaxed: the value is self-contained.
  std::atomic<EDitherType> m_eDitherType{eDitherOff};

 protected:
  // Points the reader `skip` samples into a cleared ring.
  void ApplySkip();

  int m_nFilled = 0;                          // input samples of the current hop in the frame
  // The transforms' arrays are cache-line aligned: their vector passes run
  // a fifth slower on arrays that are not.
  // N samples: the hop of input, whose zero padding the forward transform
  // supplies itself; after it, the inverse transform, unscaled. One buffer
  // for both keeps the working set of the large sizes in the cache.
  FFTRealArray<FTYPE> m_pFrame;
  FFTRealArray<FTYPE> m_pPacked;                  // N values: the frame's spectrum, packed order
  std::unique_ptr<Complex<FTYPE>[]> m_pSpectrum;  // N/2+1 bins, for callbacks that read bins
  FTYPE* m_pFrameWrite = nullptr;             // next input sample's place in m_pFrame
  std::unique_ptr<FTYPE[]> m_pOutput;         // the output ring
  int m_nOutputSize = 0;                      // 4N
  FTYPE* m_pOutputValidEnd = nullptr;
  FTYPE* m_pOutputWrite = nullptr;
  FTYPE* m_pOutputRead = nullptr;
  int m_nSkip = 0;                            // latency removed at the read side, 0..hop-1
  bool m_bFrameReady = false;                 // a transformed frame waits for CompleteProcessing
  const float* m_pPendingInput = nullptr;     // surplus input in the caller's buffer
  int m_nPendingInput = 0;
  XREffect* m_pEffect;                        // not owned
  FftFilterCallBack<FTYPE>* m_pCallBack;      // not owned; may be null
  bool m_bPackedCallBack = false;             // the callback reads the packed order
  EWindowType m_eWindowType = eWindowRectangle;
  bool m_bApplyWindow = false;
  WindowCache<FTYPE> m_WindowCache;
  std::unique_ptr<CDelayFilter<FTYPE>> m_pPadDelay;  // may be null
  uint32_t m_nDitherSeed = kDitherSeedInitial;  // this filter's noise sequence; audio thread
  Lock m_Lock;

 private:
  // Takes input into the frame up to the end of the hop and transforms a
  // full frame; returns the number of samples taken.
  int FeedFrame(const float* in, int n);
  // The body of CompleteProcessing, for a ready frame.
  void CompleteFrame();
  // Hands the packed spectrum to a callback that reads bins.
  void ApplyThroughBins();
  // Reads n samples from the ring in pieces of at most one hop.
  void ReadOutput(float* out, int n);
  void CopyOut(float* out, const FTYPE* from, int n);
};

template <typename FTYPE>
class FftFilterWithCallBack : public FftFilter<FTYPE> {
 public:
  // 0 <= overlap < N and a callback are required; otherwise throws
  // std::invalid_argument. The product uses overlap = kernel length.
  FftFilterWithCallBack(int N, int overlap, FftFilterCallBack<FTYPE>* callBack, XREffect* effect);
  ~FftFilterWithCallBack() override;

  void OperateOverlap() override;
  void Clear() override;
  int GetOutputLatency() override;

 protected:
  FFTRealArray<FTYPE> m_pOverlapTail;  // the part of past frames beyond their hop
  int m_nOverlap;
};

extern template class FftFilter<float>;
extern template class FftFilter<double>;
extern template class FftFilterWithCallBack<float>;
extern template class FftFilterWithCallBack<double>;
