#include "Helpers/Lock.h"

#include "Helpers/Assert.h"

Lock::Lock() {}

Lock::~Lock() {}

void Lock::HoldLock() {
  XR_TRY
  m_Mutex.lock();
  XR_CATCH_VOID
}

void Lock::ReleaseLock() {
  XR_TRY
  m_Mutex.unlock();
  XR_CATCH_VOID
}

bool Lock::TryHoldLock() {
  XR_TRY
  return m_Mutex.try_lock();
  XR_CATCH(false)
}
