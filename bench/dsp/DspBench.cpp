// Streaming cost of the overlap FFT filter for the eight FFT/kernel size
// pairs of the quality modes, and the cost of designing a kernel.
//
// BM_FftFilterStream: one channel, one host block per iteration, cut into
// chunks of at most one hop as the effect does, with the tests' callback that
// multiplies by a designed kernel under its lock. Counters: mean_us and
// worst_us per block (the worst block is one that completes a frame),
// rt_factor = block duration at 48 kHz / mean block time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "Helpers/FFTPool.h"
#include "Helpers/FftFilter.h"
#include "Helpers/FreqDomainConvolution.h"
#include "tests/dsp/DspTestUtil.h"

namespace {

constexpr double kSampleRateHz = 48000.0;

// A broad real response, like an equaliser curve.
class CurveKernel : public FreqDomainConvolution<double> {
 public:
  CurveKernel(int N, int L) : FreqDomainConvolution<double>(N, L, 1) {}
  void SetIdealisedFreqResponse(Complex<double>* response) override {
    const int half = m_nFftSize / 2;
    for (int k = 0; k <= half; ++k) {
      const double x = std::log1p(k) / std::log1p(half);
      response[k] = Complex<double>{std::exp(0.5 * std::sin(6.0 * dsptest::kPi * x)), 0.0};
    }
  }
};

template <typename FTYPE>
void BM_FftFilterStream(benchmark::State& state) {
  const int N = int(state.range(0));
  const int L = int(state.range(1));
  const int block = int(state.range(2));
  FFT_Init();
  CurveKernel kernel(N, L);
  kernel.Setup(false);
  dsptest::KernelCallBack<FTYPE> callBack(&kernel);
  FftFilterWithCallBack<FTYPE> filter(N, L, &callBack, nullptr);
  filter.NotifyOfProcessingBlockSize(0);
  const int hop = filter.m_nHop;

  std::mt19937 gen(1);
  std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
  std::vector<float> in(block), out(block);
  for (float& v : in) v = dist(gen);
  // Warm-up: two frames' worth, so first-touch costs stay out of the worst.
  std::vector<float> warm(hop);
  for (int pos = 0; pos < 2 * N; pos += hop) {
    filter.ValuesIn(warm.data(), hop);
    filter.CompleteProcessing();
    filter.ValuesOut(warm.data(), hop);
  }

  double totalSeconds = 0.0;
  double worstSeconds = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (int pos = 0; pos < block;) {
      const int c = std::min(hop, block - pos);
      filter.ValuesIn(in.data() + pos, c);
      filter.CompleteProcessing();
      filter.ValuesOut(out.data() + pos, c);
      pos += c;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
    totalSeconds += seconds;
    worstSeconds = std::max(worstSeconds, seconds);
  }
  const double iterations = double(state.iterations());
  const double meanSeconds = iterations > 0 ? totalSeconds / iterations : 0.0;
  state.counters["mean_us"] = meanSeconds * 1e6;
  state.counters["worst_us"] = worstSeconds * 1e6;
  state.counters["rt_factor"] = meanSeconds > 0 ? (block / kSampleRateHz) / meanSeconds : 0.0;
  state.SetItemsProcessed(state.iterations() * block);
}

void BM_KernelDesign(benchmark::State& state) {
  const int N = int(state.range(0));
  const int L = int(state.range(1));
  FFT_Init();
  CurveKernel kernel(N, L);
  for (auto _ : state) {
    kernel.m_bNeedsSetup = true;
    kernel.Setup(false);
    benchmark::DoNotOptimize(kernel.m_pResponse);
  }
}

void StreamArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"fft", "kernel", "block"});
  for (const auto& pair : dsptest::kQualityPairs)
    for (int block : {64, 512}) b->Args({pair.nFftSize, pair.nKernelSize, block});
  // Enough blocks for every size to complete many frames.
  b->MinTime(1.0);
}

void DesignArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"fft", "kernel"});
  for (const auto& pair : dsptest::kQualityPairs) b->Args({pair.nFftSize, pair.nKernelSize});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK_TEMPLATE(BM_FftFilterStream, float)->Apply(StreamArgs);
BENCHMARK_TEMPLATE(BM_FftFilterStream, double)->Apply(StreamArgs);
BENCHMARK(BM_KernelDesign)->Apply(DesignArgs);

}  // namespace

BENCHMARK_MAIN();
