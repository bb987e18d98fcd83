#!/usr/bin/env bash
# Checks the release packages made from the tested builds in SOURCE_DIR/build/<preset>
# (x86-64, aarch64 and armhf Linux, 32-bit and 64-bit Windows):
#   check_packages.sh make     SOURCE_DIR WORK   stage the tested builds, run tools/package.sh
#   check_packages.sh archives SOURCE_DIR WORK   members, permissions, bytes, INSTALL.txt, sums
#   check_packages.sh deb      SOURCE_DIR WORK   unpacked files where hosts look, lintian
#   check_packages.sh again    SOURCE_DIR WORK   a second run elsewhere gives the same bytes
set -euo pipefail
command=$1
source_dir=$(cd "$2" && pwd)
work=$3
build="$source_dir/build"
out="$work/out"
dist="$work/dist"
eval "$(cmake -P "$source_dir/cmake/Product.cmake")"  # vendor, name, version
package_name=quillmarsh-twinfold
export TZ=UTC LC_ALL=C
# The Linux targets: the build's folder, the name in the tarball's name, Debian's name
# of the architecture and the triple whose loader qemu-user starts its programs with
# (none for the build machine's own).
linux_targets=(linux:x86_64:amd64: linux-aarch64:aarch64:arm64:aarch64-linux-gnu
  linux-armhf:armhf:armhf:arm-linux-gnueabihf)

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() { [ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }; echo "all checks passed"; }

# The tested file that a packaged file must equal, by its name in the package.
tested_binary() {
  case "$1" in
    linux*/$name.so) echo "$build/${1%%/*}/host/$name.so" ;;
    linux*/vst-render) echo "$build/${1%%/*}/tools/render/vst-render" ;;
    win32/$name.dll) echo "$build/win32/host/$name.dll" ;;
    win64/$name.dll) echo "$build/win64/host/$name.dll" ;;
    win*/vst-render.exe) echo "$build/${1%%/*}/tools/render/vst-render.exe" ;;
  esac
}

# The bundles (*.lv2, *.vst3 folders) and *.clap files staged for one target, or only
# those of one kind.
# staged_bundles TARGET [KIND]
staged_bundles() {
  local pattern=${2:-*}
  find "$out/$1" -mindepth 1 -maxdepth 1 \( -type d \( -name "*.lv2" -o -name "*.vst3" \) -o -type f -name "*.clap" \) \
    -name "*.$pattern" | sort
}

# "mode path" lines for the bundles staged for one target, as they appear under PREFIX.
# bundle_entries TARGET PREFIX WITH_FOLDERS
bundle_entries() {
  local bundle
  staged_bundles "$1" | while read -r bundle; do
    (cd "$out/$1" && find "$(basename "$bundle")" -type f -printf "-rw-r--r-- $2%p\n")
    if [ "$3" = yes ]; then
      (cd "$out/$1" && find "$(basename "$bundle")" -type d -printf "drwxr-xr-x $2%p/\n")
    fi
  done
}

# Each staged bundle (of one kind, if given) is in PLACE with the same files and bytes.
# same_bundles TARGET PLACE WHAT [KIND]
same_bundles() {
  local bundle
  while read -r bundle; do
    diff -r "$bundle" "$2/$(basename "$bundle")" || fail "$3: $(basename "$bundle") differs from the staged bundle"
  done < <(staged_bundles "$1" "${4:-}")
}

# The armhf VST3 bundle's module in both folders hosts look in, the same bytes.
# arm_vst3_module_in_both TARGET BUNDLE_FOLDER WHAT
arm_vst3_module_in_both() {
  [ "$1" = linux-armhf ] || return 0
  local contents="$2/$name.vst3/Contents"
  [ -f "$contents/armv7l-linux/$name.so" ] || fail "$3: no $name.vst3/Contents/armv7l-linux/$name.so"
  cmp -s "$contents/armv7l-linux/$name.so" "$contents/arm-linux/$name.so" ||
    fail "$3: $name.vst3/Contents/arm-linux does not hold the module of armv7l-linux"
}

# Compares a listing with the expected one, both "mode path" lines.
same_listing() {
  local what=$1 expected=$2 found=$3
  if ! diff -u <(sort <<<"$expected") <(sort <<<"$found") >"$work/listing.diff"; then
    fail "$what holds other members or modes than expected:"
    cat "$work/listing.diff"
  fi
}

# INSTALL.txt names the plug-in, its folder, each bundle and the unique ID, nothing more.
# check_install_text TARGET TEXT ARCHIVE_FOLDER PLUGIN_FILE FOLDER_PATTERN
check_install_text() {
  local target=$1 text=$2 folder=$3
  grep -q "^  file    $4"$'\r''*$' "$text" || fail "$target INSTALL.txt does not name $4"
  grep -q "$5" "$text" || fail "$target INSTALL.txt does not name the folder $5"
  grep -q "announces the unique ID .*\b${TWINFOLD_UNIQUE_ID_NUMBER:?}\b" "$text" ||
    fail "$target INSTALL.txt does not give the unique ID $TWINFOLD_UNIQUE_ID_NUMBER"
  local kind
  for kind in lv2 vst3 clap; do
    if compgen -G "$folder/*.$kind" >/dev/null; then
      grep -Eq "^  (folder  $name.$kind |file    $name.$kind"$'\r'"?$)" "$text" ||
        fail "$target INSTALL.txt does not name the .$kind bundle"
    elif grep -qi "\.$kind\b\|load ${kind^^}" "$text"; then
      fail "$target INSTALL.txt mentions .$kind, which the archive does not hold"
    fi
  done
}

# Runs a program of the Linux target TRIPLE (empty: the build machine's own).
# run_target TRIPLE PROGRAM ARGUMENTS...
run_target() {
  local triple=$1
  shift
  if [ -z "$triple" ]; then "$@"; else /bin/sh "$source_dir/cmake/toolchains/qemu-run.sh" "$triple" "$@"; fi
}

case "$command" in
make)
  rm -rf "$work"
  mkdir -p "$work"
  "$source_dir/tools/stage.sh" "$build" "$out"
  "$source_dir/tools/package.sh" --from "$out" --dist "$dist"
  ;;

archives)
  expected_dist=$({
    printf '%s\n' "$name-$version-win32.zip" "$name-$version-win64.zip" "$name-$version-windows-setup.exe" SHA256SUMS
    for entry in "${linux_targets[@]}"; do
      IFS=: read -r target tarball_arch debian_arch triple <<<"$entry"
      printf '%s\n' "$name-$version-linux-$tarball_arch.tar.gz" "${package_name}_${version}_$debian_arch.deb"
    done
  } | sort)
  [ "$(ls "$dist" | sort)" = "$expected_dist" ] || fail "dist holds $(ls "$dist" | tr '\n' ' ')"
  (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
  [ "$(cut -d' ' -f3 "$dist/SHA256SUMS" | sort)" = "$(grep -v SHA256SUMS <<<"$expected_dist")" ] ||
    fail "SHA256SUMS does not cover exactly the nine packages"

  for target in win32 win64; do
    top=$name-$version-$target
    zip="$dist/$top.zip"
    # zipinfo: mode, zip version, made on (unx keeps the modes), size, type, method, date, time, name
    found=$(zipinfo "$zip" | awk 'NF >= 9 && $2 ~ /^[0-9]+[.][0-9]+$/ { print ($3 == "unx" ? $1 : "made-on-" $3), $NF }')
    expected=$(printf '%s\n' "-rw-r--r-- $top/INSTALL.txt" "-rw-r--r-- $top/$name.dll" "-rw-r--r-- $top/vst-render.exe"
               bundle_entries "$target" "$top/" no)
    same_listing "$top.zip" "$expected" "$found"
    rm -rf "$work/x-$target" && mkdir "$work/x-$target"
    unzip -q "$zip" -d "$work/x-$target"
    folder="$work/x-$target/$top"
    for file in "$name.dll" vst-render.exe; do
      cmp "$folder/$file" "$(tested_binary "$target/$file")" || fail "$top.zip: $file is not the tested one"
    done
    same_bundles "$target" "$folder" "$top.zip"
    ! grep -qv $'\r$' "$folder/INSTALL.txt" || fail "$top.zip: INSTALL.txt has lines without CR LF"
    check_install_text "$target" "$folder/INSTALL.txt" "$folder" "$name.dll" 'Common Files\\VST2'
    grep -q "^$name-$version-windows-setup.exe" "$folder/INSTALL.txt" || fail "$top.zip: INSTALL.txt does not name the installer"
  done

  for entry in "${linux_targets[@]}"; do
    IFS=: read -r target tarball_arch debian_arch triple <<<"$entry"
    top=$name-$version-linux-$tarball_arch
    tarball="$dist/$top.tar.gz"
    # tar -tv: mode, owner/group, size, date, time, name
    found=$(tar -tvzf "$tarball" --numeric-owner | awk '{ print $1, $NF }')
    expected=$(printf '%s\n' "drwxr-xr-x $top/" "-rw-r--r-- $top/INSTALL.txt" "-rw-r--r-- $top/$name.so" \
                 "-rwxr-xr-x $top/vst-render"
               bundle_entries "$target" "$top/" yes)
    same_listing "$top.tar.gz" "$expected" "$found"
    owners=$(tar -tvzf "$tarball" --numeric-owner | awk '{ print $2 }' | sort -u)
    [ "$owners" = "0/0" ] || fail "$top.tar.gz: members owned by $owners, not 0/0"
    epoch=$("$source_dir/tools/source-date-epoch.sh" "$source_dir")
    times=$(tar -tvzf "$tarball" --full-time | awk '{ print $4 "T" $5 }' | sort -u)
    [ "$times" = "$(date -u -d "@$epoch" +%Y-%m-%dT%H:%M:%S)" ] || fail "$top.tar.gz: member times $times, not the sources' date"
    rm -rf "$work/x-$target" && mkdir "$work/x-$target"
    tar -xzf "$tarball" -C "$work/x-$target"
    folder="$work/x-$target/$top"
    for file in "$name.so" vst-render; do
      cmp "$folder/$file" "$(tested_binary "$target/$file")" || fail "$top.tar.gz: $file is not the tested one"
    done
    same_bundles "$target" "$folder" "$top.tar.gz"
    arm_vst3_module_in_both "$target" "$folder" "$top.tar.gz"
    check_install_text "$target" "$folder/INSTALL.txt" "$folder" "$name.so" '~/.vst '
    # The unpacked renderer runs the unpacked plug-in.
    run_target "$triple" "$folder/vst-render" --info "$folder/$name.so" | grep -q "^Effect name *$name$" ||
      fail "$top.tar.gz: vst-render does not load the plug-in beside it"
  done
  finish
  ;;

deb)
  for entry in "${linux_targets[@]}"; do
    IFS=: read -r target tarball_arch debian_arch triple <<<"$entry"
    deb=${package_name}_${version}_$debian_arch.deb
    package="$dist/$deb"
    fields=$(dpkg-deb -f "$package" Package Version Architecture Depends)
    grep -qx "Package: quillmarsh-twinfold" <<<"$fields" || fail "Package field: $fields"
    grep -qx "Version: $version" <<<"$fields" || fail "Version is not $version: $fields"
    grep -qx "Architecture: $debian_arch" <<<"$fields" || fail "$deb: Architecture is not $debian_arch"
    for library in libc6 libstdc++6 libsndfile1; do
      grep -q "^Depends: .*\b$library\b" <<<"$fields" || fail "Depends lacks $library: $fields"
    done

    # Every member owned by root, with the modes hosts and dpkg expect.
    found=$(dpkg-deb -c "$package" | awk '{ print $1, $2, $NF }' | grep -v '/$' | sed 's| \./| /|')
    expected=$(printf '%s\n' "-rw-r--r-- root/root /usr/lib/vst/$name.so" \
      "-rwxr-xr-x root/root /usr/bin/vst-render" \
      "-rw-r--r-- root/root /usr/share/man/man1/vst-render.1.gz" \
      "-rw-r--r-- root/root /usr/share/doc/quillmarsh-twinfold/copyright" \
      "-rw-r--r-- root/root /usr/share/doc/quillmarsh-twinfold/changelog.gz"
      staged_bundles "$target" | while read -r bundle; do
        (cd "$out/$target" && find "$(basename "$bundle")" -type f -printf "-rw-r--r-- root/root /usr/lib/${bundle##*.}/%p\n")
      done)
    same_listing "$deb" "$expected" "$found"

    root="$work/deb-root-$debian_arch"
    rm -rf "$root" && mkdir "$root"
    dpkg-deb -x "$package" "$root"
    cmp "$root/usr/lib/vst/$name.so" "$(tested_binary "$target/$name.so")" || fail "the .so in /usr/lib/vst is not the tested one"
    cmp "$root/usr/bin/vst-render" "$(tested_binary "$target/vst-render")" || fail "/usr/bin/vst-render is not the tested one"
    zcat "$root/usr/share/man/man1/vst-render.1.gz" | cmp - "$source_dir/tools/render/vst-render.1" ||
      fail "the manual page is not tools/render/vst-render.1"
    for kind in lv2 vst3 clap; do
      same_bundles "$target" "$root/usr/lib/$kind" "/usr/lib/$kind" "$kind"
    done
    arm_vst3_module_in_both "$target" "$root/usr/lib/vst3" "$deb"
    run_target "$triple" "$root/usr/bin/vst-render" --info "$root/usr/lib/vst/$name.so" | grep -q "^Effect name *$name$" ||
      fail "the unpacked vst-render does not load the unpacked plug-in"

    echo "lintian, $deb:"
    status=0
    lintian --fail-on error --tag-display-limit 0 -I "$package" >"$work/lintian.log" 2>&1 || status=$?
    grep -v 'root privileges' "$work/lintian.log" || true
    if [ "$status" -ne 0 ] || grep -q '^E: ' "$work/lintian.log"; then
      fail "lintian reports errors for $deb (exit status $status)"
    fi
  done
  finish
  ;;

again)
  # The same staged files at another path, packed again: every package byte for byte.
  second="$work/again/at-another-path"
  rm -rf "$work/again" && mkdir -p "$second"
  cp -a "$out" "$second/out"
  sleep 1  # other file times than the first run; the packages must not show them
  touch "$second/out"/*/*
  "$source_dir/tools/package.sh" --from "$second/out" --dist "$second/dist" >/dev/null
  cmp "$dist/SHA256SUMS" "$second/dist/SHA256SUMS" || { fail "a second packing differs:"; diff "$dist/SHA256SUMS" "$second/dist/SHA256SUMS"; }
  cat "$dist/SHA256SUMS"
  finish
  ;;

*)
  echo "usage: $0 make|archives|deb|again SOURCE_DIR WORK" >&2
  exit 2
  ;;
esac
