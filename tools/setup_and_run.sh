#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs the Debian packages
# the build needs, builds the release, installs the plug-ins (both editions)
# for the current user (~/.vst, where LinuxVST hosts look), and runs the
# command-line host on the full edition: it sets a non-flat equaliser curve,
# lets the plug-in build its kernels, renders the built-in test signal (a
# logarithmic sine sweep at 48 kHz) through it and prints what it did: the
# plug-in's record, the settings it was given as the plug-in displays them,
# the processing figures, and the level of the output against the input in
# a few frequency regions. The processed sweep is written to
# build/release/qvxhost-output.wav (latency removed).
#
# Extra arguments go to the host, e.g. `tools/setup_and_run.sh --input my.wav`.
set -euo pipefail
cd "$(dirname "$0")/.."

# The plug-ins to build and install, as CMake target and module file name;
# the host runs on the first. (The pass-through test effect is
# qvx_test_passthrough / QVXPassThroughTest.so.)
PLUGIN_TARGETS=(qvx2_master_plugin qvx2_std_plugin)
PLUGIN_FILES=(QVX2Master.so QVX2.so)

# The curve: layout "Thirds" (292 = 2/99), bands 3-5 (43.7-69.3 Hz) +8 dB,
# band 17 (1108.7 Hz) -8 dB, bands 27-29 (8.9-14.1 kHz) +6 dB, on both
# channels (band b: parameters 2b left, 2b+1 right; 0.5 is 0 dB, 40 dB span).
SHOWN=(292)
SETTINGS=(--set 292=0.0202020202)
add_band() {  # band, value
  SETTINGS+=(--set "$((2 * $1))=$2" --set "$((2 * $1 + 1))=$2")
  SHOWN+=("$((2 * $1))" "$((2 * $1 + 1))")
}
for b in 3 4 5; do add_band "$b" 0.7; done
add_band 17 0.3
for b in 27 28 29; do add_band "$b" 0.65; done

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

out=build/release/qvxhost-output.wav
report=$(build/release/tools/qvxhost "$HOME/.vst/${PLUGIN_FILES[0]}" --info --params "${SETTINGS[@]}" \
  --settle 300 --rate 48000 --signal sweep --seconds 10 --bench --compensate --output "$out" "$@")
# The record and the figures as the host printed them; of the parameter
# table only the header and the settings made here.
shown=" ${SHOWN[*]} "
awk -v shown="$shown" '
  /^index / { print "settings given:"; print; next }
  /^ *[0-9]+  / { if (index(shown, " " $1 " ")) print; next }
  { print }' <<<"$report"

# What the curve did to the sweep: level of the output against the input,
# over the stretch of the sweep that covers each region.
if [ $# -eq 0 ]; then
  # 32-bit float samples from the data chunk on (2 channels interleaved).
  data=$(grep -obUa "data" "$out" | head -n 1 | cut -d: -f1)
  od -An -v -f -w8 -j "$((data + 8))" "$out" | awk '
    function region(lo, hi, what,   a, b, i, s, n) {
      # The sweep runs exponentially from 20 Hz to 20 kHz over its length.
      a = int(frames * log(lo / 20) / log(1000)); b = int(frames * log(hi / 20) / log(1000))
      s = 0; n = 0
      for (i = a; i < b; ++i) { s += left[i] * left[i]; ++n }
      printf "  %6.0f-%-6.0f Hz  %+6.2f dB   (%s)\n", lo, hi, 20 * log(sqrt(s / n) / (0.5 / sqrt(2))) / log(10), what
    }
    { left[frames++] = $1 }
    END {
      print "output level against the input (sweep amplitude 0.5), left channel:"
      region(45, 65, "bands 3-5 set to +8 dB")
      region(300, 500, "flat region")
      region(1000, 1250, "band 17, 1108.7 Hz, set to -8 dB")
      region(9500, 13000, "bands 27-29 set to +6 dB")
    }'
fi
echo "processed test signal written to $out"
