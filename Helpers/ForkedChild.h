// What a forked child inherits and may not use. A process forked from a host
// (to run something apart) inherits the effect's and the editor's objects,
// but only the thread that forked: the parent's other threads (the editor's
// idle thread, the audio threads, the effect's worker) are not the child's.
// A lock or flag one of them held at the fork stays held in the child for
// good, and a thread object names a thread the child does not have (glibc
// gives its id to the next thread the child starts). The editor's X
// connections are the parent's too: the child shares their sockets, and a
// request written there mixes into the parent's stream.
//
// So objects that hold such things note the process that made them, and in
// any other process neither wait for them nor release them: they try, and
// skip or leave behind what they cannot take.
//
// Blocks of audio are the exception: a block under way at a fork would leave
// the child its engine half processed and its holds (the audio-busy flag,
// each filter's lock, an offline block's hold of the idle side) held for
// good. So a fork waits, at its start, for the blocks under way to end, and
// an offline block that starts while a fork is under way waits for it
// (CForkGate); a real-time block never waits, and a child forked in its
// midst may find the effect's engine held and process silence.
//
// Thread contract: any thread; no lock, no allocation.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <thread>

class CProcessMark {
 public:
  // Marks the calling process.
  CProcessMark() { Mark(); }
  void Mark();
  // True in a process forked from the one marked last (one system call).
  bool IsForkedChild() const;

 private:
  std::atomic<pid_t> m_nPid{0};
};

// Sets aside a thread object whose handle names a thread of the parent
// process: joining or detaching it would act on whichever thread of the
// child now has that id, and a joinable object's destructor would end the
// process. Moved into storage that is never destroyed, without a pthread
// call on it. No allocation: a fork handler may call it.
void SetThreadAside(std::thread& thread);

// Holds forks off while blocks of audio are under way (see the top of this
// file). Process-wide: every block of every effect of this module counts.
class CForkGate {
 public:
  // The longest a fork waits for the blocks under way, or an offline block
  // for a fork: a block may be waiting for the forking thread itself (a
  // host that forks while holding a lock its audio thread waits for).
  static constexpr int kWaitLimitMs = 2000;

  // Puts the fork handlers in place, once per process (they allocate: never
  // on the audio thread). Any thread.
  static void Install();

  // [audio thread] Brackets a block. `mayWait`: an offline block, which
  // waits (boundedly) for a fork under way to end before it goes on.
  class CBlock {
   public:
    explicit CBlock(bool mayWait);
    ~CBlock();
    CBlock(const CBlock&) = delete;
    CBlock& operator=(const CBlock&) = delete;
  };

 private:
  static void BeforeFork();
  static void AfterForkInParent();
  static void AfterForkInChild();
  static std::atomic<int> s_nBlocks;
  static std::atomic<bool> s_bForking;
};
