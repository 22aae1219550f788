#!/usr/bin/env bash
# The whole equaliser as a host runs it, beside a peer, in one run of the
# command-line host: builds a release tree, then for every quality mode of
# "QVX2 Master", float and double audio path, and blocks of 64, 512 and 4096
# samples renders noise at 48 kHz stereo through the plug-in with a
# non-flat setting and reports the real-time factor and the worst block
# time (best of several passes, so the first pass takes the warm-up), and
# the time per sample and channel as a multiple of the mode's FFT pair time
# per hop (one forward and one inverse transform of the mode's size as the
# filter makes them, timed by fft_pair_time before and after the renders;
# the smaller time counts). The peer is Debian's LSP graphic equaliser (x32
# stereo) in its FIR and FFT modes with four bands boosted, measured the same
# way; the script checks the targets against it. Last, per quality mode, the
# time from a band edit to the first changed output sample (real-time
# rendering with the host idling the plug-in every 10 ms, as a host's idle
# timer does; median of three), and the same for the peer.
#
# Environment: QVX_BENCH_SECONDS (audio per render, default 20),
# QVX_BENCH_REPEAT (passes per render, the best counts; default 5),
# QVX_BENCH_CPU (pin to this core with taskset, default none),
# QVX_BENCH_PEER (the peer's module), QVX_BENCH_EDITS=0 (leave out the band
# edit timings).
set -euo pipefail
cd "$(dirname "$0")/../.."

BUILD=build/release
SECS=${QVX_BENCH_SECONDS:-20}
REPEAT=${QVX_BENCH_REPEAT:-5}
PEER=${QVX_BENCH_PEER:-/usr/lib/vst/lsp-plugins/graph-equalizer-x32-stereo.so}
PIN=()
if [ -n "${QVX_BENCH_CPU:-}" ] && command -v taskset >/dev/null; then PIN=(taskset -c "$QVX_BENCH_CPU"); fi

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$BUILD" -j4 --target qvxhost qvx2_master_plugin fft_pair_time >/dev/null
HOST="$BUILD/tools/qvxhost"
PAIRTIME="$BUILD/bench/plugin/fft_pair_time"
PLUGIN=$(find "$BUILD" -name 'QVX2Master.so' -type f | head -n 1)
[ -n "$PLUGIN" ] || { echo "run_plugin_bench: QVX2Master.so was not built" >&2; exit 1; }

# Quality ratings, names, FFT and kernel sizes; parameter indexes of the
# full edition.
RATINGS=(10 20 30 40 50 60 70 80)
NAMES=("Minimum" "Low" "Medium" "High 1" "High 2" "High 3" "High 4" "Maximum")
FFTS=(1024 2048 4096 8192 16384 16384 32768 32768)
KERNELS=(512 1024 2048 4096 8192 12288 16384 24576)
RATE=48000
P_LINK=297 P_RATING=298 P_BITDEPTH=300
# A non-flat curve (default layout "Sixths"): bands 10 and 30 raised, band 20
# lowered, both channels. The edit raises band 40 (1108.7 Hz).
QVX_SHAPE=(--set 20=0.7 --set 21=0.7 --set 40=0.35 --set 41=0.35 --set 60=0.65 --set 61=0.65)
# The peer: mode parameter 3 (FIR 0.5, FFT 0.8); four band gains raised.
PEER_SHAPE=(--set 20=0.7 --set 40=0.7 --set 60=0.65 --set 80=0.6)
BLOCKS=(64 512 4096)

# rating/999 and the bit-depth states (1 float, 2 double) as parameter values.
rating_value() { awk -v r="$1" 'BEGIN { printf "%.9f", r / 999 }'; }

# Prints "rtf worst_us latency" for one configuration: the best of $REPEAT
# passes (highest real-time factor, lowest worst block), so that other load on
# the machine weighs as little as it can.
measure() {
  local out
  out=$("${PIN[@]}" "$HOST" "$@" --settle 300 --info --rate 48000 --signal noise --seconds "$SECS" \
        --bench --repeat "$REPEAT")
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

# The FFT pair reference in nanoseconds, "PAIR[<size> <float|double>]": the
# smaller of the two timings, before and after the renders.
declare -A PAIR
pair_times() {
  local n t ns
  while read -r _ n t ns; do
    if [ -z "${PAIR["$n $t"]:-}" ] || awk -v a="$ns" -v b="${PAIR["$n $t"]}" 'BEGIN { exit !(a < b) }'; then
      PAIR["$n $t"]=$ns
    fi
  done < <("${PIN[@]}" "$PAIRTIME")
}

# Time per sample and channel over the pair time per hop, from a real-time
# factor: (1 / (rtf * rate * 2)) / (pair / hop).
ratio() { awk -v rtf="$1" -v pair="$2" -v hop="$3" -v rate="$RATE" 'BEGIN { printf "%.2f", hop / (rtf * rate * 2 * pair * 1e-9) }'; }

echo "QVX2 Master: $PLUGIN"
echo "peer:        $PEER"
echo "48 kHz stereo noise, ${SECS} s per render; real-time factor / worst block in microseconds;"
echo "ratio: time per sample and channel / (FFT pair time / hop), at blocks 64, 512, 4096"
echo
pair_times

declare -A RTF WORST LAT
for i in "${!RATINGS[@]}"; do
  for path in float double; do
    depth=0.5
    [ "$path" = double ] && depth=1.0
    for b in "${BLOCKS[@]}"; do
      read -r rtf worst lat < <(measure "$PLUGIN" --set "$P_LINK=0" --set "$P_RATING=$(rating_value "${RATINGS[$i]}")" \
                                --set "$P_BITDEPTH=$depth" "${QVX_SHAPE[@]}" --blocks "$b")
      RTF[$i $path $b]=$rtf
      WORST[$i $path $b]=$worst
      LAT[$i]=$lat
    done
  done
done
declare -A PEER_RTF PEER_WORST
if [ -f "$PEER" ]; then
  for mode in FIR FFT; do
    value=0.5
    [ "$mode" = FFT ] && value=0.8
    for b in "${BLOCKS[@]}"; do
      read -r rtf worst _ < <(measure "$PEER" --set "3=$value" "${PEER_SHAPE[@]}" --blocks "$b")
      PEER_RTF[$mode $b]=$rtf
      PEER_WORST[$mode $b]=$worst
    done
  done
fi
pair_times

printf '| %-8s | %-6s | %7s | %9s |' "mode" "path" "latency" "pair (us)"
for b in "${BLOCKS[@]}"; do printf ' %-19s |' "block $b"; done
printf ' %-18s |\n' "ratio 64/512/4096"
printf '|----------|--------|---------|-----------|'
for _ in "${BLOCKS[@]}"; do printf '%s|' "---------------------"; done
printf '%s|\n' "--------------------"
for i in "${!RATINGS[@]}"; do
  hop=$((FFTS[i] - KERNELS[i]))
  for path in float double; do
    pair=${PAIR["${FFTS[$i]} $path"]}
    row=$(printf '| %-8s | %-6s | %7s | %9.1f |' "${NAMES[$i]}" "$path" "${LAT[$i]}" "$(awk -v p="$pair" 'BEGIN { print p / 1000 }')")
    ratios=""
    for b in "${BLOCKS[@]}"; do
      row+=$(printf ' %8.1f / %8.0f |' "${RTF[$i $path $b]}" "${WORST[$i $path $b]}")
      ratios+="$(ratio "${RTF[$i $path $b]}" "$pair" "$hop")/"
    done
    printf '%s %-18s |\n' "$row" "${ratios%/}"
  done
done
if [ -f "$PEER" ]; then
  for mode in FIR FFT; do
    row=$(printf '| %-8s | %-6s | %7s | %9s |' "peer" "$mode" "" "")
    for b in "${BLOCKS[@]}"; do row+=$(printf ' %8.1f / %8.0f |' "${PEER_RTF[$mode $b]}" "${PEER_WORST[$mode $b]}"); done
    printf '%s %-18s |\n' "$row" ""
  done
else
  echo "(peer $PEER not installed: skipped)"
fi

echo
echo "Targets (block 512 unless said):"
for i in "${!RATINGS[@]}"; do
  hop=$((FFTS[i] - KERNELS[i]))
  for path in float double; do
    r=$(ratio "${RTF[$i $path 512]}" "${PAIR["${FFTS[$i]} $path"]}" "$hop")
    awk -v n="${NAMES[$i]}" -v p="$path" -v r="$r" 'BEGIN {
      printf "  %-8s %-6s time per sample and channel %.2f x pair per hop (at most 1.3): %s\n", n, p, r, r <= 1.3 ? "met" : "NOT met" }'
  done
done
# Against the peer (a float path) and within the block period: the float
# path; the double path's figures are printed beside for comparison.
if [ -n "${PEER_RTF[FFT 512]:-}" ]; then
  for i in "${!RATINGS[@]}"; do
    awk -v n="${NAMES[$i]}" -v q="${RTF[$i float 512]}" -v qd="${RTF[$i double 512]}" -v peer="${PEER_RTF[FFT 512]}" \
        -v i="$i" 'BEGIN {
      need = (i < 5) ? 2.0 : 1.2
      printf "  %-8s float %8.1f = %.2f x the peer'"'"'s FFT mode (at least %.1f x): %s (double %.2f x)\n", n, q, q / peer,
             need, (q >= need * peer) ? "met" : "NOT met", qd / peer }'
  done
fi
awk -v w="${WORST[7 float 64]}" -v wd="${WORST[7 double 64]}" -v rate="$RATE" 'BEGIN {
  limit = 64 / rate * 1e6 / 4
  printf "  Maximum  float worst call at block 64 %.0f us (at most a quarter of the period, %.0f us): %s (double %.0f us)\n",
         w, limit, w <= limit ? "met" : "NOT met", wd }'
[ "${QVX_BENCH_EDITS:-1}" = 0 ] && exit 0
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
