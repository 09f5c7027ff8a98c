#!/usr/bin/env bash
# `make windows`: the Windows build, made on this Debian machine with tools Debian ships.
#  1. installs what is missing (MinGW-w64, Wine, NSIS, wixl, Ninja, ...);
#  2. builds Qt for Windows from Debian's Qt source once, into a cache (scripts/windows-qt.sh);
#  3. builds the art compiler for this machine: the pictures are rendered here, as in the Linux build;
#  4. cross-builds the game, its tests and the tour into build-windows/ (CMake preset "windows");
#  5. installs the game with every DLL and plugin it needs into build-windows/deploy/, and makes the
#     packages from it: the installer Vartolin-<version>-win64.exe, a ZIP of the same folder, and
#     the MSI Vartolin-<version>-win64.msi.
#  6. signs the programs, the uninstaller, the installer and the MSI when a certificate is given
#     (VARTOLIN_SIGN_PKCS12, see scripts/sign-windows.sh), and says so when not.
#   windows.sh             all of it
#   windows.sh --package   5 and 6 alone, with the build brought up to date (scripts/windows-test.sh)
# WINDOWS_BUILD, HOST_BUILD and WINDOWS_PRESET choose other folders and preset (scripts/release.sh).
# File times in the packages are SOURCE_DATE_EPOCH when set, else the time of the last commit.
# Every shipped program and DLL is stripped; the debug information of the programs and of Qt's DLLs
# and plugins stays in $WINDOWS_BUILD/symbols/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
host_build=${HOST_BUILD:-build}
out=${WINDOWS_BUILD:-build-windows}
preset=${WINDOWS_PRESET:-windows}
jobs=$(nproc 2>/dev/null || echo 2)
say() { echo "windows: $*"; }

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
fi
export SOURCE_DATE_EPOCH

package_only=0
[ "${1:-}" = --package ] && package_only=1

bash scripts/install-deps.sh windows
if [ "$package_only" -eq 1 ]; then
    [ -f "$out/CMakeCache.txt" ] || { say "no Windows build in $out to package"; exit 1; }
else
    qt=$(bash scripts/windows-qt.sh | tail -1)

    say "building the art compiler for this machine in $host_build"
    if [ ! -f "$host_build/CMakeCache.txt" ]; then
        cmake --preset default -B "$host_build" >/dev/null
    fi
    cmake --build "$host_build" --target artc -j"$jobs" >/dev/null
    artc=$(realpath "$host_build/src/pictures/artc/artc")

    say "cross-building into $out"
    VARTOLIN_QT=$qt VARTOLIN_HOST_ARTC=$artc cmake --preset "$preset" -B "$out" >"$out.configure.log" 2>&1 \
        || { cat "$out.configure.log"; exit 1; }
    rm -f "$out.configure.log"
fi
cmake --build "$out" -j"$jobs"

say "deploying into $out/deploy"
rm -rf "$out/deploy"
cmake --install "$out" --prefix "$out/deploy" --strip >/dev/null
[ -f "$out/deploy/vartolin.exe" ] || { say "no vartolin.exe in $out/deploy"; exit 1; }
[ -f "$out/deploy/vartolin-reporter.exe" ] || { say "no vartolin-reporter.exe in $out/deploy"; exit 1; }
find "$out/deploy" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

say "packaging"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/CMakeCache.txt")
rm -f "$out"/Vartolin-*-win64.exe "$out"/Vartolin-*-win64.zip "$out"/Vartolin-*-win64.msi
(cd "$out" && cpack >cpack.log 2>&1) || { cat "$out/cpack.log"; exit 1; }
ls "$out"/Vartolin-*-win64.exe >/dev/null || { cat "$out/cpack.log"; exit 1; }
cmake -DDEPLOY="$(realpath "$out/deploy")" -DOUTPUT="$(realpath "$out")/Vartolin-$version-win64.msi" \
      -DVERSION="$version" -DICON="$(realpath "$out/packaging/vartolin.ico")" -DEPOCH="$SOURCE_DATE_EPOCH" \
      -P packaging/WindowsMsi.cmake >"$out/msi.log" 2>&1 || { cat "$out/msi.log"; exit 1; }
if bash scripts/sign-windows.sh enabled; then
    # The programs and the uninstaller were signed as they were installed and packed.
    bash scripts/sign-windows.sh sign "$out/Vartolin-$version-win64.exe" "$out/Vartolin-$version-win64.msi"
    say "signed vartolin.exe, vartolin-reporter.exe, the uninstaller, the installer and the MSI"
else
    say "not signed: no certificate given (VARTOLIN_SIGN_PKCS12)"
fi
say "done: $out/deploy/vartolin.exe, $out/Vartolin-$version-win64.exe, .zip and .msi"
