// The framework's recursive critical region. A thread holding it may take it
// again; it is free once released as often as taken. HoldLock waits without a
// time limit, so it never belongs on the audio thread unless the other holders
// are the audio thread's own streaming calls.
#pragma once

#include <mutex>

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

 private:
  std::recursive_mutex m_Mutex;
};

// Holds a Lock for a scope.
class CScopedLock {
 public:
  explicit CScopedLock(Lock& lock) : m_Lock(lock) { m_Lock.HoldLock(); }
  ~CScopedLock() { m_Lock.ReleaseLock(); }
  CScopedLock(const CScopedLock&) = delete;
  CScopedLock& operator=(const CScopedLock&) = delete;

 private:
  Lock& m_Lock;
};
