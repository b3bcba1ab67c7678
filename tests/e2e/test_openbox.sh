#!/usr/bin/env bash
# The real program under openbox with a tint2 panel at the bottom, on a 1920 x 1080 screen:
# a splash without frame or task-bar entry, a main window covering the whole screen with its
# whole panel, keys that work, the desktop entry's window class and icon, the advertisement
# window's frame within the work area, and a clean end.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"
# shellcheck source=tests/e2e/desktops.sh
source "$(dirname "$0")/desktops.sh"

binary=$(realpath "$1")
desktop_file=$(dirname "$0")/../../data/org.zelphor.Zelphor.desktop
need_tools Xvfb xdpyinfo xdotool xprop xwininfo import convert openbox tint2 pactl
export HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT

start_x_screen
start_installed_sound_server
start_openbox
start_tint2 bottom 30
start_app "$binary"

wait_for 20 small_window_named Zelphor || die "no splash window"
splash=$FOUND_WINDOW
has_frame "$splash" && die "the splash has a title bar: $(frame_extents "$splash")"
kept_out_of_task_bar "$splash" || die "the splash may show in the task bar"
log "splash: window $splash without frame, kept out of the task bar"

wait_for 20 window_with_geometry Zelphor "0 0 $SCREEN_W $SCREEN_H" ||
    die "no window titled Zelphor covers the screen"
main=$FOUND_WINDOW
log "main window $main covers the screen"
xprop -id "$main" -notype _NET_WM_STATE | grep _NET_WM_STATE_FULLSCREEN >/dev/null ||
    die "the main window is not in the full-screen state"

# The window class that docks match against the desktop entry, and an icon.
class=$(sed -n 's/^StartupWMClass=//p' "$desktop_file")
xprop -id "$main" WM_CLASS | grep "\"$class\"" >/dev/null ||
    die "WM_CLASS is $(xprop -id "$main" WM_CLASS), not $class"
xprop -id "$main" -notype _NET_WM_ICON | grep 'Icon (48 x 48)' >/dev/null || die "the window has no icon"

panel_top=$((SCREEN_H - PANEL_H))
shown() { panel_whole_in "$(clear_screenshot panel)" "$panel_top"; }
wait_for 10 shown || die "the panel is not whole at the bottom of the screen"

# P hides the panel and shows it again.
hidden() { ! panel_whole_in "$(clear_screenshot hidden)" "$panel_top"; }
press_key p
wait_for 3 hidden || die "P did not hide the panel"
press_key p
wait_for 3 shown || die "a second P did not show the panel again"

# The advertisement window's frame fills the work area, title bar included.
press_key a
wait_for 10 small_window_named "About Zelphor" || die "A opened no About window"
about=$FOUND_WINDOW
read -r about_x about_y <<<"$(xwininfo -id "$about" |
    sed -n 's/^ *Absolute upper-left [XY]: *\(-*[0-9]*\)/\1/p' | tr '\n' ' ')"
# More Information, in the About window's own coordinates.
xdotool mousemove --sync $((about_x + 513)) $((about_y + 355)) click 1
wait_for 10 ad_showing || die "More Information opened no advertisement window"
ad=$(windows_named 'About Melodrix' | head -n 1)
fitted() {
    local left right top bottom x y w h
    read -r left right top bottom <<<"$(frame_extents "$ad")"
    eval "$(xwininfo -id "$ad" | sed -n -e 's/^ *Absolute upper-left X: *\(-*[0-9]*\)/x=\1/p' \
        -e 's/^ *Absolute upper-left Y: *\(-*[0-9]*\)/y=\1/p' -e 's/^ *Width: *\([0-9]*\)/w=\1/p' \
        -e 's/^ *Height: *\([0-9]*\)/h=\1/p')"
    AD_FRAME="$((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))"
    [ "$top" -gt 0 ] && [ "$AD_FRAME" = "0 0 $SCREEN_W $((SCREEN_H - 30))" ]
}
wait_for 10 fitted || die "the advertisement window's frame is '$AD_FRAME', not the work area"
log "advertisement frame $AD_FRAME"
dismiss_ad
about_gone() { [ -z "$(windows_named 'About Zelphor')" ]; }
for w in $(windows_named 'About Zelphor'); do
    xdotool windowactivate --sync "$w" key Escape 2>/dev/null || true
done
wait_for 5 about_gone || die "Escape did not close the About window"

xdotool windowactivate --sync "$main" 2>/dev/null || true
press_key q
expect_exit_status 0
echo "PASS: $E2E_NAME"
