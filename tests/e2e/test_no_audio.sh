#!/usr/bin/env bash
# The real program on a real X server with no way to make sound: the error box comes up
# once, Return dismisses it, the main window opens and works silently, Q ends it cleanly.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool import convert
export QT_QPA_PLATFORM=xcb HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT JACK_DEFAULT_SERVER

# No audio server, ALSA without a single device defined, no JACK server socket anywhere.
export PULSE_SERVER=unix:/nonexistent
: >"$E2E_WORK/empty-alsa.conf"
export ALSA_CONFIG_PATH=$E2E_WORK/empty-alsa.conf
export XDG_RUNTIME_DIR=$E2E_WORK/runtime
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

surface=1024x594+0+0
spectral_flood=(444 663)

start_x
start_app "$binary"

wait_for 30 error_box || die "no error box titled Zelphor"
box=$FOUND_WINDOW
log "error box: window $box, $(geometry_of "$box")"
clear_screenshot error-box >/dev/null
sleep 2
window_with_geometry Zelphor "0 0 1024 768" && die "the main window opened behind the error box"
app_running || die "zelphor ended while its error box was up"

# Return answers the box; start-up goes on to the main window.
error_box || die "the error box went away by itself"
box=$FOUND_WINDOW
read -r x y width height <<<"$(geometry_of "$box")"
xdotool mousemove --sync $((x + width / 2)) $((y + height / 2)) || die "cannot move the pointer"
xdotool key Return || die "cannot press Return"
box_gone() { ! error_box; }
wait_for 10 box_gone || die "Return did not dismiss the error box"
wait_for 20 window_with_geometry Zelphor "0 0 1024 768" ||
    die "no full-screen main window after the error box"
log "main window $FOUND_WINDOW"
error_box && die "a second error box came up"

# It works without sound: Spectral Flood draws.
click_at "${spectral_flood[@]}"
drawn() { [ "$(lit_pixels "$(clear_screenshot flood)" "$surface")" -gt 500 ]; }
wait_for 5 drawn || die "Spectral Flood drew nothing without a sound device"
press_key f
sleep 0.5
error_box && die "an error box came up after start-up"

press_key q
expect_exit_status 0
echo "PASS: $E2E_NAME"
