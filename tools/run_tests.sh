#!/usr/bin/env bash
# Installs what the tests need, builds everything (a compiler warning fails
# the build) and runs the whole test suite: once in a normal build (the
# editor tests a second time on clocks as of a machine just started) and once
# under AddressSanitizer and UndefinedBehaviorSanitizer; then the tests that
# run threads against each other once more under ThreadSanitizer, where any
# report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh
# The editor's window tests need an X server: a virtual one when there is none.
if [ -z "${DISPLAY:-}" ] && [ -z "${QVX_UNDER_XVFB:-}" ]; then
  exec env QVX_UNDER_XVFB=1 xvfb-run -a "$0" "$@"
fi
jobs=$(nproc)

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVX_BUILD_TESTS=ON -DQVX_WERROR=ON
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs"

# The editor tests once more on monotonic and boot clocks that read about
# 10 s whatever this machine's uptime: on a machine started seconds ago, a
# test clock ahead of the machine's once stalled them.
on_fresh_clocks() {
  local up back
  up=$(cut -d. -f1 /proc/uptime)
  back=$((up > 10 ? up - 10 : 0))
  unshare --time --monotonic=-"$back" --boottime=-"$back" --fork "$@"
}
if why=$(on_fresh_clocks true 2>&1); then
  for dir in editor product_editor; do
    on_fresh_clocks ctest --test-dir "build/test/tests/$dir" --output-on-failure -j "$jobs"
  done
else
  echo "Skipping the editor tests on fresh clocks: no time namespace here (${why%%$'\n'*})"
fi

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQVX_BUILD_TESTS=ON -DQVX_WERROR=ON -DQVX_SANITIZE=ON
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

# The threading tests: the audio path against the idle side and automation,
# the spectrum store, meters and scopes, the editor's threads and idle
# thread (the editor opened and closed on a real window beside busy threads
# and a long audio block), the FFT pool and wrappers, undo from two threads,
# idle scheduling and the lock.
threading='Thread|Concurrency|StressTest|FaultTest|BypassTest|FrequencyDataStore|FFT|CFft|IdleTest|LockTest|WhileAudio'
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVX_BUILD_TESTS=ON -DQVX_WERROR=ON -DQVX_TSAN=ON
cmake --build build/tsan -j "$jobs"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build/tsan --output-on-failure -j "$jobs" --no-tests=error -R "$threading"
