#include "Helpers/AudioThread.h"

namespace {
// Initial-exec: no allocation on a thread's first access, also in a module
// loaded with dlopen (see the header).
__attribute__((tls_model("initial-exec"))) thread_local bool t_bAudioThread = false;
__attribute__((tls_model("initial-exec"))) thread_local uint64_t t_nThreadSerial = 0;
std::atomic<uint64_t> g_nLastThreadSerial{0};
}  // namespace

CAudioThreadScope::CAudioThreadScope(bool mark) : m_bWasMarked(t_bAudioThread) {
  if (mark) t_bAudioThread = true;
}

CAudioThreadScope::~CAudioThreadScope() { t_bAudioThread = m_bWasMarked; }

bool IsAudioThread() { return t_bAudioThread; }

uint64_t ThisThreadSerial() {
  if (t_nThreadSerial == 0) t_nThreadSerial = g_nLastThreadSerial.fetch_add(1, std::memory_order_relaxed) + 1;
  return t_nThreadSerial;
}
