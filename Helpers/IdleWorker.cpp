#include "Helpers/IdleWorker.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <vector>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("Helpers/IdleWorker");

namespace {
// The running workers of this module, for the fork handlers.
std::mutex g_RegistryLock;
std::vector<CIdleWorker*>& Running() {
  static std::vector<CIdleWorker*> s_Workers;
  return s_Workers;
}
}  // namespace

void CIdleWorker::BeforeFork() {
  g_RegistryLock.lock();
  for (CIdleWorker* worker : Running()) worker->m_PassLock.lock();
}

void CIdleWorker::AfterForkInParent() {
  for (CIdleWorker* worker : Running()) worker->m_PassLock.unlock();
  g_RegistryLock.unlock();
}

void CIdleWorker::AfterForkInChild() {
  for (CIdleWorker* worker : Running()) {
    worker->m_PassLock.unlock();
    worker->m_bForkedAway = true;
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
  if (m_Thread.joinable()) return true;
  // Unregistered by the module's unloading (glibc ties them to it).
  static std::once_flag s_ForkHandlers;
  std::call_once(s_ForkHandlers, [] { pthread_atfork(&BeforeFork, &AfterForkInParent, &AfterForkInChild); });
  m_bStop.store(false);
  {
    std::lock_guard<std::mutex> registry(g_RegistryLock);
    Running().push_back(this);
  }
  m_Thread = std::thread([this] { Main(); });
  // Named before Start returns, for debuggers and the tests that look for it.
  pthread_setname_np(m_Thread.native_handle(), "qvx idle");
  return true;
  XR_CATCH(false)
}

void CIdleWorker::Stop() {
  XR_TRY
  // The worker cannot join itself; it ends after its pass.
  if (OnWorkerThread()) {
    m_bStop.store(true);
    return;
  }
  std::lock_guard<std::mutex> control(m_Control);
  if (!m_Thread.joinable()) return;
  m_bStop.store(true);
  sem_post(&m_Wake);
  // In a forked child the thread does not exist: nothing to wait for. A
  // thread started after this one is the child's own, joined as any other.
  if (m_bForkedAway)
    m_Thread.detach();
  else
    m_Thread.join();
  m_bForkedAway = false;
  {
    std::lock_guard<std::mutex> registry(g_RegistryLock);
    Running().erase(std::remove(Running().begin(), Running().end(), this), Running().end());
  }
  XR_CATCH_VOID
}

void CIdleWorker::Wake() {
  if (!m_bWakePosted.exchange(true)) sem_post(&m_Wake);
}

bool CIdleWorker::OnWorkerThread() const { return m_WorkerId.load() == std::this_thread::get_id(); }

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
  m_WorkerId.store(std::this_thread::get_id());
  int wait = 0;
  while (!m_bStop.load()) {
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
  m_WorkerId.store(std::thread::id());
}
