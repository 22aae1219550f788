// A thread of the effect's own for its idle work, for hosts that never call
// the effect's idle and never open its editor. It sleeps until it is woken or
// until the time its last pass asked for, runs one pass, and so on until it
// is stopped; it never wakes on its own while no pass asked for a time.
//
// Waking. Wake may be called on any thread, the audio thread included (host
// automation arrives there): it never waits, never allocates and takes no
// lock. It posts a POSIX semaphore, which is an atomic increment plus a
// futex wake only while the worker sleeps in it, and at most once per pass:
// a flag that the worker clears before each pass tells later wakes that one
// is on its way. A condition variable would not do: a notify that cannot be
// lost must be made under the mutex the worker checks its work under, and
// the audio thread may not wait for that mutex.
//
// Thread contract: Start and Stop on any thread but the worker (serialised
// by a mutex of their own); RestartIfForkedAway on any thread but an audio
// thread; Wake and OnWorkerThread on any thread. The pass runs on the worker
// only, one at a time.
//
// Fork: a process that forks with a worker running (a host that isolates
// risky calls in a child) forks between two passes, never inside one, so
// the child inherits no lock a pass held. The child has no worker thread,
// and the thread object's handle names a thread it does not have (glibc
// gives that id to the next thread the child starts): the child's fork
// handler sets the object aside without a pthread call on it, where it is
// never destroyed. The worker then starts afresh on RestartIfForkedAway (the
// effect calls it from the host's requests) or Start; a Stop before that
// only forgets it.
#pragma once

#include <semaphore.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class CIdleWorker {
 public:
  // A pass's answer: sleep until the next Wake.
  static constexpr int kUntilWoken = -1;
  // A pass's answer: sleep `ms` milliseconds, deaf to wakes meanwhile (the
  // work they would ask for is another thread's until then), which then
  // cost their callers one atomic exchange and no post.
  static constexpr int Deaf(int ms) { return ms | kDeafBit; }
  // One pass of work; answers the milliseconds until the next pass is due,
  // or kUntilWoken. Exceptions are caught and reported.
  using Pass = std::function<int()>;

  explicit CIdleWorker(Pass pass);
  ~CIdleWorker();
  CIdleWorker(const CIdleWorker&) = delete;
  CIdleWorker& operator=(const CIdleWorker&) = delete;

  // Starts the thread, which runs a first pass at once; nothing when it
  // runs already. False when no thread could be started.
  bool Start();
  // In a forked child, starts a worker that ran in the parent and was not
  // stopped here since; otherwise one atomic load. Never waits: when another
  // thread is in Start or Stop it leaves the worker to that call. Not on the
  // audio thread (a thread start allocates).
  void RestartIfForkedAway();
  // Asks for the end and joins the thread (a pass under way finishes
  // first). Nothing when it is not running.
  void Stop();
  // The next pass runs as soon as the worker is free.
  void Wake();
  bool OnWorkerThread() const;

 private:
  void Main();
  // Sleeps until a Wake or for `ms` milliseconds (kUntilWoken: no limit).
  void Sleep(int ms);
  // Start's work, with m_Control and the registry held.
  bool StartHolding();

  // The registry of running workers that a fork waits on.
  static void BeforeFork();
  static void AfterForkInParent();
  static void AfterForkInChild();

  static constexpr int kDeafBit = 1 << 30;

  const Pass m_Pass;
  sem_t m_Wake;
  // Held by the worker for each pass, and by a forking thread across fork.
  std::mutex m_PassLock;
  // Ran in the parent of this forked child: set by the child's fork handler
  // (the child has one thread then), cleared under m_Control by Start and
  // Stop, read by RestartIfForkedAway without it.
  std::atomic<bool> m_bForkedAway{false};
  std::atomic<bool> m_bWakePosted{false};
  std::atomic<bool> m_bStop{false};
  std::atomic<uint64_t> m_nWorkerThread{0};  // ThisThreadSerial of the running worker
  std::mutex m_Control;  // Start and Stop
  std::thread m_Thread;  // under m_Control; set with the registry's lock held too
  CIdleWorker* m_pNextRunning = nullptr;  // the registry's list, under its lock
};
