#!/usr/bin/env bash
# Installs what building, running and testing Tonalyx needs on Debian 12, and what building its
# Debian packages needs (debian/control's Build-Depends) and checking them (lintian,
# hardening-check from devscripts).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev qt6-svg-dev libqt6svg6
    libgtest-dev libbenchmark-dev libfftw3-dev zlib1g-dev libsndfile1-dev
    clang-14 libclang-rt-14-dev
    python3 dpkg-dev file desktop-file-utils appstream libxml2-utils groff-base sndfile-programs
    pulseaudio pulseaudio-utils
    pybind11-dev python3-pybind11 python3-dev python3-numpy python3-pytest python3-distributed
    python3-pandas python3-psutil
    debhelper dh-python lintian devscripts
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "Installing ${missing[*]} needs root rights: run this as root or install sudo." >&2
    exit 1
fi
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
