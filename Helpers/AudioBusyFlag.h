// The one flag the audio thread and the idle side meet at when the idle side
// replaces the engine: the audio thread holds it for each block, the idle
// side around a rebuild or teardown. The audio thread only tries it (a block
// that finds it held is output as silence, never waits); the idle side
// spins for it, which lasts at most one block, and may hold it again on the
// thread that holds it already (a rebuild inside a rebuild's scope).
//
// Thread contract: CTry on the audio thread, one block at a time; CHold on
// the idle side, any number of threads (one holds at a time); IsHeld on any
// thread. Nothing waits but CHold, and nothing allocates.
#pragma once

#include <atomic>
#include <cstdint>

class CAudioBusyFlag {
 public:
  // The idle side's hold for a scope. With `onlyTry` (a forked child, where
  // the block that holds the flag may be one of a thread the child does not
  // have) it only tries; unless Held(), the scope's work is skipped.
  class CHold {
   public:
    CHold(CAudioBusyFlag& flag, bool onlyTry);
    ~CHold();
    CHold(const CHold&) = delete;
    CHold& operator=(const CHold&) = delete;
    bool Held() const { return m_bHeld; }

   private:
    CAudioBusyFlag& m_Flag;
    bool m_bHeld = true;
  };
  // The audio thread's side: tries once; the block is skipped unless Held().
  class CTry {
   public:
    explicit CTry(CAudioBusyFlag& flag) noexcept
        : m_Flag(flag), m_bHeld(!flag.m_bBusy.exchange(true, std::memory_order_acquire)) {}
    ~CTry() {
      if (m_bHeld) m_Flag.m_bBusy.store(false, std::memory_order_release);
    }
    CTry(const CTry&) = delete;
    CTry& operator=(const CTry&) = delete;
    bool Held() const { return m_bHeld; }

   private:
    CAudioBusyFlag& m_Flag;
    bool m_bHeld;
  };

  bool IsHeld() const { return m_bBusy.load(); }

 private:
  std::atomic<bool> m_bBusy{false};
  // The idle side's hold: the owning thread's serial and its depth (the
  // depth is touched only by the owner).
  std::atomic<uint64_t> m_nOwner{0};
  int m_nDepth = 0;
};
