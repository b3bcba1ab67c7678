#!/usr/bin/env bash
# Installs the Debian packages that building and running Zelphor need: the compiler, CMake,
# Qt, libfluidsynth, FFmpeg's libraries and libsndfile (for video and sound files), fonts and
# one General MIDI sound font. It installs no sound server: the desktop's own (PipeWire or
# PulseAudio) plays the sound. Quiet and quick when everything is already there.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=scripts/install-packages.sh
source ./install-packages.sh

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
    libfluidsynth-dev libpulse-dev librtmidi-dev libasound2-dev libjack-jackd2-dev
    libavformat-dev libavcodec-dev libavutil-dev libsndfile1-dev
    fonts-dejavu-core fonts-urw-base35
)
# Any General MIDI sound font will do; the smallest one when there is none.
if ! any_installed timgm6mb-soundfont fluid-soundfont-gm sf3-soundfont-gm \
    musescore-general-soundfont-small; then
    packages+=(timgm6mb-soundfont)
fi
install_packages "${packages[@]}"
