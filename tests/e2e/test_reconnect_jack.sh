#!/usr/bin/env bash
# The JACK server goes away under the running program (SIGKILL) and comes back: with no
# PulseAudio, the synthesizer plays through JACK, and within 3 s of the server being back
# its client is there again, connected to the speakers and playing Spectral Flood, with one
# line on standard error for the loss and one for the return. Away for 20 s, frozen, the
# program takes under 1 % of a core; and Q while the server is away ends it within 0.5 s
# with status 0.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool import convert jackd jack_lsp jack_rec od
export QT_QPA_PLATFORM=xcb HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT

# No PulseAudio and no ALSA device: JACK is the one output there is.
export PULSE_SERVER=unix:/nonexistent
: >"$E2E_WORK/empty-alsa.conf"
export ALSA_CONFIG_PATH=$E2E_WORK/empty-alsa.conf
# One name for every run (see clear_stale_jack_table).
export XDG_RUNTIME_DIR=$E2E_WORK/runtime JACK_DEFAULT_SERVER=zelphor-e2e-reconnect
export JACK_NO_AUDIO_RESERVATION=1
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

clear_stale_jack_table
spectral_flood=(444 663) # the sixth effect button's centre
loud=300
client=fluidsynth # the synthesizer library's name for its JACK client

JACKD_PID=
start_jack() {
    jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 1024 >>"$E2E_WORK/jackd.log" 2>&1 &
    JACKD_PID=$!
    E2E_PIDS+=("$JACKD_PID")
    wait_for 10 jack_lsp >/dev/null 2>&1 || die "jackd did not start"
    log "jackd pid $JACKD_PID"
}

kill_jack() {
    kill -KILL "$JACKD_PID"
    wait "$JACKD_PID" 2>/dev/null || true
    log "jackd killed"
}

# The program's output ports, listed and each connected to a playback port of the server.
client_connected() {
    local ports
    ports=$(jack_lsp -c 2>/dev/null) || return 1
    grep -A1 -x "$client:left" <<<"$ports" | grep -q 'system:playback' &&
        grep -A1 -x "$client:right" <<<"$ports" | grep -q 'system:playback'
}

# Peak level (0 to 32768) of $1 seconds recorded from the program's ports.
recorded_peak() {
    local file=$E2E_WORK/jack-rec-$SECONDS.wav
    jack_rec -f "$file" -d "$1" "$client:left" "$client:right" >>"$E2E_WORK/jack_rec.log" 2>&1 ||
        { echo 0; return; }
    tail -c +45 "$file" | od -An -v -t d2 -w2 |
        awk 'BEGIN { m = 0 } { v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m }'
}

server_back() {
    start_jack
    local back_at peak
    back_at=$(date +%s%N)
    wait_for 3 client_connected || die "the program's JACK client is not back within 3 s"
    log "client back $((($(date +%s%N) - back_at) / 1000000)) ms after the server"
    peak=$(recorded_peak 1)
    log "recorded from it: peak $peak"
    [ "$peak" -gt "$loud" ] || die "the JACK client is back but plays nothing (peak $peak)"
}

start_x
start_jack
start_app "$binary"
wait_for 30 window_with_geometry Zelphor "0 0 1024 768" || die "no main window"
wait_for 10 client_connected || die "the synthesizer is not on the JACK server"
click_at "${spectral_flood[@]}"
sleep 2
peak=$(recorded_peak 1)
[ "$peak" -gt "$loud" ] || die "Spectral Flood made no sound through JACK (peak $peak)"
log "Spectral Flood through JACK: peak $peak"

# Away for a moment.
kill_jack
sleep 1
server_back
wait_for 5 grep -q "sound is lost" "$E2E_WORK/zelphor.log" || die "no line on the loss"
wait_for 5 grep -q "sound is back" "$E2E_WORK/zelphor.log" || die "no line on the return"
[ "$(grep -c "sound is lost" "$E2E_WORK/zelphor.log")" -eq 1 ] || die "more than one line on the loss"
[ "$(grep -c "sound is back" "$E2E_WORK/zelphor.log")" -eq 1 ] || die "more than one line on the return"

# Away for 20 s, frozen for ten of them: the tries to connect cost next to nothing.
kill_jack
idle_cpu_while_away "$binary"
press_key f
click_at "${spectral_flood[@]}"
sleep 6
server_back
[ "$(grep -c "sound is lost" "$E2E_WORK/zelphor.log")" -eq 2 ] || die "not one line on the second loss"
wait_for 5 test "$(grep -c "sound is back" "$E2E_WORK/zelphor.log")" -eq 2 ||
    die "not one line on the second return"

# Q while the server is away.
kill_jack
sleep 1
quit_promptly q "$(quit_limit_ms "$binary")"
expect_exit_status 0

# Q while the server is stopped, not gone: ending its client would wait for it.
start_jack
start_app "$binary"
wait_for 30 window_with_geometry Zelphor "0 0 1024 768" || die "no main window"
wait_for 10 client_connected || die "the synthesizer is not on the JACK server"
click_at "${spectral_flood[@]}"
sleep 1
kill -STOP "$JACKD_PID"
sleep 1
quit_promptly q "$(quit_limit_ms "$binary")"
kill -CONT "$JACKD_PID"
expect_exit_status 0
# Stopped cleanly, the last server leaves the table of servers as it found it.
kill -TERM "$JACKD_PID"
wait "$JACKD_PID" 2>/dev/null || true
start_jack
echo "PASS: $E2E_NAME"
