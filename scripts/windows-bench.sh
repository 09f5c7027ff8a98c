#!/usr/bin/env bash
# `make windows-bench`: the benchmark as a Windows program under Wine, on a private X server, with
# the goals it has on Linux: start-up to the first paint against a one-text window of the same size
# started the same way, peak memory against an empty window, and one answer per level.
# Expects `make windows`; WINDOWS_BUILD names another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(realpath -m "${WINDOWS_BUILD:-build-windows}")
[ -f "$out/bench.exe" ] || { echo "windows-bench: no $out/bench.exe: run make windows first" >&2; exit 1; }
if [ -z "${VARTOLIN_ON_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1400x900x24 -noreset" env VARTOLIN_ON_XVFB=1 bash "$0" "$@"
fi
export WINDOWS_BUILD=$out WINEPREFIX=$out/wine
run() { bash "$root/scripts/wine-run.sh" "$@"; }
run wineserver -k 2>/dev/null || true
run wineserver -w 2>/dev/null || true
run cmd /c exit 0
run wineserver -p 2>/dev/null || true # one server for every start-up measured
trap 'bash "$root/scripts/wine-run.sh" wineserver -k 2>/dev/null || true' EXIT
WINEPATH=$(sed -n 's/^WINEPATH=//p' "$out/windows-env.txt") WINEQT_QPA_PLATFORM=windows run "$out/bench.exe"
