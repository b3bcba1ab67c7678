#!/usr/bin/env bash
# The program as a screensaver on a 1920 x 1080 X server: inside a window another program
# gives it (filling it, following its size, taking no input), paused and resumed, ended by
# SIGTERM; then started and stopped by the real XScreenSaver daemon; bad window ids refused.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"
# shellcheck source=tests/e2e/desktops.sh
source "$(dirname "$0")/desktops.sh"

binary=$(realpath "$1")
host_tool=$(realpath "$(dirname "$0")/../tools/foreign_window.py")
need_tools Xvfb xdpyinfo xwininfo convert import xscreensaver xscreensaver-command setpriv
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || die "python3-xlib is not installed"
export HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset XSCREENSAVER_WINDOW
start_x_screen

# Each bad id: one line naming it, status 2, and no window.
for bad in "-window-id abc" "-window-id 0x7fffff0" "--window-id=-3"; do
    status=0
    # shellcheck disable=SC2086
    "$binary" $bad >"$E2E_WORK/bad.out" 2>"$E2E_WORK/bad.err" || status=$?
    lines=$(grep -vc XDG_RUNTIME_DIR "$E2E_WORK/bad.err" || true)
    [ "$status" -eq 2 ] && [ "$lines" -eq 1 ] && [ ! -s "$E2E_WORK/bad.out" ] ||
        die "'$bad' gave status $status and $lines lines: $(cat "$E2E_WORK/bad.err")"
    log "refused $bad: $(grep -v XDG_RUNTIME_DIR "$E2E_WORK/bad.err")"
done
status=0
env -u DISPLAY WAYLAND_DISPLAY=wayland-0 "$binary" -root 2>"$E2E_WORK/bad.err" || status=$?
[ "$status" -eq 2 ] && grep -q Wayland "$E2E_WORK/bad.err" ||
    die "-root without an X display gave status $status: $(cat "$E2E_WORK/bad.err")"

# A window of another program, 640 x 360 with a white background the drawing must cover.
mkfifo "$E2E_WORK/host.in"
/usr/bin/python3 "$host_tool" 640 360 <"$E2E_WORK/host.in" >"$E2E_WORK/host.id" 2>"$E2E_WORK/host.log" &
E2E_PIDS+=("$!")
exec 7>"$E2E_WORK/host.in"
wait_for 10 grep -q 0x "$E2E_WORK/host.id" || die "the host window did not come up"
host=$(cat "$E2E_WORK/host.id")
log "host window $host"

white_pixels() {
    convert "$1" -crop "$2" +repage -fill black +opaque white -colorspace gray \
        -format '%[fx:round(mean*w*h)]' info:
}
# Drawn on inside WxH+0+0, and none of the host's white left there.
fills() {
    local shot lit white
    shot=$(screenshot "$2") || return 1
    lit=$(lit_pixels "$shot" "$1+0+0")
    white=$(white_pixels "$shot" "$1+0+0")
    log "$1: $lit lit pixels, $white white"
    [ "$lit" -gt 2000 ] && [ "$white" -eq 0 ]
}
"$binary" -window-id "$host" --seed 11 >"$E2E_WORK/zelphor.log" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
started=$SECONDS
wait_for 3 fills 640x360 inside || die "nothing drawn inside the host window within 3 s"
log "drawing inside the host window after $((SECONDS - started)) s"
# The drawing stays inside: the root around it is untouched.
shot=$(screenshot outside)
[ "$(lit_pixels "$shot" 1280x720+640+0)" -eq 0 ] || die "drawing outside the host window"

echo "resize 1200 700" >&7
wait_for 3 fills 1200x700 resized || die "the drawing does not fill the resized host window"

# Paused and resumed as the lockers do: it draws on afterwards.
kill -STOP "$APP_PID"
sleep 1
before=$(screenshot stopped)
kill -CONT "$APP_PID"
sleep 2
after=$(screenshot resumed)
changed=$(changed_pixels "$before" "$after" 1200x700+0+0)
log "$changed pixels changed after SIGCONT"
[ "$changed" -gt 0 ] || die "nothing drawn after SIGSTOP and SIGCONT"

kill -TERM "$APP_PID"
term_at=$(date +%s%N)
wait_for 5 app_ended || die "zelphor still runs 5 s after SIGTERM"
term_ms=$((($(date +%s%N) - term_at) / 1000000))
log "ended ${term_ms} ms after SIGTERM"
[ "$term_ms" -le "$(quit_limit_ms "$binary")" ] || die "zelphor took ${term_ms} ms to end after SIGTERM"
status=0
wait "$APP_PID" || status=$?
[ "$status" -eq 0 ] || die "exit status $status after SIGTERM"
echo quit >&7

# The real daemon, which starts no saver as root: an unprivileged user with its own home and
# a settings file whose only program is this one.
saver_home=$E2E_WORK/saver-home
mkdir -p "$saver_home"
cp "$binary" "$saver_home/zelphor"
cat >"$saver_home/.xscreensaver" <<EOF
mode: one
selected: 0
timeout: 1:00:00
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
programs: $saver_home/zelphor -root \n
EOF
chown -R nobody:nogroup "$saver_home"
chmod 755 "$E2E_WORK"
as_saver_user() {
    setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$saver_home" DISPLAY="$DISPLAY" "$@"
}
as_saver_user xscreensaver -no-splash -verbose >"$E2E_WORK/xscreensaver.log" 2>&1 &
E2E_PIDS+=("$!")
daemon_ready() { as_saver_user xscreensaver-command -time >"$E2E_WORK/command.log" 2>&1; }
wait_for 10 daemon_ready || die "xscreensaver does not answer"
saver_pid() { pgrep -u nobody -f "$saver_home/zelphor" | head -n 1; }
# The program's window covers the screen and has drawn on it.
covers_screen() {
    local shot
    xwininfo -root -tree | grep -q '"Zelphor".*1920x1080+0+0' || return 1
    shot=$(screenshot saver) || return 1
    [ "$(lit_pixels "$shot" 1920x1080+0+0)" -gt 2000 ]
}
as_saver_user xscreensaver-command -activate >/dev/null
activated=$SECONDS
wait_for 3 covers_screen || die "no drawing over the screen within 3 s of -activate"
pid=$(saver_pid)
[ -n "$pid" ] || die "xscreensaver started no zelphor"
log "zelphor $pid draws over the screen after $((SECONDS - activated)) s"
as_saver_user xscreensaver-command -deactivate >/dev/null
gone() { ! running "$pid"; }
deactivated_at=$(date +%s%N)
wait_for 3 gone || die "zelphor still runs 3 s after -deactivate"
gone_ms=$((($(date +%s%N) - deactivated_at) / 1000000))
log "zelphor gone ${gone_ms} ms after -deactivate"
[ "$gone_ms" -le 1000 ] || die "zelphor took ${gone_ms} ms to go after -deactivate"
log "PASS"
