// The framework's recursive critical region. A thread holding it may take it
// again; it is free once released as often as taken. HoldLock waits without a
// time limit, so it never belongs on the audio thread unless the other holders
// are the audio thread's own streaming calls.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "Helpers/AudioThread.h"

class Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void HoldLock();
  void ReleaseLock();
  // Non-blocking attempt; true when the lock is now held.
  bool TryHoldLock();
  // True when the calling thread holds the lock (a thread that already holds
  // it would take it again at once, so a try tells it nothing).
  bool IsHeldByCurrentThread() const { return m_nOwner.load(std::memory_order_relaxed) == ThisThreadSerial(); }
  // True while another thread waits in HoldLock: a holder doing work that
  // can wait (a redraw pass) may stop early and leave the rest for later.
  bool IsAwaited() const { return m_nWaiting.load(std::memory_order_relaxed) > 0; }

 private:
  void Entered();
  std::recursive_mutex m_Mutex;
  // The holder's serial (ThisThreadSerial) and its depth: written by the
  // holder only, while it holds the mutex; another thread never reads its
  // own serial here.
  std::atomic<uint64_t> m_nOwner{0};
  unsigned int m_nDepth = 0;
  std::atomic<int> m_nWaiting{0};  // threads blocked in HoldLock
};

// Holds a Lock for a scope; a null lock is none (a view outside a frame has
// no frame lock).
class CScopedLock {
 public:
  explicit CScopedLock(Lock& lock) : CScopedLock(&lock) {}
  explicit CScopedLock(Lock* lock) : m_pLock(lock) {
    if (m_pLock) m_pLock->HoldLock();
  }
  ~CScopedLock() {
    if (m_pLock) m_pLock->ReleaseLock();
  }
  CScopedLock(const CScopedLock&) = delete;
  CScopedLock& operator=(const CScopedLock&) = delete;

 private:
  Lock* m_pLock;
};

// Holds two Locks for a scope, the first before the second (the lock order of
// the caller), and releases them in reverse; a null first lock is none.
class CScopedLockPair {
 public:
  CScopedLockPair(Lock& first, Lock& second) : m_First(first), m_Second(second) {}
  CScopedLockPair(Lock* first, Lock& second) : m_First(first), m_Second(second) {}

 private:
  CScopedLock m_First;
  CScopedLock m_Second;
};

// Holds a Lock for a scope if it can be taken without waiting.
class CScopedTryLock {
 public:
  explicit CScopedTryLock(Lock& lock) : m_pLock(lock.TryHoldLock() ? &lock : nullptr) {}
  ~CScopedTryLock() {
    if (m_pLock) m_pLock->ReleaseLock();
  }
  CScopedTryLock(const CScopedTryLock&) = delete;
  CScopedTryLock& operator=(const CScopedTryLock&) = delete;
  bool Held() const { return m_pLock != nullptr; }

 private:
  Lock* m_pLock;
};
