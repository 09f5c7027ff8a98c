#!/usr/bin/env bash
# Checks that a release can be rebuilt bit for bit: clones the commit twice, into folders of
# different names and depths, runs `scripts/release.sh` in each, one after the other (so at
# different times), and compares the files. Whatever differs is shown with diffoscope; its full
# output stays in the work folder. Every package of both releases is also searched for the paths
# of this machine and of both clones (scripts/check-paths.sh), which release.sh does for its own.
#   scripts/check-reproducible.sh [--full] [commit]      default: HEAD
# Quick (the default): both releases use the Qt for Windows in the cache (~/.cache/vartolin).
# --full: the second release builds its own Qt for Windows, in a cache folder of another name and
# called with another SOURCE_DATE_EPOCH, so that the comparison covers Qt's DLLs too (about 25 minutes
# more on 2 cores).
# With a certificate given (scripts/sign-windows.sh) both releases are signed, without a time stamp
# (a time stamp is the server's and differs from signing to signing); the installer and the MSI are
# compared with their signatures removed (osslsigncode remove-signature).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
full=0
if [ "${1:-}" = --full ]; then
    full=1
    shift
fi
commit=$(git -C "$root" rev-parse "${1:-HEAD}")
say() { echo "check-reproducible: $*"; }

bash "$root/scripts/install-deps.sh" release
signed=0
if bash "$root/scripts/sign-windows.sh" enabled; then
    signed=1
    if [ -n "${VARTOLIN_SIGN_TIMESTAMP_URL:-}" ]; then
        say "signing without the time stamp of $VARTOLIN_SIGN_TIMESTAMP_URL for this check"
        unset VARTOLIN_SIGN_TIMESTAMP_URL
    fi
fi
base=$(mktemp -d "${TMPDIR:-/tmp}/vartolin-reproducible.XXXXXX")
first=$base/a/vartolin
second=$base/second-build/elsewhere/vartolin-clone
for clone in "$first" "$second"; do
    git clone --quiet --no-local "$root" "$clone"
    git -C "$clone" checkout --quiet --detach "$commit"
done

for clone in "$first" "$second"; do
    environment=()
    if [ "$full" -eq 1 ] && [ "$clone" = "$second" ]; then
        # Qt is built anew in a cache of another name, called at another time, as when the cache was
        # made while another commit was checked out.
        other_cache=$base/another-cache/qt-for-windows
        qt_epoch=$(( $(git -C "$root" log -1 --format=%ct "$commit") + 86400 * 365 ))
        say "the second release builds Qt for Windows in $other_cache, called with SOURCE_DATE_EPOCH=$qt_epoch (about 25 minutes)"
        (cd "$clone" && VARTOLIN_CACHE="$other_cache" SOURCE_DATE_EPOCH="$qt_epoch" bash scripts/windows-qt.sh) \
            >"$clone.qt.log" 2>&1 || { tail -40 "$clone.qt.log"; say "the Qt build failed"; exit 1; }
        environment=(VARTOLIN_CACHE="$other_cache")
    fi
    say "release of $commit in $clone (log: $clone.log)"
    (cd "$clone" && env "${environment[@]}" bash scripts/release.sh "$clone/dist") >"$clone.log" 2>&1 \
        || { tail -40 "$clone.log"; say "the release failed in $clone"; exit 1; }
done

status=0
without_signatures=0
[ "$signed" -eq 1 ] || cmp -s "$first/dist/SHA256SUMS" "$second/dist/SHA256SUMS" || status=1
while read -r _ file; do
    if cmp -s "$first/dist/$file" "$second/dist/$file"; then
        say "same: $file"
        continue
    fi
    if [ "$signed" -eq 1 ] && [[ $file == *.exe || $file == *.msi ]]; then
        mkdir -p "$base/unsigned-a" "$base/unsigned-b"
        if osslsigncode remove-signature -in "$first/dist/$file" -out "$base/unsigned-a/$file" >/dev/null 2>&1 &&
           osslsigncode remove-signature -in "$second/dist/$file" -out "$base/unsigned-b/$file" >/dev/null 2>&1 &&
           cmp -s "$base/unsigned-a/$file" "$base/unsigned-b/$file"; then
            say "same with the signatures removed: $file"
            without_signatures=1
            continue
        fi
    fi
    status=1
    say "DIFFERENT: $file (diffoscope: $base/$file.diffoscope.txt)"
    diffoscope --text "$base/$file.diffoscope.txt" "$first/dist/$file" "$second/dist/$file" >/dev/null 2>&1 || true
    head -60 "$base/$file.diffoscope.txt"
done <"$first/dist/SHA256SUMS"

# Neither release holds a path of this machine, of either clone, or of the check's folder.
for clone in "$first" "$second"; do
    mapfile -t packages < <(cd "$clone/dist" && ls -- *.deb *.exe *.msi *.zip)
    (cd "$clone/dist" && bash "$root/scripts/check-paths.sh" --path "$base" --path "$root" \
        ${other_cache:+--path "$other_cache"} "${packages[@]}") || status=1
done

if [ "$status" -eq 0 ]; then
    how="byte for byte"
    [ "$signed" -eq 0 ] || how+=", signed"
    [ "$without_signatures" -eq 0 ] || how+=" (the installer and the MSI with their signatures removed)"
    [ "$full" -eq 0 ] || how+=", with Qt for Windows built twice"
    say "OK: both releases of $commit are the same, $how"
    cat "$first/dist/SHA256SUMS"
    rm -rf "$base"
fi
exit "$status"
