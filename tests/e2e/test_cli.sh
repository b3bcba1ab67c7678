#!/usr/bin/env bash
# The command line on the real program: help, version and errors without a display; --mute
# with no audio server; --windowed; recordings read back with mido (repeatable with --seed,
# whole after SIGTERM, the earlier take kept after a hard kill, a clear message for a target
# that cannot be written); and --midi-out to a JACK MIDI input on a private JACK server with
# its dummy back end, which must receive the notes and the resets.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
dump=$(dirname "$(realpath "$0")")/midi_dump.py
need_tools Xvfb xdpyinfo xdotool import convert jackd jack_midi_dump jack_lsp stdbuf
/usr/bin/python3 -c 'import mido' 2>/dev/null || die "python3-mido is not installed"
export HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT

# No audio server, ALSA without a device, no JACK server unless this script starts one.
export PULSE_SERVER=unix:/nonexistent
: >"$E2E_WORK/empty-alsa.conf"
export ALSA_CONFIG_PATH=$E2E_WORK/empty-alsa.conf
export XDG_RUNTIME_DIR=$E2E_WORK/runtime JACK_DEFAULT_SERVER=zelphor-e2e-cli
export JACK_NO_AUDIO_RESERVATION=1
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Effect button centres on the 1024 x 768 screen, Spectral Flood sixth.
effect_x=(44 124 204 284 364 444 524 604 684 764)
effect_names=(galactic einstein blackholes trig jagged flood suns sines rainbow meteorites)
button_y=663

start_with() {
    "$binary" "$@" >"$E2E_WORK/zelphor.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
}
main_window() { window_with_geometry Zelphor "0 0 1024 768"; }
answer_box() {
    local x y width height
    read -r x y width height <<<"$(geometry_of "$FOUND_WINDOW")"
    xdotool mousemove --sync $((x + width / 2)) $((y + height / 2)) key Return
}
# Clicks an effect button. The pointer is moved away first: a synchronous move to where it
# already is waits for motion that never comes.
click_effect() {
    xdotool mousemove 512 300
    click_at "$1" "$button_y"
}
stop_app() {
    kill -TERM "$APP_PID"
    expect_exit_status 0
}

# 1. Help, version and mistakes: no display needed, nothing opened.
(
    unset DISPLAY
    out=$("$binary" --help) || die "--help failed"
    for option in --seed --windowed --mute --midi-out --list-midi-outputs --record; do
        grep -q -- "$option" <<<"$out" || die "--help does not mention $option"
    done
    [ "$("$binary" -v)" = "Zelphor 1.0.24" ] || die "-v prints '$("$binary" -v)'"
    for wrong in "--bogus" "--seed abc" "--windowed 10x10" "--record" "--mute --midi-out x"; do
        status=0
        # shellcheck disable=SC2086
        timeout 10 "$binary" $wrong >"$E2E_WORK/out.txt" 2>"$E2E_WORK/err.txt" || status=$?
        [ "$status" -eq 2 ] || die "'$wrong' ended with status $status, not 2"
        [ -s "$E2E_WORK/out.txt" ] && die "'$wrong' printed on standard output"
        [ "$(wc -l <"$E2E_WORK/err.txt")" -eq 2 ] || die "'$wrong': $(cat "$E2E_WORK/err.txt")"
        grep -q '^Usage: zelphor ' "$E2E_WORK/err.txt" || die "'$wrong' shows no usage"
    done
    outputs=$("$binary" --list-midi-outputs) || die "--list-midi-outputs failed"
    [ "${outputs%%$'\n'*}" = builtin ] || die "builtin is not listed first: $outputs"
) || exit 1
log "help, version and errors"

start_x
export QT_QPA_PLATFORM=xcb

# 2. --mute without an audio server: no error box, the main window, Q ends it.
start_with --mute
wait_for 30 main_window || die "no main window with --mute"
sleep 1
error_box && die "an error box came up with --mute"
press_key q
expect_exit_status 0
log "--mute opens no device and no box"

# 3. --windowed: a normal window of the size asked for, centred on the bare X server.
start_with --mute --windowed 800x600
wait_for 30 window_with_geometry Zelphor "112 84 800 600" || die "no 800x600 window"
main_window && die "--windowed still covers the screen"
kill -INT "$APP_PID"
expect_exit_status 0
log "--windowed 800x600"

# 4. A recording per Effect, twice with the same seed: the same notes and instruments in the
# same order. Each run ends with SIGTERM, which must leave a whole file. The advertisement
# timer draws a random number 15 s after the main window opens, between whichever Effect ticks
# it falls: only what is played before then can repeat, so a run whose Effect started late
# (a busy machine) is made again.
record_effect() {
    start_with --mute --seed 7 --record "$2"
    wait_for 30 main_window || die "no main window for $2"
    click_effect "${effect_x[$1]}"
    sleep 2.5
    stop_app
}
# Status and data bytes of the notes and programs played in the first 15 s, without times.
early_notes() {
    /usr/bin/python3 "$dump" "$1" | awk '$1 < 15000 && $2 ~ /^(9|C)/ { $1 = ""; print }'
}
# Milliseconds from the start to the Effect's first program change (after the jingle's three).
effect_start() {
    /usr/bin/python3 "$dump" "$1" | awk '$2 ~ /^C/ && ++n == 4 { print $1 }'
}
for i in "${!effect_x[@]}"; do
    name=${effect_names[$i]}
    for attempt in 1 2 3; do
        record_effect "$i" "$E2E_WORK/$name-1.mid"
        record_effect "$i" "$E2E_WORK/$name-2.mid"
        late=0
        for run in 1 2; do
            t=$(effect_start "$E2E_WORK/$name-$run.mid") || die "$name-$run.mid is not valid"
            [ -n "$t" ] || die "$name-$run.mid holds no note of the Effect"
            [ "$t" -lt 12000 ] || late=1
        done
        [ "$late" -eq 0 ] && break
        log "$name started late, attempt $attempt"
    done
    [ "$late" -eq 0 ] || die "$name: the Effect started too late three times"
    early_notes "$E2E_WORK/$name-1.mid" >"$E2E_WORK/$name-1.txt"
    early_notes "$E2E_WORK/$name-2.mid" >"$E2E_WORK/$name-2.txt"
    n1=$(wc -l <"$E2E_WORK/$name-1.txt")
    n2=$(wc -l <"$E2E_WORK/$name-2.txt")
    shorter=$((n1 < n2 ? n1 : n2))
    [ "$shorter" -ge 20 ] || die "$name: only $shorter notes and programs recorded"
    head -n "$shorter" "$E2E_WORK/$name-1.txt" >"$E2E_WORK/$name-1.head"
    head -n "$shorter" "$E2E_WORK/$name-2.txt" >"$E2E_WORK/$name-2.head"
    cmp -s "$E2E_WORK/$name-1.head" "$E2E_WORK/$name-2.head" ||
        die "$name: two runs with --seed 7 played different notes: $(diff "$E2E_WORK/$name-1.head" "$E2E_WORK/$name-2.head" | head -4 | tr '\n' ' ')"
    log "$name: the same $shorter notes and programs twice ($n1 and $n2 recorded)"
done

# The jingle in the file: note 72, then note 60 half a second later; the end: the reset.
/usr/bin/python3 "$dump" "$E2E_WORK/flood-1.mid" >"$E2E_WORK/flood-1.all"
t72=$(awk '$2 == "90" && $3 == 72 && $4 == 127 { print $1; exit }' "$E2E_WORK/flood-1.all")
t60=$(awk '$2 == "90" && $3 == 60 && $4 == 127 { print $1; exit }' "$E2E_WORK/flood-1.all")
gap=$((t60 - t72))
[ "$gap" -ge 480 ] && [ "$gap" -le 650 ] || die "the jingle's notes are $gap ms apart in the file"
[ "$(tail -n 32 "$E2E_WORK/flood-1.all" | grep -c -E '^[0-9]+ B[0-9A-F] (64|123) 0$')" -eq 32 ] ||
    die "the recording does not end with the reset"
log "jingle $gap ms apart, the reset at the end"

# 5. A hard kill before the first save leaves the earlier take as it was; one after a few
# seconds leaves a whole file of what was played until the last save.
take=$E2E_WORK/take.mid
echo "earlier take" >"$take"
start_with --mute --record "$take"
sleep 0.5
kill -KILL "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
[ "$(cat "$take")" = "earlier take" ] || die "a hard kill changed the earlier take"
start_with --mute --record "$take"
wait_for 30 main_window || die "no main window while recording"
sleep 4
kill -KILL "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
/usr/bin/python3 "$dump" "$take" >"$E2E_WORK/saved.txt" || die "the file saved while running is not valid"
grep -q '^[0-9]* 90 72 127$' "$E2E_WORK/saved.txt" || die "the file saved while running lacks the jingle"
[ "$(find "$E2E_WORK" -maxdepth 1 -name 'take.mid?*' | wc -l)" -eq 0 ] ||
    die "temporary files left beside the recording"
log "hard kills: earlier take kept, periodic save whole"

# SIGTERM while the splash still plays its jingle: the program waits for its main window,
# closes it (the reset) and leaves a whole recording.
start_with --mute --record "$take"
sleep 0.4
kill -TERM "$APP_PID"
expect_exit_status 0
/usr/bin/python3 "$dump" "$take" >"$E2E_WORK/early.txt" || die "no whole file after an early SIGTERM"
grep -q '^[0-9]* 90 72 127$' "$E2E_WORK/early.txt" || die "the early recording lacks the jingle"
[ "$(tail -n 32 "$E2E_WORK/early.txt" | grep -c -E '^[0-9]+ B[0-9A-F] (64|123) 0$')" -eq 32 ] ||
    die "the early recording does not end with the reset"
log "SIGTERM during the splash: reset and a whole recording"

# 6. A target that cannot be written: a clear message and a box, then the program plays on.
start_with --mute --record /nonexistent/folder/take.mid
wait_for 30 error_box || die "no box for a recording that cannot be written"
grep -q 'Cannot record to /nonexistent/folder/take.mid' "$E2E_WORK/zelphor.log" ||
    die "no message on standard error: $(cat "$E2E_WORK/zelphor.log")"
answer_box
wait_for 30 main_window || die "no main window after the recording box"
press_key q
expect_exit_status 0
log "unwritable target reported"

# 7. JACK: a private server with the dummy back end and a MIDI reader.
clear_stale_jack_table
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$E2E_WORK/jackd.log" 2>&1 &
jackd_pid=$!
E2E_PIDS+=("$jackd_pid")
wait_for 10 jack_lsp >/dev/null 2>&1 || die "jackd did not start"
stdbuf -oL jack_midi_dump -a >"$E2E_WORK/jack-dump.txt" 2>&1 &
dump_pid=$!
E2E_PIDS+=("$dump_pid")
wait_for 10 "$binary" --list-midi-outputs >/dev/null
listed() { grep -qx 'jack:midi-monitor:input' <<<"$("$binary" --list-midi-outputs)"; }
wait_for 10 listed || die "--list-midi-outputs does not list the JACK reader"

start_with --midi-out midi-monitor
wait_for 30 main_window || die "no main window with --midi-out"
error_box && die "an error box came up for a JACK output that is there"
grep -qx 'Zelphor:Zelphor' <<<"$(jack_lsp)" || die "no port Zelphor:Zelphor while running"
click_effect 444
sleep 1
press_key f
sleep 0.5
resets() { grep -c -E '^ *[0-9]+: b[0-9a-f] 7b 00' "$E2E_WORK/jack-dump.txt" || true; }
wait_for 5 test "$(resets)" -ge 16 || die "the JACK reader got no reset after Freeze"
click_effect 444
sleep 0.5
stop_app
wait_for 5 test "$(resets)" -ge 32 || die "the JACK reader got no reset at the end"
grep -q -E '^ *[0-9]+: 90 48 7f' "$E2E_WORK/jack-dump.txt" || die "the jingle did not reach JACK"
ons=$(grep -c -E '^ *[0-9]+: 90 [0-9a-f]{2} 7f' "$E2E_WORK/jack-dump.txt" || true)
[ "$ons" -ge 20 ] || die "only $ons notes reached JACK"
log "JACK: $ons notes and both resets arrived"

# The reader goes away while Zelphor plays: the box, then silence, no crash.
start_with --midi-out midi-monitor
wait_for 30 main_window || die "no main window with --midi-out"
click_effect 444
kill "$dump_pid"
wait_for 15 error_box || die "no box when the JACK reader went away"
grep -q 'has gone away' "$E2E_WORK/zelphor.log" || die "no reason given: $(cat "$E2E_WORK/zelphor.log")"
answer_box
sleep 0.5
app_running || die "zelphor ended when its output went away"
press_key q
expect_exit_status 0
log "a vanished JACK input reported"

# The JACK server stops answering while Zelphor plays to it: the checks of the port go on
# without it, and Q ends the program at once and well.
stdbuf -oL jack_midi_dump -a >"$E2E_WORK/jack-dump2.txt" 2>&1 &
E2E_PIDS+=("$!")
wait_for 10 listed || die "--list-midi-outputs does not list the second JACK reader"
start_with --midi-out midi-monitor
wait_for 30 main_window || die "no main window with --midi-out"
click_effect 444
sleep 1
kill -STOP "$jackd_pid"
sleep 3 # a check of the port is due every 2 s
app_running || die "zelphor ended when the JACK server stopped answering"
quit_promptly q
kill -CONT "$jackd_pid"
expect_exit_status 0
log "Q ends the program while the JACK server does not answer"

# The JACK server is killed while Zelphor plays to it: what its shared memory still shows does
# not hide that the output has gone.
start_with --midi-out midi-monitor
wait_for 30 main_window || die "no main window with --midi-out"
click_effect 444
sleep 1
kill -KILL "$jackd_pid"
wait_for 15 error_box || die "no box when the JACK server was killed"
grep -q 'has gone away' "$E2E_WORK/zelphor.log" || die "no reason given: $(cat "$E2E_WORK/zelphor.log")"
answer_box
press_key q
expect_exit_status 0
log "a killed JACK server reported"

echo "PASS: $E2E_NAME"
