#!/usr/bin/env bash
# Installs what the tests need besides what building and running need: a virtual X server,
# window managers and a Wayland compositor to run the program under, screenshot and input
# tools, GoogleTest, Google Benchmark and the packaging checks. A sound server is installed
# only when the machine has none: the end-to-end tests start a private instance of whichever
# of PipeWire's (pipewire-pulse) or PulseAudio's is there.
#   ZELPHOR_WITH_FUZZ=1  also clang and its libFuzzer runtime, for the fuzz target
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
    desktop-file-utils appstream dpkg-dev file
)
if ! any_installed pulseaudio pipewire-pulse; then
    packages+=(pulseaudio)
fi
if [ "${ZELPHOR_WITH_FUZZ:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi
install_packages "${packages[@]}"
