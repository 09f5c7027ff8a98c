#!/usr/bin/env bash
# `make windows-test`: the Windows build run as Windows programs, under Wine, on a private X server.
#  1. every QtTest suite of build-windows, the soak included, under CTest;
#  2. the deployed game: build-windows/deploy/vartolin.exe alone (no Qt on the search path) shows
#     its window "Vartolin" with a 1095 x 642 client area;
#  3. the screenshot tour as a Windows program, into build-windows/tour/;
#  4. the installer: silent install with its Add/Remove Programs entry (a quiet uninstall command,
#     size, no modify or repair), the installed game starts, silent uninstall leaves nothing;
#  5. the MSI: msiexec /qn installs per machine with its entry and shortcut, the installed game
#     starts, a later version replaces it in place, msiexec /x /qn removes every file and the
#     shortcut;
#  6. a crash from outside: an access violation started in the deployed game's process by another
#     program gives a whole report after the earlier ones, the box beside the frozen game, frames
#     that scripts/symbolize reads back to the source, and, the reporter ended, the game's own
#     short report and its end.
#  7. the signatures: every signed file (the two programs in the folder, the ZIP, the installer, its
#     uninstaller and the MSI, and as installed) verifies with `osslsigncode verify`. Without a
#     certificate from the caller, the build is packed again first, signed with a throwaway
#     self-signed certificate made here, against which the signatures are checked.
#   windows-test.sh              all of it, after `make windows`
#   windows-test.sh --packages   4, 5 and the signatures when signed (scripts/release.sh)
# Wine's settings are scripts/wine-run.sh's; WINDOWS_BUILD names another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(realpath -m "${WINDOWS_BUILD:-build-windows}")
packages_only=0
[ "${1:-}" = --packages ] && packages_only=1
say() { echo "windows-test: $*"; }
fail() { echo "windows-test: FAIL: $*" >&2; exit 1; }

ls "$out"/Vartolin-*-win64.exe >/dev/null 2>&1 || fail "no Windows build in $out: run make windows first"
source "$root/scripts/wine-session.sh"
source "$root/scripts/x11-windows.sh"
mkdir -p "$out/screenshots"
program_files=$WINEPREFIX/drive_c/Program\ Files/Vartolin
start_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vartolin
user_start_menu=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Vartolin
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
sign() { bash "$root/scripts/sign-windows.sh" "$@"; }

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
    (unset WINEPATH; exec bash "$root/scripts/wine-run.sh" "$exe") >"$shot.log" 2>&1 &
    local pid=$!
    local size
    size=$(window_size Vartolin) || { kill "$pid" 2>/dev/null; cat "$shot.log"; fail "$exe showed no window \"Vartolin\""; }
    sleep 2 # the first challenge is drawn
    import -window root "$shot"
    kill -0 "$pid" 2>/dev/null || fail "$exe ended after showing its window"
    run taskkill /IM vartolin.exe /F >/dev/null 2>&1 || true
    wait "$pid" 2>/dev/null || true
    [ "$size" = "1095x642" ] || fail "the window's client area is $size, not 1095x642"
    local spread
    spread=$(convert "$shot" -format '%[fx:standard_deviation]' info:)
    awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "the screenshot $shot is nearly uniform"
    say "$exe: window \"Vartolin\", client area $size (screenshot $shot)"
}

# One value of a registry key as `reg query` prints it: "<type> <data>".
registry_value() {
    run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name { $1 = ""; sub(/^ +/, ""); print }'
}
expect_value() { # key, name, expected "<type> <data>"
    local got
    got=$(registry_value "$1" "$2")
    [ "$got" = "$3" ] || fail "$1 $2 is \"$got\", not \"$3\""
}

expect_nothing_left() {
    for _ in $(seq 1 20); do [ -e "$program_files" ] || break; sleep 0.5; done
    [ ! -e "$program_files" ] || fail "left behind in the install folder: $(find "$program_files" | head)"
    [ ! -e "$start_menu" ] || fail "left behind in the Start menu: $(find "$start_menu" | head)"
    [ ! -e "$user_start_menu" ] || fail "left behind in the user's Start menu: $(find "$user_start_menu" | head)"
}

signed=0
if sign enabled; then
    signed=1
elif [ "$packages_only" -eq 0 ]; then
    say "0. packed again, signed with a throwaway certificate"
    certs=$out/signing-test
    rm -rf "$certs"
    mkdir -p "$certs"
    openssl req -x509 -newkey rsa:3072 -nodes -days 2 -subj "/CN=Vartolin test signature" \
        -addext extendedKeyUsage=codeSigning -keyout "$certs/key.pem" -out "$certs/cert.pem" 2>/dev/null
    openssl rand -hex 16 >"$certs/password"
    openssl pkcs12 -export -inkey "$certs/key.pem" -in "$certs/cert.pem" -passout "file:$certs/password" \
        -out "$certs/signing.p12"
    rm "$certs/key.pem"
    export VARTOLIN_SIGN_PKCS12=$certs/signing.p12 VARTOLIN_SIGN_PASSWORD_FILE=$certs/password \
           VARTOLIN_SIGN_CAFILE=$certs/cert.pem
    unset VARTOLIN_SIGN_TIMESTAMP_URL
    WINDOWS_BUILD=$out bash "$root/scripts/windows.sh" --package | sed 's/^/  /'
    signed=1
fi

# The signatures of the packages and of what they hold.
check_signatures() {
    local unpacked=$out/signature-check
    rm -rf "$unpacked"
    mkdir -p "$unpacked/zip" "$unpacked/nsis" "$unpacked/msi"
    sign verify "$out/deploy/vartolin.exe" "$out/deploy/vartolin-reporter.exe" "$installer" "$msi"
    unzip -q "$out/Vartolin-$version-win64.zip" -d "$unpacked/zip"
    msiextract -C "$unpacked/msi" "$msi" >/dev/null
    local expected=4
    if command -v 7z >/dev/null; then
        7z x -y -o"$unpacked/nsis" "$installer" >/dev/null
        expected=7
    else
        say "note: no 7z (p7zip-full): the files inside the installer are checked once installed"
    fi
    local files=()
    mapfile -t files < <(find "$unpacked" -type f \( -name vartolin.exe -o -name vartolin-reporter.exe -o -name Uninstall.exe \))
    [ "${#files[@]}" -eq "$expected" ] || fail "expected $expected programs to check in the packages, found: ${files[*]}"
    sign verify "${files[@]}"
    rm -rf "$unpacked"
    say "signatures verified: the installer and the MSI, and the game, its reporter and the uninstaller in the folder and the packages"
}

if [ "$packages_only" -eq 0 ]; then
    say "1. every suite under Wine"
    (cd "$out" && VARTOLIN_SOAK_EVENTS=100000 ctest --output-on-failure --timeout 3000) || fail "a suite failed under Wine"

    say "2. the deployed game"
    check_game "$out/deploy/vartolin.exe" "$out/screenshots/deployed.png"

    say "3. the tour as a Windows program"
    rm -rf "$out/tour" "$out/tour@2x"
    WINEPATH=$winepath run "$out/tour.exe" "$(windows_path "$out")\\tour" >/dev/null
    WINEPATH=$winepath WINEQT_SCALE_FACTOR=2 run "$out/tour.exe" "$(windows_path "$out")\\tour@2x" >/dev/null
    [ -f "$out/tour/contact_sheet.png" ] && [ -f "$out/tour@2x/about.png" ] || fail "the tour wrote no pictures"
    say "tour in $out/tour and $out/tour@2x"
fi

say "4. the installer"
installer=$(ls "$out"/Vartolin-*-win64.exe | head -1)
version=$(basename "$installer" | sed 's/^Vartolin-\(.*\)-win64\.exe$/\1/')
msi=$out/Vartolin-$version-win64.msi
if [ "$signed" -eq 1 ]; then
    check_signatures
else
    say "note: the packages are not signed (no certificate given)"
fi
run "$installer" /S
run wineserver -w
[ -f "$program_files/vartolin.exe" ] || fail "the silent install put no vartolin.exe in C:\\Program Files\\Vartolin"
[ -f "$program_files/vartolin-reporter.exe" ] || fail "the silent install put no crash reporter beside the game"
[ -f "$program_files/Uninstall.exe" ] || fail "no uninstaller"
ls "$start_menu"/*.lnk >/dev/null 2>&1 || fail "no Start-menu entry in $start_menu"
key="$uninstall_key\\Vartolin"
expect_value "$key" DisplayName "REG_SZ Vartolin"
expect_value "$key" DisplayVersion "REG_SZ $version"
expect_value "$key" QuietUninstallString 'REG_SZ "C:\Program Files\Vartolin\Uninstall.exe" /S'
expect_value "$key" NoModify "REG_DWORD 0x1"
expect_value "$key" NoRepair "REG_DWORD 0x1"
[[ $(registry_value "$key" EstimatedSize) =~ ^REG_DWORD\ 0x[0-9a-f]{4,}$ ]] || fail "no EstimatedSize in $key"
[ "$signed" -eq 0 ] || sign verify "$program_files/vartolin.exe" "$program_files/vartolin-reporter.exe" "$program_files/Uninstall.exe"
check_game "$program_files/vartolin.exe" "$out/screenshots/installed.png"
# As an administrator's script does it: the quiet uninstall command from the entry.
quiet=$(registry_value "$key" QuietUninstallString)
[[ $quiet =~ ^REG_SZ\ \"([^\"]+)\"\ (.*)$ ]] || fail "cannot read the quiet uninstall command \"$quiet\""
run "${BASH_REMATCH[1]}" ${BASH_REMATCH[2]}
run wineserver -w
expect_nothing_left
[ -z "$(registry_value "$key" DisplayName)" ] || fail "the Add/Remove Programs entry stays after the uninstall"
say "installed, started and uninstalled without a trace: $installer"

say "5. the MSI"
[ -f "$msi" ] || fail "no $msi"
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
product=$(product_code "$msi")
run msiexec /i "$(windows_path "$msi")" /qn
run wineserver -w
for file in vartolin.exe vartolin-reporter.exe LICENCE.txt Qt6Core.dll platforms/qwindows.dll; do
    [ -f "$program_files/$file" ] || fail "msiexec /i put no $file in C:\\Program Files\\Vartolin"
done
# Windows puts a per-machine package's shortcut in the Start menu of all users; Wine's msiexec puts
# it in the installing user's.
[ -f "$start_menu/Vartolin.lnk" ] || [ -f "$user_start_menu/Vartolin.lnk" ] || fail "no Start-menu shortcut in $start_menu"
key="$uninstall_key\\$product"
expect_value "$key" DisplayName "REG_SZ Vartolin"
expect_value "$key" DisplayVersion "REG_SZ $version"
expect_value "$key" Publisher "REG_SZ the Vartolin authors"
expect_value "$key" NoModify "REG_DWORD 0x1"
expect_value "$key" NoRepair "REG_DWORD 0x1"
# The entry's icon is the package's product icon (Add/Remove Programs reads it from the package).
msiinfo export "$msi" Property | tr -d '\r' | grep -qx $'ARPPRODUCTICON\tvartolin.ico' || fail "the MSI names no product icon"
msiinfo streams "$msi" | grep -qx 'Icon.vartolin.ico' || fail "the MSI carries no icon"
[ "$signed" -eq 0 ] || sign verify "$program_files/vartolin.exe" "$program_files/vartolin-reporter.exe"
check_game "$program_files/vartolin.exe" "$out/screenshots/installed-msi.png"
# A later version, made from the same folder, replaces this one in place.
later=${version%.*.*}.$(( $(echo "$version" | cut -d. -f3) + 1 )).0
cmake -DDEPLOY="$out/deploy" -DOUTPUT="$out/upgrade-check.msi" -DVERSION="$later" \
      -DICON="$out/packaging/vartolin.ico" -DEPOCH="$(date +%s)" -P "$root/packaging/WindowsMsi.cmake" >/dev/null
later_product=$(product_code "$out/upgrade-check.msi")
run msiexec /i "$(windows_path "$out/upgrade-check.msi")" /qn
run wineserver -w
expect_value "$uninstall_key\\$later_product" DisplayVersion "REG_SZ $later"
[ -z "$(registry_value "$key" DisplayName)" ] || fail "version $version is still registered after the upgrade to $later"
[ -f "$program_files/vartolin.exe" ] || fail "the upgrade left no vartolin.exe"
run msiexec /x "$(windows_path "$out/upgrade-check.msi")" /qn
run wineserver -w
expect_nothing_left
[ -z "$(registry_value "$uninstall_key\\$later_product" DisplayName)" ] || fail "the entry stays after msiexec /x"
rm -f "$out/upgrade-check.msi" "$out/upgrade-check.msi.wxs"
say "msiexec installed, started, upgraded and removed without a trace: $msi"

if [ "$packages_only" -eq 1 ]; then
    say "OK"
    exit 0
fi

say "6. a crash from outside"
appdata=$(run winepath -u "$(run cmd /c echo %APPDATA% | tr -d '\r')" 2>/dev/null)
report=$appdata/Vartolin/bugreport.txt
mkdir -p "$appdata/Vartolin"
printf '==== Vartolin bug report ====\r\nFault: an earlier one\r\n==== end of report ====\r\n\r\n' >"$report"
cp "$report" "$out/earlier-reports.txt"
(unset WINEPATH; exec bash "$root/scripts/wine-run.sh" "$out/deploy/vartolin.exe") >"$out/crash.log" 2>&1 &
game=$!
window_size Vartolin >/dev/null || fail "the game showed no window"
sleep 2
WINEPATH=$winepath run "$out/faultinject.exe" Vartolin >/dev/null || fail "faultinject could not start the fault"
# The windows titled Vartolin on screen: the game's, and then the box's.
await_windows Vartolin 2 30 || fail "no error box beside the game"
sleep 1
import -window root "$out/screenshots/crash.png"
cmp -s -n "$(stat -c %s "$out/earlier-reports.txt")" "$out/earlier-reports.txt" "$report" || fail "the earlier report changed"
for part in "Fault: EXCEPTION_ACCESS_VIOLATION (c0000005) at 0x10, executing address 0x10" "Registers of the faulting thread" \
            "(faulting)" "vartolin.exe+0x" "Modules: " "vartolin.exe time stamp" "Processes: " "  OS: " "  CPU: " \
            "  Memory: " "  Screen "; do
    grep -qF "$part" "$report" || { cat "$report"; fail "the report lacks \"$part\""; }
done
bash scripts/symbolize --symbols "$out/symbols" "$report" >"$out/crash-symbolized.txt"
grep -qE 'runVartolin\(.*\) at .*src/app/Startup\.cpp:[0-9]+' "$out/crash-symbolized.txt" \
    || fail "scripts/symbolize did not read the game's frames back to the source ($out/crash-symbolized.txt)"
run taskkill /IM vartolin-reporter.exe /F >/dev/null 2>&1 || true
for _ in $(seq 1 40); do kill -0 "$game" 2>/dev/null || break; sleep 0.5; done
! kill -0 "$game" 2>/dev/null || fail "the game goes on after its reporter ended"
[ "$(grep -c '^==== Vartolin bug report ====' "$report")" -eq 3 ] || fail "expected the earlier report, the reporter's and the game's short one"
say "crash reported from outside (screenshot $out/screenshots/crash.png, frames read back in $out/crash-symbolized.txt)"
say "OK"
