#include "tools/qvxhost/Render.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool ParseInt(const std::string& text, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (!end || *end != 0 || v < -2147483647L || v > 2147483647L) return false;
  out = static_cast<int>(v);
  return true;
}

constexpr int kMaxBlock = 1 << 20;

// The buffers of one render and the copy of each block in and out. Without
// an output the processed audio is dropped; looping reads the input over and
// over.
class BlockRunner {
 public:
  BlockRunner(PluginHost& host, const AudioBuffer& input, const RenderOptions& options, AudioBuffer* output,
              bool loop = false)
      : m_Host(host), m_Input(input), m_pOutput(output), m_bInPlace(options.inPlace), m_bLoop(loop) {
    const AEffect* e = host.Effect();
    m_nIns = std::max(0, e->numInputs);
    m_nOuts = std::max(0, e->numOutputs);
    const int maxBlock = options.blocks.MaxSize();
    const int shared = std::max(m_nIns, m_nOuts);
    m_Storage.assign(static_cast<size_t>(shared + m_nOuts), std::vector<float>(static_cast<size_t>(maxBlock)));
    for (int c = 0; c < m_nIns; ++c) m_In.push_back(m_Storage[c].data());
    for (int c = 0; c < m_nOuts; ++c) m_Out.push_back(m_bInPlace ? m_Storage[c].data() : m_Storage[shared + c].data());
    m_nLatency = options.compensateLatency ? std::max(0, host.Latency()) : 0;
    m_nTotal = loop ? std::numeric_limits<int64_t>::max() : input.NumFrames() + m_nLatency;
    if (output) output->Resize(m_nOuts, input.NumFrames());
  }

  int Latency() const { return m_nLatency; }
  int64_t TotalFrames() const { return m_nTotal; }

  // Processes frames [pos, pos + n) of the render; answers the seconds spent
  // in the process call.
  double Run(int64_t pos, int n) {
    const int64_t inFrames = m_Input.NumFrames();
    const int inChannels = m_Input.NumChannels();
    for (int c = 0; c < m_nIns; ++c) {
      float* dst = m_In[c];
      for (int i = 0; i < n; ++i) {
        int64_t src = pos + i;
        if (m_bLoop && inFrames > 0) src %= inFrames;
        dst[i] = (inChannels > 0 && src < inFrames) ? m_Input.channels[c % inChannels][static_cast<size_t>(src)] : 0.0f;
      }
    }
    if (!m_bInPlace)
      for (int c = 0; c < m_nOuts; ++c) std::memset(m_Out[c], 0, sizeof(float) * static_cast<size_t>(n));
    const auto start = Clock::now();
    m_Host.Process(m_In.data(), m_Out.data(), n);
    const double seconds = SecondsSince(start);
    if (!m_pOutput) return seconds;
    const int64_t outFrames = m_pOutput->NumFrames();
    for (int c = 0; c < m_nOuts; ++c)
      for (int i = 0; i < n; ++i) {
        const int64_t dst = pos + i - m_nLatency;
        if (dst >= 0 && dst < outFrames) m_pOutput->channels[c][static_cast<size_t>(dst)] = m_Out[c][i];
      }
    return seconds;
  }

 private:
  PluginHost& m_Host;
  const AudioBuffer& m_Input;
  AudioBuffer* m_pOutput;
  bool m_bInPlace, m_bLoop;
  int m_nIns = 0, m_nOuts = 0, m_nLatency = 0;
  int64_t m_nTotal = 0;
  std::vector<std::vector<float>> m_Storage;
  std::vector<float*> m_In, m_Out;
};

void AddBlock(RenderStats& stats, int frames, double seconds) {
  stats.blocks += 1;
  stats.frames += frames;
  stats.processSeconds += seconds;
  stats.worstBlockUs = std::max(stats.worstBlockUs, seconds * 1e6);
}

void Finish(RenderStats& stats, double sampleRate) {
  stats.meanBlockUs = stats.blocks ? stats.processSeconds * 1e6 / static_cast<double>(stats.blocks) : 0.0;
  const double audioSeconds = static_cast<double>(stats.frames) / sampleRate;
  stats.realTimeFactor = stats.processSeconds > 0.0 ? audioSeconds / stats.processSeconds : 0.0;
}

bool CheckHost(PluginHost& host, std::string& error) {
  if (!host.Effect()) {
    error = "no effect loaded";
    return false;
  }
  if (host.Effect()->numOutputs <= 0) {
    error = "the effect has no outputs";
    return false;
  }
  return true;
}

}  // namespace

bool BlockSchedule::Parse(const std::string& text, std::string& error) {
  std::vector<int> sizes;
  if (text.rfind("random:", 0) == 0) {
    const std::string range = text.substr(7);
    const size_t dash = range.find('-');
    const size_t colon = range.find(':');
    int lo = 0, hi = 0, seed = 1;
    if (dash == std::string::npos || !ParseInt(range.substr(0, dash), lo) ||
        !ParseInt(range.substr(dash + 1, colon == std::string::npos ? std::string::npos : colon - dash - 1), hi) ||
        (colon != std::string::npos && (!ParseInt(range.substr(colon + 1), seed) || seed < 0)) || lo < 1 ||
        hi < lo || hi > kMaxBlock) {
      error = "bad block sizes '" + text + "' (expected random:MIN-MAX[:SEED] within 1.." +
              std::to_string(kMaxBlock) + ")";
      return false;
    }
    m_bRandom = true;
    m_nMin = lo;
    m_nMax = hi;
    m_nSeed = static_cast<uint32_t>(seed);
    Restart();
    return true;
  }
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    int size = 0;
    if (!ParseInt(item, size) || size < 1 || size > kMaxBlock) {
      error = "bad block size '" + item + "' (expected 1.." + std::to_string(kMaxBlock) + ")";
      return false;
    }
    sizes.push_back(size);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  m_Sizes = sizes;
  m_bRandom = false;
  Restart();
  return true;
}

int BlockSchedule::Next() {
  if (m_bRandom) return std::uniform_int_distribution<int>(m_nMin, m_nMax)(m_Random);
  const int size = m_Sizes[m_nNext];
  m_nNext = (m_nNext + 1) % m_Sizes.size();
  return size;
}

int BlockSchedule::MaxSize() const { return m_bRandom ? m_nMax : *std::max_element(m_Sizes.begin(), m_Sizes.end()); }

void BlockSchedule::Restart() {
  m_nNext = 0;
  m_Random.seed(m_nSeed);
}

bool RenderOffline(PluginHost& host, const AudioBuffer& input, RenderOptions options, AudioBuffer& output,
                   RenderStats& stats, std::string& error) {
  if (!CheckHost(host, error)) return false;
  stats = RenderStats();
  host.SetProcessLevel(kVstProcessLevelOffline);
  BlockRunner runner(host, input, options, &output);
  stats.latencyUsed = runner.Latency();
  const double rate = host.SampleRate();
  std::vector<ScheduledEdit> edits = options.edits;
  std::stable_sort(edits.begin(), edits.end(),
                   [](const ScheduledEdit& a, const ScheduledEdit& b) { return a.atSeconds < b.atSeconds; });
  size_t nextEdit = 0;
  int64_t pos = 0;
  while (pos < runner.TotalFrames()) {
    const int n = static_cast<int>(std::min<int64_t>(options.blocks.Next(), runner.TotalFrames() - pos));
    while (nextEdit < edits.size() && static_cast<int64_t>(edits[nextEdit].atSeconds * rate) < pos + n) {
      host.SetParameter(edits[nextEdit].index, edits[nextEdit].value);
      ++nextEdit;
    }
    AddBlock(stats, n, runner.Run(pos, n));
    pos += n;
    if (options.idleEveryBlocks > 0 && stats.blocks % options.idleEveryBlocks == 0) {
      const auto start = Clock::now();
      host.Idle();
      stats.idleSeconds += SecondsSince(start);
    }
  }
  Finish(stats, rate);
  host.SetProcessLevel(PluginHost::kProcessLevelByThread);
  return true;
}

struct RealtimeAudio::Impl {
  std::vector<PluginHost*> hosts;
  std::vector<std::unique_ptr<BlockRunner>> runners;
  RenderOptions options;
  RealtimeTrace* trace = nullptr;
  RenderStats stats;                  // written: audio thread; read after the join
  std::atomic<int64_t> position{0};  // written: audio thread
  std::atomic<bool> done{false};      // written: audio thread
  std::atomic<bool> stop{false};      // written: the owner
  Clock::time_point start;
  std::thread thread;

  void Main() {
    for (PluginHost* host : hosts) host->SetProcessLevel(kVstProcessLevelRealtime);
    PluginHost::MarkAudioThread();
    const double rate = hosts[0]->SampleRate();
    const int64_t total = runners[0]->TotalFrames();
    int64_t pos = 0;
    while (pos < total && !stop.load()) {
      const int n = static_cast<int>(std::min<int64_t>(options.blocks.Next(), total - pos));
      // A block is due when the previous one has been played.
      std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(static_cast<double>(pos) / rate)));
      AddBlock(stats, n, runners[0]->Run(pos, n));
      for (size_t h = 1; h < runners.size(); ++h) runners[h]->Run(pos, n);
      if (trace) {
        trace->blockStarts.push_back(pos);
        trace->blockDoneSeconds.push_back(SecondsSince(start));
      }
      pos += n;
      position = pos;
    }
    for (PluginHost* host : hosts) host->SetProcessLevel(PluginHost::kProcessLevelByThread);
    done = true;
  }
};

RealtimeAudio::RealtimeAudio(std::vector<PluginHost*> hosts, const AudioBuffer& input, const RenderOptions& options,
                             AudioBuffer* output, bool loop, RealtimeTrace* trace)
    : m_pImpl(new Impl) {
  Impl& m = *m_pImpl;
  m.hosts = std::move(hosts);
  m.options = options;
  m.trace = loop ? nullptr : trace;
  for (size_t h = 0; h < m.hosts.size(); ++h)
    m.runners.emplace_back(new BlockRunner(*m.hosts[h], input, options, (h == 0 && !loop) ? output : nullptr, loop));
  m.stats.latencyUsed = m.runners.empty() ? 0 : m.runners[0]->Latency();
}

RealtimeAudio::~RealtimeAudio() { Stop(); }

void RealtimeAudio::Start() {
  if (m_pImpl->thread.joinable() || m_pImpl->hosts.empty()) return;
  m_pImpl->start = Clock::now();
  m_pImpl->thread = std::thread([this] { m_pImpl->Main(); });
}

void RealtimeAudio::Stop() {
  m_pImpl->stop = true;
  if (!m_pImpl->thread.joinable()) return;
  m_pImpl->thread.join();
  Finish(m_pImpl->stats, m_pImpl->hosts[0]->SampleRate());
}

bool RealtimeAudio::Done() const { return m_pImpl->done.load(); }
int64_t RealtimeAudio::Position() const { return m_pImpl->position.load(); }
double RealtimeAudio::SecondsSinceStart() const { return SecondsSince(m_pImpl->start); }
const RenderStats& RealtimeAudio::Stats() const { return m_pImpl->stats; }

bool RenderRealtime(PluginHost& host, const AudioBuffer& input, RenderOptions options, AudioBuffer& output,
                    RenderStats& stats, RealtimeTrace& trace, std::string& error) {
  if (!CheckHost(host, error)) return false;
  trace = RealtimeTrace();
  RealtimeAudio audio({&host}, input, options, &output, false, &trace);
  audio.Start();

  std::vector<ScheduledEdit> edits = options.edits;
  std::stable_sort(edits.begin(), edits.end(),
                   [](const ScheduledEdit& a, const ScheduledEdit& b) { return a.atSeconds < b.atSeconds; });
  size_t nextEdit = 0;
  const auto idlePeriod = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double, std::milli>(std::max(0.1, options.idleIntervalMs)));
  auto nextIdle = Clock::now() + idlePeriod;
  while (!audio.Done()) {
    const double now = audio.SecondsSinceStart();
    while (nextEdit < edits.size() && edits[nextEdit].atSeconds <= now) {
      trace.editFrames.push_back(audio.Position());
      trace.editSeconds.push_back(audio.SecondsSinceStart());
      host.SetParameter(edits[nextEdit].index, edits[nextEdit].value);
      ++nextEdit;
    }
    if (options.idleEveryBlocks > 0 && Clock::now() >= nextIdle) {
      host.Idle();
      nextIdle += idlePeriod;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  audio.Stop();
  stats = audio.Stats();
  return true;
}

bool MeasureEditResponse(const std::function<bool(PluginHost&, std::string&)>& prepare, const HostConfig& config,
                         const AudioBuffer& input, const RenderOptions& options, float threshold,
                         EditResponse& response, std::string& error) {
  response = EditResponse();
  if (options.edits.empty()) {
    error = "no edit to measure";
    return false;
  }
  AudioBuffer reference, measured;
  RenderStats stats;
  {
    PluginHost host(config);
    if (!prepare(host, error)) return false;
    RenderOptions plain = options;
    plain.edits.clear();
    plain.blocks.Restart();
    RealtimeTrace unused;
    if (!RenderRealtime(host, input, plain, reference, stats, unused, error)) return false;
  }
  RealtimeTrace trace;
  double rate = 0.0;
  {
    PluginHost host(config);
    if (!prepare(host, error)) return false;
    RenderOptions edited = options;
    edited.edits.resize(1);
    edited.blocks.Restart();
    if (!RenderRealtime(host, input, edited, measured, stats, trace, error)) return false;
    rate = host.SampleRate();
  }
  if (trace.editFrames.empty()) {
    error = "the edit time lies beyond the end of the signal";
    return false;
  }
  response.editFrame = trace.editFrames[0];
  const int64_t frames = std::min(reference.NumFrames(), measured.NumFrames());
  const int latency = stats.latencyUsed;
  // Output frame f was produced by the block holding render frame f + latency.
  for (int64_t f = std::max<int64_t>(0, response.editFrame - latency); f < frames && !response.changed; ++f)
    for (int c = 0; c < measured.NumChannels(); ++c)
      if (std::fabs(measured.channels[c][static_cast<size_t>(f)] - reference.channels[c][static_cast<size_t>(f)]) >
          threshold) {
        response.changed = true;
        response.changeFrame = f + latency;
        break;
      }
  if (!response.changed) return true;
  response.audioMs = static_cast<double>(response.changeFrame - response.editFrame) * 1000.0 / rate;
  const auto it = std::upper_bound(trace.blockStarts.begin(), trace.blockStarts.end(), response.changeFrame);
  const size_t block = static_cast<size_t>(std::max<std::ptrdiff_t>(0, (it - trace.blockStarts.begin()) - 1));
  response.wallMs = (trace.blockDoneSeconds[block] - trace.editSeconds[0]) * 1000.0;
  return true;
}
