# The desktops the end-to-end scripts run the program under: an X server of a given size with
# a window manager (openbox, or mutter, GNOME's, on a private D-Bus session bus) and a tint2
# panel, or a headless Weston with its own panel for Qt's Wayland platform. Sourced after
# common.sh, whose clean-up stops everything started here by its process id.
# shellcheck shell=bash

# The desktop's screen size.
SCREEN_W=1920
SCREEN_H=1080

# A private X server of SCREEN_W x SCREEN_H.
start_x_screen() {
    Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp \
        3>"$E2E_WORK/display" >"$E2E_WORK/xvfb.log" 2>&1 &
    local pid=$!
    E2E_PIDS+=("$pid")
    wait_for 10 grep -q '[0-9]' "$E2E_WORK/display" || die "Xvfb reports no display"
    DISPLAY=:$(tr -dc 0-9 <"$E2E_WORK/display")
    export DISPLAY
    wait_for 10 xdpyinfo >/dev/null 2>&1 || die "the X server on $DISPLAY does not answer"
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    log "X server on $DISPLAY, ${SCREEN_W}x$SCREEN_H (pid $pid)"
}

# The name the running window manager announces (EWMH), empty while there is none.
wm_name() {
    local check
    check=$(xprop -root -notype _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*') ||
        return 1
    xprop -id "$check" -notype _NET_WM_NAME 2>/dev/null | sed -n 's/.*= "\(.*\)"/\1/p'
}
wm_is() { [ "$(wm_name)" = "$1" ]; }

start_openbox() {
    openbox --sm-disable >"$E2E_WORK/openbox.log" 2>&1 &
    E2E_PIDS+=("$!")
    wait_for 15 wm_is Openbox || die "openbox did not take the screen"
    log "openbox pid ${E2E_PIDS[-1]}"
}

start_mutter() {
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || die "mutter needs a session bus first"
    # Its own settings and caches, away from the user's.
    export XDG_CONFIG_HOME=$E2E_WORK/config XDG_CACHE_HOME=$E2E_WORK/cache
    export XDG_DATA_HOME=$E2E_WORK/data
    mutter --x11 --replace --sm-disable >"$E2E_WORK/mutter.log" 2>&1 &
    E2E_PIDS+=("$!")
    wait_for 30 wm_is Mutter || wait_for 5 wm_is "GNOME Shell" || die "mutter did not take the screen"
    log "mutter pid ${E2E_PIDS[-1]}"
}

# The work area the window manager announces: "X Y W H".
work_area() {
    xprop -root -notype _NET_WORKAREA 2>/dev/null |
        sed -n 's/.*= \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\).*/\1 \2 \3 \4/p'
}
work_area_is() { [ "$(work_area)" = "$1" ]; }

# A tint2 panel of $2 pixels at the screen's top or bottom ($1), holding the task list; the
# window manager leaves it out of the work area.
start_tint2() {
    local position=$1 height=$2
    cat >"$E2E_WORK/tint2rc" <<TINT2
panel_items = T
panel_size = 100% $height
panel_position = $position center horizontal
panel_layer = top
panel_dock = 0
panel_monitor = all
strut_policy = follow_size
autohide = 0
wm_menu = 0
taskbar_mode = single_desktop
TINT2
    tint2 -c "$E2E_WORK/tint2rc" >"$E2E_WORK/tint2.log" 2>&1 &
    E2E_PIDS+=("$!")
    local expected
    if [ "$position" = top ]; then
        expected="0 $height $SCREEN_W $((SCREEN_H - height))"
    else
        expected="0 0 $SCREEN_W $((SCREEN_H - height))"
    fi
    wait_for 15 work_area_is "$expected" ||
        die "the work area is '$(work_area)', not '$expected', with the tint2 panel"
    log "tint2 panel at the $position, $height px; work area $expected"
}

# The window manager's frame of a window: "left right top bottom", zeros without one.
frame_extents() {
    local e
    e=$(xprop -id "$1" -notype _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)
    echo "${e:-0 0 0 0}"
}

# Whether a window asks to stay out of the task bar and pager, or is typed so that they leave
# it out (a splash).
kept_out_of_task_bar() {
    xprop -id "$1" -notype _NET_WM_WINDOW_TYPE _NET_WM_STATE 2>/dev/null |
        grep -Eq '_NET_WM_WINDOW_TYPE_SPLASH|_NET_WM_STATE_SKIP_TASKBAR'
}

# Whether a window has a title bar from the window manager.
has_frame() { [ "$(frame_extents "$1" | cut -d' ' -f3)" != 0 ]; }

# The panel's height; pixels of its rows in a screenshot, the panel's top edge at $2: the caption line's
# blue and the lit text of the Speed row at the very bottom.
# shellcheck disable=SC2034 # used by the scripts that source this file
PANEL_H=157
panel_whole_in() {
    local shot=$1 top=$2 blue speed
    blue=$(convert "$shot" -crop "400x10+0+$((top + 3))" +repage -fill white \
        -opaque 'rgb(0,0,192)' -fill black +opaque white -colorspace gray \
        -format '%[fx:round(mean*w*h)]' info:)
    speed=$(lit_pixels "$shot" "170x14+4+$((top + 130))")
    log "panel at y=$top: $blue caption pixels, $speed lit pixels in the Speed row"
    [ "$blue" -gt 3000 ] && [ "$speed" -gt 80 ]
}

# Weston of SCREEN_W x SCREEN_H with its desktop shell and panel, in a runtime folder of its
# own, for Qt's Wayland platform; screenshots are allowed (--debug). Its backend ($1):
# headless, or x11, an output window on the X server started before, which passes on that
# server's keyboard and pointer (the headless backend has no input devices).
start_weston() {
    local backend=$1
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$E2E_WORK/runtime}
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    local socket=wayland-zelphor-$$-$backend
    weston --backend="$backend-backend.so" --use-pixman --width="$SCREEN_W" \
        --height="$SCREEN_H" --socket="$socket" --idle-time=0 --debug \
        --log="$E2E_WORK/weston-$backend.log" >"$E2E_WORK/weston-$backend.out" 2>&1 &
    E2E_PIDS+=("$!")
    WESTON_PID=$!
    wait_for 15 test -S "$XDG_RUNTIME_DIR/$socket" || die "weston made no socket"
    export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland
    # The panel and the background are up once a screenshot shows them.
    log "weston ($backend) pid $WESTON_PID on $WAYLAND_DISPLAY"
}

# Screenshot of Weston's output, numbered in order; prints its path.
weston_screenshot() {
    local count=0 file dir
    [ -f "$E2E_WORK/shots" ] && count=$(cat "$E2E_WORK/shots")
    count=$((count + 1))
    echo "$count" >"$E2E_WORK/shots"
    file=$E2E_WORK/shot-$(printf %03d "$count")-$1.png
    dir=$(mktemp -d "$E2E_WORK/shooter.XXXXXX")
    (cd "$dir" && weston-screenshooter >>"$E2E_WORK/screenshooter.log" 2>&1) || return 1
    mv "$dir"/*.png "$file" 2>/dev/null || return 1
    rmdir "$dir"
    echo "$file"
}

# Pixels of the splash's title colour in a screenshot.
splash_pixels() {
    convert "$1" -fuzz 12% -fill white -opaque 'rgb(255,255,128)' -fill black +opaque white \
        -colorspace gray -format '%[fx:round(mean*w*h)]' info:
}
