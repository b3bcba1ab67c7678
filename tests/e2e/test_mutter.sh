#!/usr/bin/env bash
# The real program under mutter, GNOME's window manager, on X11 with a private D-Bus session
# bus and a 1920 x 1080 screen, once with a tint2 panel at the bottom and once at the top (as
# GNOME's top bar): each time the splash, then a main window in the full-screen state
# covering the whole screen with its whole panel, a key that works and a clean end.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"
# shellcheck source=tests/e2e/desktops.sh
source "$(dirname "$0")/desktops.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool xprop import convert mutter dbus-daemon tint2 pactl
export HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT

start_x_screen
start_installed_sound_server
start_session_bus
start_mutter

panel_top=$((SCREEN_H - PANEL_H))
for position in bottom top; do
    start_tint2 "$position" 30
    tint2_pid=${E2E_PIDS[-1]}
    start_app "$binary"

    wait_for 20 small_window_named Zelphor || die "no splash window ($position panel)"
    has_frame "$FOUND_WINDOW" && die "the splash has a title bar ($position panel)"

    wait_for 20 window_with_geometry Zelphor "0 0 $SCREEN_W $SCREEN_H" ||
        die "no window titled Zelphor covers the screen ($position panel)"
    main=$FOUND_WINDOW
    xprop -id "$main" -notype _NET_WM_STATE | grep _NET_WM_STATE_FULLSCREEN >/dev/null ||
        die "the main window is not in the full-screen state ($position panel)"
    log "main window $main covers the screen, $position panel"

    shown() { panel_whole_in "$(clear_screenshot "panel-$position")" "$panel_top"; }
    hidden() { ! panel_whole_in "$(clear_screenshot "hidden-$position")" "$panel_top"; }
    wait_for 10 shown || die "the panel is not whole at the bottom of the screen ($position panel)"
    press_key p
    wait_for 3 hidden || die "P did not hide the panel ($position panel)"

    press_key q
    expect_exit_status 0
    kill "$tint2_pid"
    wait_for 5 work_area_is "0 0 $SCREEN_W $SCREEN_H" || die "the tint2 panel stays"
done
echo "PASS: $E2E_NAME"
