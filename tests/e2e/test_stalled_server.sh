#!/usr/bin/env bash
# The real program with a sound server that never answers: PipeWire's PulseAudio service
# running without its session manager. Opening the sound gives up after 2 s with the error
# box naming why, the main window follows within 5 s of the start, and Q ends the program at
# once although the sound server still holds a connection of ours.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool import convert
if ! sound_server_installed pipewire; then
    echo "SKIP: pipewire is not installed"
    exit 77
fi
export QT_QPA_PLATFORM=xcb HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT JACK_DEFAULT_SERVER

start_x
start_pipewire without-session-manager
started=$SECONDS
start_app "$binary"

wait_for 5 error_box || die "no error box within 5 s"
box=$FOUND_WINDOW
log "error box after $((SECONDS - started)) s: $(geometry_of "$box")"
read -r x y width height <<<"$(geometry_of "$box")"
xdotool mousemove --sync $((x + width / 2)) $((y + height / 2)) key Return
wait_for $((started + 5 - SECONDS)) window_with_geometry Zelphor "0 0 1024 768" ||
    die "no main window within 5 s of the start"
log "main window after $((SECONDS - started)) s"

quit_promptly q
expect_exit_status 0
echo "PASS: $E2E_NAME"
