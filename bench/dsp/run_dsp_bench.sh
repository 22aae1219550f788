#!/usr/bin/env bash
# Builds the DSP engine benchmarks in release mode and runs them: streaming
# one channel through the overlap FFT filter for the eight FFT/kernel size
# pairs at blocks of 64 and 512 samples (mean and worst block time), and the
# kernel design time per size. Extra arguments go to the benchmark program,
# e.g. --benchmark_filter=KernelDesign.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQVX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build/bench -j4 --target dsp_bench
exec build/bench/bench/dsp/dsp_bench --benchmark_counters_tabular=true "$@"
