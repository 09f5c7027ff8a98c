#!/usr/bin/env bash
# `make windows-test`: the Windows build run as Windows programs, under Wine, on a private X server.
#  1. every QtTest suite of build-windows, the soak included, under CTest;
#  2. the deployed game: build-windows/deploy/vartolin.exe alone (no Qt on the search path) shows
#     its window "Vartolin" with a 1095 x 642 client area;
#  3. the screenshot tour as a Windows program, into build-windows/tour/;
#  4. the installer: silent install, the installed game starts, silent uninstall, nothing left in
#     the install folder or the Start menu.
# Expects `make windows` to have run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${WINDOWS_BUILD:-build-windows}
say() { echo "windows-test: $*"; }
fail() { echo "windows-test: FAIL: $*" >&2; exit 1; }

[ -f "$out/CTestTestfile.cmake" ] || fail "no Windows build in $out: run make windows first"
if [ -z "${VARTOLIN_ON_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1400x900x24" env VARTOLIN_ON_XVFB=1 bash "$0" "$@"
fi

export WINEPREFIX=$root/$out/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
run() { bash "$root/scripts/wine-run.sh" "$@"; }
# A server left from an earlier run would keep its processes on their old display.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true
run cmd /c exit 0 # creates the prefix on first use
"$wineserver" -p 2>/dev/null || true # one server for the whole run
trap '"$wineserver" -k 2>/dev/null || true' EXIT
mkdir -p "$out/screenshots"

# Waits for a top-level X window of that name; prints its size.
window_size() {
    local name=$1
    for _ in $(seq 1 120); do
        if xwininfo -name "$name" >/dev/null 2>&1; then
            xwininfo -name "$name" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
            return 0
        fi
        sleep 0.5
    done
    return 1
}

# Starts a program, checks its window, takes a screenshot, ends it.
check_game() {
    local exe=$1 shot=$2
    (unset WINEPATH; exec "$wine" "$exe") >"$shot.log" 2>&1 &
    local pid=$!
    local size
    size=$(window_size Vartolin) || { kill "$pid" 2>/dev/null; cat "$shot.log"; fail "$exe showed no window \"Vartolin\""; }
    sleep 2 # the first challenge is drawn
    import -window root "$shot"
    kill -0 "$pid" 2>/dev/null || fail "$exe ended after showing its window"
    "$wine" taskkill /IM vartolin.exe /F >/dev/null 2>&1 || true
    wait "$pid" 2>/dev/null || true
    [ "$size" = "1095x642" ] || fail "the window's client area is $size, not 1095x642"
    local spread
    spread=$(convert "$shot" -format '%[fx:standard_deviation]' info:)
    awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "the screenshot $shot is nearly uniform"
    say "$exe: window \"Vartolin\", client area $size (screenshot $shot)"
}

say "1. every suite under Wine"
(cd "$out" && ctest --output-on-failure --timeout 3000) || fail "a suite failed under Wine"

say "2. the deployed game"
check_game "$out/deploy/vartolin.exe" "$out/screenshots/deployed.png"

say "3. the tour as a Windows program"
rm -rf "$out/tour" "$out/tour@2x"
winepath=$(sed -n 's/^WINEPATH=//p' "$out/windows-env.txt")
WINEPATH=$winepath "$wine" "$out/tour.exe" "Z:$root/$out/tour" >/dev/null
WINEPATH=$winepath WINEQT_SCALE_FACTOR=2 "$wine" "$out/tour.exe" "Z:$root/$out/tour@2x" >/dev/null
[ -f "$out/tour/contact_sheet.png" ] && [ -f "$out/tour@2x/about.png" ] || fail "the tour wrote no pictures"
say "tour in $out/tour and $out/tour@2x"

say "4. the installer"
installer=$(ls "$out"/Vartolin-*-win64.exe | head -1)
program_files=$WINEPREFIX/drive_c/Program\ Files/Vartolin
start_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vartolin
"$wine" "$installer" /S
"$wineserver" -w
[ -f "$program_files/vartolin.exe" ] || fail "the silent install put no vartolin.exe in C:\\Program Files\\Vartolin"
[ -f "$program_files/Uninstall.exe" ] || fail "no uninstaller"
ls "$start_menu"/*.lnk >/dev/null 2>&1 || fail "no Start-menu entry in $start_menu"
check_game "$program_files/vartolin.exe" "$out/screenshots/installed.png"
"$wine" "$program_files/Uninstall.exe" /S
"$wineserver" -w
for _ in $(seq 1 20); do [ -e "$program_files" ] || break; sleep 0.5; done
[ ! -e "$program_files" ] || fail "left behind in the install folder: $(find "$program_files" | head)"
[ ! -e "$start_menu" ] || fail "left behind in the Start menu: $(find "$start_menu" | head)"
say "installed, started and uninstalled without a trace: $installer"
say "OK"
