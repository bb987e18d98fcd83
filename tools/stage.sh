#!/usr/bin/env bash
# Copies what ships from the builds in BUILD_ROOT/<target>/ into OUT_ROOT/<target>/:
# the plug-ins with their bundles, the .clap files and the renderer. Each
# target's folder is emptied first, so it holds exactly the files of these builds.
#   tools/stage.sh [BUILD_ROOT [OUT_ROOT]]        (defaults: build out)
set -euo pipefail
build_root=${1:-build}
out_root=${2:-out}

for target in linux linux-aarch64 linux-armhf win32 win64; do
  rm -rf "${out_root:?}/$target"
  mkdir -p "$out_root/$target"
  cp -R "$build_root/$target/lv2/Quillmarsh_twinfold.lv2" "$out_root/$target/"
  cp -R "$build_root/$target/Quillmarsh_twinfold.vst3" "$out_root/$target/"
  cp "$build_root/$target/clap/Quillmarsh_twinfold.clap" "$out_root/$target/"
done
for target in linux linux-aarch64 linux-armhf; do
  cp "$build_root/$target/host/Quillmarsh_twinfold.so" "$out_root/$target/"
  cp "$build_root/$target/tools/render/vst-render" "$out_root/$target/"
done
for target in win32 win64; do
  cp "$build_root/$target/host/Quillmarsh_twinfold.dll" "$build_root/$target/tools/render/vst-render.exe" \
    "$out_root/$target/"
done
