#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing Vartolin need, if any is missing.
# Runs as root or through sudo; does nothing when everything is already there.
#   install-deps.sh            building, playing and testing on Linux
#   install-deps.sh windows    also the cross-build for Windows, its packages and running it under Wine
#   install-deps.sh package    also the Debian package checks
#   install-deps.sh release    also the reproducibility check
#   install-deps.sh --deb F    installs the local package F with what it depends on
#   install-deps.sh --remove P removes the package P
set -euo pipefail

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "install-deps: run as root, or install sudo, for: $*" >&2
        exit 1
    fi
}
apt_get() {
    # Waits for another package manager (an unattended upgrade on a fresh machine) instead of failing.
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"
}

case ${1:-} in
    --deb) apt_get install -y -qq "$(realpath "$2")"; exit ;;
    --remove) apt_get remove -y -qq "$2"; exit ;;
esac

packages=(cmake ninja-build g++ make pkg-config qt6-base-dev qt6-svg-dev libgl-dev libfontconfig-dev libdw-dev libxcb1-dev fonts-dejavu-core
          fonts-liberation2 libqt6svg6 qt6-qpa-plugins xvfb xauth)
for group in "$@"; do
    case $group in
        windows) packages+=(g++-mingw-w64-x86-64-posix wine64 nsis wixl msitools faketime dpkg-dev perl
                            x11-utils imagemagick osslsigncode openssl unzip) ;;
        package) packages+=(dpkg-dev lintian desktop-file-utils appstream x11-utils imagemagick procps) ;;
        release) packages+=(diffoscope-minimal git xz-utils p7zip-full) ;;
        *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
    esac
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null; then
    echo "install-deps: please install: ${missing[*]}" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
