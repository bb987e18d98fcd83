#!/bin/sh
# Runs every fuzz target for a while, each on a scratch copy of its checked-in corpus
# (so the repository's seeds stay as they are). Builds nothing.
#
#   fuzz/run.sh [seconds-per-target] [build-dir]
#
# seconds-per-target defaults to 15; build-dir (where the fuzz targets were built,
# see fuzz/CMakeLists.txt) defaults to build/fuzz. Inputs that fail are kept under
# <build-dir>/fuzz-findings with the full log; the script exits non-zero if any
# target found something. Extra libFuzzer flags may be given in TWINFOLD_FUZZ_FLAGS.
set -eu

seconds=${1:-15}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build/fuzz}
findings=$build/fuzz-findings
targets="dispatcher chunk events parameters lv2_options preset_file edition_state lv2_time clap_process vst3_process"

for target in $targets; do
  if [ ! -x "$build/fuzz/twinfold_fuzz_$target" ]; then
    echo "missing $build/fuzz/twinfold_fuzz_$target: build with -DTWINFOLD_BUILD_FUZZ=ON first" >&2
    exit 2
  fi
done

mkdir -p "$findings"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM

failed=""
for target in $targets; do
  corpus=$scratch/$target
  mkdir -p "$corpus"
  if [ -d "$root/fuzz/corpus/$target" ]; then
    cp "$root/fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  fi
  log=$findings/$target.log
  # shellcheck disable=SC2086 # the extra flags are split on purpose
  # libFuzzer's own limits end a slow input, not a target stuck outside one: the run
  # as a whole gets a bound too.
  if timeout -k 10 $((seconds + 120)) "$build/fuzz/twinfold_fuzz_$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" ${TWINFOLD_FUZZ_FLAGS:-} "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $target: ${runs:-?} inputs in ${seconds}s, nothing found"
  else
    echo "fuzz $target: FAILED, see $log" >&2
    tail -n 30 "$log" >&2
    failed="$failed $target"
  fi
done

if [ -n "$failed" ]; then
  echo "fuzz targets with findings:$failed" >&2
  exit 1
fi
