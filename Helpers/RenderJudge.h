// How each block renders, and whether its stream starts afresh: one rule,
// judged once per block from everything the effect knows of the host.
//
// Two questions, asked at the start of every block (BeginBlock):
//
// 1. Offline or real time. An offline block has every setting made before
//    it shape it, the same on every run: it may wait (boundedly) for the
//    idle side and design kernels itself. A real-time block never waits for
//    anything the idle side can hold and never designs a kernel: new kernels
//    come from the idle side. In order of precedence:
//    a. The host's word "offline", or "Offline Render" on while the host does
//       not say "real time": offline.
//    b. No word (or "user thread") on the thread that acts as the host's
//       user-interface thread: offline (hosts bounce a track there).
//    c. Otherwise real time, unless the blocks come faster than
//       kRealTimeBound times real time: a render flat out is found once its
//       audio leads that pace by more than the longest burst a real-time host
//       delivers at once (kBurstSeconds) and a block, within about half a
//       second of audio. Once found it stays offline until its blocks have
//       come at real-time pace for kReleaseSeconds of wall time: their audio
//       never gained more than a burst and a block on the wall clock, and
//       caught up with it within the last burst's time (the lead back as
//       low as it was over the last burst's time or two), which a render
//       faster than real time, only ever gaining, never does. So a stretch
//       a busy machine slows does not turn a bounce into real time, while a
//       host that fills its buffer flat out and then keeps it full in bursts
//       is real time again a second or so after the fill. Real-time play in
//       bursts of up to kBurstSeconds is real time from its first block, and
//       a host that says "real time" while it exports at less than
//       kRealTimeBound times real time is rendered as real time throughout.
//    Wall time between blocks counts for no more than a burst's gap
//    (kBurstSeconds and a block): a pause is no real-time pace. An offline
//    block's own time, from its start to its end, is the effect's work (a
//    kernel design), not the host's pace.
//
// 2. Whether the stream starts afresh (the filters and bypass lines are
//    cleared before the block). Always at a boundary the host makes: the
//    effect resumed (mains off and on, or RequestNewStream), a new sample
//    rate or block size, the transport starting (a block that finds it
//    playing after one that found it stopped). An offline block also when
//    the transport's position jumps (it is playing and the block does not
//    continue the last one within kJumpSeconds or kJumpBlocks blocks). A
//    real-time block also after quiet: no block for more than kQuietSeconds,
//    unless the transport plays with its position advancing. Nothing timed
//    ever clears an offline render: no pause, gap, idle call or stall.
//
// The idle side asks only this object whether audio has stopped
// (IsAudioStopped): no block is under way and none ended within
// kQuietSeconds; or the last block was a real-time one that found the
// transport stopped (a host that goes on processing while stopped); or the
// last block was an offline one of the calling thread, whose render has
// ended. Clock readings are monotonic microseconds compared as signed
// differences, each read after any wait of its caller, so a comparison
// neither wraps nor uses a time read before a wait.
//
// The host's user-interface thread is known here too: the one that last
// opened or idled the effect or worked its editor (NoteUserInterfaceThread),
// told apart by its serial (Helpers/AudioThread.h). Every other thread is
// served as an audio thread.
//
// Thread contract: BeginBlock and EndBlock bracket each block, one block at
// a time (a host's pool may send each from another thread); they never wait,
// never allocate and call nothing. Every other operation: any thread, at
// once, lock-free.
#pragma once

#include <atomic>
#include <cstdint>

#include "Helpers/AudioThread.h"

class CRenderJudge {
 public:
  // --- the rule's constants ----------------------------------------------------
  // No block for longer than this: audio has stopped, and a real-time stream
  // starts afresh (unless the transport plays on).
  static constexpr double kQuietSeconds = 0.5;
  // The most audio a real-time host delivers at once (a deep playback buffer
  // refilled in chunks, blocks run ahead).
  static constexpr double kBurstSeconds = 0.5;
  // Renders slower than this many times real time are real time.
  static constexpr double kRealTimeBound = 2.0;
  // Wall time at real-time pace that lets a render found offline go.
  static constexpr double kReleaseSeconds = 1.0;
  // Blocks of slack above kBurstSeconds in the lead that finds a render, and
  // in the lead its release allows.
  static constexpr double kSlackBlocks = 1.0;
  // The lead may stand this far above its lowest and still count as caught
  // up with the wall clock (a device's jitter).
  static constexpr double kCatchUpSeconds = 0.05;
  // A transport position off its expected continuation by more than the
  // larger of these is a jump: hosts that report positions per period while
  // splitting it into smaller blocks stay within them.
  static constexpr double kJumpSeconds = 0.1;
  static constexpr double kJumpBlocks = 4.0;

  // What the host said of the block's process level.
  enum class EHostWord { kNone, kRealTime, kOffline };
  // Why a block renders as it does.
  enum class EReason { kRealTime, kHostSaysOffline, kOfflineRenderSetting, kUserInterfaceThread, kPace };

  struct CBlockFacts {
    EHostWord word = EHostWord::kNone;
    bool offlineRender = false;  // the "Offline Render" setting
    bool transportKnown = false;  // the host answered the time request
    bool transportPlaying = false;
    double transportPosition = 0.0;  // samples
    int frames = 0;
    double sampleRate = 0.0;
    int blockSize = 0;  // the size the host announced
  };
  struct CVerdict {
    bool offline = false;
    bool newStream = false;
    EReason reason = EReason::kRealTime;
  };
  // Counts for tests and diagnostics.
  struct CCounts {
    int64_t blocks = 0, offline = 0, newStreams = 0;
  };

  // Monotonic microseconds.
  using Clock = int64_t (*)();
  explicit CRenderJudge(Clock clock = &MonotonicMicroseconds) : m_Clock(clock) {}
  CRenderJudge(const CRenderJudge&) = delete;
  CRenderJudge& operator=(const CRenderJudge&) = delete;

  // [audio thread] The start of a block: its verdict.
  CVerdict BeginBlock(const CBlockFacts& facts);
  // [audio thread] The end of the block begun last.
  void EndBlock();

  // The calling thread opens or idles the effect or works its editor: it is
  // the host's user-interface thread.
  void NoteUserInterfaceThread() { m_nUserInterfaceThread.store(ThisThreadSerial(), std::memory_order_relaxed); }
  // The host suspends the effect: no block comes until it resumes, and the
  // pace starts again.
  void NoteSuspended() { m_bPaceResetAsked.store(true, std::memory_order_relaxed); }
  // The next block starts a new stream (the effect resumed). Any thread.
  void RequestNewStream() { m_bNewStreamAsked.store(true, std::memory_order_release); }

  bool IsUserInterfaceThread() const {
    return m_nUserInterfaceThread.load(std::memory_order_relaxed) == ThisThreadSerial();
  }
  // The idle side's one question (see the top of this file).
  bool IsAudioStopped() const;
  // An offline render runs on another thread than the calling one: a block
  // is under way there or ended within kQuietSeconds. Its blocks design what
  // they need themselves.
  bool IsOfflineRenderOnAnotherThread() const;
  CCounts Counts() const;

  // A scripted clock for tests, set before the first block.
  void SetClockForTesting(Clock clock) { m_Clock = clock; }
  static int64_t MonotonicMicroseconds();

 private:
  // Seconds from `from` to `to` (microseconds), never negative.
  static double SecondsBetween(int64_t from, int64_t to);
  // The pace of a block of `block` seconds, `wall` seconds of the host's
  // time after the last: true while the render counts as offline.
  bool NotePace(double block, double wall);
  void ResetPace();
  // The release's measures start again from this block.
  void StartRelease();

  Clock m_Clock;

  // Written by the blocks (one at a time, possibly from different threads):
  // relaxed atomics, ordered by the host's hand-over of its blocks.
  std::atomic<bool> m_bFast{false};
  std::atomic<double> m_fFindLead{0.0};     // audio ahead of kRealTimeBound times the wall clock
  std::atomic<double> m_fReleaseLead{0.0};  // audio ahead of the wall clock, while fast
  std::atomic<double> m_fPacedSeconds{0.0};  // wall time at real-time pace, while fast
  // The release lead before a block at its lowest over this span of
  // kBurstSeconds of m_fPacedSeconds and the last one (kNoLead: none yet),
  // and when it was last that low.
  static constexpr double kNoLead = 1e9;
  std::atomic<double> m_fSpanStart{0.0};
  std::atomic<double> m_fSpanLow{kNoLead};
  std::atomic<double> m_fLastSpanLow{kNoLead};
  std::atomic<double> m_fCaughtUpAt{0.0};
  std::atomic<int64_t> m_nLastStartUs{0};
  std::atomic<double> m_fLastOwnWork{0.0};  // seconds, of the last block when it was offline
  std::atomic<bool> m_bHavePrevious{false};
  std::atomic<bool> m_bLastTransportKnown{false};
  std::atomic<bool> m_bLastPlaying{false};
  std::atomic<double> m_fLastPosition{0.0};
  std::atomic<int> m_nLastFrames{0};
  std::atomic<double> m_fLastRate{0.0};
  std::atomic<int> m_nLastBlockSize{0};
  std::atomic<bool> m_bPaceResetAsked{false};

  // Read by the idle side.
  std::atomic<int> m_nInFlight{0};
  std::atomic<int64_t> m_nLastEndUs{0};
  std::atomic<bool> m_bAnyBlock{false};
  std::atomic<bool> m_bLastOffline{false};
  std::atomic<uint64_t> m_nLastThread{0};  // ThisThreadSerial of the last block
  std::atomic<bool> m_bNewStreamAsked{false};

  std::atomic<int64_t> m_nBlocks{0}, m_nOfflineBlocks{0}, m_nNewStreams{0};

  // The serial of the thread that last opened or idled the effect or worked
  // its editor.
  std::atomic<uint64_t> m_nUserInterfaceThread{0};
};
