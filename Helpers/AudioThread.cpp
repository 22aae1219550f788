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

unsigned CAudioThreadSet::RunStart(uint64_t serial) {
  static_assert(kProbes <= kSlots, "a run fits the slots");
  // Fibonacci hashing spreads consecutive serials evenly over the slots.
  return static_cast<unsigned>((serial * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits));
}

std::atomic<uint64_t>* CAudioThreadSet::FindThisThread() const {
  const uint64_t me = ThisThreadSerial();
  const unsigned start = RunStart(me);
  for (unsigned i = 0; i < kProbes; ++i) {
    std::atomic<uint64_t>& slot = m_Slots[(start + i) & (kSlots - 1)];
    if (slot.load(std::memory_order_relaxed) == me) return &slot;
  }
  return nullptr;
}

void CAudioThreadSet::AddThisThread() {
  if (FindThisThread()) return;
  const uint64_t me = ThisThreadSerial();
  const unsigned start = RunStart(me);
  for (unsigned i = 0; i < kProbes; ++i) {
    uint64_t empty = 0;
    if (m_Slots[(start + i) & (kSlots - 1)].compare_exchange_strong(empty, me, std::memory_order_relaxed)) return;
  }
  m_Slots[start].store(me, std::memory_order_relaxed);
}

void CAudioThreadSet::RemoveThisThread() {
  if (std::atomic<uint64_t>* slot = FindThisThread()) {
    uint64_t me = ThisThreadSerial();
    // Another thread may have taken the slot over meanwhile.
    slot->compare_exchange_strong(me, 0, std::memory_order_relaxed);
  }
}

bool CAudioThreadSet::HasThisThread() const { return FindThisThread() != nullptr; }

void CAudioThreadSet::Clear() {
  for (auto& slot : m_Slots) slot.store(0, std::memory_order_relaxed);
}
