#!/bin/sh
# Runs one Windows test program under Wine for CTest (the cross toolchains' emulator).
#
# A Wine process starts a wineserver and background services that inherit its
# stdout; CTest waits for that pipe to close, which costs every test the server's
# shutdown delay. So the first call starts a wineserver of its own, detached from
# the pipe, and boots the prefix (creating it on a fresh WINEPREFIX) with its output
# sent elsewhere. That server never times out: one that does closes its socket and
# kills the processes still attached, taking down a test that starts just then. It
# stays until tools/wine-session.sh stop (tools/test.sh starts and stops it around
# its Windows steps).
: "${WINEDEBUG:=-all}"
export WINEDEBUG
# No display: a crashing test then ends with a report on stderr instead of
# waiting behind a crash dialog.
unset DISPLAY WAYLAND_DISPLAY
# The wineserver below needs the prefix directory; Wine fills an empty one.
prefix=${WINEPREFIX:-$HOME/.wine}
mkdir -p "$prefix"

if ! command -v wine >/dev/null 2>&1; then
  echo "wine-run.sh: wine not found" >&2
  exit 127
fi

# One lock per prefix: runs in other prefixes (other build folders) neither wait for
# this boot nor hold this one up past a test's time limit.
lock="$prefix/.twinfold-boot.lock"
(
  # One caller at a time boots the prefix; the others wait for it.
  command -v flock >/dev/null 2>&1 && flock 9
  # Neither the server nor the services it starts may inherit the lock.
  if wineserver -p </dev/null >/dev/null 2>&1 9>&-; then
    # A new prefix would offer to install .NET and HTML runtimes; no test uses them.
    # Bounded: a prefix that never finishes booting fails the test instead of stalling it.
    WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" timeout -k 10 300 wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$lock"

exec wine "$@"
