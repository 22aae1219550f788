// Two builds of the full edition side by side in one process: the same
// stereo noise through both in one quality mode and path, pass by pass in
// turn (ABAB, then BABA), each pass timed by the thread's processor clock,
// so that time the scheduler gives to other work on a shared machine does
// not count. Prints the real-time factors (best and median pass) and B's
// speed over A's:
//   plugin_ab A.so B.so RATING DEPTH BLOCK SECONDS PASSES
// RATING is the quality rating (10 Minimum .. 80 Maximum), DEPTH the bit
// depth parameter (0.5 float, 1.0 double); the curve is the non-flat one of
// run_plugin_bench.sh.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <utility>
#include <vector>

#include "tools/qvxhost/PluginHost.h"

namespace {

constexpr int kRate = 48000;

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 8) {
    std::fprintf(stderr, "usage: plugin_ab A.so B.so RATING DEPTH BLOCK SECONDS PASSES\n");
    return 2;
  }
  const int rating = std::atoi(argv[3]);
  const float depth = static_cast<float>(std::atof(argv[4]));
  const int block = std::atoi(argv[5]);
  const int frames = static_cast<int>(std::atof(argv[6]) * kRate);
  const int passes = std::atoi(argv[7]);
  if (block < 1 || frames < block || passes < 1) {
    std::fprintf(stderr, "plugin_ab: bad block, length or pass count\n");
    return 2;
  }
  // Link off, rating, bit depth, then bands 10, 20 and 30 of both channels.
  const float ratingValue = static_cast<float>(rating) / 999.0f;
  const std::pair<int, float> settings[] = {{297, 0.0f}, {298, ratingValue}, {300, depth}, {20, 0.7f}, {21, 0.7f},
                                            {40, 0.35f}, {41, 0.35f},        {60, 0.65f},  {61, 0.65f}};
  PluginHost hosts[2];
  for (int i = 0; i < 2; ++i) {
    if (!hosts[i].Load(argv[1 + i])) {
      std::fprintf(stderr, "plugin_ab: %s\n", hosts[i].Error().c_str());
      return 1;
    }
    hosts[i].Start(kRate, std::max(block, 512));
    for (const auto& s : settings) hosts[i].SetParameter(s.first, s.second);
    hosts[i].IdleFor(300);  // the quality mode and the kernels
  }
  std::mt19937 gen(5);
  std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
  std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
  std::vector<float> outLeft(static_cast<size_t>(block)), outRight(static_cast<size_t>(block));
  for (int i = 0; i < frames; ++i) {
    left[static_cast<size_t>(i)] = dist(gen);
    right[static_cast<size_t>(i)] = dist(gen);
  }
  std::vector<double> seconds[2];
  for (int p = 0; p < passes; ++p) {
    for (int turn = 0; turn < 2; ++turn) {
      const int who = (p & 1) != 0 ? 1 - turn : turn;
      const double start = ThreadSeconds();
      for (int pos = 0; pos + block <= frames; pos += block) {
        float* in[2] = {left.data() + pos, right.data() + pos};
        float* out[2] = {outLeft.data(), outRight.data()};
        hosts[who].Process(in, out, block);
      }
      seconds[who].push_back(ThreadSeconds() - start);
    }
  }
  const double audio = static_cast<double>(frames / block * block) / kRate;
  std::printf(
      "rating %d depth %.1f block %d: A %.0f / %.0f, B %.0f / %.0f (real-time factor, best / median pass); "
      "B / A %.3f best, %.3f median\n",
      rating, depth, block, audio / Quantile(seconds[0], 0.0), audio / Quantile(seconds[0], 0.5),
      audio / Quantile(seconds[1], 0.0), audio / Quantile(seconds[1], 0.5),
      Quantile(seconds[0], 0.0) / Quantile(seconds[1], 0.0), Quantile(seconds[0], 0.5) / Quantile(seconds[1], 0.5));
  for (PluginHost& h : hosts) h.Close();
  return 0;
}
