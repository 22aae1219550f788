// The equaliser's kernel update: parameter changes reach the audio path only
// through new kernels, and designing them (a per-bin response of up to 16385
// bins, then two transforms per channel) is too slow for the audio thread and
// for one idle call. This state machine rebuilds them on the idle side in
// steps and publishes both channels together:
//
//   0 idle -> 1 start: the response starts again from bin 0 and the mark is
//     cleared (a change from here on marks again: one more update follows)
//   -> 2 response: slices of kSliceBins bins
//   -> 3 kernels: the left one designed into its back buffer, then the
//     right one, and both committed together, only when both designs are
//     ready (a missing kernel, a response of another size or a failed design
//     keeps both committed)
//   -> 4 finish -> 0. A call that ends in 3 for want of a kernel leaves the
//     state at 4; the next call finishes.
//
// Each call does at least one piece of work (a slice or a kernel's design)
// and more while less than its budget of the clock has passed; a call whose
// time is used up returns and the next call resumes. The budget is
// kSliceBudgetMs on the effect's idle worker, which holds nobody else's
// lock, and kHostCallBudgetMs inside a host's call (its idle, the editor's
// idle), which a host may hold its own lock around, its audio waiting.
//
// The drawn curve follows the response model at the start (WYSIWYG off) or
// the committed kernels at the finish (WYSIWYG on). While suspended (the
// band-type refit writes the gains) a call changes nothing.
//
// Threads. Step runs on the idle side, one call at a time: the owner
// serialises its callers. Mark, the readers and the suspension run on any
// thread; Suspend waits, without a lock, for a step under way to end, so the
// refit never waits for anything the idle side can hold while it waits for
// the user-interface thread.
#pragma once

#include <atomic>

#include "Helpers/Assert.h"
#include "Helpers/FreqDomainConvolution.h"

class CQVX2KernelUpdate {
 public:
  enum EState { kIdle = 0, kStart = 1, kResponse = 2, kKernels = 3, kFinish = 4 };
  static constexpr int kSliceBins = 1024;
  static constexpr unsigned kSliceBudgetMs = 50;
  // Up to the next step of the 60 Hz tick clock.
  static constexpr unsigned kHostCallBudgetMs = 10;
  using Kernel = FreqDomainConvolution<double>;
  // Milliseconds, wrap-safe as GetTickCount.
  using Clock = unsigned int (*)();

  // What an update works on. The effect implements it; every call comes
  // from Step. [idle side]
  class CClient {
   public:
    // Step 0: the per-bin response starts again from its first bin.
    virtual void RestartResponse() = 0;
    // Step 1: the response model takes the current parameters.
    virtual void UpdateCalcCache() = 0;
    // Step 2: the next `bins` bins of both channels' responses; true when
    // the responses are complete.
    virtual bool ComputeResponseSlice(int bins) = 0;
    // Step 3: the kernel of channel 0 or 1 to design from the finished
    // response, or null when it is missing or the response is not of its
    // size.
    virtual Kernel* KernelToDesign(int channel) = 0;
    virtual float DesignSampleRate() = 0;
    // Publishes both finished designs together (CommitSetup on each): the
    // audio thread takes them both at the start of one block.
    virtual void CommitTogether(Kernel& left, Kernel& right) = 0;
    virtual bool IsWysiwyg() = 0;
    // The editor redraws its curve.
    virtual void MarkCurveStale() = 0;

   protected:
    ~CClient() = default;
  };

  explicit CQVX2KernelUpdate(Clock clock = &GetTickCount) : m_Clock(clock) {}
  CQVX2KernelUpdate(const CQVX2KernelUpdate&) = delete;
  CQVX2KernelUpdate& operator=(const CQVX2KernelUpdate&) = delete;

  // [any thread]
  void Mark() { m_bMarked.store(true); }
  // Forgets the mark without an update.
  void ClearMark() { m_bMarked.store(false); }
  bool IsMarked() const { return m_bMarked.load(); }
  int State() const { return m_nState.load(); }
  // Marked or under way: more calls are wanted.
  bool IsPending() const { return IsMarked() || State() != kIdle; }
  // An update begun on responses that were replaced starts again. [idle
  // side, between steps]
  void Restart() { m_nState.store(kIdle); }

  // Suspend waits for a step under way on another thread to end; Resume
  // lets steps work again. Not nested. [any thread]
  void Suspend();
  void Resume() { m_bSuspended.store(false); }
  bool IsSuspended() const { return m_bSuspended.load(); }

  // Advances the update as far as budgetMs of the clock allow, by one piece
  // of work at least. [idle side]
  void Step(CClient& client, unsigned budgetMs = kSliceBudgetMs);

 private:
  void StepStates(CClient& client, unsigned budgetMs);
  // One piece of work; false when the update has ended or waits for the
  // next call.
  bool StepOnce(CClient& client);

  const Clock m_Clock;
  // Set by any writer; cleared by the step that starts an update.
  std::atomic<bool> m_bMarked{true};
  // Written by Step and Restart (idle side); read by the editor.
  std::atomic<int> m_nState{kIdle};
  // Kernels designed so far in state 3. [idle side]
  int m_nDesigned = 0;
  // Written by the refit (user-interface thread); read by Step.
  std::atomic<bool> m_bSuspended{false};
  // True while Step runs; read by Suspend. Set before the suspension is
  // read and read after it is set, so one of the two sides sees the other.
  std::atomic<bool> m_bStepping{false};
};
