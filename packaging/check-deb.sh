#!/usr/bin/env bash
# Builds the .deb, checks its metadata and files, runs lintian and the desktop-entry and AppStream
# validators on it, installs it on this machine, starts the installed program headless and under
# Xvfb, crashes it there, then removes the package again. Exits non-zero on any failure.
#   packaging/check-deb.sh [build dir]        default: build-pkg in the source tree
# Runs as root or through sudo (apt-get). Installs the tools it needs when they are missing.
# VARTOLIN_PRESET names the CMake preset it builds with (default: package).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-pkg}")
preset=${VARTOLIN_PRESET:-package} # release: the reproducible build of scripts/release.sh
jobs=$(nproc 2>/dev/null || echo 2)
work=$(mktemp -d)
installed_by_us=0

say() { echo "check-deb: $*"; }
fail() { echo "check-deb: FAIL: $*" >&2; exit 1; }

cleanup() {
    if [ "$installed_by_us" -eq 1 ]; then
        say "removing the package again"
        bash "$root/scripts/install-deps.sh" --remove vartolin >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

if dpkg-query -W -f='${Status}' vartolin 2>/dev/null | grep -q "install ok installed"; then
    fail "vartolin is already installed here; remove it first so this check leaves the machine as it found it"
fi

bash "$root/scripts/install-deps.sh" package

# --- build and package ---
say "building in $build"
# The preset builds with Ninja; a folder configured for another generator is configured afresh.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$build/CMakeCache.txt"; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
(cd "$root" && cmake --preset "$preset" -B "$build") >"$work/configure.log" \
    || { cat "$work/configure.log"; fail "configure"; }
cmake --build "$build" -j"$jobs" >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; fail "build"; }
rm -f "$build"/vartolin_*.deb
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
debs=("$build"/vartolin_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one vartolin_*.deb in $build"
deb=${debs[0]}
say "package $deb"

# --- metadata ---
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vartolin ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project is $version"
[ "$(field Section)" = education ] || fail "Section is '$(field Section)'"
[ "$(field Maintainer)" = "the Vartolin authors <authors@vartolin.example>" ] \
    || fail "Maintainer is '$(field Maintainer)'"
depends=$(field Depends)
for dep in fonts-dejavu-core fonts-liberation2 libqt6widgets6 libqt6gui6 libqt6core6; do
    grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

# --- files ---
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/vartolin \
         /usr/libexec/vartolin/vartolin-reporter \
         /usr/share/applications/vartolin.desktop \
         /usr/share/metainfo/example.vartolin.Vartolin.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/vartolin.svg \
         /usr/share/icons/hicolor/48x48/apps/vartolin.png \
         /usr/share/icons/hicolor/64x64/apps/vartolin.png \
         /usr/share/icons/hicolor/128x128/apps/vartolin.png \
         /usr/share/icons/hicolor/256x256/apps/vartolin.png \
         /usr/share/doc/vartolin/copyright \
         /usr/share/doc/vartolin/changelog.gz \
         /usr/share/man/man6/vartolin.6.gz \
         /usr/share/man/fr/man6/vartolin.6.gz; do
    grep -qx "$f" "$work/files" || fail "package lacks $f"
done
dpkg-deb -x "$deb" "$work/root"
for size in 48 64 128 256; do
    got=$(identify -format '%wx%h' "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/vartolin.png")
    [ "$got" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $got"
done

# --- lintian and the validators: a warning fails as much as an error ---
say "lintian"
lintian --fail-on none "$deb" >"$work/lintian.log" 2>"$work/lintian.err" \
    || { cat "$work/lintian.log" "$work/lintian.err"; fail "lintian did not run"; }
cat "$work/lintian.log"
if grep -qE '^[EW]: ' "$work/lintian.log"; then
    fail "lintian reports errors or warnings"
fi
# A hint is desktop-file-validate's mildest complaint, and it still goes to the output.
say "desktop-file-validate"
rc=0
desktop-file-validate "$work/root/usr/share/applications/vartolin.desktop" >"$work/desktop.log" 2>&1 || rc=$?
cat "$work/desktop.log"
[ "$rc" -eq 0 ] && [ ! -s "$work/desktop.log" ] || fail "desktop entry"
say "appstreamcli validate"
rc=0
appstreamcli validate --no-net --no-color "$work/root/usr/share/metainfo/example.vartolin.Vartolin.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || rc=$?
cat "$work/appstream.log"
if [ "$rc" -ne 0 ] || grep -qE '^[EW]: ' "$work/appstream.log"; then
    fail "AppStream metadata"
fi
if readelf -d "$work/root/usr/bin/vartolin" | grep -qE "RPATH|RUNPATH"; then
    fail "the packaged program carries an RPATH"
fi

# --- install and start ---
say "installing the package"
installed_by_us=1
bash "$root/scripts/install-deps.sh" --deb "$deb" >"$work/install.log" 2>&1 \
    || { cat "$work/install.log"; fail "apt-get install"; }
[ "$(command -v vartolin)" = /usr/bin/vartolin ] || fail "vartolin is not /usr/bin/vartolin on the PATH"

# A crash report lands in the application-data folder; a private HOME makes a fresh one visible.
export HOME="$work/home"
mkdir -p "$HOME"
say "starting it offscreen for 5 s"
set +e
(cd "$work" && QT_QPA_PLATFORM=offscreen timeout 5 vartolin >"$work/offscreen.log" 2>&1)
rc=$?
set -e
[ "$rc" -eq 124 ] || { cat "$work/offscreen.log"; fail "offscreen run ended with $rc before it was stopped"; }

say "starting it under Xvfb"
cat >"$work/x11.sh" <<'EOF'
set -u
QT_QPA_PLATFORM=xcb vartolin >"$1/x11.log" 2>&1 &  # on the X server, whatever the caller set
pid=$!
for _ in $(seq 1 40); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Vartolin"' && break
    kill -0 "$pid" 2>/dev/null || { echo "the program ended early"; exit 1; }
    sleep 0.25
done
xwininfo -root -tree | grep -q '"Vartolin"' || { echo "no window titled Vartolin"; kill "$pid"; exit 1; }
sleep 1
import -window root "$1/screenshot.png"
kill -0 "$pid" 2>/dev/null || { echo "the program ended after showing its window"; exit 1; }
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
EOF
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/x11.sh" "$work" \
    || { cat "$work/x11.log" 2>/dev/null; fail "X11 run"; }
cp "$work/screenshot.png" "$build/check-deb-screenshot.png"
# A window that drew nothing would leave the screen one flat colour.
spread=$(convert "$work/screenshot.png" -format '%[fx:standard_deviation]' info:)
awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "the screenshot is nearly uniform ($spread)"
if find "$HOME" -name bugreport.txt | grep -q .; then
    find "$HOME" -name bugreport.txt -exec cat {} +
    fail "the program wrote a bug report"
fi

# A crash from outside: the installed reporter writes the whole report and shows its box beside the
# frozen game. Ended without an answer, it leaves the game to add its own short report and die.
say "crashing it under Xvfb"
cat >"$work/crash.sh" <<'EOF'
set -u
source "$2"
QT_QPA_PLATFORM=xcb vartolin >"$1/crash.log" 2>&1 &
pid=$!
await_windows Vartolin 1 10 || { echo "the game showed no window"; exit 1; }
sleep 1
kill -SEGV "$pid"
# The windows titled Vartolin on screen: the game's, and then the box's.
await_windows Vartolin 2 10 || { echo "no error box"; exit 1; }
sleep 1 # drawn
import -window root "$1/crash.png"
reporter=$(pgrep -f /usr/libexec/vartolin/vartolin-reporter) || { echo "no reporter running"; exit 1; }
kill "$reporter"
wait "$pid" 2>/dev/null
status=$?
[ "$status" -eq $((128 + 11)) ] || { echo "the game ended with $status, not by SIGSEGV"; exit 1; }
exit 0
EOF
xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash "$work/crash.sh" "$work" "$root/scripts/x11-windows.sh" || fail "crash under X11"
cp "$work/crash.png" "$build/check-deb-crash.png"
report=$(find "$HOME" -name bugreport.txt)
[ -n "$report" ] || fail "no bug report after the crash"
for part in "Fault: SIGSEGV (signal 11), sent by process" "Threads: " "(faulting)" "Modules: " "/usr/bin/vartolin build id" \
            "Processes: " "  CPU: " "The crash reporter ended before it finished"; do
    grep -qF "$part" "$report" || { cat "$report"; fail "the report lacks \"$part\""; }
done
[ "$(grep -c '^==== Vartolin bug report ====' "$report")" -eq 2 ] || fail "expected the reporter's report and the game's own"

say "OK: $deb builds, installs, starts, reports a crash (screenshots: $build/check-deb-screenshot.png, $build/check-deb-crash.png)"
