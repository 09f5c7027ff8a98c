#!/usr/bin/env bash
# `make release`: every file of a release of the commit checked out, into dist/:
#   vartolin_<version>_amd64.deb      the Debian package
#   Vartolin-<version>-win64.exe      the Windows installer (NSIS)
#   Vartolin-<version>-win64.msi      the Windows Installer package for schools
#   Vartolin-<version>-win64.zip      the Windows program folder
#   vartolin-<version>.tar.gz         the source, made from the commit
#   SHA256SUMS                        their checksums (sha256sum -c SHA256SUMS)
# Everything is built from the commit's own files (the source tarball, unpacked), not from the
# work tree, with the commit's time as SOURCE_DATE_EPOCH, in the reproducible presets: two runs of
# one commit, in different folders and at different times, give the same bytes (see
# scripts/check-reproducible.sh). The package checks run on what is released: check-deb.sh on the
# .deb, and the install, start and removal of the installer and the MSI under Wine. Any failure
# stops the release.
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

say "4. dist"
files=("vartolin_${version}_amd64.deb" "Vartolin-$version-win64.exe" "Vartolin-$version-win64.msi"
       "Vartolin-$version-win64.zip" "$tarball")
rm -f "$dist/SHA256SUMS" "${files[@]/#/$dist/}"
cp "$work/deb/vartolin_${version}_amd64.deb" "$work/windows/Vartolin-$version-win64."{exe,msi,zip} "$work/$tarball" "$dist/"
(cd "$dist" && sha256sum "${files[@]}" >SHA256SUMS && sha256sum --quiet -c SHA256SUMS) || fail "checksums"
cat "$dist/SHA256SUMS"
say "done: $dist"
