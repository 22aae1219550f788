#include "Helpers/IdleWorker.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>
#include <utility>

#include "Helpers/Assert.h"
#include "Helpers/AudioThread.h"
#include "Helpers/ForkedChild.h"

XR_REGISTER_SOURCE_FILE("Helpers/IdleWorker");

namespace {
// The running workers of this module, for the fork handlers: a list through
// the workers themselves, so that nothing here has a destructor for the
// process's exit to run while workers still start or stop.
std::mutex g_RegistryLock;
CIdleWorker* g_pRunning = nullptr;  // under g_RegistryLock
}  // namespace

void CIdleWorker::BeforeFork() {
  g_RegistryLock.lock();
  for (CIdleWorker* worker = g_pRunning; worker; worker = worker->m_pNextRunning) worker->m_PassLock.lock();
}

void CIdleWorker::AfterForkInParent() {
  for (CIdleWorker* worker = g_pRunning; worker; worker = worker->m_pNextRunning) worker->m_PassLock.unlock();
  g_RegistryLock.unlock();
}

void CIdleWorker::AfterForkInChild() {
  // The child has this one thread; the workers' threads stayed behind.
  for (CIdleWorker* worker = g_pRunning; worker; worker = worker->m_pNextRunning) {
    worker->m_PassLock.unlock();
    // One that was ending is not started again.
    worker->m_bForkedAway.store(worker->m_Thread.joinable() && !worker->m_bStop.load());
    SetThreadAside(worker->m_Thread);
    worker->m_nWorkerThread.store(0);
  }
  while (CIdleWorker* worker = g_pRunning) {
    g_pRunning = worker->m_pNextRunning;
    worker->m_pNextRunning = nullptr;
  }
  g_RegistryLock.unlock();
}

CIdleWorker::CIdleWorker(Pass pass) : m_Pass(std::move(pass)) { sem_init(&m_Wake, 0, 0); }

CIdleWorker::~CIdleWorker() {
  Stop();
  sem_destroy(&m_Wake);
}

bool CIdleWorker::Start() {
  XR_TRY
  std::lock_guard<std::mutex> control(m_Control);
  // Unregistered by the module's unloading (glibc ties them to it). Not
  // under the registry's lock, which BeforeFork takes: older glibc versions
  // hold their handler lock while they call it.
  static std::once_flag s_ForkHandlers;
  std::call_once(s_ForkHandlers, [] { pthread_atfork(&BeforeFork, &AfterForkInParent, &AfterForkInChild); });
  std::lock_guard<std::mutex> registry(g_RegistryLock);
  return StartHolding();
  XR_CATCH(false)
}

void CIdleWorker::RestartIfForkedAway() {
  if (!m_bForkedAway.load()) return;
  XR_TRY
  // Tries only: the caller may hold locks a pass waits for, and a pass may
  // hold up a fork that holds the registry.
  std::unique_lock<std::mutex> control(m_Control, std::try_to_lock);
  if (!control.owns_lock()) return;
  std::unique_lock<std::mutex> registry(g_RegistryLock, std::try_to_lock);
  if (registry.owns_lock() && m_bForkedAway.load()) StartHolding();
  XR_CATCH_VOID
}

bool CIdleWorker::StartHolding() {
  if (m_Thread.joinable()) return true;
  m_bStop.store(false);
  // Registered and started under the registry's lock: a fork sees both or
  // neither.
  m_Thread = std::thread([this] { Main(); });
  m_pNextRunning = g_pRunning;
  g_pRunning = this;
  // Named before Start returns, for debuggers and the tests that look for it.
  pthread_setname_np(m_Thread.native_handle(), "qvx idle");
  m_bForkedAway.store(false);
  return true;
}

void CIdleWorker::Stop() {
  XR_TRY
  // The worker cannot join itself; it ends after its pass.
  if (OnWorkerThread()) {
    m_bStop.store(true);
    return;
  }
  std::lock_guard<std::mutex> control(m_Control);
  // A worker that ran in the parent has nothing here to end; it is only no
  // longer started again.
  m_bForkedAway.store(false);
  if (!m_Thread.joinable()) return;
  m_bStop.store(true);
  sem_post(&m_Wake);
  m_Thread.join();
  {
    std::lock_guard<std::mutex> registry(g_RegistryLock);
    for (CIdleWorker** link = &g_pRunning; *link; link = &(*link)->m_pNextRunning) {
      if (*link != this) continue;
      *link = m_pNextRunning;
      break;
    }
    m_pNextRunning = nullptr;
  }
  XR_CATCH_VOID
}

void CIdleWorker::Wake() {
  if (!m_bWakePosted.exchange(true)) sem_post(&m_Wake);
}

bool CIdleWorker::OnWorkerThread() const { return m_nWorkerThread.load() == ThisThreadSerial(); }

void CIdleWorker::Sleep(int ms) {
  if (ms == kUntilWoken) {
    while (sem_wait(&m_Wake) != 0 && errno == EINTR) {
    }
    return;
  }
  timespec until{};
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_sec += ms / 1000;
  until.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  while (sem_clockwait(&m_Wake, CLOCK_MONOTONIC, &until) != 0 && errno == EINTR) {
  }
}

void CIdleWorker::Main() {
  m_nWorkerThread.store(ThisThreadSerial());
  int wait = 0;
  while (!m_bStop.load()) {
    if (wait > 0 && (wait & kDeafBit) != 0) {
      // Wakes from here on find one posted; one posted before ends this
      // sleep early, and the next pass answers again.
      m_bWakePosted.store(true);
      wait &= ~kDeafBit;
    }
    if (wait != 0) Sleep(wait);
    if (m_bStop.load()) break;
    // Cleared before the pass: a wake from here on asks for another one.
    m_bWakePosted.store(false);
    try {
      std::lock_guard<std::mutex> pass(m_PassLock);
      wait = m_Pass();
    } catch (...) {
      HandleException(__PRETTY_FUNCTION__);
      wait = kUntilWoken;
    }
    if (wait < 0) wait = kUntilWoken;
  }
  m_nWorkerThread.store(0);
}
