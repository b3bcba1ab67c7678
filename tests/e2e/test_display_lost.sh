#!/usr/bin/env bash
# The display goes away under the playing, recording program (the X server dies, as at the end
# of a session): the program ends at once with status 1 and a line saying why, having ended
# its sounding notes, and the recording is a whole file that ends with that reset.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool /usr/bin/python3
export QT_QPA_PLATFORM=xcb HOME=$E2E_WORK/home
mkdir -p "$HOME"
dump=$(dirname "$(realpath "$0")")/midi_dump.py
take=$E2E_WORK/take.mid

start_x
x_pid=${E2E_PIDS[-1]}
"$binary" --mute --record "$take" >"$E2E_WORK/zelphor.log" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
wait_for 30 window_with_geometry Zelphor "0 0 1024 768" || die "no main window"
click_at 444 663 # Spectral Flood
sleep 2
kill -KILL "$x_pid"
log "X server killed"
wait_for 5 app_ended || die "zelphor still runs 5 s after its display went away"
status=0
wait "$APP_PID" || status=$?
[ "$status" -eq 1 ] || die "zelphor ended with status $status, not 1"
grep -q "the display has gone away" "$E2E_WORK/zelphor.log" || die "no line saying why it ended"

/usr/bin/python3 "$dump" "$take" >"$E2E_WORK/take.txt" || die "the recording is not a whole file"
notes=$(awk '$2 ~ /^9/ && $4 > 0' "$E2E_WORK/take.txt" | wc -l)
[ "$notes" -gt 10 ] || die "the recording holds $notes notes"
# The reset: sustain off and all notes off on every channel, the last messages of the file.
resets=$(tail -n 32 "$E2E_WORK/take.txt" | awk '$2 ~ /^B/ && ($3 == 64 || $3 == 123)' | wc -l)
[ "$resets" -eq 32 ] || die "the recording does not end with the reset: $(tail -n 3 "$E2E_WORK/take.txt")"
log "ended with status 1, $notes notes recorded, then the reset"
echo "PASS: $E2E_NAME"
