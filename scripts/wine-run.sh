#!/usr/bin/env bash
# Runs a Windows program under Wine, in the project's own Wine prefix: how the cross build's tests,
# the tour, the benchmark and the game run on this machine, and every Wine setting they share.
#   scripts/wine-run.sh <program.exe> [arguments...]
#   scripts/wine-run.sh wineserver [options...]      the prefix's Wine server (-k, -w, -p)
# The prefix is $WINEPREFIX when set, else wine/ in $WINDOWS_BUILD (default build-windows); the
# DLL search path and the display come from the environment.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WINDOWS_BUILD:-build-windows}
case $build in /*) ;; *) build=$root/$build ;; esac
export WINEPREFIX=${WINEPREFIX:-$build/wine}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts: nothing here needs .NET or an HTML engine.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=${VARTOLIN_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
if [ "${1:-}" = wineserver ]; then
    shift
    exec "$wineserver" "$@"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
    "$wineserver" -w
fi
# A program that faults without a handler of its own ends at once instead of waiting in Wine's
# debugger (the game's own faults go to its crash reporter).
if [ ! -f "$WINEPREFIX/.no-crash-dialog" ]; then
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    touch "$WINEPREFIX/.no-crash-dialog"
fi
exec "$wine" "$@"
