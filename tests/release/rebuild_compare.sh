#!/usr/bin/env bash
# Builds the plug-in binaries a second time from a copy of the sources at another path,
# configured as the tested builds were, and checks that every byte is the same:
#   rebuild_compare.sh SOURCE_DIR PRESET...
# The tested builds are SOURCE_DIR/build/<preset>, each with its plugin_binaries.txt.
set -euo pipefail

source_dir=$(cd "$1" && pwd)
shift
[ $# -gt 0 ] || { echo "usage: $0 SOURCE_DIR PRESET..." >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/twinfold-rebuild.XXXXXX")
trap 'rm -rf "$work"' EXIT
copy="$work/sources-at-another-path"
mkdir "$copy"

# The files of the working tree as git sees them (tracked or new, not ignored), so the
# copy holds what the tested builds were built from and none of their output. A copy of
# the sources without history: everything but .git and the output folders.
top=$(git -C "$source_dir" rev-parse --show-toplevel 2>/dev/null || true)
if [ -n "$top" ] && [ "$(cd "$top" && pwd -P)" = "$(cd "$source_dir" && pwd -P)" ]; then
  (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard) |
    while IFS= read -r -d '' file; do
      [ -e "$source_dir/$file" ] && printf '%s\0' "$file"
    done | (cd "$source_dir" && xargs -0 cp --parents -t "$copy")
else
  (cd "$source_dir" && find . -mindepth 1 -maxdepth 1 ! -name .git ! -name 'build*' ! -name out ! -name dist \
     ! -name '*.swp' -exec cp -a -t "$copy" {} +)
fi

failures=0
for preset in "$@"; do
  tested="$source_dir/build/$preset"
  if [ ! -f "$tested/plugin_binaries.txt" ] || [ ! -f "$tested/CMakeCache.txt" ]; then
    echo "FAIL $preset: no tested build in $tested (configure and build the preset first)"
    failures=$((failures + 1))
    continue
  fi
  # The tested build's own choices: build type and every project option.
  options=()
  while IFS= read -r line; do
    options+=("-D$line")
  done < <(grep -E '^(CMAKE_BUILD_TYPE|TWINFOLD_[A-Z0-9_]+):(BOOL|STRING)=' "$tested/CMakeCache.txt")

  rebuilt="$work/build-$preset"
  (cd "$copy" && cmake --preset "$preset" -B "$rebuilt" "${options[@]}" >"$work/configure-$preset.log") || {
    cat "$work/configure-$preset.log"; echo "FAIL $preset: configure"; failures=$((failures + 1)); continue; }
  mapfile -t targets < <(cut -d' ' -f1 "$tested/plugin_binaries.txt")
  if [ ${#targets[@]} -eq 0 ]; then
    echo "FAIL $preset: the tested build lists no plug-in binaries"
    failures=$((failures + 1))
    continue
  fi
  cmake --build "$rebuilt" -j2 --target "${targets[@]}" >"$work/build-$preset.log" || {
    tail -30 "$work/build-$preset.log"; echo "FAIL $preset: build"; failures=$((failures + 1)); continue; }

  while read -r target path; do
    relative=${path#"$tested"/}
    second="$rebuilt/$relative"
    if [ ! -f "$path" ] || [ ! -f "$second" ]; then
      echo "FAIL $preset: $target missing ($path or $second)"
      failures=$((failures + 1))
    elif cmp -s "$path" "$second"; then
      echo "same $preset $relative $(sha256sum <"$path" | cut -c1-64)"
    else
      echo "FAIL $preset: $relative differs: $(sha256sum <"$path" | cut -c1-16)... tested," \
           "$(sha256sum <"$second" | cut -c1-16)... rebuilt at $copy"
      cmp -l "$path" "$second" | head -5
      failures=$((failures + 1))
    fi
  done <"$tested/plugin_binaries.txt"
done

[ "$failures" -eq 0 ] || { echo "$failures binaries not reproduced"; exit 1; }
