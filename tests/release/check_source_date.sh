#!/usr/bin/env bash
# The packages' date from a copy of the sources without history, and from the
# environment: tools/source-date-epoch.sh run in copies of SOURCE_DIR's script and
# cmake/Product.cmake.
#   check_source_date.sh SOURCE_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/twinfold-source-date.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
expect() { [ "$2" = "$3" ] || { echo "FAIL: $1: $2, not $3"; status=1; }; }

plain="$work/plain"
mkdir -p "$plain/tools" "$plain/cmake"
cp "$source_dir/tools/source-date-epoch.sh" "$plain/tools/"
sed 's/^set(TWINFOLD_RELEASE_DATE .*/set(TWINFOLD_RELEASE_DATE "2031-02-03T04:05:06Z")/' \
  "$source_dir/cmake/Product.cmake" >"$plain/cmake/Product.cmake"
unset SOURCE_DATE_EPOCH
expect "a copy without history" "$("$plain/tools/source-date-epoch.sh" "$plain")" 1927857906
expect "SOURCE_DATE_EPOCH set" "$(SOURCE_DATE_EPOCH=12345 "$plain/tools/source-date-epoch.sh" "$plain")" 12345

# A copy inside another repository is still a copy without history.
if command -v git >/dev/null; then
  git -C "$work" init -q
  expect "a copy inside a repository" "$("$plain/tools/source-date-epoch.sh" "$plain")" 1927857906
fi
# The release date as written in the tree is one date(1) reads.
cp "$source_dir/cmake/Product.cmake" "$plain/cmake/"
[[ "$("$plain/tools/source-date-epoch.sh" "$plain")" =~ ^[0-9]+$ ]] || { echo "FAIL: the tree's release date"; status=1; }
exit "$status"
