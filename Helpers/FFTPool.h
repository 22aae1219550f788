// Process-wide pool of ready-built real FFT objects (16 per size and sample
// type, sizes 256..131072) and the front end CFftWrapper that every
// frequency-domain operator holds.
//
// Thread contract: DoFFT/DoIFFT may run on any thread, the audio thread
// included: they never allocate and never block in the operating system
// (waits are short spins on one-byte flags).
#pragma once

#include <atomic>

// Builds every size of both types not built yet (thread-safe) and never
// frees objects another instance may be using; the sizes it builds are made
// ready only when all are. A wrapper needs no call: it builds its own size
// and type on its construction. [idle side]
void FFT_Init();
void FFT_Deinit();
// True once every size of both types has been built; false while some are
// not, and after building them failed (for instance for lack of memory).
bool FFT_PoolReady();

// True for the ten supported transform sizes 256, 512, ..., 131072.
bool FFT_IsSupportedSize(int N);

// Pool operations. Each claims a free object of size N and of the argument's
// sample type for the one operation (waiting, with a processor pause between
// tries, while all 16 are busy), runs it and releases the object.
// Unsupported N: returns at once, claims and writes nothing. While that size
// and type is not built, the transforms write zeros to their N outputs
// (rescale still scales). Arrays hold N values and must be distinct. [any thread]
//   do_fft:  x: N samples in (unchanged); f: packed spectrum out.
//   do_ifft: f: packed spectrum in (unchanged); x: N samples out, not scaled.
//   rescale: x[n] *= 1/N.
void fft_object_do_fft(int N, float* f, float* x);
void fft_object_do_fft(int N, double* f, double* x);
void fft_object_do_ifft(int N, float* f, float* x);
void fft_object_do_ifft(int N, double* f, double* x);
void fft_object_rescale(int N, float* x);
void fft_object_rescale(int N, double* x);

// Claim in function form, for size exponent L (8..17): marks the lowest free
// slot of that size and type in use and returns it (0..15), or -1 when all
// 16 are in use or L has no objects. The claim lasts until the matching
// Release call. [any thread]
int GetFreeRealFftObject(int L);
int GetFreeRealFftObject_double(int L);
void ReleaseRealFftObject(int L, int slot);
void ReleaseRealFftObject_double(int L, int slot);

// Makes every build fail (as if memory ran out and stayed out) once the
// given number of objects has been built from this call on (in build order,
// 16 per size), or never with -1. Tests only.
void FFT_SetPoolBuildFailureForTesting(int nFailAtObject);

template <typename T>
class CFftWrapper {
 public:
  // Throws std::invalid_argument when N is not a supported size, and
  // std::bad_alloc when its buffers or the pool's objects of its size and
  // type (built here on their first use) cannot be allocated. [idle side]
  explicit CFftWrapper(int N);
  ~CFftWrapper();
  CFftWrapper(const CFftWrapper&) = delete;
  CFftWrapper& operator=(const CFftWrapper&) = delete;

  int GetSize() const { return m_nSize; }

  // signal: N real samples in (left unchanged); spectrum: N/2+1 bins out, as
  // 2(N/2+1) values of T. N must equal the wrapper's size; any other N writes
  // zeros to the output instead of transforming. [any thread]
  void DoFFT(int N, T* spectrum, T* signal);
  // spectrum: N/2+1 bins in (unchanged; the imaginary parts of bins 0 and
  // N/2 are ignored); signal: N samples out, scaled by 1/N so that
  // DoIFFT(DoFFT(x)) == x to rounding. Same size rule as DoFFT. [any thread]
  //
  // Size rule detail: for N != GetSize() the zeros cover min(N, GetSize())
  // samples (N/2+1 bins of that count), which fits the output whichever of
  // the two sizes it was made for; N <= 0 writes nothing.
  void DoIFFT(int N, T* spectrum, T* signal);

  // The transforms in the kernels' own packed order (see FFTRealFixLen.h:
  // packed[k] = re of bin k for k = 0..N/2, packed[N/2 + k] = im of bin k for
  // k = 1..N/2-1, in the sign convention of DoFFT), straight between the
  // caller's arrays: no scratch buffer, no copy, no scaling. Both arrays hold
  // the wrapper's N values and must be distinct.
  //   DoFFTPacked:  signal in (unchanged), packed out.
  //   DoIFFTPacked: packed in (unchanged), signal out, N times the samples.
  // [any thread; never allocates, waits only on the pool's short spins]
  void DoFFTPacked(T* packed, T* signal);
  void DoIFFTPacked(T* packed, T* signal);
  // DoFFTPacked of a zero-padded signal: its first `count` samples (0..N),
  // then zeros, which are neither read nor kept (the transform may write
  // zeros there). Bit for bit the spectrum of the padded signal, with less
  // to read. [any thread, as DoFFTPacked]
  void DoFFTPackedPadded(T* packed, T* signal, int count);

 private:
  static constexpr int kScratchCount = 8;
  int m_nSize;
  int m_nLog2;
  std::atomic<bool> m_bBusy[kScratchCount];
  T* m_pScratch[kScratchCount];
};

extern template class CFftWrapper<float>;
extern template class CFftWrapper<double>;
