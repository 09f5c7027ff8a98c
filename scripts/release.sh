#!/usr/bin/env bash
# `make release`: every file of a release of the commit checked out, into dist/:
#   vartolin_<version>_amd64.deb      the Debian package
#   Vartolin-<version>-win64.exe      the Windows installer (NSIS)
#   Vartolin-<version>-win64.msi      the Windows Installer package for schools
#   Vartolin-<version>-win64.zip      the Windows program folder
#   vartolin-<version>.tar.gz         the source, made from the commit
#   vartolin-<version>-symbols.tar.xz the debug information of every released program and DLL of
#                                     both platforms, for scripts/symbolize --symbols
#   SHA256SUMS                        their checksums (sha256sum -c SHA256SUMS)
# Everything is built from the commit's own files (the source tarball, unpacked), not from the
# work tree, with the commit's time as SOURCE_DATE_EPOCH, in the reproducible presets: two runs of
# one commit, in different folders and at different times, give the same bytes (see
# scripts/check-reproducible.sh). The package checks run on what is released: check-deb.sh on the
# .deb, and the install, start and removal of the installer and the MSI under Wine; then every
# package is searched for paths of this machine (scripts/check-paths.sh). Any failure stops the
# release.
# With a certificate (VARTOLIN_SIGN_PKCS12, VARTOLIN_SIGN_PASSWORD_FILE, and VARTOLIN_SIGN_TIMESTAMP_URL
# for a time stamp; see scripts/sign-windows.sh) the Windows programs, the uninstaller, the installer
# and the MSI are signed and their signatures checked; without one the release says that its
# Windows files are unsigned.
#   scripts/release.sh [dist folder]       default: dist/ in the source tree
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dist=$(realpath -m "${1:-$root/dist}")
work=$root/build-release
say() { echo "release: $*"; }
fail() { echo "release: FAIL: $*" >&2; exit 1; }

git rev-parse --verify HEAD >/dev/null 2>&1 || fail "not a git checkout: a release is made from a commit"
commit=$(git rev-parse HEAD)
[ -z "$(git status --porcelain --untracked-files=no)" ] \
    || say "note: changes not committed are left out; the release is of $commit"
version=$(sed -n 's/^project(Vartolin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
say "Vartolin $version from $commit, dated $(date -u -d "@$SOURCE_DATE_EPOCH" +%FT%TZ)"
if bash scripts/sign-windows.sh enabled; then
    signing="signed with $VARTOLIN_SIGN_PKCS12${VARTOLIN_SIGN_TIMESTAMP_URL:+, time-stamped by $VARTOLIN_SIGN_TIMESTAMP_URL}"
else
    signing="UNSIGNED: no certificate given (VARTOLIN_SIGN_PKCS12)"
fi
say "Windows files: $signing"

bash scripts/install-deps.sh release
rm -rf "$work"
mkdir -p "$work" "$dist"

say "1. the source"
# git archive gives every entry the commit's time, in a fixed order; gzip -n leaves out name and time.
tarball=vartolin-$version.tar.gz
git archive --format=tar --prefix="vartolin-$version/" "$commit" | gzip -9n >"$work/$tarball"
tar -xzf "$work/$tarball" -C "$work"
src=$work/vartolin-$version

say "2. the Debian package, built and checked"
VARTOLIN_PRESET=release bash "$src/packaging/check-deb.sh" "$work/deb"

say "3. the Windows packages, built and checked under Wine"
(cd "$src" && WINDOWS_BUILD="$work/windows" HOST_BUILD="$work/host" WINDOWS_PRESET=windows-release \
    bash scripts/windows.sh)
(cd "$src" && WINDOWS_BUILD="$work/windows" bash scripts/windows-test.sh --packages)

say "4. the symbols"
# One archive for both platforms: linux/ holds the debug files of the .deb's programs, windows/ those
# of the Windows programs and of Qt's DLLs and plugins. Every shipped program and Qt file must have
# its own. Sorted, with fixed owners, modes and times, and xz in one thread with fixed settings.
symbols=vartolin-$version-symbols
stage=$work/symbols-stage/$symbols
mkdir -p "$stage/linux" "$stage/windows"
cp "$work"/deb/symbols/*.debug "$stage/linux/"
cp "$work"/windows/symbols/*.debug "$stage/windows/"
for program in vartolin vartolin-reporter; do
    [ -f "$stage/linux/$program.debug" ] || fail "no debug file for the Linux $program"
done
while IFS= read -r shipped; do
    [ -f "$stage/windows/$(basename "$shipped").debug" ] || fail "no debug file for the shipped $shipped"
done < <(cd "$work/windows/deploy" && find . -iname 'vartolin*.exe' -o -iname 'qt6*.dll' -o -path './*/*.dll')
tar --sort=name --owner=0 --group=0 --numeric-owner --mode=u=rwX,go=rX --mtime="@$SOURCE_DATE_EPOCH" \
    --format=gnu -C "$work/symbols-stage" -cf - "$symbols" | xz -9 --threads=1 --check=crc64 >"$work/$symbols.tar.xz"
say "$symbols.tar.xz: $(find "$stage" -name '*.debug' | wc -l) debug files"

say "5. dist"
files=("vartolin_${version}_amd64.deb" "Vartolin-$version-win64.exe" "Vartolin-$version-win64.msi"
       "Vartolin-$version-win64.zip" "$tarball" "$symbols.tar.xz")
rm -f "$dist/SHA256SUMS" "${files[@]/#/$dist/}"
cp "$work/deb/vartolin_${version}_amd64.deb" "$work/windows/Vartolin-$version-win64."{exe,msi,zip} "$work/$tarball" \
   "$work/$symbols.tar.xz" "$dist/"

say "6. no path of this machine in a package"
# The packages: not the source tarball, whose files are the commit's own, nor the symbols archive,
# which names the sources under the build's fixed names.
(cd "$dist" && bash "$src/scripts/check-paths.sh" --path "$root" --path "$work" "${files[@]:0:4}") \
    || fail "a package holds a path of this machine"

(cd "$dist" && sha256sum "${files[@]}" >SHA256SUMS && sha256sum --quiet -c SHA256SUMS) || fail "checksums"
cat "$dist/SHA256SUMS"
say "Windows files: $signing"
say "done: $dist"
