#!/usr/bin/env bash
# Instructions per frame, counted by callgrind rather than timed, so that a change can
# be compared across machines and noisy runs. For each path and mode at FRAMES frames
# per block (default 512) it counts the plug-in, memcpy of the same buffers, the
# hand-written loop and the effect's arithmetic as a plain loop; then the fixed cost of
# a 0-frame block.
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

# Instructions executed inside twinfoldMeasuredBlocks for one case.
count() {
  local out="$work/callgrind.out"
  valgrind --tool=callgrind --callgrind-out-file="$out" --collect-atstart=no \
    --toggle-collect=twinfoldMeasuredBlocks "$driver" "$@" >"$work/log" 2>&1 || {
    cat "$work/log" >&2
    return 1
  }
  awk '/^(summary|totals):/ { print $2; exit }' "$out"
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
printf '%-22s %12s\n' "instructions/block" "0 frames"
for path in float double; do
  printf '%-22s %12s\n' "$path" "$(per_frame "$(count plugin "$path" mono 0 "$blocks")" "$blocks")"
done
