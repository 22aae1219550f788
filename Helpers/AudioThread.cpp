#include "Helpers/AudioThread.h"

namespace {
// Initial-exec: no allocation on a thread's first access, also in a module
// loaded with dlopen (see the header).
__attribute__((tls_model("initial-exec"))) thread_local bool t_bAudioThread = false;
}  // namespace

CAudioThreadScope::CAudioThreadScope(bool mark) : m_bWasMarked(t_bAudioThread) {
  if (mark) t_bAudioThread = true;
}

CAudioThreadScope::~CAudioThreadScope() { t_bAudioThread = m_bWasMarked; }

bool IsAudioThread() { return t_bAudioThread; }
