#!/usr/bin/env bash
# Fails when a package holds a path of the machine that built it: its home folder, the Qt cache, or
# the source and build folders. Every package is unpacked (the .deb with dpkg-deb, the ZIP with
# unzip, the MSI with msiextract, the NSIS installer with 7z when p7zip-full is there) and each of
# its files is searched, as is the package file itself, for each path with / and with \, in UTF-8
# and in UTF-16 (Windows resources).
#   check-paths.sh [--path FOLDER]... FILE...    the home folder, the Qt cache and its build folder
#                                                are always searched
set -euo pipefail
say() { echo "check-paths: $*"; }

paths=("$HOME" "${VARTOLIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vartolin}" /var/tmp/vartolin-qt-build)
while [ "${1:-}" = --path ]; do
    paths+=("$2")
    shift 2
done
[ $# -gt 0 ] || { echo "usage: check-paths.sh [--path FOLDER]... FILE..." >&2; exit 2; }

# The searched strings: each folder as it is and as realpath gives it, with a trailing separator
# (a folder's name, not any word that starts like it), with / and with \.
needles=()
for path in "${paths[@]}"; do
    for form in "$path" "$(realpath -m "$path")"; do
        form=${form%/}
        [ ${#form} -ge 4 ] || continue # "/" or "/tmp" would match anything
        needles+=("$form/" "${form//\//\\}\\")
    done
done
mapfile -t needles < <(printf '%s\n' "${needles[@]}" | sort -u)

# A PCRE for a string in UTF-16LE: every character followed by a zero byte.
utf16_pattern() {
    local text=$1 out= i c
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        out+="\\x{$(printf '%02x' "'$c")}\\x00"
    done
    printf '%s' "$out"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for file in "$@"; do
    name=$(basename "$file")
    dir=$work/$name
    mkdir -p "$dir"
    cp "$file" "$dir/$name"
    case $name in
        *.deb) dpkg-deb -x "$file" "$dir/data" && dpkg-deb -e "$file" "$dir/control" ;;
        *.zip) unzip -q "$file" -d "$dir/files" ;;
        *.msi) msiextract -C "$dir/files" "$file" >/dev/null ;;
        *.exe)
            if command -v 7z >/dev/null; then
                7z x -y -o"$dir/files" "$file" >/dev/null
            else
                say "note: no 7z (package p7zip-full): only the installer file itself is searched, not the files it holds"
            fi ;;
        *) say "unknown kind of package: $name"; exit 2 ;;
    esac
    count=$(find "$dir" -type f | wc -l)
    found=0
    for needle in "${needles[@]}"; do
        hits=$( { LC_ALL=C grep -rlaF -e "$needle" "$dir"
                  LC_ALL=C grep -rlaP -e "$(utf16_pattern "$needle")" "$dir"; } | sort -u || true)
        if [ -n "$hits" ]; then
            found=1
            while IFS= read -r hit; do
                [ -n "$hit" ] && say "FAIL: $name: ${hit#"$dir/"} holds \"$needle\""
            done <<<"$hits"
        fi
    done
    if [ "$found" -eq 0 ]; then
        say "clean: $name ($count files searched)"
    else
        status=1
    fi
done
exit "$status"
