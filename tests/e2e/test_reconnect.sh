#!/usr/bin/env bash
# The sound server goes away under the running program and comes back on the same socket
# (ZELPHOR_E2E_SOUND: pulseaudio, killed; or pipewire with its session manager and
# PulseAudio service, stopped): Spectral Flood is heard again from the new server within
# 3 s, with one line on standard error for the loss and one for the return. Away for 20 s,
# frozen, the program takes under 1 % of a core; and Q while the server is away ends it
# within 0.5 s with status 0.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool pactl parec od
export QT_QPA_PLATFORM=xcb HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT
spectral_flood=(444 663) # the sixth effect button's centre
loud=300
case "${ZELPHOR_E2E_SOUND:-pulseaudio}" in
pulseaudio) signal=KILL ;;
*) signal=TERM ;;
esac

server_back() {
    start_sound_server
    start_recording
    back_at=$SECONDS
    wait_for_sound 3 "$loud" || die "no sound within 3 s of the server being back"
    log "sound again $((SECONDS - back_at)) s after the server came back"
}

start_x
start_sound_server
start_recording
start_app "$binary"
wait_for 30 window_with_geometry Zelphor "0 0 1024 768" || die "no main window"
click_at "${spectral_flood[@]}"
wait_for_sound 10 "$loud" || die "Spectral Flood made no sound"

# Away for a moment.
stop_sound_server "$signal"
sleep 1
server_back
wait_for 5 grep -q "sound is lost" "$E2E_WORK/zelphor.log" || die "no line on the loss"
wait_for 5 grep -q "sound is back" "$E2E_WORK/zelphor.log" || die "no line on the return"
[ "$(grep -c "sound is lost" "$E2E_WORK/zelphor.log")" -eq 1 ] || die "more than one line on the loss"

# Away for 20 s, frozen for ten of them: the tries to connect cost next to nothing.
stop_sound_server "$signal"
idle_cpu_while_away "$binary"
press_key f
# Started again should the advertisement window have taken the key.
click_at "${spectral_flood[@]}"
sleep 8
server_back

# Q while the server is away.
stop_sound_server "$signal"
sleep 1
quit_promptly q "$(quit_limit_ms "$binary")"
expect_exit_status 0
grep -qi "warning\|box" "$E2E_WORK/zelphor.log" && log "log: $(cat "$E2E_WORK/zelphor.log")"
echo "PASS: $E2E_NAME"
