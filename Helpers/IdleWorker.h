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
// by a mutex of their own); Wake and OnWorkerThread on any thread. The pass
// runs on the worker only, one at a time.
//
// Fork: a process that forks with a worker running (a host that isolates
// risky calls in a child) forks between two passes, never inside one, so
// the child inherits no lock a pass held. The child has no worker thread:
// its effects get no passes there, and Stop in the child lets the thread
// object go without joining; a Start after that runs a thread of the
// child's own.
#pragma once

#include <semaphore.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class CIdleWorker {
 public:
  // A pass's answer: sleep until the next Wake.
  static constexpr int kUntilWoken = -1;
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

  // The registry of running workers that a fork waits on.
  static void BeforeFork();
  static void AfterForkInParent();
  static void AfterForkInChild();

  const Pass m_Pass;
  sem_t m_Wake;
  // Held by the worker for each pass, and by a forking thread across fork.
  std::mutex m_PassLock;
  // The thread was the parent's: set by the child's fork handler (the child
  // has one thread then), read and cleared by Stop under m_Control.
  bool m_bForkedAway = false;
  std::atomic<bool> m_bWakePosted{false};
  std::atomic<bool> m_bStop{false};
  std::atomic<std::thread::id> m_WorkerId{};
  std::mutex m_Control;  // Start and Stop
  std::thread m_Thread;  // under m_Control
};
