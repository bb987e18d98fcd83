#!/usr/bin/env bash
# Prints the time, in seconds since 1970, that release packages give their members:
#   tools/source-date-epoch.sh [SOURCE_DIR]
# SOURCE_DATE_EPOCH when set; else, in a git checkout of SOURCE_DIR, its last commit's
# time; else (a copy of the sources without history) the release date in
# cmake/Product.cmake. Each is fixed by the sources, so packages stay reproducible.
set -euo pipefail
source_dir=$(cd "${1:-$(dirname "$0")/..}" && pwd -P)

if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "$SOURCE_DATE_EPOCH"
  exit 0
fi
# Only a checkout of this tree itself: a copy inside some other repository is not one.
top=$(git -C "$source_dir" rev-parse --show-toplevel 2>/dev/null || true)
if [ -n "$top" ] && [ "$(cd "$top" && pwd -P)" = "$source_dir" ]; then
  git -C "$source_dir" log -1 --format=%ct
  exit 0
fi
eval "$(cmake -P "$source_dir/cmake/Product.cmake")"
[ -n "${release_date:-}" ] || { echo "source-date-epoch.sh: no release date in cmake/Product.cmake" >&2; exit 1; }
date -u -d "$release_date" +%s
