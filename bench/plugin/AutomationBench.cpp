// Bounces of moving automation, as a host renders them flat out: 24 s of
// stereo noise at 48 kHz in blocks of 256, six band gains (three bands of
// both channels) moved before every block along a triangle from 0.5 to 0.8
// and back each second, the host answering "offline" to the process-level
// request, then "real time" while it renders as fast as the effect goes.
// Each render is a fresh instance on a thread of its own (the host's audio
// thread), the automation made there. Per quality mode: the real-time factor
// of each (best of the passes) by the wall clock and by the processor time
// of the whole process (all its threads: on a loaded machine the steadier
// figure, as long as nothing waits), and how two
// renders answered "real time" compare with each other and with the offline
// one from the first second on, as a host that compensates the reported
// latency writes the bounce (differing samples, differing blocks).
// The peer, Debian's LSP graphic equaliser (x32 stereo) in its FFT mode,
// runs the same automation on three band gains and is measured alike.
//
//   automation_bench QVX2.so [PEER.so] [--seconds S] [--block N]
//                    [--passes P] [--ratings 10,30,80] [--list]
//
// --list prints the parameters of each module and renders nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tools/qvxhost/PluginHost.h"

namespace {

constexpr int kRate = 48000;

struct Options {
  std::string module, peer;
  double seconds = 24.0;
  int block = 256;
  int passes = 3;
  std::vector<int> ratings;
  bool list = false;
};

// What one render sets up and moves: values written once after the start,
// and the automated parameters.
struct Setup {
  std::vector<std::pair<int, float>> settings;
  std::vector<int> moved;
};

struct Render {
  std::vector<float> left, right;
  double factor = 0.0;     // audio seconds per wall-clock second
  double cpuFactor = 0.0;  // ... per second of the process's processor time (all its threads)
  int latency = 0;         // frames, as reported when the render started
};

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int FindParameter(PluginHost& host, const char* name) {
  for (const ParameterInfo& p : host.QueryParameters())
    if (p.name == name) return p.index;
  return -1;
}

// The triangle from 0.5 to 0.8 and back each second, at the block's start,
// each parameter a twelfth of a second behind the one before.
float Triangle(long long frame, int i) {
  const double t = static_cast<double>(frame) / kRate + static_cast<double>(i) / 12.0;
  const double x = 2.0 * (t - static_cast<double>(static_cast<long long>(t)));
  return static_cast<float>(0.5 + 0.3 * (x < 1.0 ? x : 2.0 - x));
}

Render RenderOnce(const std::string& path, const Setup& setup, VstInt32 level, const std::vector<float>& inL,
                  const std::vector<float>& inR, int block) {
  Render r;
  const size_t frames = inL.size() / static_cast<size_t>(block) * static_cast<size_t>(block);
  r.left.assign(frames, 0.0f);
  r.right.assign(frames, 0.0f);
  PluginHost host;
  if (!host.Load(path)) {
    std::fprintf(stderr, "automation_bench: %s\n", host.Error().c_str());
    std::exit(1);
  }
  host.Start(kRate, block);
  for (const auto& s : setup.settings) host.SetParameter(s.first, s.second);
  for (size_t i = 0; i < setup.moved.size(); ++i) host.SetParameter(setup.moved[i], Triangle(0, static_cast<int>(i)));
  // The quality mode and its first kernels, as a host idles an effect
  // between loading it and starting the bounce.
  host.IdleFor(300);
  host.SetProcessLevel(level);
  r.latency = host.Latency();
  std::thread audio([&] {
    PluginHost::MarkAudioThread();
    std::vector<float> outL(static_cast<size_t>(block)), outR(outL), bufL(outL), bufR(outL);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessSeconds();
    for (size_t pos = 0; pos < frames; pos += static_cast<size_t>(block)) {
      for (size_t i = 0; i < setup.moved.size(); ++i)
        host.SetParameter(setup.moved[i], Triangle(static_cast<long long>(pos), static_cast<int>(i)));
      std::copy_n(inL.begin() + static_cast<std::ptrdiff_t>(pos), block, bufL.begin());
      std::copy_n(inR.begin() + static_cast<std::ptrdiff_t>(pos), block, bufR.begin());
      float* in[2] = {bufL.data(), bufR.data()};
      float* out[2] = {outL.data(), outR.data()};
      host.Process(in, out, block);
      std::copy_n(outL.begin(), block, r.left.begin() + static_cast<std::ptrdiff_t>(pos));
      std::copy_n(outR.begin(), block, r.right.begin() + static_cast<std::ptrdiff_t>(pos));
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.factor = static_cast<double>(frames) / kRate / elapsed;
    r.cpuFactor = static_cast<double>(frames) / kRate / (ProcessSeconds() - cpuStart);
  });
  audio.join();
  host.Close();
  return r;
}

// Samples (both channels) and blocks that differ from `from` on.
std::pair<long long, long long> Differences(const Render& a, const Render& b, size_t from, int block) {
  long long samples = 0, blocks = 0;
  for (size_t start = from; start < a.left.size(); start += static_cast<size_t>(block)) {
    long long here = 0;
    for (size_t i = start; i < std::min(a.left.size(), start + static_cast<size_t>(block)); ++i)
      here += (a.left[i] != b.left[i] ? 1 : 0) + (a.right[i] != b.right[i] ? 1 : 0);
    samples += here;
    blocks += here > 0 ? 1 : 0;
  }
  return {samples, blocks};
}

void Measure(const char* name, const std::string& path, const Setup& setup, const Options& o,
             const std::vector<float>& inL, const std::vector<float>& inR) {
  double offline = 0.0, realtime = 0.0, offlineCpu = 0.0, realtimeCpu = 0.0;
  Render first[2], second;
  for (int p = 0; p < o.passes; ++p) {
    Render off = RenderOnce(path, setup, kVstProcessLevelOffline, inL, inR, o.block);
    Render rt = RenderOnce(path, setup, kVstProcessLevelRealtime, inL, inR, o.block);
    offline = std::max(offline, off.factor);
    realtime = std::max(realtime, rt.factor);
    offlineCpu = std::max(offlineCpu, off.cpuFactor);
    realtimeCpu = std::max(realtimeCpu, rt.cpuFactor);
    if (p == 0) {
      first[0] = std::move(off);
      first[1] = std::move(rt);
    } else if (p == 1) {
      second = std::move(rt);
    }
  }
  if (o.passes < 2) second = RenderOnce(path, setup, kVstProcessLevelRealtime, inL, inR, o.block);
  // The first second of the bounce on, its latency compensated, in whole
  // blocks.
  const size_t start = static_cast<size_t>(kRate) + static_cast<size_t>(std::max(first[0].latency, 0));
  const size_t from =
      (start + static_cast<size_t>(o.block) - 1) / static_cast<size_t>(o.block) * static_cast<size_t>(o.block);
  const auto each = Differences(first[1], second, from, o.block);
  const auto vsOffline = Differences(first[1], first[0], from, o.block);
  const auto vsOffline2 = Differences(second, first[0], from, o.block);
  std::printf("%-12s %7.1f (%5.1f) %7.1f (%5.1f)   %lld (%lld)   %lld (%lld), %lld (%lld)\n", name, offline, offlineCpu,
              realtime, realtimeCpu, each.first, each.second, vsOffline.first, vsOffline.second, vsOffline2.first,
              vsOffline2.second);
  std::fflush(stdout);
}

void List(const std::string& path) {
  PluginHost host;
  if (!host.Load(path)) {
    std::fprintf(stderr, "automation_bench: %s\n", host.Error().c_str());
    std::exit(1);
  }
  for (const ParameterInfo& p : host.QueryParameters())
    std::printf("%s %d \"%s\" %g (%s %s)\n", path.c_str(), p.index, p.name.c_str(), p.value, p.display.c_str(),
                p.label.c_str());
  host.Close();
}

const char* RatingName(int rating) {
  static const char* const names[] = {"Minimum", "Low", "Medium", "High 1", "High 2", "High 3", "High 4", "Maximum"};
  return rating >= 10 && rating <= 80 && rating % 10 == 0 ? names[rating / 10 - 1] : "?";
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool more = i + 1 < argc;
    if (a == "--seconds" && more) {
      o.seconds = std::atof(argv[++i]);
    } else if (a == "--block" && more) {
      o.block = std::atoi(argv[++i]);
    } else if (a == "--passes" && more) {
      o.passes = std::atoi(argv[++i]);
    } else if (a == "--ratings" && more) {
      for (const char* s = argv[++i]; *s != '\0';) {
        o.ratings.push_back(std::atoi(s));
        while (*s != '\0' && *s != ',') ++s;
        if (*s == ',') ++s;
      }
    } else if (a == "--list") {
      o.list = true;
    } else if (o.module.empty() && a[0] != '-') {
      o.module = a;
    } else if (o.peer.empty() && a[0] != '-') {
      o.peer = a;
    } else {
      std::fprintf(stderr, "automation_bench: unknown argument %s\n", a.c_str());
      return 2;
    }
  }
  if (o.module.empty() || o.block < 1 || o.seconds * kRate < o.block || o.passes < 1) {
    std::fprintf(stderr,
                 "usage: automation_bench QVX2.so [PEER.so] [--seconds S] [--block N] [--passes P] "
                 "[--ratings 10,30,80] [--list]\n");
    return 2;
  }
  if (o.list) {
    List(o.module);
    if (!o.peer.empty()) List(o.peer);
    return 0;
  }
  std::mt19937 gen(5);
  std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
  const size_t frames = static_cast<size_t>(o.seconds * kRate);
  std::vector<float> inL(frames), inR(frames);
  for (size_t i = 0; i < frames; ++i) {
    inL[i] = dist(gen);
    inR[i] = dist(gen);
  }
  std::printf("%.0f s of noise at %d Hz in blocks of %d, gains moving every block; best of %d passes\n", o.seconds,
              kRate, o.block, o.passes);
  std::printf("%-12s %15s %15s   %s\n", "mode", "offline (cpu)", "\"rt\" (cpu)",
              "after 1 s, samples (blocks) differing: the \"rt\" renders, each against offline");

  PluginHost probe;
  if (!probe.Load(o.module)) {
    std::fprintf(stderr, "automation_bench: %s\n", probe.Error().c_str());
    return 1;
  }
  const int link = FindParameter(probe, "Quality Mode Link");
  const int rating = FindParameter(probe, "Quality Mode Rating");
  const int depth = FindParameter(probe, "BitDepth");
  probe.Close();
  if (link < 0 || rating < 0 || depth < 0) {
    std::fprintf(stderr, "automation_bench: %s has no quality settings\n", o.module.c_str());
    return 1;
  }
  if (o.ratings.empty()) o.ratings = {10, 20, 30, 40, 50, 60, 70, 80};
  for (int r : o.ratings) {
    Setup s;
    s.settings = {{link, 0.0f}, {rating, static_cast<float>(r) / 999.0f}, {depth, 0.5f}};
    // Bands 20, 40 and 60 of the default layout, left and right.
    s.moved = {40, 41, 80, 81, 120, 121};
    Measure(RatingName(r), o.module, s, o, inL, inR);
  }

  if (o.peer.empty()) return 0;
  PluginHost peer;
  if (!peer.Load(o.peer)) {
    std::printf("peer: %s\n", peer.Error().c_str());
    return 0;
  }
  Setup s;
  // Its filter mode ("mode": 0.8 is FFT) and three of its 32 band gains.
  const int mode = FindParameter(peer, "mode");
  for (const char* band : {"g_6", "g_12", "g_18"}) {
    const int index = FindParameter(peer, band);
    if (index >= 0) s.moved.push_back(index);
  }
  if (mode < 0 || s.moved.size() != 3) {
    std::printf("peer: no \"mode\" or band gains \"g_6\", \"g_12\", \"g_18\" (see --list)\n");
    return 0;
  }
  s.settings.push_back({mode, 0.8f});
  peer.SetParameter(mode, 0.8f);
  const std::string shown = peer.QueryParameter(mode).display;
  peer.Close();
  Measure(("peer " + shown).c_str(), o.peer, s, o, inL, inR);
  return 0;
}
