#!/usr/bin/env bash
# Installs what the tests need besides what building and running need: a virtual X server,
# window managers and a Wayland compositor to run the program under, screenshot and input
# tools, GoogleTest, Google Benchmark, ffmpeg and ffprobe (to read written videos back), the
# Debian packaging tools and checks (debhelper, lintian, hardening-check), and the General
# MIDI sound fonts the synthesizer is tested on.
# A sound server is installed only when the machine has none (then both PulseAudio and
# PipeWire, as on a build machine): the end-to-end tests start a private instance of each
# that is there, and never touch the desktop's own.
#   ZELPHOR_WITH_FUZZ=1  also clang and its libFuzzer runtime, for the fuzz target
#   ZELPHOR_WITH_LINT=1  also clang-tidy
set -euo pipefail
cd "$(dirname "$0")"
./install-run-deps.sh
# shellcheck source=scripts/install-packages.sh
source ./install-packages.sh

packages=(
    libgtest-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils imagemagick procps
    openbox tint2 mutter dbus weston qt6-wayland
    pulseaudio-utils
    timgm6mb-soundfont fluid-soundfont-gm musescore-general-soundfont-small
    jackd2 python3-mido
    ffmpeg
    desktop-file-utils appstream dpkg-dev file
    xscreensaver python3-xlib util-linux
    debhelper devscripts lintian
)
if ! any_installed pulseaudio pipewire-pulse; then
    packages+=(pulseaudio pipewire pipewire-pulse wireplumber)
fi
if [ "${ZELPHOR_WITH_FUZZ:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi
if [ "${ZELPHOR_WITH_LINT:-0}" = 1 ]; then
    packages+=(clang-tidy)
fi
install_packages "${packages[@]}"
