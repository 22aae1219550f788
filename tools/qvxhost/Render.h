// Rendering audio through a hosted effect, offline or paced in real time,
// with timing of every process call, scheduled parameter edits, idle calls
// between blocks, and the measurement of how long a parameter edit takes to
// reach the audio.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/qvxhost/AudioIO.h"
#include "tools/qvxhost/PluginHost.h"

// Block sizes per process call: fixed ("512"), a cycled list ("64,1,4096"),
// or random within a range ("random:1-4096" or "random:1-4096:SEED"), as
// hosts vary them.
class BlockSchedule {
 public:
  // False with `error` set for a malformed text or a size outside 1..1048576.
  bool Parse(const std::string& text, std::string& error);
  int Next();
  int MaxSize() const;
  void Restart();

 private:
  std::vector<int> m_Sizes{512};
  size_t m_nNext = 0;
  bool m_bRandom = false;
  int m_nMin = 0, m_nMax = 0;
  uint32_t m_nSeed = 1;
  std::mt19937 m_Random{1};
};

// A parameter edit at a time in the rendered signal.
struct ScheduledEdit {
  int index = 0;
  float value = 0.0f;
  double atSeconds = 0.0;
};

struct RenderOptions {
  BlockSchedule blocks;
  int idleEveryBlocks = 1;         // offline: effIdle after every N blocks (0: no idle, offline or real time)
  double idleIntervalMs = 10.0;    // real time: the user-interface thread's idle period
  bool compensateLatency = false;  // drop the reported latency from the output's start
  bool inPlace = false;            // outputs share the input buffers
  std::vector<ScheduledEdit> edits;
};

struct RenderStats {
  int64_t blocks = 0;
  int64_t frames = 0;
  double processSeconds = 0.0;  // time spent in the process calls
  double meanBlockUs = 0.0;
  double worstBlockUs = 0.0;
  double idleSeconds = 0.0;     // time spent in idle calls (offline)
  double realTimeFactor = 0.0;  // audio duration / process time
  int latencyUsed = 0;          // frames dropped from the output's start
};

// Renders `input` (channel c of the effect's input reads channel c modulo
// the input's channel count) into `output` (one channel per effect output).
// The host must be started. Edits apply before the block that contains their
// time.
bool RenderOffline(PluginHost& host, const AudioBuffer& input, RenderOptions options, AudioBuffer& output,
                   RenderStats& stats, std::string& error);

// As RenderOffline, but the process calls run on an audio thread paced to
// real time while the calling thread plays the host's user-interface thread:
// it idles the effect every idleIntervalMs (never with idleEveryBlocks 0) and
// applies the edits at their wall-clock times. `editFrames` receives, per edit, the audio position the
// audio thread had reached when the edit was applied; `blockDoneSeconds` the
// wall-clock completion time of each block (from the render's start) and
// `blockStarts` each block's first frame.
struct RealtimeTrace {
  std::vector<int64_t> editFrames;
  std::vector<double> editSeconds;
  std::vector<int64_t> blockStarts;
  std::vector<double> blockDoneSeconds;
};
bool RenderRealtime(PluginHost& host, const AudioBuffer& input, RenderOptions options, AudioBuffer& output,
                    RenderStats& stats, RealtimeTrace& trace, std::string& error);

// The audio thread of a real-time run: processes `input` through the effect
// of every host, block by block, each block due when the previous one has
// played. Once through the input, or over and over until Stop (`loop`).
// The hosts must be started and have an effect with outputs; they outlive
// this object. Every call is made on the thread that created it.
class RealtimeAudio {
 public:
  // `output`: the first host's output (once through only; may be null).
  // `trace`: receives each block's start and completion time (once through
  // only; may be null).
  RealtimeAudio(std::vector<PluginHost*> hosts, const AudioBuffer& input, const RenderOptions& options,
                AudioBuffer* output, bool loop, RealtimeTrace* trace = nullptr);
  ~RealtimeAudio();
  RealtimeAudio(const RealtimeAudio&) = delete;
  RealtimeAudio& operator=(const RealtimeAudio&) = delete;

  void Start();
  // Asks the audio thread to stop after its current block and joins it.
  void Stop();
  // The input has been played (never while looping).
  bool Done() const;
  // Frames processed so far.
  int64_t Position() const;
  double SecondsSinceStart() const;
  // The process-call figures of the first host; complete after Stop.
  const RenderStats& Stats() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};

// Time from one parameter edit to the first output that differs from a
// render without the edit by more than `threshold`.
struct EditResponse {
  bool changed = false;
  int64_t editFrame = 0;       // audio position when the edit was applied
  int64_t changeFrame = 0;     // first frame that differs
  double audioMs = 0.0;        // (changeFrame - editFrame) in milliseconds of audio
  double wallMs = 0.0;         // edit to completion of the block holding the change
};
// `prepare` loads and sets up a fresh host (two are made: the reference and
// the measured run); the edit is the first of options.edits.
bool MeasureEditResponse(const std::function<bool(PluginHost&, std::string&)>& prepare, const HostConfig& config,
                         const AudioBuffer& input, const RenderOptions& options, float threshold,
                         EditResponse& response, std::string& error);
