// The hand-over of spectra from the audio thread to the spectrum graphs: a
// double buffer of bin powers without a mutex.
//
// Design. The writer (the effect's frequency-domain callback, once per FFT
// frame and channel) fills the buffer that readers are not reading and then
// publishes it by flipping the current index, unless a reader is inside a
// read: then it only marks the flip as pending and the next reader flips.
// Frames that arrive faster than the display reads them are merged by their
// maximum per bin, so no short peak is lost between two draws.
//
// The current index, the pending flag and the reader-busy count live in one
// atomic word, changed by compare-and-swap, so that each step of the
// handshake is one indivisible change:
//   - the writer clears a pending flip and picks its target in one step; from
//     then on no reader can flip, so the target is never the buffer a reader
//     is given until the writer itself publishes it;
//   - the writer flips only while no reader is inside, in the same step that
//     checks it;
//   - a reader flips a pending frame and raises its count in one step, and
//     only when no other reader is inside.
// So a reader never reads a buffer the writer is writing. Only the hold mode
// (the writer fills the current buffer in place) and CopyFrom (called by the
// display without the handshake) may see a frame mixed from two; neither can
// reach outside the buffers.
//
// Clearing. The display's Clear writes no buffer (the writer may be filling
// one): it raises a request. While a request is pending, readers are given a
// buffer of zeros that nobody writes; the writer honours it by storing its
// next frame without merging it with what was shown and by publishing that
// frame with a flip of its own, after which readers see it alone. So no two
// threads ever write the same buffer, and nothing from before the clear
// shows again.
//
// Thread contract:
//   - StoreValuesForGraph: the one writer thread (the audio thread); no
//     allocation, no lock, no wait.
//   - StoreValuesForGraphPacked: the same writer, for packed frames.
//   - BeginRead / SetConsumed / EndRead, CopyFrom, Clear, Flip, the setters:
//     the user-interface side.
//   - construction and destruction: the owner, while no writer or reader can
//     reach the store.
#pragma once

#include <atomic>
#include <memory>

#include "Helpers/Complex.h"
#include "Helpers/FftWindow.h"

// Loudness weightings by function index 0..10: "None", "A", "B", "C", "D",
// "1dB" ... "6dB" (power tilt per octave around 1 kHz).
constexpr int kEqualLoudnessFnCount = 11;
extern const char* const g_pszEqualLoudnessFnNames[kEqualLoudnessFnCount];

class CFrequencyDataStore {
 public:
  // An empty store for fftSize/2+1 bins (a negative size counts as 0): both
  // buffers zero, nothing published, no window correction, no weighting.
  // When memory runs out the failure goes to HandleException and the store
  // stays unusable: it then takes no frames and gives readers no buffer.
  explicit CFrequencyDataStore(int fftSize);
  virtual ~CFrequencyDataStore();
  CFrequencyDataStore(const CFrequencyDataStore&) = delete;
  CFrequencyDataStore& operator=(const CFrequencyDataStore&) = delete;

  // --- writer (audio thread) -------------------------------------------------
  // Stores the power of bins 0..half of one frame (re^2 + im^2; the float
  // form sums in float and widens the result), weights it when a loudness
  // weighting is on, and publishes it unless the store is held. The count is
  // not used: the store's own size decides how many bins are read.
  template <typename T>
  void StoreValuesForGraph(Complex<T>* spectrum, int n);
  // The same for a frame in the FFT's packed order (CFftWrapper::
  // DoFFTPacked): the powers are exactly those of the bins it packs. n is
  // the FFT size and must be twice the store's half size; otherwise nothing
  // is stored.
  template <typename T>
  void StoreValuesForGraphPacked(const T* packed, int n);

  // --- reader handshake (user-interface side) -------------------------------
  // Flips to a pending frame when no other reader is inside, raises the
  // reader-busy count and answers the buffer to read (half+1 values; zeros
  // while a clear is pending), or null for an unusable store (the count is
  // raised all the same). Every BeginRead is matched by one EndRead.
  const double* BeginRead();
  // The display has read the current buffer: the next published frame
  // replaces it instead of being merged with it.
  void SetConsumed() { m_bConsumed.store(true, std::memory_order_relaxed); }
  void EndRead();

  // Asks for the shown spectrum to be dropped (see Clearing above): readers
  // see zeros from now until the writer's next frame is shown alone. Flags
  // and counts stay.
  void Clear();
  bool IsClearPending() const {
    return m_nClearRequests.load(std::memory_order_acquire) != m_nClearsDone.load(std::memory_order_acquire);
  }
  // Copies the source's current index, both buffers, the weight table, gain,
  // weighting settings and sample rate (both stores must have the same
  // size; nothing for a null source or a different size). The source's
  // current buffer is held for the copy; its other buffer may be taking a
  // frame meanwhile. A source with a clear pending gives zeros; a clear
  // pending in this store is done by the copy.
  void CopyFrom(CFrequencyDataStore* source);
  // The writer's publishing step on its own: max-merge unless consumed,
  // toggle the current index, count the flip, clear consumed. For a store no
  // writer feeds (a snapshot).
  void Flip();
  // Window gain := a factor by FFT size times a factor by window type.
  void SetUsingWindowFn(EWindowType window);
  // Multiplies bins 0..half by the weight table, recomputing the table first
  // when the function changed since it was last computed. Runs on the writer
  // thread for the store's own frames.
  void ApplyEqualLoudnessFn(double* bins);

  // --- settings (user-interface side; read by the writer) -------------------
  void SetHold(bool bHold) { m_bHold.store(bHold, std::memory_order_relaxed); }
  void SetEqualLoudness(bool bOn) { m_bEqualLoudness.store(bOn, std::memory_order_relaxed); }
  // 0..10 (see g_pszEqualLoudnessFnNames); other values weight nothing.
  void SetEqualLoudnessFn(int function) { m_nEqualLoudnessFn.store(function, std::memory_order_relaxed); }
  void SetSampleRate(float rate) { m_fSampleRate.store(rate, std::memory_order_relaxed); }
  void SetGain(float gain) { m_fGain.store(gain, std::memory_order_relaxed); }
  void SetUsingWindow(bool bUsing) { m_bUsingWindow.store(bUsing, std::memory_order_relaxed); }

  // --- state for readers and tests ------------------------------------------
  bool IsUsable() const { return m_pBins[0] && m_pBins[1] && m_pZeros && m_pWeights; }
  int GetHalfSize() const { return m_nHalf; }
  // The buffer readers read; valid inside BeginRead/EndRead. Either index
  // gives the zero buffer while a clear is pending.
  int GetCurrentIndex() const { return static_cast<int>(m_nState.load(std::memory_order_acquire) & kCurrentBit); }
  const double* GetBuffer(int index) const {
    return IsClearPending() ? m_pZeros.get() : m_pBins[index & 1].get();
  }
  int GetReaderBusyCount() const { return static_cast<int>(m_nState.load(std::memory_order_acquire) >> kReaderShift); }
  bool IsFlipPending() const { return (m_nState.load(std::memory_order_acquire) & kPendingBit) != 0; }
  bool IsConsumed() const { return m_bConsumed.load(std::memory_order_relaxed); }
  int GetFlipCount() const { return m_nFlipCount.load(std::memory_order_relaxed); }
  bool IsHeld() const { return m_bHold.load(std::memory_order_relaxed); }
  bool IsUsingWindow() const { return m_bUsingWindow.load(std::memory_order_relaxed); }
  float GetWindowGain() const { return m_fWindowGain.load(std::memory_order_relaxed); }
  float GetGain() const { return m_fGain.load(std::memory_order_relaxed); }
  bool IsEqualLoudness() const { return m_bEqualLoudness.load(std::memory_order_relaxed); }
  int GetEqualLoudnessFn() const { return m_nEqualLoudnessFn.load(std::memory_order_relaxed); }
  float GetSampleRate() const { return m_fSampleRate.load(std::memory_order_relaxed); }
  // Weight of bin k as last computed (valid once a weighting has run).
  float GetWeight(int k) const { return m_pWeights[k]; }

 private:
  // The shared word: bit 0 the current index, bit 1 the pending flip, the
  // rest the reader-busy count.
  static constexpr unsigned kCurrentBit = 1u;
  static constexpr unsigned kPendingBit = 2u;
  static constexpr int kReaderShift = 2;
  static constexpr unsigned kOneReader = 1u << kReaderShift;

  // The writer's steps around the powers of one frame: picks the target
  // buffer and whether to merge, lets `store(to, weights, previous, merge)`
  // write the powers, then publishes.
  template <typename StorePowersFn>
  void StoreFrame(StorePowersFn&& store);
  // Publishes the frame just stored in the non-current buffer (the writer's
  // steps after the powers are stored and merged); true when it flipped, false
  // when it left the flip pending for a reader.
  bool Publish();
  void ZeroBuffers();
  // target[k] := max(target[k], other[k]) for bins 0..half.
  void MaxMerge(int target);
  void FillWeightTable(int function);

  int m_nHalf = 0;
  std::unique_ptr<double[]> m_pBins[2];
  // Half+1 zeros, written only by the constructor: what readers see while a
  // clear is pending.
  std::unique_ptr<double[]> m_pZeros;
  // Clear requests: the display counts them up, the writer (or CopyFrom)
  // records the count it has honoured. Acquire/release: a reader that sees
  // the clear done also sees the frame that did it.
  std::atomic<unsigned> m_nClearRequests{0};
  std::atomic<unsigned> m_nClearsDone{0};
  // Current index, pending flip and reader-busy count (see above). Written by
  // the writer and the readers with compare-and-swap; acquire/release so that
  // a published buffer's values are visible to the reader that is given it.
  std::atomic<unsigned> m_nState{0};
  // Hold: written by the display, read by the writer.
  std::atomic<bool> m_bHold{false};
  // Consumed: set by readers, cleared by the writer at each flip. Relaxed:
  // it only chooses between merging and replacing.
  std::atomic<bool> m_bConsumed{false};
  // Incremented by the writer's flips (and Flip); read by the display.
  std::atomic<int> m_nFlipCount{0};
  // Display settings, written by the display and read by the extraction (or
  // by the writer for the weighting); each value stands alone, so relaxed.
  std::atomic<bool> m_bUsingWindow{true};
  std::atomic<float> m_fWindowGain{1.0f};
  std::atomic<float> m_fGain{1.0f};
  std::atomic<bool> m_bEqualLoudness{false};
  std::atomic<float> m_fSampleRate{22005.0f};
  // Half+1 power weights, 1.0 until a weighting is computed; written by the
  // weighting on the writer thread.
  std::unique_ptr<float[]> m_pWeights;
  std::atomic<int> m_nEqualLoudnessFn{0};
  // The function the table holds, 0 for none. Written by the weighting (the
  // writer thread), read by CopyFrom.
  std::atomic<int> m_nTableFn{0};
};

extern template void CFrequencyDataStore::StoreValuesForGraph<float>(Complex<float>*, int);
extern template void CFrequencyDataStore::StoreValuesForGraph<double>(Complex<double>*, int);
extern template void CFrequencyDataStore::StoreValuesForGraphPacked<float>(const float*, int);
extern template void CFrequencyDataStore::StoreValuesForGraphPacked<double>(const double*, int);

// Holds the reader-busy counts of the stores one draw reads, ending the reads
// (last entered first) however the draw ends, so that a draw that fails
// half-way still lets the writers publish again. Null stores are skipped.
class CFrequencyDataStoreReaders {
 public:
  static constexpr int kMaxStores = 4;

  CFrequencyDataStoreReaders() = default;
  ~CFrequencyDataStoreReaders() { Release(); }
  CFrequencyDataStoreReaders(const CFrequencyDataStoreReaders&) = delete;
  CFrequencyDataStoreReaders& operator=(const CFrequencyDataStoreReaders&) = delete;

  // BeginRead on the store, with its answer; null for a null store.
  const double* Enter(CFrequencyDataStore* store) {
    if (!store || m_nCount == kMaxStores) return nullptr;
    const double* buffer = store->BeginRead();
    m_pStores[m_nCount++] = store;
    return buffer;
  }
  // Ends every read entered so far.
  void Release() {
    while (m_nCount > 0) m_pStores[--m_nCount]->EndRead();
  }

 private:
  CFrequencyDataStore* m_pStores[kMaxStores] = {};
  int m_nCount = 0;
};
