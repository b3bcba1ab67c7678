#!/usr/bin/env bash
# --autoplay in the program's own window: the director starts Effects by itself right after
# the splash, a key of the user ends it with one line on stderr and leaves the program
# running, and Q then ends the program as always.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool convert import
export HOME=$E2E_WORK/home
mkdir -p "$HOME"
start_x

"$binary" --autoplay --mute --seed 4 >"$E2E_WORK/zelphor.log" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
wait_for 20 window_with_geometry Zelphor "0 0 1024 768" || die "no full-screen window"
surface=1024x500+0+0
drawn() {
    local shot
    shot=$(screenshot drawing)
    [ "$(lit_pixels "$shot" "$surface")" -gt 500 ]
}
wait_for 10 drawn || die "autoplay drew nothing within 10 s of the main window"
log "autoplay draws"
ended_line='autoplay ended by the user'
grep -q "$ended_line" "$E2E_WORK/zelphor.log" && die "autoplay ended before any key"

# A key that does nothing else: the autoplay ends, once, and the program goes on.
xdotool key x
wait_for 3 grep -q "$ended_line" "$E2E_WORK/zelphor.log" || die "no line on stderr after a key"
xdotool key x
sleep 1
app_running || die "the program ended with the autoplay"
[ "$(grep -c "$ended_line" "$E2E_WORK/zelphor.log")" -eq 1 ] || die "the end is reported twice"
quit_promptly q
expect_exit_status 0
log "PASS"
