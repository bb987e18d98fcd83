#!/usr/bin/env bash
# Runs every test: the Linux build, the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, both Windows
# DLLs under Wine, both ARM Linux builds under qemu-user, the release checks over those
# five builds, a short run of every fuzz target (64-bit and 32-bit) and one pass of the
# benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}"
export WINEDEBUG=-all
jobs=$(nproc)
started=$SECONDS
step() { echo; echo "== $* ($((SECONDS - started)) s)"; }
configure() { cmake -S . -G Ninja -DTWINFOLD_BUILD_TESTS=ON -DTWINFOLD_UNIQUE_ID=0 "$@" >/dev/null; }
# Every test carries its own time limit; --timeout is the bound for one that lacks it.
run_ctest() { ctest --test-dir "$1" --output-on-failure --no-tests=error --timeout 300 -j"$jobs" "${@:2}"; }

step "Linux"
configure -B build/linux -DCMAKE_BUILD_TYPE=Release -DTWINFOLD_BUILD_BENCH=ON
cmake --build build/linux
# The release checks need the Windows builds too; they run at the end.
run_ctest build/linux -LE release

step "Linux, AddressSanitizer + UndefinedBehaviorSanitizer"
configure -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTWINFOLD_SANITIZE=address,undefined
cmake --build build/asan
ASAN_OPTIONS=detect_leaks=1 run_ctest build/asan

step "Linux, ThreadSanitizer (threaded tests)"
configure -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTWINFOLD_SANITIZE=thread -DTWINFOLD_BUILD_TOOLS=OFF
cmake --build build/tsan
TSAN_OPTIONS=halt_on_error=1 run_ctest build/tsan -L concurrency

for target in win32 win64; do
  step "Windows $target under Wine"
  cmake --preset "$target" -DTWINFOLD_BUILD_TESTS=ON -DTWINFOLD_UNIQUE_ID=0 >/dev/null
  cmake --build --preset "$target"
  # One wineserver for the whole step, the prefix booted before the first test.
  tools/wine-session.sh start
  trap 'tools/wine-session.sh stop' EXIT
  run_ctest "build/$target"
  tools/wine-session.sh stop
  trap - EXIT
done

for target in linux-aarch64 linux-armhf; do
  step "ARM Linux $target under qemu-user"
  cmake --preset "$target" -DTWINFOLD_BUILD_TESTS=ON -DTWINFOLD_UNIQUE_ID=0 >/dev/null
  cmake --build --preset "$target"
  run_ctest "build/$target"
done

step "Releases: plug-ins rebuilt elsewhere byte for byte, packages checked, the installer run under Wine"
run_ctest build/linux -L release

fuzz_options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTWINFOLD_BUILD_FUZZ=ON -DTWINFOLD_SANITIZE=address,undefined
  -DTWINFOLD_BUILD_TESTS=OFF -DTWINFOLD_BUILD_TOOLS=OFF)
step "Fuzz targets, a short run each"
configure -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ "${fuzz_options[@]}"
cmake --build build/fuzz
fuzz/run.sh 10 build/fuzz

# Again as 32-bit programs: a size that wraps a 32-bit size_t, as in the win32 DLLs.
step "Fuzz targets, 32-bit, a short run each"
configure -B build/fuzz32 --toolchain cmake/toolchains/i386-linux-clang.cmake "${fuzz_options[@]}"
cmake --build build/fuzz32 --target twinfold_fuzz_targets
fuzz/run.sh 10 build/fuzz32

step "All tests passed"
