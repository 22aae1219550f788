#!/usr/bin/env bash
# The README's screenshots of the full edition's editor, made by the
# command-line host on a virtual X server while noise plays: the front
# panel with the live spectrum under a curve drawn with the mouse (bass
# raised, a dip in the low mids, presence raised), and the back panel.
# Builds the release tree when needed (the packages come from
# tools/install_deps.sh) and writes docs/front-panel.png and
# docs/back-panel.png, or into the folder given as the first argument.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVX_BUILD_TESTS=ON >/dev/null
cmake --build build/release -j "$(nproc)" --target qvxhost qvx2_master_plugin
module=$(find build/release -name QVX2Master.so -type f | head -n 1)
mkdir -p "$out"
# The default settings: a preference folder of its own.
prefs=$(mktemp -d)
trap 'rm -rf "$prefs"' EXIT

# Graph: x 32..504 (its left 10 pixels zoom the dB scale; 20 Hz near 45, 1 kHz near 305, 10 kHz near 440), y 35..263
# (+20 dB to -20 dB, 0 dB at 149). The pointer leaves the window before each
# shot, the spectrum gets time to settle, and the flip button (top right)
# turns the panel round.
XDG_CONFIG_HOME=$prefs xvfb-run -a -s "-screen 0 1280x1024x24" build/release/tools/qvxhost "$module" \
  --editor --signal noise --script "
    drag 48,115 120,115 6; drag 120,115 250,180 10; drag 250,180 320,180 4
    drag 320,180 420,125 8; drag 420,125 500,149 4
    move 700,500; wait 3000; shot $out/front-panel.png
    click 450,12; await change 390,0 500,25; idle 5; move 700,500; idle 5; shot $out/back-panel.png"
