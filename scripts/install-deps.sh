#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Zelphor need.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libfluidsynth-dev timgm6mb-soundfont
    libgtest-dev libbenchmark-dev
    fonts-dejavu-core fonts-urw-base35
    xvfb xauth pulseaudio pulseaudio-utils xdotool x11-utils imagemagick procps
    desktop-file-utils appstream dpkg-dev file
    librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2 python3-mido
)
if [ "${ZELPHOR_WITH_FUZZ:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
