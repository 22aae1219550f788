// Hand-over of analysis results from the audio thread to a scope's drawing:
// three slots, one being written, one published, one being read. The writer
// fills its slot and publishes it in one atomic exchange; the reader takes
// the newest published slot in another. Neither side waits, and no slot is
// ever written while the reader holds it. A result published while an older
// one is still unread replaces it (a display only needs the newest).
//
// Slots are built and sized by the owner before either side runs, so the
// writer never allocates.
//
// Thread contract: WriteSlot and Publish on the one writer thread;
// TakeLatest and ReadSlot on the one reader thread.
#pragma once

#include <atomic>

template <typename Slot>
class CScopeHandOver {
 public:
  CScopeHandOver() = default;
  CScopeHandOver(const CScopeHandOver&) = delete;
  CScopeHandOver& operator=(const CScopeHandOver&) = delete;

  // Owner, before use: every slot, e.g. to size it.
  Slot& SlotAt(int i) { return m_slots[i]; }

  // [writer] The slot to fill.
  Slot& WriteSlot() { return m_slots[m_nBack]; }
  // [writer] Publishes the filled slot and takes the previously published
  // (or read-and-returned) one to fill next.
  void Publish() {
    m_nBack = m_nMiddle.exchange(m_nBack | kFresh, std::memory_order_acq_rel) & kIndexMask;
  }

  // [reader] Takes the newest published slot when one came since the last
  // call; true then. The slot read stays the reader's until the next take.
  bool TakeLatest() {
    if (!(m_nMiddle.load(std::memory_order_relaxed) & kFresh)) return false;
    m_nFront = m_nMiddle.exchange(m_nFront, std::memory_order_acq_rel) & kIndexMask;
    return true;
  }
  // [reader] The slot taken last (the initial slot before any take).
  Slot& ReadSlot() { return m_slots[m_nFront]; }

 private:
  static constexpr int kIndexMask = 3;
  static constexpr int kFresh = 4;

  Slot m_slots[3];
  int m_nBack = 0;                 // the writer's
  std::atomic<int> m_nMiddle{1};   // published: index, plus kFresh until taken
  int m_nFront = 2;                // the reader's
};
