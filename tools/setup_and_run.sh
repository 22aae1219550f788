#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs the Debian packages
# the build needs, builds the release, installs the plug-in for the current
# user (~/.vst, where LinuxVST hosts look), and runs the command-line host on
# it with the built-in test signal (a logarithmic sine sweep), printing the
# plug-in's record and parameters and the processing figures, and writing
# the processed sweep to build/release/qvxhost-output.wav.
#
# Extra arguments go to the host, e.g. `tools/setup_and_run.sh --input my.wav`.
set -euo pipefail
cd "$(dirname "$0")/.."

# The plug-in to build, install and run: CMake target and module file name.
# Until the product's module exists this is the pass-through test effect.
PLUGIN_TARGET=qvx_test_passthrough
PLUGIN_FILE=QVXPassThroughTest.so

tools/install_deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVX_BUILD_TESTS=ON
cmake --build build/release -j "$(nproc)" --target qvxhost "$PLUGIN_TARGET"

module=$(find build/release -name "$PLUGIN_FILE" -type f | head -n 1)
if [ -z "$module" ]; then
  echo "setup_and_run: $PLUGIN_FILE was not built" >&2
  exit 1
fi
mkdir -p "$HOME/.vst"
install -m 0644 "$module" "$HOME/.vst/$PLUGIN_FILE"
echo "installed $HOME/.vst/$PLUGIN_FILE"

build/release/tools/qvxhost "$HOME/.vst/$PLUGIN_FILE" --info --params \
  --signal sweep --seconds 10 --bench --output build/release/qvxhost-output.wav "$@"
echo "processed test signal written to build/release/qvxhost-output.wav"
