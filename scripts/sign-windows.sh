#!/usr/bin/env bash
# Authenticode for the Windows files of a build, with Debian's osslsigncode.
#   sign-windows.sh sign FILE...     signs each file in place when a certificate is given, else
#                                    leaves it as it is
#   sign-windows.sh verify FILE...   checks each file's signature (fails on an unsigned file)
#   sign-windows.sh enabled          exits 0 when a certificate is given
# The certificate comes from the environment:
#   VARTOLIN_SIGN_PKCS12          the PKCS#12 file with the key and its certificate chain
#   VARTOLIN_SIGN_PASSWORD_FILE   a file holding its password (optional for a file without one)
#   VARTOLIN_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server (optional)
#   VARTOLIN_SIGN_CAFILE          the certificates `verify` trusts (default: the system's)
# Every signature claims the source's time (SOURCE_DATE_EPOCH) as its signing time: without a
# time stamp, the same file signed with the same RSA key gives the same bytes from every build,
# which keeps the files signed inside the packages (the programs, the uninstaller) reproducible.
# A time stamp, when asked for, is the server's and differs from signing to signing.
set -euo pipefail
say() { echo "sign-windows: $*" >&2; }
fail() { echo "sign-windows: FAIL: $*" >&2; exit 1; }

enabled() { [ -n "${VARTOLIN_SIGN_PKCS12:-}" ]; }

sign_file() {
    local file=$1 args
    [ -f "$VARTOLIN_SIGN_PKCS12" ] || fail "no PKCS#12 file $VARTOLIN_SIGN_PKCS12"
    args=(-pkcs12 "$VARTOLIN_SIGN_PKCS12" -h sha256 -n Vartolin -i https://www.vartolin.example)
    if [ -n "${VARTOLIN_SIGN_PASSWORD_FILE:-}" ]; then
        [ -f "$VARTOLIN_SIGN_PASSWORD_FILE" ] || fail "no password file $VARTOLIN_SIGN_PASSWORD_FILE"
        args+=(-readpass "$VARTOLIN_SIGN_PASSWORD_FILE")
    fi
    if [ -n "${VARTOLIN_SIGN_TIMESTAMP_URL:-}" ]; then
        args+=(-ts "$VARTOLIN_SIGN_TIMESTAMP_URL")
    fi
    [ -n "${SOURCE_DATE_EPOCH:-}" ] && args+=(-time "$SOURCE_DATE_EPOCH")
    rm -f "$file.signed"
    osslsigncode sign "${args[@]}" -in "$file" -out "$file.signed" >"$file.sign.log" 2>&1 \
        || { cat "$file.sign.log" >&2; rm -f "$file.signed" "$file.sign.log"; fail "osslsigncode could not sign $file"; }
    # In place, keeping the file's mode and time (the packages take their times from the files).
    touch -r "$file" "$file.signed"
    chmod --reference="$file" "$file.signed"
    mv "$file.signed" "$file"
    rm -f "$file.sign.log"
}

verify_file() {
    local file=$1 args=() log
    [ -n "${VARTOLIN_SIGN_CAFILE:-}" ] && args+=(-CAfile "$VARTOLIN_SIGN_CAFILE")
    log=$(osslsigncode verify "${args[@]}" -in "$file" 2>&1) \
        || { printf '%s\n' "$log" >&2; fail "the signature of $file does not verify"; }
    grep -q '^Signature verification: ok' <<<"$log" || { printf '%s\n' "$log" >&2; fail "no verified signature in $file"; }
}

command=${1:-}
shift || true
case $command in
    enabled) enabled ;;
    sign)
        enabled || exit 0
        command -v osslsigncode >/dev/null || fail "osslsigncode is not installed"
        for file in "$@"; do sign_file "$file"; done ;;
    verify)
        for file in "$@"; do verify_file "$file"; done ;;
    *) echo "usage: sign-windows.sh sign|verify FILE... | enabled" >&2; exit 2 ;;
esac
