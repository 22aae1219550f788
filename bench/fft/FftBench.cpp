// Forward + inverse pairs of the real-FFT kernels for every length and sample
// type, beside FFTW's real transforms (FFTW_MEASURE plans) of the same
// length, and a table of the time ratio ours / FFTW.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVX_BUILD_BENCHMARKS=ON
//   cmake --build build/bench --target fft_bench && build/bench/bench/fft/fft_bench
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Helpers/FFTPool.h"
#include "Helpers/FFTRealFixLen.h"

namespace {

template <typename T>
struct AlignedBuffer {
  explicit AlignedBuffer(long n)
      : p(static_cast<T*>(::operator new(sizeof(T) * static_cast<size_t>(n), std::align_val_t(64)))),
        size(n) {
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (long i = 0; i < n; ++i) p[i] = static_cast<T>(dist(gen));
  }
  ~AlignedBuffer() { ::operator delete(p, std::align_val_t(64)); }
  T* p;
  long size;
};

template <int L, typename T>
void BM_FFTRealPair(benchmark::State& state, EFftIsa isa) {
  constexpr long n = 1L << L;
  auto obj = std::make_unique<FFTRealFixLen<L, T>>();
  AlignedBuffer<T> x(n), f(n), y(n);
  for (auto _ : state) {
    obj->do_fft_isa(isa, f.p, x.p);
    obj->do_ifft_isa(isa, f.p, y.p);
    benchmark::DoNotOptimize(y.p);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <typename T>
void BM_CFftWrapperPair(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CFftWrapper<T> wrapper(n);
  AlignedBuffer<T> x(n), spec(n + 2), y(n);
  for (auto _ : state) {
    wrapper.DoFFT(n, spec.p, x.p);
    wrapper.DoIFFT(n, spec.p, y.p);
    benchmark::DoNotOptimize(y.p);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_FftwPairFloat(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  float* x = fftwf_alloc_real(n);
  float* y = fftwf_alloc_real(n);
  fftwf_complex* c = fftwf_alloc_complex(n / 2 + 1);
  fftwf_plan fwd = fftwf_plan_dft_r2c_1d(n, x, c, FFTW_MEASURE);
  fftwf_plan inv = fftwf_plan_dft_c2r_1d(n, c, y, FFTW_MEASURE);
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  for (int i = 0; i < n; ++i) x[i] = dist(gen);
  for (auto _ : state) {
    fftwf_execute(fwd);
    fftwf_execute(inv);
    benchmark::DoNotOptimize(y);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
  fftwf_destroy_plan(fwd);
  fftwf_destroy_plan(inv);
  fftwf_free(c);
  fftwf_free(y);
  fftwf_free(x);
}

void BM_FftwPairDouble(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  double* x = fftw_alloc_real(n);
  double* y = fftw_alloc_real(n);
  fftw_complex* c = fftw_alloc_complex(n / 2 + 1);
  fftw_plan fwd = fftw_plan_dft_r2c_1d(n, x, c, FFTW_MEASURE);
  fftw_plan inv = fftw_plan_dft_c2r_1d(n, c, y, FFTW_MEASURE);
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  for (int i = 0; i < n; ++i) x[i] = dist(gen);
  for (auto _ : state) {
    fftw_execute(fwd);
    fftw_execute(inv);
    benchmark::DoNotOptimize(y);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
  fftw_destroy_plan(fwd);
  fftw_destroy_plan(inv);
  fftw_free(c);
  fftw_free(y);
  fftw_free(x);
}

// The kernels on the path this processor uses, and on the 128-bit path that
// processors without AVX2 use.
template <typename T>
void RegisterOurs(const char* type_name) {
  auto reg = [&](auto fn, int L) {
    const std::string suffix = std::string(type_name) + "/" + std::to_string(1L << L);
    benchmark::RegisterBenchmark(("BM_FFTRealPair/" + suffix).c_str(), fn, FftBestIsa());
    if (FftBestIsa() == EFftIsa::kAvx2)
      benchmark::RegisterBenchmark(("BM_FFTRealPairSse2/" + suffix).c_str(), fn, EFftIsa::kSse2);
  };
  reg(BM_FFTRealPair<8, T>, 8);
  reg(BM_FFTRealPair<9, T>, 9);
  reg(BM_FFTRealPair<10, T>, 10);
  reg(BM_FFTRealPair<11, T>, 11);
  reg(BM_FFTRealPair<12, T>, 12);
  reg(BM_FFTRealPair<13, T>, 13);
  reg(BM_FFTRealPair<14, T>, 14);
  reg(BM_FFTRealPair<15, T>, 15);
  reg(BM_FFTRealPair<16, T>, 16);
  reg(BM_FFTRealPair<17, T>, 17);
}

// Keeps the fastest repetition's time per iteration (ns) of every benchmark
// while printing as usual: on a shared machine the fastest is the least
// disturbed.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const double ns = run.GetAdjustedRealTime() *
                        (run.time_unit == benchmark::kNanosecond    ? 1.0
                         : run.time_unit == benchmark::kMicrosecond ? 1e3
                         : run.time_unit == benchmark::kMillisecond ? 1e6
                                                                    : 1e9);
      auto it = m_times.find(run.run_name.str());
      if (it == m_times.end() || ns < it->second) m_times[run.run_name.str()] = ns;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Get(const std::string& name) const {
    auto it = m_times.find(name);
    return it == m_times.end() ? -1.0 : it->second;
  }

 private:
  std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char** argv) {
  FFT_Init();
  RegisterOurs<float>("float");
  RegisterOurs<double>("double");
  benchmark::RegisterBenchmark("BM_FftwPair/float", BM_FftwPairFloat)->RangeMultiplier(2)->Range(256, 131072);
  benchmark::RegisterBenchmark("BM_FftwPair/double", BM_FftwPairDouble)->RangeMultiplier(2)->Range(256, 131072);
  benchmark::RegisterBenchmark("BM_CFftWrapperPair/float", BM_CFftWrapperPair<float>)->RangeMultiplier(2)->Range(256, 131072);
  benchmark::RegisterBenchmark("BM_CFftWrapperPair/double", BM_CFftWrapperPair<double>)->RangeMultiplier(2)->Range(256, 131072);

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const char* isa = FftBestIsa() == EFftIsa::kAvx2 ? "avx2" : FftBestIsa() == EFftIsa::kSse2 ? "sse2" : "plain";
  std::printf("\nForward+inverse pair, time per pair (ns); kernels use the %s path\n", isa);
  std::printf("%-7s %8s %12s %12s %8s %12s %8s %12s %8s\n", "type", "N", "kernels", "FFTW", "ratio",
              "sse2 path", "ratio", "wrapper", "ratio");
  for (const char* type : {"float", "double"}) {
    for (long n = 256; n <= 131072; n *= 2) {
      const std::string sn = std::to_string(n);
      const double ours = reporter.Get("BM_FFTRealPair/" + std::string(type) + "/" + sn);
      const double fftw = reporter.Get("BM_FftwPair/" + std::string(type) + "/" + sn);
      const double wrap = reporter.Get("BM_CFftWrapperPair/" + std::string(type) + "/" + sn);
      const double sse2 = reporter.Get("BM_FFTRealPairSse2/" + std::string(type) + "/" + sn);
      if (ours < 0 || fftw < 0) continue;
      std::printf("%-7s %8ld %12.0f %12.0f %8.2f", type, n, ours, fftw, ours / fftw);
      if (sse2 > 0)
        std::printf(" %12.0f %8.2f", sse2, sse2 / fftw);
      else
        std::printf(" %12s %8s", "-", "-");
      if (wrap > 0)
        std::printf(" %12.0f %8.2f\n", wrap, wrap / fftw);
      else
        std::printf(" %12s %8s\n", "-", "-");
    }
  }
  return 0;
}
