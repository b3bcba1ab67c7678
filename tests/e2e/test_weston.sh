#!/usr/bin/env bash
# The real program on Wayland (Qt's wayland platform) under Weston with its desktop shell and
# top panel, 1920 x 1080. A headless Weston shows the splash and then the main window in
# full screen over the whole output, panel and all, in screenshots from Weston itself. The
# headless backend has no keyboard, so the keys are typed into a Weston whose output is a
# window on an X server: P hides the panel, Q ends the program with status 0.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"
# shellcheck source=tests/e2e/desktops.sh
source "$(dirname "$0")/desktops.sh"

binary=$(realpath "$1")
need_tools weston weston-screenshooter Xvfb xdpyinfo xdotool xwininfo convert pactl
[ -e "$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)/platforms/libqwayland-generic.so" ] ||
    die "Qt's wayland platform is not installed (qt6-wayland)"
export HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT DISPLAY
# Weston renders with pixman here: there are no GPU buffers to share. Without this Qt loads
# Mesa's software EGL all the same, and unloads it at exit with blocks that LeakSanitizer
# then reports against an unknown library in the sanitizer build.
export QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none

panel_top=$((SCREEN_H - PANEL_H))
above_panel="${SCREEN_W}x${panel_top}+0+0"
# The whole output is the program's: its panel at the bottom, black above it, neither
# Weston's panel nor its background left in view.
covers_output() {
    local shot lit
    shot=$(weston_screenshot "$1") || return 1
    panel_whole_in "$shot" "$panel_top" || return 1
    lit=$(lit_pixels "$shot" "$above_panel")
    log "$lit lit pixels above the panel"
    [ "$lit" -eq 0 ]
}

start_installed_sound_server
start_weston headless
start_app "$binary"
splash_seen() {
    local shot
    shot=$(weston_screenshot splash) || return 1
    [ "$(splash_pixels "$shot")" -gt 1000 ]
}
wait_for 20 splash_seen || die "no splash on Weston's output"
log "splash shown"
wait_for 20 covers_output main || die "the main window does not cover Weston's output"
app_running || die "zelphor ended by itself"
kill "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
kill "$WESTON_PID"

start_x_screen
start_weston x11
weston_window() { xwininfo -root -tree 2>/dev/null | grep '"Weston Compositor' >/dev/null; }
wait_for 10 weston_window || die "Weston shows no output window on the X server"
# The pointer, drawn into the output, rests on the black right end of the panel.
xdotool mousemove --sync 10 10 mousemove --sync $((SCREEN_W - 20)) $((SCREEN_H - 10))
start_app "$binary"
wait_for 20 covers_output keys || die "the main window does not cover Weston's output (x11)"
panel_hidden() { ! panel_whole_in "$(weston_screenshot hidden)" "$panel_top"; }
xdotool key p
wait_for 3 panel_hidden || die "P did not hide the panel on Wayland"
xdotool key q
expect_exit_status 0
echo "PASS: $E2E_NAME"
