#!/usr/bin/env bash
# Runs the Windows installer made by check_packages.sh make under Wine, in a fresh prefix:
#   check_installer.sh win64 SOURCE_DIR WORK   install, uninstall key, uninstall, folders,
#                                              a DLL in use when replacing and uninstalling
#   check_installer.sh win32 SOURCE_DIR WORK   32-bit files only; the test host loads the DLL
set -euo pipefail
arch=$1 source_dir=$(cd "$2" && pwd) work=$3
eval "$(cmake -P "$source_dir/cmake/Product.cmake")"  # vendor, name, version
setup="$work/dist/$name-$version-windows-setup.exe" out="$work/out"
export WINEPREFIX="$work/wine-$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=$arch
c="$WINEPREFIX/drive_c" pf="Program Files" cf="Program Files/Common Files" cf32="Program Files (x86)/Common Files"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\'$name
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The uninstaller and wineboot return before their work is done: wait for every process.
wine_run() { local status=0; wine "$@" || status=$?; wineserver -w; return "$status"; }
setup_exits() { local status=0; wine "$setup" "${@:2}" || status=$?; [ "$status" -eq "$1" ] || fail "setup ${*:2}: exit $status, not $1"; }
# A DLL in use: the build's helper keeps the module at a Windows path loaded, as a running
# host does, from hold_dll until free_dll (wineserver -w would wait for it in between).
hold_dll() {
  local line=""
  coproc HOLD { wine "$source_dir/build/$arch/tests/windows/twinfold_hold_module.exe" "$1" 2>&1; }
  holder=$HOLD_PID
  read -t 120 -r line <&"${HOLD[0]}" || true
  [ "${line%$'\r'}" = held ] || fail "the helper does not hold $1: $line"
}
free_dll() { { echo >&"${HOLD[1]}"; } 2>/dev/null || true; wait "$holder" || fail "the helper failed"; }
# Values of our uninstall key (name TYPE data), and those that record files.
key_values() { wine reg query "$key" /reg:64 2>/dev/null | tr -d '\r' | sed -nE 's/^ +([A-Za-z].*[^ ]) +(REG_[A-Z_]+) +(.*)$/\1 \2 \3/p'; }
records() { key_values | grep -E '^(Installed|Left behind) ' || true; }

# "drive_c path|staged file" for each file of one staged target's editions, as installed:
# editions TARGET VST2_FOLDER VST3_FOLDER LV2_FOLDER CLAP_FOLDER
editions() {
  echo "$2/$name.dll|$out/$1/$name.dll"
  (cd "$out/$1" && find "$name.vst3" -type f -printf "$3/%p|$out/$1/%p\n"
   find "$name.lv2" -type f -printf "$4/%p|$out/$1/%p\n"
   find . -maxdepth 1 -name "$name.clap" -printf "$5/%P|$out/$1/%P\n")
}

# Every file in the folders an installation can touch is one of EXPECTED (lines as above,
# or a bare path for a file whose bytes do not matter), and each has the staged bytes.
check_files() {
  local what=$1 expected found path staged
  expected=$(sort -t'|' -k1,1 -u <<<"$2")
  found=$(cd "$c" && find "$cf"/{VST2,VST3,LV2,CLAP} "$cf32"/{VST2,VST3,LV2,CLAP} "$pf/Quillmarsh" VstPlugins Studio \
    -type f 2>/dev/null | sort || true)
  diff -u <(cut -d'|' -f1 <<<"$expected" | sed '/^$/d') <(echo "$found" | sed '/^$/d') || fail "$what: other files than expected"
  while IFS='|' read -r path staged; do
    [ -z "$staged" ] || cmp -s "$c/$path" "$staged" || fail "$what: $path is not the tested build's $staged"
  done <<<"$expected"
}

rm -rf "$WINEPREFIX" && wine_run wineboot -i >/dev/null 2>&1
uninstaller="$pf/Quillmarsh/$name/Uninstall $name.exe"
renderer="$pf/Quillmarsh/$name/vst-render.exe"
foreign="$cf/VST2/Other Vendor Plugin.dll"
case "$arch" in
win64)
  installed() {  # installed VST2_64 VST2_32: what a full install puts where
    editions win64 "$1" "$cf/VST3" "$cf/LV2" "$cf/CLAP"
    editions win32 "$2" "$cf/VST3" "$cf32/LV2" "$cf32/CLAP"
    printf '%s\n' "$uninstaller" "$foreign" "$renderer|$out/win64/vst-render.exe"
  }
  mkdir -p "$c/$cf/VST2" && echo "another vendor's plug-in" >"$c/$foreign"
  setup_exits 0 /S
  check_files "silent install" "$(installed "$cf/VST2" "$cf32/VST2")"
  values=$(wine reg query "$key" /reg:64 | tr -d '\r' | sed -nE 's/^ +([A-Za-z]+) +(REG_[A-Z_]+) +(.*)$/\1 \2 \3/p')
  uninstall_exe='C:\Program Files\Quillmarsh\'$name'\Uninstall '$name'.exe'
  for value in "DisplayName REG_SZ $name" "DisplayVersion REG_SZ $version" "Publisher REG_SZ Quillmarsh" \
      "InstallLocation REG_SZ C:\\Program Files\\Quillmarsh\\$name" "UninstallString REG_SZ \"$uninstall_exe\"" \
      "QuietUninstallString REG_SZ \"$uninstall_exe\" /S" "NoModify REG_DWORD 0x1" "NoRepair REG_DWORD 0x1"; do
    grep -qxF "$value" <<<"$values" || fail "uninstall key: no $value in:"$'\n'"$values"
  done
  kb=$(( $(sed -nE 's/^EstimatedSize REG_DWORD (0x[0-9a-f]+)$/\1/p' <<<"$values") ))
  bytes=$(installed . . | cut -s -d'|' -f2 | xargs -d'\n' stat -c %s | awk '{ n += $1 } END { print n }')
  [ $((kb * 1024 - bytes)) -gt -65536 ] && [ $((kb * 1024 - bytes)) -lt 65536 ] || fail "EstimatedSize $kb KB for $bytes bytes"
  ! wine reg query "$key" /reg:32 >/dev/null 2>&1 || fail "the uninstall key is in the 32-bit registry view"
  quiet=$(sed -nE 's/^QuietUninstallString REG_SZ "(.*)" (.*)$/\1|\2/p' <<<"$values")
  wine_run "${quiet%|*}" "${quiet#*|}" || fail "the quiet uninstall command failed"
  check_files "silent uninstall" "$foreign"
  ! wine reg query "$key" /reg:64 >/dev/null 2>&1 || fail "the uninstall key outlives the uninstall"

  # VSTPluginsPath of each registry view is the default VST 2.4 folder of that architecture.
  wine reg add 'HKLM\SOFTWARE\VST' /v VSTPluginsPath /d 'C:\VstPlugins\64' /reg:64 /f >/dev/null
  wine reg add 'HKLM\SOFTWARE\VST' /v VSTPluginsPath /d 'C:\VstPlugins\32' /reg:32 /f >/dev/null
  setup_exits 0 /S
  check_files "install with VSTPluginsPath set" "$(installed VstPlugins/64 VstPlugins/32)"
  # /D= and /VST2DIR32= choose the folders, the old copies go, the next install keeps them.
  setup_exits 0 /S '/VST2DIR32=C:\Studio\VST 32' '/D=C:\Studio\VST64'
  check_files "install with /D=" "$(installed Studio/VST64 "Studio/VST 32")"
  setup_exits 0 /S
  check_files "install over it" "$(installed Studio/VST64 "Studio/VST 32")"
  # A file that cannot be written (here a folder in its place) fails the installation.
  rm "$c/Studio/VST64/$name.dll" && mkdir "$c/Studio/VST64/$name.dll"
  setup_exits 2 /S
  rmdir "$c/Studio/VST64/$name.dll"
  # A newer installed version: refused without /ALLOWDOWNGRADE.
  wine reg add "$key" /v DisplayVersion /d 99.0.0 /reg:64 /f >/dev/null
  setup_exits 3 /S
  setup_exits 0 /S /ALLOWDOWNGRADE
  wine reg query "$key" /v DisplayVersion /reg:64 | grep -q "REG_SZ *$version" || fail "downgrade: version not $version"
  check_files "downgrade" "$(installed Studio/VST64 "Studio/VST 32")"

  # Replacing an installation whose DLL is in use: every new file is written, the old DLL
  # stays with its folder recorded, setup says so with exit 4, and the next run removes it.
  hold_dll 'C:\Studio\VST64\'$name.dll
  setup_exits 4 /S '/D=C:\Studio\Moved'
  check_files "replaced while in use" "$(installed Studio/Moved "Studio/VST 32"; echo "Studio/VST64/$name.dll")"
  records | grep -qxF 'Left behind vst2_x64 REG_SZ C:\Studio\VST64' || fail "the DLL left behind is not recorded:"$'\n'"$(records)"
  records | grep -qxF 'Installed vst2_x64 REG_SZ C:\Studio\Moved' || fail "the new folder is not recorded:"$'\n'"$(records)"
  free_dll
  setup_exits 0 /S
  check_files "installed again once free" "$(installed Studio/Moved "Studio/VST 32")"
  ! records | grep -q '^Left behind' || fail "a record of files left behind outlives them:"$'\n'"$(records)"
  # Uninstalling while in use: the DLL and what removes it stay, recorded; once free the
  # uninstaller removes the rest. The uninstaller runs in place ("_?=", so that its exit
  # code is its own) as a copy in a folder without spaces, which "_?=" needs unquoted.
  hold_dll 'C:\Studio\Moved\'$name.dll
  mkdir -p "$c/InPlace" && cp "$c/$uninstaller" "$c/InPlace/uninstall.exe"
  status=0
  wine 'C:\InPlace\uninstall.exe' /S '_?=C:\InPlace' || status=$?
  rm -rf "$c/InPlace"
  [ "$status" -eq 2 ] || fail "uninstall while in use: exit $status, not 2"
  check_files "uninstalled while in use" "$(printf '%s\n' "$uninstaller" "$foreign" "Studio/Moved/$name.dll")"
  [ "$(records)" = 'Left behind vst2_x64 REG_SZ C:\Studio\Moved' ] || fail "after uninstalling while in use:"$'\n'"$(records)"
  free_dll
  wine_run "$c/$uninstaller" /S || fail "the uninstaller failed once the DLL was free"
  check_files "uninstalled once free" "$foreign"
  ! wine reg query "$key" /reg:64 >/dev/null 2>&1 || fail "the uninstall key outlives the uninstall"
  ;;
win32)
  setup_exits 0 /S
  check_files "silent install on 32-bit Windows" "$(editions win32 "$cf/VST2" "$cf/VST3" "$cf/LV2" "$cf/CLAP"
    printf '%s\n' "$uninstaller" "$renderer|$out/win32/vst-render.exe")"
  # The installed renderer runs the installed plug-in.
  wine "$c/$renderer" --info 'C:\Program Files\Common Files\VST2\'$name.dll | tr -d '\r' | grep -q "^Effect name *$name$" ||
    fail "the installed vst-render does not load the installed DLL"
  # The project's test host loads the installed DLL and checks its output bit for bit.
  TWINFOLD_PLUGIN='C:\Program Files\Common Files\VST2\'$name.dll wine "$source_dir/build/win32/tests/windows/twinfold_vectors.exe" \
    --compare "Z:$source_dir/tests/windows/expected_vectors.txt" || fail "the test host did not run the installed DLL"
  ;;
esac
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "all checks passed"
