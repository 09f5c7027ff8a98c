#!/usr/bin/env bash
# Checks that a release can be rebuilt bit for bit: clones the commit twice, into folders of
# different names and depths, runs `scripts/release.sh` in each, one after the other (so at
# different times), and compares the files. Whatever differs is shown with diffoscope; its full
# output stays in the work folder.
#   scripts/check-reproducible.sh [commit]      default: HEAD
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse "${1:-HEAD}")
say() { echo "check-reproducible: $*"; }

bash "$root/scripts/install-deps.sh" release
base=$(mktemp -d "${TMPDIR:-/tmp}/vartolin-reproducible.XXXXXX")
first=$base/a/vartolin
second=$base/second-build/elsewhere/vartolin-clone
for clone in "$first" "$second"; do
    git clone --quiet --no-local "$root" "$clone"
    git -C "$clone" checkout --quiet --detach "$commit"
done

for clone in "$first" "$second"; do
    say "release of $commit in $clone (log: $clone.log)"
    (cd "$clone" && bash scripts/release.sh "$clone/dist") >"$clone.log" 2>&1 \
        || { tail -40 "$clone.log"; say "the release failed in $clone"; exit 1; }
done

status=0
cmp -s "$first/dist/SHA256SUMS" "$second/dist/SHA256SUMS" || status=1
while read -r _ file; do
    if cmp -s "$first/dist/$file" "$second/dist/$file"; then
        say "same: $file"
    else
        status=1
        say "DIFFERENT: $file (diffoscope: $base/$file.diffoscope.txt)"
        diffoscope --text "$base/$file.diffoscope.txt" "$first/dist/$file" "$second/dist/$file" >/dev/null 2>&1 || true
        head -60 "$base/$file.diffoscope.txt"
    fi
done <"$first/dist/SHA256SUMS"
if [ "$status" -eq 0 ]; then
    say "OK: both releases of $commit are the same, byte for byte"
    cat "$first/dist/SHA256SUMS"
    rm -rf "$base"
fi
exit "$status"
