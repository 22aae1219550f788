// Knowing the audio threads, and handing work from them to the idle side.
//
// "An audio thread" is a thread inside a process call now, or a thread the
// effect remembers as processing it: the effect marks its process call for
// its duration (CAudioThreadScope), remembers each thread that processes a
// block (CAudioThreadSet: hosts that spread plug-ins over a pool of process
// threads run one instance on whichever is free), and marks host automation
// arriving between blocks on any of those threads (XREffect::setParameter).
// A thread that acts as the host's user-interface thread (it opens or idles
// the effect, opens or works the editor) is never one between blocks; so a
// host that runs everything on one thread, or renders on its user-interface
// thread, sees its idle, dispatcher and editor calls treated as the
// user-interface side they are. Work that may wait (a lock the idle or
// user-interface side can hold, a preference write, a call into the host)
// asks IsAudioThread() and, there, tries instead of waiting and hands what it
// could not do to the idle side.
//
// The mark is a thread-local of the initial-exec model: in a module that a
// host loads with dlopen the default model reaches the module's TLS block
// through the loader, which on a thread's first access may allocate it or
// take the loader's lock, and that would be the first block on a new audio
// thread. Every thread-local the audio thread touches has that model.
//
// Threads are told apart by ThisThreadSerial, never by std::thread::id or
// pthread_t: glibc gives an ended thread's id to the next thread it starts,
// and a host's loader or request thread that ends would hand its role to
// whichever thread comes next.
//
// Thread contract: CAudioThreadScope, IsAudioThread and ThisThreadSerial act
// on the calling thread only. CAudioThreadSet: every operation on any thread
// at once, never waiting and never allocating. CRenderPace: one block at a
// time (the host processes an instance on one thread at a time).
// CAudioThreadQueue: Push from any number of threads at once, never waiting
// and never allocating; Pop from one thread at a time (its users pop under a
// lock of their own or from the idle side).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// [audio thread] Marks the calling thread as the audio thread while it lives
// (when `mark` is true); nests, and restores the thread's mark at its end.
class CAudioThreadScope {
 public:
  explicit CAudioThreadScope(bool mark = true);
  ~CAudioThreadScope();
  CAudioThreadScope(const CAudioThreadScope&) = delete;
  CAudioThreadScope& operator=(const CAudioThreadScope&) = delete;

 private:
  bool m_bWasMarked;
};

// True on a thread inside a CAudioThreadScope.
bool IsAudioThread();

// The calling thread's serial number: 1 for the first thread that asks, 2
// for the next, and so on (each module counts its own); no other thread has
// it, before or after, and 0 is no thread. Never allocates and never waits (a thread-local
// of the initial-exec model and one atomic increment on the first call).
uint64_t ThisThreadSerial();

// The threads that process an effect, by serial: a preallocated
// open-addressing set, lock-free. Each serial has a run of kProbes slots
// from its hash; a thread takes the first free slot of its run. Sized so
// that a pool of hundreds of threads taking turns all stay in; only when
// every slot of a run is taken (threads that ended without the host
// suspending the effect, by the thousand) does an add take over the run's
// first slot, forgetting that thread until its next block.
class CAudioThreadSet {
 public:
  static constexpr unsigned kSlotBits = 10;
  static constexpr unsigned kSlots = 1u << kSlotBits;
  static constexpr unsigned kProbes = 16;

  // Adds the calling thread; nothing when it is in already.
  void AddThisThread();
  // Removes the calling thread; nothing when it is not in.
  void RemoveThisThread();
  bool HasThisThread() const;
  void Clear();

 private:
  // The first slot of a serial's run.
  static unsigned RunStart(uint64_t serial);
  // The calling thread's slot, or null. Only the thread itself adds or
  // removes its serial, so it is in one slot at most.
  std::atomic<uint64_t>* FindThisThread() const;

  mutable std::atomic<uint64_t> m_Slots[kSlots]{};
};

// Tells a render that runs faster than real time from one paced by an
// audio device, by the rate at which audio arrives: its lead, the audio
// rendered, leaks away with the wall clock (a time constant of
// kLeakSeconds), so that a render at a steady rate settles at that rate
// times kLeakSeconds, whether its blocks come one by one or in bursts
// behind a standing buffer, while a pause empties it, so that a render
// after a pause is found as soon as the first. A render that leads by more
// than kLeadSeconds plus two blocks (about twice real time) is faster than
// real time. It stays so until its lead falls below three quarters of
// kLeadSeconds plus a block (about a third faster than real time, above the
// lead of any real-time pace) or blocks arrive at a real-time pace again:
// over its last kPaceBlocks blocks, each came at least a quarter of the
// previous block's length after it and together they came at least
// kPaceShare of those blocks' length after the block before them, each
// counting for at most the length of the block before it (a stall between
// the blocks of a fast render is no real-time pace). The lead is held below
// four times the threshold, so that a render that slows down lets go within
// a second, while a fast render stays fast across stalls of up to about half
// a second. Letting go starts the lead from zero. The time of an offline
// block, from its NoteBlock to its EndOwnWork, is the effect's own work, no
// evidence of real time: the gap to the next block counts from its end. A
// render is one thread's: a block on another thread than the last starts
// the lead again (a host's real-time thread after a bounce on its
// user-interface thread).
class CRenderPace {
 public:
  static constexpr double kLeadSeconds = 0.5;
  static constexpr double kLeakSeconds = 0.28;
  static constexpr unsigned kPaceBlocks = 3;
  static constexpr double kPaceShare = 0.9;
  // Monotonic microseconds.
  using Clock = int64_t (*)();
  explicit CRenderPace(Clock clock = &MonotonicMicroseconds) : m_Clock(clock) {}

  // [audio thread] Notes a block of `frames` at `sampleRate`; true when the
  // render runs faster than real time.
  bool NoteBlock(int frames, double sampleRate);
  // [audio thread] At the end of the block noted last, when its time was
  // the effect's own work (an offline block): the wall clock since that
  // NoteBlock is not counted as the host's.
  void EndOwnWork();
  // Forgets the lead (a new render starts). Any thread.
  void Reset() { m_nThread.store(0, std::memory_order_relaxed); }
  // A scripted clock for tests, set before the first block.
  void SetClockForTesting(Clock clock) { m_Clock = clock; }

  static int64_t MonotonicMicroseconds();

 private:
  // Whether the block that came `gap` seconds after one of `previous`
  // seconds completes kPaceBlocks at a real-time pace.
  bool NotePace(double gap, double previous);

  Clock m_Clock;
  // Relaxed atomics: blocks come one at a time, but a pool may send each
  // from another thread.
  // The serial of the last block's thread; 0 before the first.
  std::atomic<uint64_t> m_nThread{0};
  std::atomic<int64_t> m_nLastUs{0};
  std::atomic<int64_t> m_nExcludedUs{0};
  std::atomic<bool> m_bFast{false};
  std::atomic<double> m_fLeadSeconds{0.0};
  std::atomic<double> m_fLastBlockSeconds{0.0};
  // The last blocks in a row that came at least a quarter of the previous
  // block's length after it, and by how much each came later than
  // kPaceShare of it (negative: earlier), by their count modulo kPaceBlocks.
  std::atomic<unsigned> m_nPacedBlocks{0};
  std::atomic<double> m_fPaceSurplus[kPaceBlocks]{};
};

// A bounded lock-free queue of small values (after Vyukov's bounded queue):
// each cell carries a sequence number that says whether it is free for the
// push of a position or holds the value of a position ready to pop.
template <typename T, unsigned kCapacity>
class CAudioThreadQueue {
  static_assert((kCapacity & (kCapacity - 1)) == 0, "a power of two");

 public:
  CAudioThreadQueue() {
    for (unsigned i = 0; i < kCapacity; ++i) m_Cells[i].seq.store(i, std::memory_order_relaxed);
  }
  CAudioThreadQueue(const CAudioThreadQueue&) = delete;
  CAudioThreadQueue& operator=(const CAudioThreadQueue&) = delete;

  // False when the queue is full (the value is then dropped by the caller).
  bool Push(const T& value) {
    size_t pos = m_nTail.load(std::memory_order_relaxed);
    for (;;) {
      Cell& cell = m_Cells[pos & (kCapacity - 1)];
      const size_t seq = cell.seq.load(std::memory_order_acquire);
      const intptr_t diff = static_cast<intptr_t>(seq) - static_cast<intptr_t>(pos);
      if (diff == 0) {
        if (m_nTail.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
          cell.value = value;
          cell.seq.store(pos + 1, std::memory_order_release);
          return true;
        }
      } else if (diff < 0) {
        return false;
      } else {
        pos = m_nTail.load(std::memory_order_relaxed);
      }
    }
  }

  // The oldest value that is completely pushed; false when there is none.
  bool Pop(T& value) {
    const size_t pos = m_nHead.load(std::memory_order_relaxed);
    Cell& cell = m_Cells[pos & (kCapacity - 1)];
    if (cell.seq.load(std::memory_order_acquire) != pos + 1) return false;
    value = cell.value;
    cell.seq.store(pos + kCapacity, std::memory_order_release);
    m_nHead.store(pos + 1, std::memory_order_relaxed);
    return true;
  }

 private:
  struct Cell {
    std::atomic<size_t> seq;
    T value;
  };
  Cell m_Cells[kCapacity];
  std::atomic<size_t> m_nTail{0};
  // Written only by the one popping thread; atomic so that a later popper on
  // another thread (after a lock hand-over) reads it cleanly.
  std::atomic<size_t> m_nHead{0};
};
