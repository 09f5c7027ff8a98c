#!/usr/bin/env bash
# `make windows`: the Windows build, made on this Debian machine with tools Debian ships.
#  1. installs what is missing (MinGW-w64, Wine, NSIS, Ninja, ...);
#  2. builds Qt for Windows from Debian's Qt source once, into a cache (scripts/windows-qt.sh);
#  3. builds the art compiler for this machine: the pictures are rendered here, as in the Linux build;
#  4. cross-builds the game, its tests and the tour into build-windows/;
#  5. installs the game with every DLL and plugin it needs into build-windows/deploy/, and makes the
#     installer build-windows/Vartolin-<version>-win64.exe (and a ZIP of the same folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
host_build=${HOST_BUILD:-build}
out=${WINDOWS_BUILD:-build-windows}
jobs=$(nproc 2>/dev/null || echo 2)
say() { echo "windows: $*"; }

bash scripts/install-deps.sh windows
qt=$(bash scripts/windows-qt.sh | tail -1)

say "building the art compiler for this machine in $host_build"
if [ ! -f "$host_build/CMakeCache.txt" ]; then
    cmake -S . -B "$host_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$host_build" --target artc -j"$jobs" >/dev/null
artc=$(realpath "$host_build/src/pictures/artc/artc")

say "cross-building into $out"
"$qt/bin/qt-cmake" -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVARTOLIN_HOST_ARTC="$artc" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh" >"$out.configure.log" 2>&1 \
    || { cat "$out.configure.log"; exit 1; }
rm -f "$out.configure.log"
cmake --build "$out" -j"$jobs"

say "deploying into $out/deploy"
rm -rf "$out/deploy"
cmake --install "$out" --prefix "$out/deploy" --strip >/dev/null
[ -f "$out/deploy/vartolin.exe" ] || { say "no vartolin.exe in $out/deploy"; exit 1; }

say "packaging"
rm -f "$out"/Vartolin-*-win64.exe "$out"/Vartolin-*-win64.zip
(cd "$out" && cpack >cpack.log 2>&1) || { cat "$out/cpack.log"; exit 1; }
ls "$out"/Vartolin-*-win64.exe >/dev/null || { cat "$out/cpack.log"; exit 1; }
say "done: $out/deploy/vartolin.exe and $(ls "$out"/Vartolin-*-win64.exe)"
