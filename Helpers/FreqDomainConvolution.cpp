#include "Helpers/FreqDomainConvolution.h"

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

#include "Helpers/Assert.h"
#include "Helpers/FFTRealCommon.h"

namespace {
// The packed responses are read with vector loads next to the filters'
// aligned spectra: cache-line aligned as those are.
template <typename T>
struct PackedDeleter {
  void operator()(T* p) const { FftAlignedDelete(p); }
};

// Holds a convolution's guard over its committed response for a scope.
template <typename FTYPE>
class CResponseHold {
 public:
  explicit CResponseHold(FreqDomainConvolution<FTYPE>& owner) : m_Owner(owner) { m_Owner.Lock(); }
  ~CResponseHold() { m_Owner.Unlock(); }
  CResponseHold(const CResponseHold&) = delete;
  CResponseHold& operator=(const CResponseHold&) = delete;

 private:
  FreqDomainConvolution<FTYPE>& m_Owner;
};
}  // namespace

template <typename FTYPE>
FreqDomainConvolution<FTYPE>::FreqDomainConvolution(int N, int kernelSize, int passes)
    : FreqDomainOperator<FTYPE>(N), m_nKernelSize(kernelSize), m_nPasses(passes) {
  // A kernel as long as the frame would wrap round the circular convolution.
  if (kernelSize < 0 || kernelSize >= N) throw std::invalid_argument("kernel size");
  if (passes < 1) throw std::invalid_argument("pass count");
  const int bins = N / 2 + 1;
  std::unique_ptr<Complex<FTYPE>[]> response(new Complex<FTYPE>[bins]);
  std::unique_ptr<Complex<FTYPE>[]> setup(new Complex<FTYPE>[bins]);
  std::unique_ptr<FTYPE, PackedDeleter<FTYPE>> packed(FftAlignedNew<FTYPE>(N));
  std::unique_ptr<FTYPE, PackedDeleter<FTYPE>> setupPacked(FftAlignedNew<FTYPE>(N));
  for (int k = 0; k < bins; ++k) response[k] = Complex<FTYPE>{FTYPE(1), FTYPE(0)};
  std::fill(packed.get(), packed.get() + bins, FTYPE(1));
  std::fill(packed.get() + bins, packed.get() + N, FTYPE(0));
  m_pResponse = response.release();
  m_pSetupResponse = setup.release();
  m_pPackedResponse = packed.release();
  m_pSetupPackedResponse = setupPacked.release();
}

template <typename FTYPE>
FreqDomainConvolution<FTYPE>::~FreqDomainConvolution() {
  XR_TRY
  m_bHasResponse = false;
  const CResponseHold<FTYPE> hold(*this);
  delete[] m_pResponse;
  delete[] m_pSetupResponse;
  FftAlignedDelete(m_pPackedResponse);
  FftAlignedDelete(m_pSetupPackedResponse);
  m_pResponse = nullptr;
  m_pSetupResponse = nullptr;
  m_pPackedResponse = nullptr;
  m_pSetupPackedResponse = nullptr;
  XR_CATCH_VOID
}

template <typename FTYPE>
void FreqDomainConvolution<FTYPE>::SetIdealisedFreqResponse(Complex<FTYPE>* response) {
  XR_TRY
  const int bins = this->m_nFftSize / 2 + 1;
  for (int k = 0; k < bins; ++k) response[k] = Complex<FTYPE>{FTYPE(1), FTYPE(0)};
  XR_CATCH_VOID
}

template <typename FTYPE>
void FreqDomainConvolution<FTYPE>::Setup(bool bDeferCommit) {
  const int totalLength = m_nKernelSize;
  try {
    m_bSetupReady = false;
    if (!Design(totalLength)) {
      m_nKernelSize = totalLength;
      return;
    }
    m_bSetupReady = true;
    if (!bDeferCommit) CommitSetup();
  } catch (...) {
    // Only the design buffer was touched: the committed kernel stands.
    m_nKernelSize = totalLength;
    m_bSetupReady = false;
    HandleException(__PRETTY_FUNCTION__);
  }
}

template <typename FTYPE>
bool FreqDomainConvolution<FTYPE>::Design(int totalLength) {
  const int N = this->m_nFftSize;
  const int passes = m_nPasses;
  if (passes < 1 || totalLength < 0) return false;
  const int L = totalLength / passes;
  // A longer pass would wrap round the circular convolution.
  if (L >= N) return false;

  std::unique_ptr<FTYPE[]> impulse(new FTYPE[N]);
  FTYPE* spectrum = reinterpret_cast<FTYPE*>(m_pSetupResponse);
  // ShiftAndApplyWindow reads the length of one pass from m_nKernelSize.
  m_nKernelSize = L;
  SetIdealisedFreqResponse(m_pSetupResponse);
  this->m_FftWrapper.DoIFFT(N, spectrum, impulse.get());
  ShiftAndApplyWindow(impulse.get());
  // A window that could not be computed leaves the design unfinished.
  if (!m_WindowCache.Holds(L, eWindowBlackmanHarris)) return false;
  this->m_FftWrapper.DoFFT(N, spectrum, impulse.get());

  m_nKernelSize = L * passes;
  if (passes > 1) {
    const int bins = N / 2 + 1;
    for (int k = 0; k < bins; ++k) {
      const FTYPE a = m_pSetupResponse[k].re;
      const FTYPE b = m_pSetupResponse[k].im;
      FTYPE x = a;
      FTYPE y = b;
      for (int p = 1; p < passes; ++p) {
        const FTYPE nx = x * a - y * b;
        y = x * b + y * a;
        x = nx;
      }
      m_pSetupResponse[k] = Complex<FTYPE>{x, y};
    }
  }
  const int h = N / 2;
  for (int k = 0; k <= h; ++k) m_pSetupPackedResponse[k] = m_pSetupResponse[k].re;
  for (int k = 1; k < h; ++k) m_pSetupPackedResponse[h + k] = m_pSetupResponse[k].im;
  return true;
}

template <typename FTYPE>
void FreqDomainConvolution<FTYPE>::CommitSetup() {
  XR_TRY
  if (!m_bSetupReady) return;
  m_bNeedsSetup = false;
  m_bHasResponse = true;
  {
    const CResponseHold<FTYPE> hold(*this);
    std::swap(m_pResponse, m_pSetupResponse);
    std::swap(m_pPackedResponse, m_pSetupPackedResponse);
  }
  m_bSetupReady = false;
  XR_CATCH_VOID
}

template <typename FTYPE>
void FreqDomainConvolution<FTYPE>::Lock() {
  XR_TRY
  // Acquire: the holder must see the pointer the last holder published.
  while (m_bLocked.exchange(true, std::memory_order_acquire)) Sleep(1);
  XR_CATCH_VOID
}

template <typename FTYPE>
void FreqDomainConvolution<FTYPE>::Unlock() {
  XR_TRY
  m_bLocked.store(false, std::memory_order_release);
  XR_CATCH_VOID
}

template <typename FTYPE>
int FreqDomainConvolution<FTYPE>::IndexForFreq(float freq) const {
  XR_TRY
  if (m_fSampleRate == 0.0f) return 0;
  const int half = this->m_nFftSize / 2;
  const float index = static_cast<float>(this->m_nFftSize) * freq / m_fSampleRate;
  // Compared as floats first: converting an out-of-range float to int is
  // undefined, and a negative bin would index before the response.
  if (!(index > 0.0f)) return 0;
  if (index >= static_cast<float>(half)) return half;
  return static_cast<int>(index);
  XR_CATCH(0)
}

template <typename FTYPE>
void FreqDomainConvolution<FTYPE>::ShiftAndApplyWindow(FTYPE* h) {
  XR_TRY
  const int N = this->m_nFftSize;
  const int L = m_nKernelSize;
  if (h == nullptr || L < 0 || L >= N) return;
  const int c = L / 2;
  // Tap i takes h0[(i - c) mod N]: a rotation right by c of the whole
  // buffer moves every tap from the unshifted response at once.
  std::rotate(h, h + (N - c), h + N);
  std::fill(h + L + 1, h + N, FTYPE(0));
  FFT<FTYPE>::ApplyWindow(h, L, eWindowBlackmanHarris, &m_WindowCache);
  XR_CATCH_VOID
}

template class FreqDomainConvolution<float>;
template class FreqDomainConvolution<double>;
