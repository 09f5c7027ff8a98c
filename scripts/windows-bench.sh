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
source "$root/scripts/wine-session.sh"
# Against the DLLs and plugins that ship (stripped, from the deploy folder), not the build's: Wine
# maps a DLL's debug sections with the rest, which costs the unstripped Qt about 140 ms a start.
deploy=$(windows_path "$out/deploy")
WINEPATH=$deploy WINEQT_PLUGIN_PATH=$deploy WINEQT_QPA_PLATFORM=windows run "$out/bench.exe"
