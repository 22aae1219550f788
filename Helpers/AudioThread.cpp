#include "Helpers/AudioThread.h"

#include <algorithm>
#include <chrono>
#include <cmath>

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

void CAudioThreadSet::AddThisThread() {
  const std::thread::id me = std::this_thread::get_id();
  if (HasThisThread()) return;
  for (auto& slot : m_Slots) {
    std::thread::id empty{};
    if (slot.compare_exchange_strong(empty, me, std::memory_order_relaxed)) return;
  }
  m_Slots[m_nNextEvicted.fetch_add(1, std::memory_order_relaxed) % kSlots].store(me, std::memory_order_relaxed);
}

void CAudioThreadSet::RemoveThisThread() {
  const std::thread::id me = std::this_thread::get_id();
  for (auto& slot : m_Slots) {
    std::thread::id expected = me;
    slot.compare_exchange_strong(expected, std::thread::id(), std::memory_order_relaxed);
  }
}

bool CAudioThreadSet::HasThisThread() const {
  const std::thread::id me = std::this_thread::get_id();
  for (const auto& slot : m_Slots)
    if (slot.load(std::memory_order_relaxed) == me) return true;
  return false;
}

void CAudioThreadSet::Clear() {
  for (auto& slot : m_Slots) slot.store(std::thread::id(), std::memory_order_relaxed);
}

int64_t CRenderPace::MonotonicMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool CRenderPace::NoteBlock(int frames, double sampleRate) {
  if (frames <= 0 || !(sampleRate > 0.0)) return false;
  const int64_t now = m_Clock();
  const int64_t last = m_nLastUs.exchange(now, std::memory_order_relaxed);
  const int64_t excluded = m_nExcludedUs.exchange(0, std::memory_order_relaxed);
  double lead = 0.0;
  const std::thread::id me = std::this_thread::get_id();
  const bool started = m_Thread.exchange(me, std::memory_order_relaxed) == me;
  if (started) {
    // Both sums fade by the gap's weight; the wall clock adds the gap's
    // weighted length.
    const double gap = static_cast<double>(std::max<int64_t>(now - last - excluded, 0)) * 1e-6;
    const double fade = std::exp(-gap / kDecaySeconds);
    lead = m_fLeadSeconds.load(std::memory_order_relaxed) * fade - kDecaySeconds * (1.0 - fade);
  }
  const double block = static_cast<double>(frames) / sampleRate;
  const double threshold = kLeadSeconds + 2.0 * block;
  lead = std::min(lead + block, 2.0 * threshold);
  m_fLeadSeconds.store(lead, std::memory_order_relaxed);
  const bool fast = lead > (started && m_bFast.load(std::memory_order_relaxed) ? kLeadSeconds / 2.0 : threshold);
  m_bFast.store(fast, std::memory_order_relaxed);
  return fast;
}
