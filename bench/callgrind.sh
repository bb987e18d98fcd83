#!/usr/bin/env bash
# Instructions per frame, counted by callgrind rather than timed, so that a change can
# be compared across machines and noisy runs. For each path and mode at FRAMES frames
# per block (default 512) it counts the plug-in, memcpy of the same buffers, the
# hand-written loop and the effect's arithmetic as a plain loop; then the fixed cost of
# a 0-frame block, split into the plug-in's own instructions and the host's answers;
# then a 1-frame block of each edition as its hosts call it; then, when the benchmarks
# were built with the tests, the LV2 edition against the peer (both run through lilv)
# and memcpy at the block sizes live hosts run.
#
#   bench/callgrind.sh [BUILD_DIR] [FRAMES]
#
# BUILD_DIR is a build with -DTWINFOLD_BUILD_BENCH=ON (default build/bench). Needs
# valgrind. TWINFOLD_PLUGIN may name another plug-in library to count.
set -euo pipefail

build_dir=${1:-build/bench}
frames=${2:-512}
blocks=200
driver="$build_dir/bench/twinfold_instruction_count"

if ! command -v valgrind >/dev/null; then
  echo "callgrind.sh: valgrind is not installed" >&2
  exit 1
fi
if [[ ! -x $driver ]]; then
  echo "callgrind.sh: $driver not found; build with -DTWINFOLD_BUILD_BENCH=ON" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Instructions executed inside the measured function (twinfoldMeasuredBlocks, or the
# one named by $measured) for one case of $program (default: the driver).
count() {
  local out="$work/callgrind.out"
  valgrind --tool=callgrind --callgrind-out-file="$out" --collect-atstart=no \
    --toggle-collect="${measured:-twinfoldMeasuredBlocks}" "${program:-$driver}" "$@" >"$work/log" 2>&1 || {
    cat "$work/log" >&2
    return 1
  }
  awk '/^(summary|totals):/ { print $2; exit }' "$out"
}

# Of the last count, the instructions executed in the plug-in library itself.
count_in_plugin() {
  local library=${TWINFOLD_PLUGIN:-$build_dir/host/Quillmarsh_twinfold.so}
  callgrind_annotate --inclusive=no --threshold=100 "$work/callgrind.out" |
    awk -v lib="[$(realpath "$library")]" 'index($0, lib) { gsub(",", "", $1); sum += $1 } END { print sum + 0 }'
}

per_frame() { awk -v ir="$1" -v n="$2" 'BEGIN { printf "%.2f", ir / n }'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }

# ratio: the plug-in over memcpy of the same buffers.
printf '%-22s %10s %10s %8s %10s %10s\n' "instructions/frame" "plug-in" "memcpy" "ratio" "hand loop" "plain"
total=$((frames * blocks))
for path in float double; do
  copy=$(count memcpy "$path" stereo "$frames" "$blocks")
  for mode in stereo mono; do
    plugin=$(count plugin "$path" "$mode" "$frames" "$blocks")
    hand=$(count hand "$path" "$mode" "$frames" "$blocks")
    plain=$(count plain "$path" "$mode" "$frames" "$blocks")
    printf '%-22s %10s %10s %8s %10s %10s\n' "$path/$mode/$frames" "$(per_frame "$plugin" $total)" \
      "$(per_frame "$copy" $total)" "$(ratio "$plugin" "$copy")" "$(per_frame "$hand" $total)" \
      "$(per_frame "$plain" $total)"
  done
done

echo
# All: everything in the measured loop; plug-in: the library's own share; the rest is
# the host answering the four time queries and the driver's loop.
printf '%-22s %12s %12s\n' "instructions/block" "0 frames" "in plug-in"
for path in float double; do
  all=$(count plugin "$path" mono 0 "$blocks")
  printf '%-22s %12s %12s\n' "$path" "$(per_frame "$all" "$blocks")" "$(per_frame "$(count_in_plugin)" "$blocks")"
done

echo
# The editions' fixed cost: a 1-frame float stereo block, the driver's call included.
printf '%-22s %12s\n' "edition instr/block" "1 frame"
for edition in lv2 vst3 clap; do
  printf '%-22s %12s\n' "$edition" "$(per_frame "$(count "$edition" float stereo 1 "$blocks")" "$blocks")"
done

peer_driver="$build_dir/bench/twinfold_peer_bench"
if [[ -x $peer_driver ]]; then
  echo
  printf '%-22s %10s %10s %10s %10s %12s\n' "LV2 instructions/frame" "lv2" "peer" "memcpy" "lv2/peer" "lv2/memcpy"
  for frames_now in 32 64 128 512 2048; do
    copy=$(program=$peer_driver measured=twinfoldMeasuredRuns count --count memcpy stereo "$frames_now" "$blocks")
    for mode in stereo mono; do
      ours=$(program=$peer_driver measured=twinfoldMeasuredRuns count --count lv2 "$mode" "$frames_now" "$blocks")
      if peer=$(program=$peer_driver measured=twinfoldMeasuredRuns count --count peer "$mode" "$frames_now" \
        "$blocks" 2>/dev/null); then
        peer_text=$(per_frame "$peer" $((frames_now * blocks)))
        ratio_text=$(ratio "$ours" "$peer")
      else
        peer_text="-" ratio_text="no peer"
      fi
      printf '%-22s %10s %10s %10s %10s %12s\n' "$mode/$frames_now" "$(per_frame "$ours" $((frames_now * blocks)))" \
        "$peer_text" "$(per_frame "$copy" $((frames_now * blocks)))" "$ratio_text" "$(ratio "$ours" "$copy")"
    done
  done
fi
