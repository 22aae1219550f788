#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs the Debian packages
# the build needs, builds the release, installs the plug-ins (both editions)
# for the current user (~/.vst, where LinuxVST hosts look), and runs the
# command-line host on the full edition with the built-in test signal (a
# logarithmic sine sweep), printing the plug-in's record and the processing
# figures, and writing the processed sweep to
# build/release/qvxhost-output.wav.
#
# Extra arguments go to the host, e.g. `tools/setup_and_run.sh --input my.wav`.
set -euo pipefail
cd "$(dirname "$0")/.."

# The plug-ins to build and install, as CMake target and module file name;
# the host runs on the first. (The pass-through test effect is
# qvx_test_passthrough / QVXPassThroughTest.so.)
PLUGIN_TARGETS=(qvx2_master_plugin qvx2_std_plugin)
PLUGIN_FILES=(QVX2Master.so QVX2.so)

tools/install_deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVX_BUILD_TESTS=ON
cmake --build build/release -j "$(nproc)" --target qvxhost "${PLUGIN_TARGETS[@]}"

mkdir -p "$HOME/.vst"
for file in "${PLUGIN_FILES[@]}"; do
  module=$(find build/release -name "$file" -type f | head -n 1)
  if [ -z "$module" ]; then
    echo "setup_and_run: $file was not built" >&2
    exit 1
  fi
  install -m 0644 "$module" "$HOME/.vst/$file"
  echo "installed $HOME/.vst/$file"
done

build/release/tools/qvxhost "$HOME/.vst/${PLUGIN_FILES[0]}" --info \
  --signal sweep --seconds 10 --bench --output build/release/qvxhost-output.wav "$@"
echo "processed test signal written to build/release/qvxhost-output.wav"
