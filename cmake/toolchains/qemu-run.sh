#!/bin/sh
# Runs one ARM Linux program under qemu-user for CTest (the ARM toolchains' emulator):
#   qemu-run.sh TRIPLE PROGRAM [ARGUMENTS...]
#
# The program starts through the target's own dynamic loader rather than with qemu's -L
# prefix: under -L a dlopen of an absolute path fails, and the tests load the plug-ins
# they built by absolute path. The loader wants the program's path absolute too.
set -e
triple=$1
shift
case "$triple" in
  aarch64-linux-gnu) qemu=qemu-aarch64 loader=ld-linux-aarch64.so.1 ;;
  arm-linux-gnueabihf) qemu=qemu-arm loader=ld-linux-armhf.so.3 ;;
  *) echo "qemu-run.sh: unknown target $triple" >&2; exit 2 ;;
esac
if ! command -v "$qemu" >/dev/null 2>&1; then
  echo "qemu-run.sh: $qemu not found (Debian package qemu-user)" >&2
  exit 127
fi
program=$1
shift
case "$program" in
  /*) ;;
  *) program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")" ;;
esac
exec "$qemu" "/usr/$triple/lib/$loader" \
  --library-path "/usr/$triple/lib:/usr/lib/$triple:/lib/$triple" "$program" "$@"
