#!/usr/bin/env bash
# Installs the Debian packages the keyer needs to build and test; does nothing when they are
# all present. Run as root (or with sudo) on Debian 12.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    libfftw3-dev python3 python3-scipy
    libasound2-dev libasound2-plugins pulseaudio pulseaudio-utils sox
    libdbus-1-dev dbus-daemon rtkit
    libhamlib-utils stress-ng
    qt6-base-dev qt6-svg-dev fonts-dejavu-core dbus
    xvfb xauth x11-apps imagemagick
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
