// The reference of the whole-plug-in benchmark: the time of one forward and
// one inverse transform of each FFT size, float and double, made as the
// overlap filter makes them per frame (through the pool, in the packed
// order, on cache-line aligned arrays). Prints one line per size and type:
//   pair <N> <float|double> <nanoseconds>
// the fastest of several rounds, so that other load on a shared machine
// weighs as little as it can. Arguments: the sizes (default the sizes of the
// quality modes).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "Helpers/FFTPool.h"
#include "Helpers/FFTRealCommon.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename T>
double BestPairNs(int N) {
  CFftWrapper<T> wrapper(N);
  FFTRealArray<T> x(N), packed(N), y(N);
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  for (int i = 0; i < N; ++i) x[i] = static_cast<T>(dist(gen));
  // About 20 ms per round whatever the size.
  const int pairs = std::max(4, static_cast<int>(2e7 / (static_cast<double>(N) * 17.0)));
  double best = 1e30;
  for (int round = 0; round < 15; ++round) {
    const auto start = Clock::now();
    for (int i = 0; i < pairs; ++i) {
      wrapper.DoFFTPacked(packed.get(), x.get());
      wrapper.DoIFFTPacked(packed.get(), y.get());
    }
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count() / pairs;
    best = std::min(best, ns);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  FFT_Init();
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1024, 2048, 4096, 8192, 16384, 32768};
  for (int N : sizes) {
    if (!FFT_IsSupportedSize(N)) {
      std::fprintf(stderr, "fft_pair_time: %d is no supported size\n", N);
      return 1;
    }
    std::printf("pair %d float %.1f\n", N, BestPairNs<float>(N));
    std::printf("pair %d double %.1f\n", N, BestPairNs<double>(N));
    std::fflush(stdout);
  }
  return 0;
}
