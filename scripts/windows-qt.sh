#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (MinGW-w64) from Debian's own Qt source, once, into a cache outside
# any build tree, and prints the install prefix on its last line. A later call with the same Qt
# version, options and toolchain reuses the cache and returns at once.
#   scripts/windows-qt.sh            cache: $VARTOLIN_CACHE, else ~/.cache/vartolin
# The host's moc, rcc and uic generate the code, so the host Qt must be the same version.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cache=${VARTOLIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vartolin}
jobs=$(nproc 2>/dev/null || echo 2)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
say() { echo "windows-qt: $*" >&2; }

# Core, Gui, Widgets, Test and the platform plugins. No network, SQL, D-Bus, printing or OpenGL.
# Debian's source lacks the Wintab header, hence no tablet events; without OpenGL the Windows
# platform plugin needs dynamic GL off. Bundled third-party code only, so no MinGW library of the
# build machine ends up inside the Windows Qt.
qt_options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DFEATURE_network=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_opengl=OFF
    -DFEATURE_dynamicgl=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF
    # Smaller: optimised for size, and without what neither the game nor its dialogs use.
    -DFEATURE_optimize_size=ON
    -DFEATURE_xml=OFF
    -DFEATURE_textodfwriter=OFF
    -DFEATURE_textmarkdownreader=OFF
    -DFEATURE_textmarkdownwriter=OFF
    -DFEATURE_pdf=OFF
    -DFEATURE_movie=OFF
    -DFEATURE_gif=OFF
    -DFEATURE_mdiarea=OFF
    -DFEATURE_calendarwidget=OFF
    -DFEATURE_datetimeedit=OFF
    -DFEATURE_dial=OFF
    -DFEATURE_lcdnumber=OFF
    -DFEATURE_undocommand=OFF
    -DFEATURE_undostack=OFF
    -DFEATURE_undogroup=OFF
    -DFEATURE_undoview=OFF
    -DFEATURE_fontcombobox=OFF
    -DFEATURE_fontdialog=OFF
    -DFEATURE_colordialog=OFF
    -DFEATURE_wizard=OFF
    -DFEATURE_errormessage=OFF
    -DFEATURE_splashscreen=OFF
    -DFEATURE_systemtrayicon=OFF
    -DFEATURE_keysequenceedit=OFF
)

bash "$root/scripts/install-deps.sh" windows

qt_deb_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_version=${qt_deb_version%%+*}
qt_version=${qt_version%%-*}
# Nothing of this machine or of the project reaches the built files: the folders are mapped to fixed
# names (the prefix is a fixed name too, installed under a staging root), and the DLLs carry no link
# time, whatever SOURCE_DATE_EPOCH says. Line tables only (-g1): enough to name a frame, and they go
# into the symbols archive, not into the packages.
fixed_prefix=/vartolin-qt
qt_flags="-g1 -ffile-prefix-map=@SRC@=/qt-src -ffile-prefix-map=@BUILD@=/qt-build"
qt_link_flags="-Wl,--no-insert-timestamp"
work=/var/tmp/vartolin-qt-build
# The key covers whatever changes the output: Qt's source version, the options and flags, the
# toolchain file, the compilers and the binutils.
key=$( { printf '%s\n' "$qt_deb_version" "${qt_options[@]}" "$fixed_prefix" "$qt_flags" "$qt_link_flags" "$work" \
                "SOURCE_DATE_EPOCH from debian/changelog"
         cat "$toolchain"
         x86_64-w64-mingw32-g++-posix --version | head -1
         x86_64-w64-mingw32-gcc-posix --version | head -1
         x86_64-w64-mingw32-ld --version | head -1
         dpkg-query -W -f='${Version}\n' mingw-w64-x86-64-dev 2>/dev/null || true; } | sha256sum | cut -c1-12)
stage=$cache/qt-$qt_version-mingw64-$key
prefix=$stage$fixed_prefix
if [ -f "$prefix/.complete" ]; then
    say "using the cached Qt $qt_version for Windows in $prefix"
    echo "$prefix"
    exit 0
fi

# --- source: Debian's qt6-base of the host's version, through a private apt state -------------------
src_parent=$cache/src
src=$src_parent/qt6-base-$qt_deb_version
if [ ! -f "$src/.complete" ]; then
    say "fetching Debian's qt6-base $qt_deb_version source"
    apt_state=$cache/apt
    mkdir -p "$apt_state/lists/partial" "$src_parent"
    # The host's own sources as deb-src entries, in a folder apt reads only for this download: an
    # update with only these lists must not replace the machine's package lists.
    parts=$apt_state/parts
    rm -rf "$parts"
    mkdir -p "$parts"
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && sed -n 's/^deb \(.*debian.*\)$/deb-src \1/p' "$f"
    done >"$parts/vartolin-src.list"
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && grep -q 'debian' "$f" && sed 's/^Types: deb$/Types: deb-src/' "$f" && echo
    done >"$parts/vartolin-src.sources"
    apt_list=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$parts")
    apt_opts=("${apt_list[@]}" -o "Dir::State::Lists=$apt_state/lists" -o Dir::Cache::pkgcache= \
              -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root)
    apt-get "${apt_opts[@]}" update -qq
    rm -rf "$src" "$src_parent/download"
    mkdir -p "$src_parent/download"
    (cd "$src_parent/download" && apt-get "${apt_opts[@]}" source -qq "qt6-base=$qt_deb_version") >&2
    extracted=$(find "$src_parent/download" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -1)
    [ -n "$extracted" ] || { say "apt-get source gave no qt6-base folder"; exit 1; }
    mv "$extracted" "$src"
    rm -rf "$src_parent/download"
    touch "$src/.complete"
fi

# --- build -----------------------------------------------------------------------------------------
# Source and build folders have fixed names, whatever the cache is called: the prefix maps above keep
# them out of the files, and fixed names leave nothing to a map that misses one. One build at a time
# on a machine, and a folder of another user is never used.
exec 9>"$work.lock"
flock 9
rm -rf "$work"
mkdir -m 0700 "$work" || { say "cannot create $work"; exit 1; }
build=$work/build
cp -a "$src" "$work/src"
src=$work/src
# The build's own time is the date of Debian's Qt source (rcc writes it into every resource), never
# the caller's SOURCE_DATE_EPOCH: a cache made while another commit was checked out is the same.
qt_epoch=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Timestamp)
qt_env=(env SOURCE_DATE_EPOCH="$qt_epoch")
say "building Qt $qt_version for Windows into $prefix (about 25 minutes on 2 cores, once)"
rm -rf "$stage"
flags=${qt_flags//@SRC@/$src}
flags=${flags//@BUILD@/$build}
"${qt_env[@]}" cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$fixed_prefix" \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$qt_link_flags" -DCMAKE_EXE_LINKER_FLAGS="$qt_link_flags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$qt_link_flags" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_options[@]}" >"$cache/qt-configure-$key.log" 2>&1 \
    || { tail -60 "$cache/qt-configure-$key.log" >&2; say "Qt configure failed (log: $cache/qt-configure-$key.log)"; exit 1; }
"${qt_env[@]}" cmake --build "$build" --parallel "$jobs" >"$cache/qt-build-$key.log" 2>&1 \
    || { grep -B2 -A20 -m3 'FAILED\|error:' "$cache/qt-build-$key.log" >&2 || tail -60 "$cache/qt-build-$key.log" >&2
         say "Qt build failed (log: $cache/qt-build-$key.log)"; exit 1; }
DESTDIR=$stage cmake --install "$build" >"$cache/qt-install-$key.log" 2>&1 \
    || { tail -40 "$cache/qt-install-$key.log" >&2; say "Qt install failed"; exit 1; }
rm -rf "$work"
touch "$prefix/.complete"
say "Qt $qt_version for Windows is in $prefix"
echo "$prefix"
