// Knowing the audio threads, and handing work from them to the idle side.
//
// "An audio thread" is a thread inside a process call now (CAudioThreadScope
// marks the call for its duration), or a thread that is served as one
// between blocks: any thread but the host's user-interface thread
// (Helpers/RenderJudge.h). Work that may wait (a lock the idle or
// user-interface side can hold, a preference write, a call into the host)
// asks IsAudioThread() and, there, tries instead of waiting and hands what
// it could not do to the idle side.
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
// on the calling thread only. CAudioThreadQueue: Push from any number of
// threads at once, never waiting and never allocating; Pop from one thread
// at a time (its users pop under a lock of their own or from the idle side).
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
