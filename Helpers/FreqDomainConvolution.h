// A linear-phase kernel designed from an idealised frequency response, kept
// as its spectrum for multiplication inside an overlap FFT filter.
//
// Design: derived classes write the wanted response per bin (bins 0..N/2, in
// the spectrum convention of Helpers/Complex.h) in SetIdealisedFreqResponse.
// Setup turns it into the zero-phase impulse response, delays it by L/2 taps,
// truncates it to L + 1 taps under a Blackman-Harris window and transforms it
// back. A real response gives a symmetric kernel: a clean linear convolution
// with a delay of L/2 samples, as long as the filter's overlap is at least L.
//
// Double buffering: the committed response (m_pResponse) is what users
// multiply by; the design goes into m_pSetupResponse on the idle side, and
// CommitSetup swaps the two pointers under a one-byte lock. The same response
// is also kept in the FFT's packed order (m_pPackedResponse, swapped with
// it), for users that multiply spectra in that order.
//
// Thread contract:
//   - construction, Setup, CommitSetup, SetIdealisedFreqResponse,
//     ShiftAndApplyWindow, IndexForFreq and destruction: idle side, one
//     thread at a time (the owner serialises its designs);
//   - the audio thread reads m_pResponse only between Lock() and Unlock(),
//     for one multiplication; m_bHasResponse may be read anywhere.
// Setup allocates one temporary buffer of N samples per call (idle side);
// nothing here allocates on the audio thread.
#pragma once

#include <atomic>

#include "Helpers/Complex.h"
#include "Helpers/FftWindow.h"
#include "Helpers/FreqDomainOperator.h"

template <typename FTYPE>
class FreqDomainConvolution : public FreqDomainOperator<FTYPE> {
 public:
  // N: a supported FFT size; kernelSize: the total kernel length of all
  // passes, 0 <= kernelSize < N; passes >= 1. Anything else throws
  // std::invalid_argument (an unsupported N too); no memory throws
  // std::bad_alloc. The committed response starts as an all-pass (1 + 0i).
  FreqDomainConvolution(int N, int kernelSize, int passes);
  virtual ~FreqDomainConvolution();

  // The wanted response for bins 0..N/2; the default is an all-pass.
  virtual void SetIdealisedFreqResponse(Complex<FTYPE>* response);

  // Designs into m_pSetupResponse and commits at once unless bDeferCommit.
  // A kernel length of N or more per pass, passes below 1, or any failure
  // leaves the committed kernel, m_nKernelSize and m_nPasses as they were
  // and no design ready (m_bSetupReady false).
  void Setup(bool bDeferCommit);
  // Publishes a finished design; does nothing when none is ready, so a failed
  // or missing design never replaces the committed kernel.
  void CommitSetup();

  // The guard over m_pResponse: an atomic test-and-set retried after
  // Sleep(1). Not re-entrant. Holders keep it for a pointer swap or one
  // spectrum multiplication.
  void Lock();
  void Unlock();

  // The bin of a frequency in Hz: 0 while m_fSampleRate is 0, otherwise
  // N * f / m_fSampleRate in single precision truncated toward zero, limited
  // to 0..N/2 (a negative or NaN frequency gives 0).
  int IndexForFreq(float freq) const;

  // The design step between the two transforms (called by Setup): delays the
  // zero-phase impulse response by m_nKernelSize / 2 taps, clears the taps
  // beyond m_nKernelSize and applies the Blackman-Harris window over taps
  // 0..m_nKernelSize. Does nothing for a length outside 0..N-1.
  void ShiftAndApplyWindow(FTYPE* impulse);

  // Committed response, N/2+1 bins. Written only by CommitSetup (under the
  // lock); read by the audio thread under the lock.
  Complex<FTYPE>* m_pResponse = nullptr;
  // Response being designed, N/2+1 bins; idle side only.
  Complex<FTYPE>* m_pSetupResponse = nullptr;
  // The committed response in the packed order of CFftWrapper::DoFFTPacked:
  // N values, re of bins 0..N/2, then im of bins 1..N/2-1 (bins 0 and N/2
  // are real in every design). Swapped and read like m_pResponse.
  FTYPE* m_pPackedResponse = nullptr;
  FTYPE* m_pSetupPackedResponse = nullptr;  // idle side only
  // A design has been committed. Written by CommitSetup and the destructor
  // (idle side); read by the audio thread before it multiplies.
  std::atomic<bool> m_bHasResponse{false};
  // Kernel length L of all passes together; the kernel has L + 1 taps
  // centred on tap L/2. While Setup runs it holds the length of one pass.
  int m_nKernelSize;
  int m_nPasses;
  WindowCache<FTYPE> m_WindowCache;  // the Blackman-Harris window of L + 1 points
  // The lock flag over m_pResponse. Set and cleared by the audio thread and
  // the idle side alike (test-and-set).
  std::atomic<bool> m_bLocked{false};
  float m_fSampleRate = 0.0f;   // Hz; set by the owner before a design
  bool m_bNeedsSetup = true;    // idle side: a new design is wanted
  bool m_bSetupReady = false;   // idle side: a finished design waits

 private:
  // Steps of Setup up to a finished design in m_pSetupResponse; false when
  // the sizes are refused or the window could not be computed.
  bool Design(int totalLength);
};

extern template class FreqDomainConvolution<float>;
extern template class FreqDomainConvolution<double>;
