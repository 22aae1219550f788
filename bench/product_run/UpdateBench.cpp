// The idle side's cost of a band edit, per quality mode: from the parameter
// write to both new kernels committed, as the filter update runs it (the
// per-bin response of the curve, two kernel designs, the commit), with the
// idle entry called back to back. A host adds its idle period on top; the
// audio then carries the new kernels from the next completed frame on.
#include <benchmark/benchmark.h>

#include <chrono>

#include "QVX2/QVX2.h"

namespace {

VstIntPtr Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

class BenchQvx2 : public AQVX2 {
 public:
  BenchQvx2() : AQVX2(Host) {}
  void SetMode(int rating) {
    setParameter(kQvx2QMLink, 0.0f);
    setParameter(kQvx2QualityRating, static_cast<float>(rating) / 999.0f);
    setSampleRate(48000.0f);
    suspend();
    resume();
    CompleteFilterUpdate();
  }
  const void* Committed() const { return m_pEngine->pKernel[0]->m_pResponse; }
};

void BM_BandEditToKernelsCommitted(benchmark::State& state) {
  BenchQvx2 fx;
  fx.SetMode(static_cast<int>(state.range(0)));
  int calls = 0;
  float value = 0.6f;
  for (auto _ : state) {
    value = value == 0.6f ? 0.8f : 0.6f;
    const void* before = fx.Committed();
    fx.setParameter(80, value);  // band 40 of "Sixths", 1108.7 Hz
    while (fx.Committed() == before) {
      fx.fxIdleInner();
      ++calls;
    }
  }
  state.counters["idle_calls"] = benchmark::Counter(calls, benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(BM_BandEditToKernelsCommitted)->DenseRange(10, 80, 10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
