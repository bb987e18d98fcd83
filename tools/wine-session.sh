#!/bin/sh
# One wineserver for a run of Windows tests, kept until the run ends, and the prefix
# booted once before the first test:
#   tools/wine-session.sh start    (WINEPREFIX as the tests use it)
#   tools/wine-session.sh stop
# A server left to exit on its own closes its socket and then kills the processes still
# attached, so a test that starts as it shuts down is taken down with it; a server that
# never times out has no such moment. `start` replaces a server already running for the
# prefix (one that may time out), `stop` ends it and waits for its processes.
set -eu
: "${WINEDEBUG:=-all}"
export WINEDEBUG
unset DISPLAY WAYLAND_DISPLAY
prefix=${WINEPREFIX:-$HOME/.wine}
mkdir -p "$prefix"

case "${1:-}" in
  start)
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    # Detached from the caller's output: the server and the services it starts outlive
    # this script, and a pipe they held open would keep its reader waiting.
    wineserver -p </dev/null >/dev/null 2>&1
    # A new prefix would offer to install .NET and HTML runtimes; no test uses them.
    WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" timeout -k 10 300 wine cmd /c exit \
      </dev/null >/dev/null 2>&1 || { echo "wine-session.sh: booting $prefix failed" >&2; exit 1; }
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    ;;
  *)
    echo "usage: tools/wine-session.sh start|stop" >&2
    exit 2
    ;;
esac
