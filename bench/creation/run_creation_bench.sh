#!/usr/bin/env bash
# What creating effects costs: builds a release tree, then creates and starts
# 16 instances of each edition, and of the peer (Debian's LSP graphic
# equaliser, x32 stereo) when it is installed, one process per run, and
# prints the processor time of the first instance and of all 16.
#
# Environment: QVX_BENCH_PEER (the peer's module), QVX_BENCH_RUNS (runs per
# module, the best counts; default 5). Extra arguments go to creation_bench
# (e.g. --instances 32).
set -euo pipefail
cd "$(dirname "$0")/../.."

BUILD=build/release
PEER=${QVX_BENCH_PEER:-/usr/lib/vst/lsp-plugins/graph-equalizer-x32-stereo.so}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$BUILD" -j4 --target creation_bench qvx2_master_plugin qvx2_std_plugin >/dev/null
MODULES=()
for name in QVX2Master.so QVX2.so; do
  module=$(find "$BUILD" -name "$name" -type f | head -n 1)
  [ -n "$module" ] || { echo "run_creation_bench: $name was not built" >&2; exit 1; }
  MODULES+=("$module")
done
if [ -f "$PEER" ]; then MODULES+=("$PEER"); else echo "(peer $PEER not installed: skipped)"; fi
exec "$BUILD/bench/creation/creation_bench" --runs "${QVX_BENCH_RUNS:-5}" "$@" "${MODULES[@]}"
