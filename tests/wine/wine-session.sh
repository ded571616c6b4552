#!/usr/bin/env bash
# Starts or stops the wine session that runs nurvo.exe: the prefix, one persistent wineserver and
# wine's background services. The services start with the first Windows program and outlive it;
# started here with their output going nowhere, they cannot hold a test's output pipe open.
#
# Usage: tests/wine/wine-session.sh start|stop
# Uses WINEPREFIX (default: build-mingw/wineprefix of the source tree); wine is kept quiet and
# without a display.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/../../build-mingw/wineprefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

wine="$(command -v wine64 || true)"
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
server="$(dirname "$(readlink -f "$wine")")/wineserver"
[ -x "$server" ] || server="$(command -v wineserver)"

case "${1:-}" in
  start)
    # A server of this prefix that is still running may not be persistent: end it first.
    "$server" -k < /dev/null > /dev/null 2>&1 || true
    "$server" -w < /dev/null > /dev/null 2>&1 || true
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i < /dev/null > /dev/null 2>&1  # the first time takes up to a minute
      "$server" -w < /dev/null > /dev/null 2>&1
    fi
    "$server" -p < /dev/null > /dev/null 2>&1
    "$wine" cmd /c exit < /dev/null > /dev/null 2>&1
    ;;
  stop)
    "$server" -k < /dev/null > /dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
