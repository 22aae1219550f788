#include "Helpers/AudioBusyFlag.h"

#include <thread>

#include "Helpers/AudioThread.h"

CAudioBusyFlag::CHold::CHold(CAudioBusyFlag& flag, bool onlyTry) : m_Flag(flag) {
  const uint64_t me = ThisThreadSerial();
  if (m_Flag.m_nOwner.load() == me) {
    ++m_Flag.m_nDepth;
    return;
  }
  if (onlyTry) {
    m_bHeld = !m_Flag.m_bBusy.exchange(true, std::memory_order_acquire);
    if (!m_bHeld) return;
  } else {
    // The audio thread holds the flag for one block at most.
    while (m_Flag.m_bBusy.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  }
  m_Flag.m_nDepth = 1;
  m_Flag.m_nOwner.store(me);
}

CAudioBusyFlag::CHold::~CHold() {
  if (!m_bHeld || --m_Flag.m_nDepth > 0) return;
  m_Flag.m_nOwner.store(0);
  m_Flag.m_bBusy.store(false, std::memory_order_release);
}
