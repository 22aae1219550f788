#include "Helpers/Lock.h"

#include "Helpers/Assert.h"

Lock::Lock() {}

Lock::~Lock() {}

void Lock::Entered() {
  if (m_nDepth++ == 0) m_nOwner.store(ThisThreadSerial(), std::memory_order_relaxed);
}

void Lock::HoldLock() {
  XR_TRY
  if (!m_Mutex.try_lock()) {
    // Counted while blocked, also when the wait ends in an exception.
    m_nWaiting.fetch_add(1, std::memory_order_relaxed);
    struct Waiting {
      std::atomic<int>& count;
      ~Waiting() { count.fetch_sub(1, std::memory_order_relaxed); }
    } waiting{m_nWaiting};
    m_Mutex.lock();
  }
  Entered();
  XR_CATCH_VOID
}

void Lock::ReleaseLock() {
  XR_TRY
  if (--m_nDepth == 0) m_nOwner.store(0, std::memory_order_relaxed);
  m_Mutex.unlock();
  XR_CATCH_VOID
}

bool Lock::TryHoldLock() {
  XR_TRY
  if (!m_Mutex.try_lock()) return false;
  Entered();
  return true;
  XR_CATCH(false)
}
