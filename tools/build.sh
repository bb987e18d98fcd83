#!/usr/bin/env bash
# Builds the plug-ins for x86-64 Linux, 64-bit and 32-bit ARM Linux (aarch64, armhf) and
# 32-bit and 64-bit Windows with their LV2 and VST3 bundles, CLAP files and the renderer
# into out/ and runs the renderer's demo through the x86-64 one.
# Extra arguments go to every CMake configure, e.g. tools/build.sh -DTWINFOLD_UNIQUE_ID=Qtwf
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

for target in linux linux-aarch64 linux-armhf win32 win64; do
  echo "== Building $target"
  cmake --preset "$target" -DTWINFOLD_BUILD_TESTS=OFF "$@" >/dev/null
  cmake --build --preset "$target" --target Quillmarsh_twinfold Quillmarsh_twinfold_lv2 Quillmarsh_twinfold_vst3 \
    Quillmarsh_twinfold_clap vst-render
done
tools/stage.sh build out
echo
ls -l out/*/Quillmarsh_twinfold.so out/*/Quillmarsh_twinfold.dll out/*/Quillmarsh_twinfold.lv2/* \
  out/*/Quillmarsh_twinfold.vst3/Contents/*/* out/*/Quillmarsh_twinfold.clap
echo
out/linux/vst-render out/linux/Quillmarsh_twinfold.so
