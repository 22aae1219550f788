// Knowing the audio thread, and handing work from it to the idle side.
//
// A thread that has processed audio is marked (MarkAudioThread, called by
// the effect's process call on every block). Work that may wait (a lock the
// idle or user-interface side can hold, a preference write) asks
// IsAudioThread() and, there, tries instead of waiting and hands what it
// could not do to CAudioThreadQueue for the idle side to finish.
//
// Thread contract: MarkAudioThread and IsAudioThread act on the calling
// thread only. CAudioThreadQueue: Push from any number of threads at once,
// never waiting and never allocating; Pop from one thread at a time (its
// users pop under a lock of their own or from the idle side).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// [audio thread] Marks the calling thread as one that processes audio.
void MarkAudioThread();
// True on a thread that has processed audio.
bool IsAudioThread();

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
