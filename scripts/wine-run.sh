#!/usr/bin/env bash
# Runs a Windows program under Wine, in the project's own Wine prefix: how the cross build's tests,
# the tour and the game run on this machine.
#   scripts/wine-run.sh <program.exe> [arguments...]
# The prefix, the DLL search path and the display come from the environment when set
# (scripts/windows-test.sh sets them); otherwise the build-windows defaults are used.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts: nothing here needs .NET or an HTML engine.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=${VARTOLIN_WINE:-/usr/lib/wine/wine64}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
    wineserver=$(dirname "$wine")/wineserver
    "$wineserver" -w
fi
exec "$wine" "$@"
