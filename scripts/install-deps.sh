#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing Vartolin need, if any is missing.
# Runs as root or through sudo; does nothing when everything is already there.
#   install-deps.sh            building, playing and testing on Linux
#   install-deps.sh windows    also the cross-build for Windows and running it under Wine
#   install-deps.sh package    also the Debian package checks
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev qt6-svg-dev libgl-dev libfontconfig-dev libdw-dev fonts-dejavu-core fonts-liberation2
          libqt6svg6 qt6-qpa-plugins xvfb xauth)
for group in "$@"; do
    case $group in
        windows) packages+=(g++-mingw-w64-x86-64-posix wine64 nsis ninja-build dpkg-dev perl x11-utils
                            imagemagick) ;;
        package) packages+=(dpkg-dev lintian desktop-file-utils appstream x11-utils imagemagick) ;;
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
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
