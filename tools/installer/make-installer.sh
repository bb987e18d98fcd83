#!/usr/bin/env bash
# Builds the Windows installer from the staged Windows builds with makensis:
#   make-installer.sh OUT_ROOT PRODUCT VENDOR VERSION OUTPUT
# Each edition found in OUT_ROOT/win64 and OUT_ROOT/win32 (PRODUCT.dll, the .vst3 and .lv2
# bundles, PRODUCT.clap) and the renderer vst-render.exe becomes a component; Quillmarsh_twinfold.nsi beside this script
# says where each goes. The files carry the time SOURCE_DATE_EPOCH (required).
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 OUT_ROOT PRODUCT VENDOR VERSION OUTPUT" >&2; exit 2; }
from=$1 product=$2 vendor=$3 version=$4 output=$5
: "${SOURCE_DATE_EPOCH:?make-installer.sh: set SOURCE_DATE_EPOCH}"
script=$(cd "$(dirname "$0")" && pwd)/Quillmarsh_twinfold.nsi

# Four numbers for the version resource.
version4=$version
while [ "$(tr -cd . <<<"$version4" | wc -c)" -lt 3 ]; do version4=$version4.0; done

work=$(mktemp -d "${TMPDIR:-/tmp}/twinfold-installer.XXXXXX")
trap 'rm -rf "$work"' EXIT
components=$work/components.nsh

# Copies one component's file or bundle into the payload and writes its macros:
# Install_ID DEST extracts every file below DEST, Remove_ID DEST deletes those files (each
# through the script's RemoveFile, which records one that stays) and RemoveFolders_ID DEST
# the bundle's folders, each only when empty.
# component ID SOURCE
component() {
  local id=$1 source=$2 item file folder previous=""
  [ -e "$source" ] || return 0
  item=$(basename "$source")
  mkdir -p "$work/payload/$id"
  cp -R "$source" "$work/payload/$id/"
  mapfile -t files < <(cd "$work/payload/$id" && find "$item" -type f | LC_ALL=C sort)
  {
    echo "!define HAVE_$id"
    echo "!macro Install_$id DEST"
    for file in "${files[@]}"; do
      folder=$(dirname "$file")
      if [ "$folder" != "$previous" ]; then
        if [ "$folder" = . ]; then echo '  SetOutPath "${DEST}"'; else echo "  SetOutPath \"\${DEST}\\${folder//\//\\}\""; fi
        previous=$folder
      fi
      echo "  File \"$work/payload/$id/$file\""
    done
    echo "!macroend"
    echo "!macro Remove_$id DEST"
    for file in "${files[@]}"; do echo "  !insertmacro RemoveFile \"\${DEST}\\${file//\//\\}\""; done
    echo "!macroend"
    echo "!macro RemoveFolders_$id DEST"
    (cd "$work/payload/$id" && find "$item" -type d | LC_ALL=C sort -r) | while IFS= read -r folder; do
      echo "  RMDir \"\${DEST}\\${folder//\//\\}\""
    done
    echo "!macroend"
  } >>"$components"
}

: >"$components"
for arch in x64 x86; do
  if [ $arch = x64 ]; then target=win64; else target=win32; fi
  component "vst2_$arch" "$from/$target/$product.dll"
  component "vst3_$arch" "$from/$target/$product.vst3"
  component "lv2_$arch" "$from/$target/$product.lv2"
  component "clap_$arch" "$from/$target/$product.clap"
  component "render_$arch" "$from/$target/vst-render.exe"
done
for id in vst2_x64 vst2_x86; do
  grep -qx "!define HAVE_$id" "$components" || { echo "make-installer.sh: no $id in $from" >&2; exit 1; }
done

# makensis stores each file's time: make them the release's.
find "$work/payload" -type d -exec chmod 0755 {} + -o -type f -exec chmod 0644 {} +
find "$work/payload" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

makensis -V2 -NOCD -INPUTCHARSET UTF8 \
  "-DPRODUCT=$product" "-DVENDOR=$vendor" "-DVERSION=$version" "-DVERSION4=$version4" \
  "-DYEAR=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y)" \
  "-DCOMPONENTS=$components" "-DOUTFILE=$output" "$script"
touch -d "@$SOURCE_DATE_EPOCH" "$output"
