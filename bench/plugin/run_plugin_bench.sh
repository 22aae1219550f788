#!/usr/bin/env bash
# The whole equaliser as a host runs it, beside a peer, in one run of the
# command-line host: builds a release tree, then for every quality mode of
# "QVX2 Master", float and double audio path, and blocks of 64, 512 and 4096
# samples renders noise at 48 kHz stereo through the plug-in with a
# non-flat setting and reports the real-time factor and the worst block
# time (second of two passes, so the first pass takes the warm-up). The peer
# is Debian's LSP graphic equaliser (x32 stereo) in its FIR and FFT modes
# with four bands boosted, measured the same way. Last, per quality mode, the
# time from a band edit to the first changed output sample (real-time
# rendering with the host idling the plug-in every 10 ms, as a host's idle
# timer does; median of three), and the same for the peer.
#
# Environment: QVX_BENCH_SECONDS (audio per render, default 20),
# QVX_BENCH_CPU (pin to this core with taskset, default none),
# QVX_BENCH_PEER (the peer's module).
set -euo pipefail
cd "$(dirname "$0")/../.."

BUILD=build/release
SECS=${QVX_BENCH_SECONDS:-20}
PEER=${QVX_BENCH_PEER:-/usr/lib/vst/lsp-plugins/graph-equalizer-x32-stereo.so}
PIN=()
if [ -n "${QVX_BENCH_CPU:-}" ] && command -v taskset >/dev/null; then PIN=(taskset -c "$QVX_BENCH_CPU"); fi

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j4 --target qvxhost qvx2_master_plugin >/dev/null
HOST="$BUILD/tools/qvxhost"
PLUGIN=$(find "$BUILD" -name 'QVX2Master.so' -type f | head -n 1)
[ -n "$PLUGIN" ] || { echo "run_plugin_bench: QVX2Master.so was not built" >&2; exit 1; }

# Quality ratings and names; parameter indexes of the full edition.
RATINGS=(10 20 30 40 50 60 70 80)
NAMES=("Minimum" "Low" "Medium" "High 1" "High 2" "High 3" "High 4" "Maximum")
P_LINK=297 P_RATING=298 P_BITDEPTH=300
# A non-flat curve (default layout "Sixths"): bands 10 and 30 raised, band 20
# lowered, both channels. The edit raises band 40 (1108.7 Hz).
QVX_SHAPE=(--set 20=0.7 --set 21=0.7 --set 40=0.35 --set 41=0.35 --set 60=0.65 --set 61=0.65)
# The peer: mode parameter 3 (FIR 0.5, FFT 0.8); four band gains raised.
PEER_SHAPE=(--set 20=0.7 --set 40=0.7 --set 60=0.65 --set 80=0.6)
BLOCKS=(64 512 4096)

# rating/999 and the bit-depth states (1 float, 2 double) as parameter values.
rating_value() { awk -v r="$1" 'BEGIN { printf "%.9f", r / 999 }'; }

# Prints "rtf worst_us latency" for one configuration: the best of three
# passes (highest real-time factor, lowest worst block), so that other load on
# the machine weighs as little as it can.
measure() {
  local out
  out=$("${PIN[@]}" "$HOST" "$@" --settle 300 --info --rate 48000 --signal noise --seconds "$SECS" \
        --bench --repeat 3)
  awk '/^latency:/ { lat = $2 } /^real-time factor:/ { if ($3 > rtf) rtf = $3 }
       /^worst block:/ { if (worst == "" || $3 < worst) worst = $3 }
       END { printf "%s %s %s\n", rtf, worst, lat }' <<<"$out"
}

# Prints the wall-clock milliseconds from an edit to the changed output: the
# median of three edits at different moments, since where an edit falls
# within the current frame decides when the next frame can carry it.
edit_time() {
  local t times=()
  for t in 1.50 1.62 1.74; do
    times+=("$("${PIN[@]}" "$HOST" "${@/@AT/@$t}" --settle 300 --rate 48000 --signal noise --seconds 3 \
               --blocks 512 --realtime --idle-ms 10 --measure-edit |
             awk '/^edit to audio:/ { if ($4 == "no") print "9999"; else print $4 }')")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n 2p
}

echo "QVX2 Master: $PLUGIN"
echo "peer:        $PEER"
echo "48 kHz stereo noise, ${SECS} s per render; real-time factor / worst block in microseconds"
echo
printf '| %-8s | %-6s | %7s |' "mode" "path" "latency"
for b in "${BLOCKS[@]}"; do printf ' %-19s |' "block $b"; done
echo
printf '|----------|--------|---------|'
for _ in "${BLOCKS[@]}"; do printf '%s|' "---------------------"; done
echo

declare -A RTF512
for i in "${!RATINGS[@]}"; do
  for path in float double; do
    depth=0.5
    [ "$path" = double ] && depth=1.0
    cells=""
    latency=""
    for b in "${BLOCKS[@]}"; do
      read -r rtf worst lat < <(measure "$PLUGIN" --set "$P_LINK=0" --set "$P_RATING=$(rating_value "${RATINGS[$i]}")" \
                                --set "$P_BITDEPTH=$depth" "${QVX_SHAPE[@]}" --blocks "$b")
      latency=$lat
      cells+=$(printf ' %8.1f / %8.0f |' "$rtf" "$worst")
      if [ "$b" = 512 ] && [ "$path" = float ]; then RTF512[$i]=$rtf; fi
    done
    printf '| %-8s | %-6s | %7s |%s\n' "${NAMES[$i]}" "$path" "$latency" "$cells"
  done
done

declare -A PEER512
if [ -f "$PEER" ]; then
  for mode in FIR FFT; do
    value=0.5
    [ "$mode" = FFT ] && value=0.8
    row=$(printf '| %-8s | %-6s | %7s |' "peer" "$mode" "")
    for b in "${BLOCKS[@]}"; do
      read -r rtf worst _ < <(measure "$PEER" --set "3=$value" "${PEER_SHAPE[@]}" --blocks "$b")
      row+=$(printf ' %8.1f / %8.0f |' "$rtf" "$worst")
      if [ "$b" = 512 ]; then PEER512[$mode]=$rtf; fi
    done
    echo "$row"
  done
else
  echo "(peer $PEER not installed: skipped)"
fi

echo
echo "Against the peer's FFT mode, stereo float, block 512:"
for i in "${!RATINGS[@]}"; do
  if [ -n "${PEER512[FFT]:-}" ]; then
    awk -v n="${NAMES[$i]}" -v q="${RTF512[$i]}" -v p="${PEER512[FFT]}" -v i="$i" 'BEGIN {
      need = (i < 5) ? 1.0 : 0.7
      printf "  %-8s %8.1f = %.2f x peer (target %s %.1f x): %s\n", n, q, q / p, (i < 5) ? ">" : ">=", need,
             ((i < 5 && q > p) || (i >= 5 && q >= need * p)) ? "met" : "NOT met" }'
  fi
done

echo
echo "Band edit to changed output (wall clock, float, block 512, idle every 10 ms, median of 3):"
for i in "${!RATINGS[@]}"; do
  ms=$(edit_time "$PLUGIN" --set "$P_LINK=0" --set "$P_RATING=$(rating_value "${RATINGS[$i]}")" --set "$P_BITDEPTH=0.5" \
       "${QVX_SHAPE[@]}" --edit 80=0.95@AT)
  printf '  %-8s %s ms\n' "${NAMES[$i]}" "$ms"
done
if [ -f "$PEER" ]; then
  for mode in FIR FFT; do
    value=0.5
    [ "$mode" = FFT ] && value=0.8
    ms=$(edit_time "$PEER" --set "3=$value" "${PEER_SHAPE[@]}" --edit 40=0.95@AT)
    printf '  peer %-3s %s ms\n' "$mode" "$ms"
  done
fi
