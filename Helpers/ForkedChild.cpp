#include "Helpers/ForkedChild.h"

#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

void CProcessMark::Mark() { m_nPid.store(::getpid()); }

bool CProcessMark::IsForkedChild() const { return ::getpid() != m_nPid.load(); }

void SetThreadAside(std::thread& thread) {
  // Each move ends the last one's life without its destructor, whose
  // effects nothing needs.
  alignas(std::thread) static unsigned char s_SetAside[sizeof(std::thread)];
  ::new (static_cast<void*>(s_SetAside)) std::thread(std::move(thread));
}

std::atomic<int> CForkGate::s_nBlocks{0};
std::atomic<bool> CForkGate::s_bForking{false};

namespace {
// Waits until `done` answers true, at most CForkGate::kWaitLimitMs.
template <typename Done>
void WaitBounded(Done done) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(CForkGate::kWaitLimitMs);
  for (int spins = 0; !done(); ++spins) {
    if (std::chrono::steady_clock::now() >= giveUp) return;
    if (spins < 64)
      std::this_thread::yield();
    else
      std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}
}  // namespace

void CForkGate::Install() {
  static std::once_flag s_Handlers;
  std::call_once(s_Handlers, [] { pthread_atfork(&BeforeFork, &AfterForkInParent, &AfterForkInChild); });
}

CForkGate::CBlock::CBlock(bool mayWait) {
  // Counted first and the fork's flag read after, as the fork sets its flag
  // first and reads the count after: one of the two sees the other.
  s_nBlocks.fetch_add(1);
  if (!mayWait || !s_bForking.load()) return;
  s_nBlocks.fetch_sub(1);
  WaitBounded([] { return !s_bForking.load(); });
  s_nBlocks.fetch_add(1);
}

CForkGate::CBlock::~CBlock() { s_nBlocks.fetch_sub(1); }

void CForkGate::BeforeFork() {
  s_bForking.store(true);
  WaitBounded([] { return s_nBlocks.load() == 0; });
}

void CForkGate::AfterForkInParent() { s_bForking.store(false); }

void CForkGate::AfterForkInChild() {
  // Blocks that came in meanwhile are the parent's threads'.
  s_nBlocks.store(0);
  s_bForking.store(false);
}
