#include "Helpers/AudioThread.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
// Initial-exec: no allocation on a thread's first access, also in a module
// loaded with dlopen (see the header).
__attribute__((tls_model("initial-exec"))) thread_local bool t_bAudioThread = false;
__attribute__((tls_model("initial-exec"))) thread_local uint64_t t_nThreadSerial = 0;
std::atomic<uint64_t> g_nLastThreadSerial{0};

// A quarter of the previous block's length: a block that came sooner
// belongs to a burst or a render, not to a device's pace.
constexpr double kPaceGapShare = 0.25;
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

int64_t CRenderPace::MonotonicMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool CRenderPace::NotePace(double gap, double previous) {
  unsigned paced = m_nPacedBlocks.load(std::memory_order_relaxed);
  if (!(previous > 0.0) || gap < kPaceGapShare * previous) {
    m_nPacedBlocks.store(0, std::memory_order_relaxed);
    return false;
  }
  // A stall counts for no more than a block: a device asks for each block
  // in its time, never later.
  m_fPaceSurplus[paced % kPaceBlocks].store(std::min(gap, previous) - kPaceShare * previous, std::memory_order_relaxed);
  m_nPacedBlocks.store(++paced, std::memory_order_relaxed);
  if (paced < kPaceBlocks) return false;
  double surplus = 0.0;
  for (const auto& s : m_fPaceSurplus) surplus += s.load(std::memory_order_relaxed);
  return surplus >= 0.0;
}

void CRenderPace::EndOwnWork() {
  const int64_t spent = m_Clock() - m_nLastUs.load(std::memory_order_relaxed);
  m_nExcludedUs.store(std::max<int64_t>(spent, 0), std::memory_order_relaxed);
}

bool CRenderPace::NoteBlock(int frames, double sampleRate) {
  if (frames <= 0 || !(sampleRate > 0.0)) return false;
  const int64_t now = m_Clock();
  const int64_t last = m_nLastUs.exchange(now, std::memory_order_relaxed);
  const int64_t excluded = m_nExcludedUs.exchange(0, std::memory_order_relaxed);
  const double block = static_cast<double>(frames) / sampleRate;
  const double previous = m_fLastBlockSeconds.exchange(block, std::memory_order_relaxed);
  const uint64_t me = ThisThreadSerial();
  const bool started = m_nThread.exchange(me, std::memory_order_relaxed) == me;
  double lead = 0.0;
  bool paced = false;
  if (started) {
    const double gap = static_cast<double>(std::max<int64_t>(now - last - excluded, 0)) * 1e-6;
    lead = m_fLeadSeconds.load(std::memory_order_relaxed) * std::exp(-gap / kLeakSeconds);
    paced = NotePace(gap, previous);
  } else {
    m_nPacedBlocks.store(0, std::memory_order_relaxed);
  }
  // A fast render stays fast down to a third faster than real time, and
  // lets go at once at a real-time pace, the lead starting from zero.
  const bool stayFast = started && m_bFast.load(std::memory_order_relaxed) && !paced;
  if (paced) lead = 0.0;
  const double threshold = kLeadSeconds + 2.0 * block;
  lead = std::min(lead + block, 4.0 * threshold);
  const bool fast = lead > (stayFast ? 0.75 * kLeadSeconds + block : threshold);
  m_fLeadSeconds.store(lead, std::memory_order_relaxed);
  m_bFast.store(fast, std::memory_order_relaxed);
  return fast;
}
