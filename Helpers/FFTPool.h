// Process-wide pool of ready-built real FFT objects (16 per size and sample
// type, sizes 256..131072) and the front end CFftWrapper that every
// frequency-domain operator holds.
//
// Thread contract: DoFFT/DoIFFT may run on any thread, the audio thread
// included: they never allocate and never block in the operating system
// (waits are short spins on one-byte flags).
#pragma once

#include <atomic>

// Builds the pool on the first call in the process (thread-safe) and never
// frees objects another instance may be using. [idle side / effect creation]
void FFT_Init();
void FFT_Deinit();
// True once the pool has been built successfully; false when building it
// failed (for instance for lack of memory), in which case no effect should be
// created.
bool FFT_PoolReady();

// True for the ten supported transform sizes 256, 512, ..., 131072.
bool FFT_IsSupportedSize(int N);

template <typename T>
class CFftWrapper {
 public:
  // Throws std::invalid_argument when N is not a supported size.
  explicit CFftWrapper(int N);
  ~CFftWrapper();
  CFftWrapper(const CFftWrapper&) = delete;
  CFftWrapper& operator=(const CFftWrapper&) = delete;

  int GetSize() const { return m_nSize; }

  // signal: N real samples in (left unchanged); spectrum: N/2+1 bins out, as
  // 2(N/2+1) values of T. N must equal the wrapper's size; any other N writes
  // zeros to the output instead of transforming. [any thread]
  void DoFFT(int N, T* spectrum, T* signal);
  // spectrum: N/2+1 bins in; signal: N samples out, scaled by 1/N so that
  // DoIFFT(DoFFT(x)) == x to rounding. Same size rule as DoFFT. [any thread]
  void DoIFFT(int N, T* spectrum, T* signal);

 private:
  static constexpr int kScratchCount = 8;
  int m_nSize;
  std::atomic<bool> m_bBusy[kScratchCount];
  T* m_pScratch[kScratchCount];
};

extern template class CFftWrapper<float>;
extern template class CFftWrapper<double>;
