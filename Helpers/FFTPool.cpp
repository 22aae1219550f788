// The process-wide pool of FFT objects (16 per size and sample type) and the
// wrapper that packs spectra into bins.
//
// Each size of each sample type is built once per process, by the first
// wrapper of that size and type (FFT_Init builds them all), and is never
// cleared while the process may use it: several effect instances share it,
// so an instance starting up must not free slots that another instance
// holds. An effect thus builds only the sizes its quality mode uses, not the
// whole pool, when the host creates it. It is released when the module is
// unloaded with no wrapper left, and never at the process's exit while one
// is: a host may exit with effects open whose threads still transform.
#include "Helpers/FFTPool.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <type_traits>

#include "Helpers/Assert.h"
#include "Helpers/Complex.h"
#include "Helpers/FFTRealFixLen.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

constexpr int kSlotCount = 16;
constexpr int kRowCount = kFftMaxLog2 + 1;

// Lets the core holding a flag run while we wait; the audio thread must
// never sleep here.
inline void FftSpinPause() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#elif defined(__aarch64__)
  __asm__ __volatile__("yield");
#endif
}

// In-use tables: row = size exponent, column = slot. An entry is set true
// only by a claimer holding its type's claim flag and set false only by the
// holder of the slot after its operation (release), so the next holder sees
// the object as the previous one left it.
std::atomic<bool> g_bFft_ObjectInUse[kRowCount][kSlotCount];
std::atomic<bool> g_bFft_ObjectInUse_double[kRowCount][kSlotCount];

// Object arrays, 16 objects each; null until the pool is built.
#define QVX_FFT_POOL_ARRAYS(X) \
  X(8) X(9) X(10) X(11) X(12) X(13) X(14) X(15) X(16) X(17)
#define QVX_FFT_DECLARE_ARRAY(L)                          \
  FFTRealFixLen<L, float>* g_fft_object##L = nullptr;     \
  FFTRealFixLen<L, double>* g_fft_object##L##_double = nullptr;
QVX_FFT_POOL_ARRAYS(QVX_FFT_DECLARE_ARRAY)
#undef QVX_FFT_DECLARE_ARRAY

template <int L, typename T>
FFTRealFixLen<L, T>*& PoolArray();
#define QVX_FFT_ARRAY_ACCESS(L)                                                          \
  template <>                                                                            \
  FFTRealFixLen<L, float>*& PoolArray<L, float>() { return g_fft_object##L; }            \
  template <>                                                                            \
  FFTRealFixLen<L, double>*& PoolArray<L, double>() { return g_fft_object##L##_double; }
QVX_FFT_POOL_ARRAYS(QVX_FFT_ARRAY_ACCESS)
#undef QVX_FFT_ARRAY_ACCESS

// Per sample type (0 float, 1 double) and size exponent: written (release)
// by the builder once the size's array exists; read (acquire) by every pool
// operation before it touches an object of that size.
std::atomic<bool> g_bRowReady[2][kRowCount];
std::mutex g_PoolBuildMutex;
// Test seam: the number of objects built from the seam's setting on after
// which every build fails, or -1; and the count so far (under the mutex).
std::atomic<int> g_nFailPoolBuildAt{-1};
int g_nBuiltSinceSeam = 0;

template <typename T>
constexpr int TypeRow() {
  return std::is_same<T, double>::value ? 1 : 0;
}

template <int L, typename T>
void FreeArray() {
  g_bRowReady[TypeRow<T>()][L].store(false, std::memory_order_release);
  delete[] PoolArray<L, T>();
  PoolArray<L, T>() = nullptr;
}

template <typename T, int... Ls>
void FreeArrays(std::integer_sequence<int, Ls...>) {
  (FreeArray<Ls, T>(), ...);
}

using PoolLengths = std::integer_sequence<int, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17>;

void FreePool() {
  FreeArrays<float>(PoolLengths{});
  FreeArrays<double>(PoolLengths{});
}

// Builds the size's 16 objects unless they exist; true when it built them.
// Marks nothing ready. [under the build mutex; throws std::bad_alloc]
template <int L, typename T>
bool BuildArray() {
  if (PoolArray<L, T>()) return false;
  const int fail_at = g_nFailPoolBuildAt.load();
  if (fail_at >= 0 && g_nBuiltSinceSeam + kSlotCount > fail_at) throw std::bad_alloc();
  PoolArray<L, T>() = new FFTRealFixLen<L, T>[kSlotCount];
  g_nBuiltSinceSeam += kSlotCount;
  return true;
}

template <int L, typename T>
void MarkReady() {
  g_bRowReady[TypeRow<T>()][L].store(PoolArray<L, T>() != nullptr, std::memory_order_release);
}

// One size of one type, for a wrapper: built on its first use in the
// process. [throws std::bad_alloc]
template <typename T>
void BuildSize(int L) {
  if (g_bRowReady[TypeRow<T>()][L].load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> guard(g_PoolBuildMutex);
  switch (L) {
#define QVX_FFT_BUILD_CASE(LL) \
  case LL:                     \
    BuildArray<LL, T>();       \
    MarkReady<LL, T>();        \
    break;
    QVX_FFT_POOL_ARRAYS(QVX_FFT_BUILD_CASE)
#undef QVX_FFT_BUILD_CASE
    default:
      break;
  }
}

// Every size of both types not built yet (float sizes first, then double,
// each from the smallest), made ready only when all of them exist. On lack
// of memory the sizes this call built are released again and the pool stays
// not ready; a later call tries again.
template <typename T, int... Ls>
void BuildArrays(bool (&built)[2][kRowCount], std::integer_sequence<int, Ls...>) {
  ((built[TypeRow<T>()][Ls] = BuildArray<Ls, T>()), ...);
}
template <typename T, int... Ls>
void FreeBuiltArrays(const bool (&built)[2][kRowCount], std::integer_sequence<int, Ls...>) {
  ((built[TypeRow<T>()][Ls] ? FreeArray<Ls, T>() : void()), ...);
}
template <typename T, int... Ls>
void MarkAllReady(std::integer_sequence<int, Ls...>) {
  (MarkReady<Ls, T>(), ...);
}

void BuildPoolOnce() {
  if (FFT_PoolReady()) return;
  std::lock_guard<std::mutex> guard(g_PoolBuildMutex);
  bool built[2][kRowCount] = {};
  try {
    BuildArrays<float>(built, PoolLengths{});
    BuildArrays<double>(built, PoolLengths{});
  } catch (const std::bad_alloc&) {
    FreeBuiltArrays<float>(built, PoolLengths{});
    FreeBuiltArrays<double>(built, PoolLengths{});
    return;
  }
  MarkAllReady<float>(PoolLengths{});
  MarkAllReady<double>(PoolLengths{});
}

// Wrappers alive in the process: the pool's users.
std::atomic<long> g_nLiveWrappers{0};

// The module's finaliser (no static object's destructor: the module
// registers no exit handler). At an unload (dlclose) the host has closed
// every effect, so no wrapper is left and the objects are released. At the
// process's exit it runs too, where a host may have left effects open whose
// idle workers or audio threads still transform: the pool then stays for
// the process's last moments, reachable from the arrays above.
__attribute__((destructor)) void ReleasePoolAtUnload() {
  if (g_nLiveWrappers.load(std::memory_order_acquire) == 0) FreePool();
}

int SupportedLog2(int N) {
  if (!FFT_IsSupportedSize(N)) return -1;
  return __builtin_ctz(static_cast<unsigned>(N));
}

// Claim and release of one slot, per sample type.
template <typename T>
int TryClaim(int L);
template <>
int TryClaim<float>(int L) { return GetFreeRealFftObject(L); }
template <>
int TryClaim<double>(int L) { return GetFreeRealFftObject_double(L); }

template <typename T>
std::atomic<bool> (&InUseTable())[kRowCount][kSlotCount];
template <>
std::atomic<bool> (&InUseTable<float>())[kRowCount][kSlotCount] { return g_bFft_ObjectInUse; }
template <>
std::atomic<bool> (&InUseTable<double>())[kRowCount][kSlotCount] {
  return g_bFft_ObjectInUse_double;
}

// Scan and mark under the type's claim flag; the flag is held for nothing
// else.
int ClaimLowestFree(std::atomic<bool>& bClaimFlag, std::atomic<bool> (&table)[kRowCount][kSlotCount],
                    int L) {
  if (L < kFftMinLog2 || L > kFftMaxLog2) return -1;
  while (bClaimFlag.exchange(true, std::memory_order_acquire)) FftSpinPause();
  int slot = -1;
  for (int i = 0; i < kSlotCount; ++i) {
    if (!table[L][i].load(std::memory_order_acquire)) {
      table[L][i].store(true, std::memory_order_relaxed);
      slot = i;
      break;
    }
  }
  bClaimFlag.store(false, std::memory_order_release);
  return slot;
}

void ReleaseSlot(std::atomic<bool> (&table)[kRowCount][kSlotCount], int L, int slot) {
  if (L < kFftMinLog2 || L > kFftMaxLog2 || slot < 0 || slot >= kSlotCount) return;
  table[L][slot].store(false, std::memory_order_release);
}

template <typename T>
int ClaimSlot(int L) {
  for (;;) {
    const int slot = TryClaim<T>(L);
    if (slot >= 0) return slot;
    FftSpinPause();
  }
}

template <typename T, typename Op>
void RunOnObject(int L, int slot, Op&& op) {
  switch (L) {
#define QVX_FFT_CASE(LL) \
  case LL:               \
    op(PoolArray<LL, T>()[slot]); \
    break;
    QVX_FFT_POOL_ARRAYS(QVX_FFT_CASE)
#undef QVX_FFT_CASE
    default:
      break;
  }
}

// Claims an object of size 2^L, runs op on it and frees it.
template <typename T, typename Op>
void WithPoolObject(int L, Op&& op) {
  const int slot = ClaimSlot<T>(L);
  RunOnObject<T>(L, slot, op);
  ReleaseSlot(InUseTable<T>(), L, slot);
}

template <typename T>
bool RowReady(int L) {
  return g_bRowReady[TypeRow<T>()][L].load(std::memory_order_acquire);
}

template <typename T>
void Zero(T* p, long n) {
  for (long i = 0; i < n; ++i) p[i] = static_cast<T>(0);
}

// The transforms for a size exponent the caller has checked.
template <typename T>
void PoolDoFftLog2(int L, T* f, T* x) {
  if (!RowReady<T>(L)) {
    Zero(f, 1L << L);
    return;
  }
  WithPoolObject<T>(L, [&](auto& obj) { obj.do_fft(f, x); });
}

template <typename T>
void PoolDoFftPaddedLog2(int L, T* f, T* x, int count) {
  if (!RowReady<T>(L)) {
    Zero(f, 1L << L);
    return;
  }
  WithPoolObject<T>(L, [&](auto& obj) { obj.do_fft_padded(f, x, count); });
}

template <typename T>
void PoolDoIfftLog2(int L, T* f, T* x) {
  if (!RowReady<T>(L)) {
    Zero(x, 1L << L);
    return;
  }
  WithPoolObject<T>(L, [&](auto& obj) { obj.do_ifft(f, x); });
}

template <typename T>
void PoolDoFft(int N, T* f, T* x) {
  const int L = SupportedLog2(N);
  if (L < 0 || !f || !x) return;
  PoolDoFftLog2(L, f, x);
}

template <typename T>
void PoolDoIfft(int N, T* f, T* x) {
  const int L = SupportedLog2(N);
  if (L < 0 || !f || !x) return;
  PoolDoIfftLog2(L, f, x);
}

template <typename T>
void PoolRescale(int N, T* x) {
  const int L = SupportedLog2(N);
  if (L < 0 || !x) return;
  if (!RowReady<T>(L)) {
    const T mul = static_cast<T>(1.0 / static_cast<double>(N));
    for (int i = 0; i < N; ++i) x[i] = x[i] * mul;
    return;
  }
  WithPoolObject<T>(L, [&](auto& obj) { obj.rescale(x); });
}

}  // namespace

void RealFft_InitSystem() { BuildPoolOnce(); }
void RealFft_DeinitSystem() {}
void FFT_InitSystem() { RealFft_InitSystem(); }
void FFT_DeinitSystem() { RealFft_DeinitSystem(); }

void FFT_Init() {
  XR_TRY
  FFT_InitSystem();
  XR_CATCH_VOID
}

void FFT_Deinit() {
  XR_TRY
  FFT_DeinitSystem();
  XR_CATCH_VOID
}

bool FFT_PoolReady() {
  for (int L = kFftMinLog2; L <= kFftMaxLog2; ++L)
    if (!g_bRowReady[0][L].load(std::memory_order_acquire) || !g_bRowReady[1][L].load(std::memory_order_acquire))
      return false;
  return true;
}

bool FFT_IsSupportedSize(int N) {
  return N >= (1 << kFftMinLog2) && N <= (1 << kFftMaxLog2) && (N & (N - 1)) == 0;
}

void FFT_SetPoolBuildFailureForTesting(int nFailAtObject) {
  std::lock_guard<std::mutex> guard(g_PoolBuildMutex);
  g_nFailPoolBuildAt = nFailAtObject;
  g_nBuiltSinceSeam = 0;
}

int GetFreeRealFftObject(int L) {
  // Held only for the scan and mark of the float table.
  static std::atomic<bool> bAlreadyInGetFreeRealFftObject{false};
  return ClaimLowestFree(bAlreadyInGetFreeRealFftObject, g_bFft_ObjectInUse, L);
}

int GetFreeRealFftObject_double(int L) {
  static std::atomic<bool> bAlreadyInGetFreeRealFftObject_double{false};
  return ClaimLowestFree(bAlreadyInGetFreeRealFftObject_double, g_bFft_ObjectInUse_double, L);
}

void ReleaseRealFftObject(int L, int slot) { ReleaseSlot(g_bFft_ObjectInUse, L, slot); }
void ReleaseRealFftObject_double(int L, int slot) {
  ReleaseSlot(g_bFft_ObjectInUse_double, L, slot);
}

void fft_object_do_fft(int N, float* f, float* x) { PoolDoFft(N, f, x); }
void fft_object_do_fft(int N, double* f, double* x) { PoolDoFft(N, f, x); }
void fft_object_do_ifft(int N, float* f, float* x) { PoolDoIfft(N, f, x); }
void fft_object_do_ifft(int N, double* f, double* x) { PoolDoIfft(N, f, x); }
void fft_object_rescale(int N, float* x) { PoolRescale(N, x); }
void fft_object_rescale(int N, double* x) { PoolRescale(N, x); }

// ---- CFftWrapper -------------------------------------------------------

template <typename T>
CFftWrapper<T>::CFftWrapper(int N) : m_nSize(N), m_nLog2(SupportedLog2(N)), m_bBusy{}, m_pScratch{} {
  if (m_nLog2 < 0) throw std::invalid_argument("unsupported FFT size");
  BuildSize<T>(m_nLog2);
  try {
    for (int i = 0; i < kScratchCount; ++i) {
      m_bBusy[i].store(false, std::memory_order_relaxed);
      m_pScratch[i] = FftAlignedNew<T>(N);
    }
  } catch (...) {
    for (T*& p : m_pScratch) {
      FftAlignedDelete(p);
      p = nullptr;
    }
    throw;
  }
  g_nLiveWrappers.fetch_add(1, std::memory_order_relaxed);
}

template <typename T>
CFftWrapper<T>::~CFftWrapper() {
  g_nLiveWrappers.fetch_sub(1, std::memory_order_release);
  for (T*& p : m_pScratch) {
    FftAlignedDelete(p);
    p = nullptr;
  }
}

namespace {
// First free scratch buffer of a wrapper; spins (with a pause per round)
// while all are claimed.
template <size_t kCount>
int ClaimScratch(std::atomic<bool> (&busy)[kCount]) {
  for (;;) {
    for (size_t i = 0; i < kCount; ++i) {
      if (!busy[i].load(std::memory_order_relaxed) &&
          !busy[i].exchange(true, std::memory_order_acquire))
        return static_cast<int>(i);
    }
    FftSpinPause();
  }
}
}  // namespace

template <typename T>
void CFftWrapper<T>::DoFFT(int N, T* spectrum, T* signal) {
  if (!spectrum || !signal) return;
  if (N != m_nSize) {
    if (N > 0) Zero(spectrum, 2 * ((N < m_nSize ? N : m_nSize) / 2 + 1));
    return;
  }
  const int i = ClaimScratch(m_bBusy);
  T* scratch = m_pScratch[i];
  fft_object_do_fft(N, scratch, signal);
  const int h = N / 2;
  Complex<T>* bins = reinterpret_cast<Complex<T>*>(spectrum);
  bins[0].re = scratch[0];
  bins[0].im = static_cast<T>(0);
  for (int k = 1; k < h; ++k) {
    bins[k].re = scratch[k];
    bins[k].im = scratch[h + k];
  }
  bins[h].re = scratch[h];
  bins[h].im = static_cast<T>(0);
  m_bBusy[i].store(false, std::memory_order_release);
}

template <typename T>
void CFftWrapper<T>::DoIFFT(int N, T* spectrum, T* signal) {
  if (!spectrum || !signal) return;
  if (N != m_nSize) {
    if (N > 0) Zero(signal, N < m_nSize ? N : m_nSize);
    return;
  }
  const int i = ClaimScratch(m_bBusy);
  T* scratch = m_pScratch[i];
  const int h = N / 2;
  const Complex<T>* bins = reinterpret_cast<const Complex<T>*>(spectrum);
  scratch[0] = bins[0].re;
  for (int k = 1; k < h; ++k) {
    scratch[k] = bins[k].re;
    scratch[h + k] = bins[k].im;
  }
  scratch[h] = bins[h].re;
  fft_object_do_ifft(N, scratch, signal);
  fft_object_rescale(N, signal);
  m_bBusy[i].store(false, std::memory_order_release);
}

template <typename T>
void CFftWrapper<T>::DoFFTPacked(T* packed, T* signal) {
  if (packed && signal) PoolDoFftLog2(m_nLog2, packed, signal);
}

template <typename T>
void CFftWrapper<T>::DoFFTPackedPadded(T* packed, T* signal, int count) {
  if (packed && signal) PoolDoFftPaddedLog2(m_nLog2, packed, signal, count);
}

template <typename T>
void CFftWrapper<T>::DoIFFTPacked(T* packed, T* signal) {
  if (packed && signal) PoolDoIfftLog2(m_nLog2, packed, signal);
}

template class CFftWrapper<float>;
template class CFftWrapper<double>;
