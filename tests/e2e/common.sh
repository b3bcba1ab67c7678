# Shared by the end-to-end scripts: a private X server and audio server, screenshots, audio
# levels and polling. Everything started here is stopped by its process id on exit. On a
# failure (or with ZELPHOR_E2E_KEEP=1) the screenshots, recording and logs stay in
# /tmp/<script>-files.
# shellcheck shell=bash

set -euo pipefail

E2E_WORK=$(mktemp -d /tmp/zelphor-e2e.XXXXXX)
E2E_PIDS=()
E2E_FAILED=0
E2E_NAME=$(basename "$0" .sh)

# Running, and not merely a process that has ended and not yet been waited for.
running() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "${state:0:1}" != Z ]
}

e2e_cleanup() {
    local status=$?
    local pid i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${E2E_PIDS[@]}"; do
        for _ in $(seq 50); do
            running "$pid" || break
            sleep 0.1
        done
        if running "$pid"; then kill -9 "$pid" 2>/dev/null || true; fi
    done
    if [ "$status" -ne 0 ] || [ "$E2E_FAILED" -ne 0 ] || [ -n "${ZELPHOR_E2E_KEEP:-}" ]; then
        local keep=/tmp/$E2E_NAME-files
        rm -rf "$keep"
        mkdir -p "$keep"
        find "$E2E_WORK" -maxdepth 1 -type f -exec cp {} "$keep" \; 2>/dev/null || true
        echo "$E2E_NAME: screenshots, audio and logs kept in $keep" >&2
    fi
    rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

log() { echo "[$(date +%T.%3N)] $*"; }

die() {
    E2E_FAILED=1
    echo "FAIL: $*" >&2
    e2e_diagnostics >&2
    exit 1
}

# What the program and the servers said, and which windows were there.
e2e_diagnostics() {
    local f
    for f in "$E2E_WORK"/*.log; do
        [ -s "$f" ] || continue
        echo "---- $(basename "$f") (last 40 lines)"
        tail -n 40 "$f"
    done
    if [ -n "${DISPLAY:-}" ]; then
        echo "---- windows on $DISPLAY"
        local w
        for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
            echo "$w '$(xdotool getwindowname "$w" 2>/dev/null)' $(xdotool getwindowgeometry "$w" 2>/dev/null | tr '\n' ' ')"
        done
    fi
}

# Polls a command every 0.1 s until it succeeds or the seconds run out.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    while ! "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# The longest a quit may take, in ms: 500, and 2500 for a sanitizer build, whose leak scan at
# exit over a loaded sound font adds a second or more to the end.
quit_limit_ms() {
    if grep -q __asan_init "$1"; then echo 2500; else echo 500; fi
}

need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || die "$tool is not installed (scripts/install-test-deps.sh)"
    done
}

# A private X server, 1024 x 768 as designed. Xvfb picks a free display number itself and
# reports it once it is ready: checking numbers beforehand races with other runs. -noreset: by
# default the server resets when its last client leaves (the xdpyinfo below, a program that
# ended) and refuses connections meanwhile.
start_x() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$E2E_WORK/display" \
        >"$E2E_WORK/xvfb.log" 2>&1 &
    local pid=$!
    E2E_PIDS+=("$pid")
    wait_for 10 grep -q '[0-9]' "$E2E_WORK/display" || die "Xvfb reports no display"
    export DISPLAY=:$(tr -dc 0-9 <"$E2E_WORK/display")
    wait_for 10 xdpyinfo >/dev/null 2>&1 || die "the X server on $DISPLAY does not answer"
    log "X server on $DISPLAY (pid $pid)"
}

pulse_ready() { timeout 2 pactl info >/dev/null 2>&1; }

private_runtime_dir() {
    export XDG_RUNTIME_DIR=$E2E_WORK/runtime
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset PULSE_SERVER PULSE_SINK
}

# A private PulseAudio with one null sink, in a runtime folder of its own.
start_pulse() {
    private_runtime_dir
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
        --load="module-null-sink sink_name=nullsink" \
        --load=module-native-protocol-unix >"$E2E_WORK/pulseaudio.log" 2>&1 ||
        die "pulseaudio did not start"
    wait_for 10 test -s "$XDG_RUNTIME_DIR/pulse/pid" || die "pulseaudio wrote no pid file"
    local pid
    pid=$(cat "$XDG_RUNTIME_DIR/pulse/pid")
    E2E_PIDS+=("$pid")
    wait_for 10 pulse_ready || die "pulseaudio does not answer"
    log "PulseAudio pid $pid, runtime $XDG_RUNTIME_DIR"
}

# A private D-Bus session bus, as a desktop session and PipeWire's session manager have;
# started once per test.
E2E_SESSION_BUS=
start_session_bus() {
    [ -n "$E2E_SESSION_BUS" ] && return 0
    local out
    out=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1) ||
        die "dbus-daemon did not start"
    E2E_SESSION_BUS=yes
    export DBUS_SESSION_BUS_ADDRESS=${out%%$'\n'*}
    E2E_PIDS+=("${out##*$'\n'}")
    log "D-Bus session bus pid ${out##*$'\n'}"
}

# Starts a server program in the background with its log, remembering its process id.
start_server() {
    local name=$1
    shift
    "$@" >"$E2E_WORK/$name.log" 2>&1 &
    E2E_PIDS+=("$!")
    log "$name pid $!"
}

# A private PipeWire with its PulseAudio service and, unless $1 is "without-session-manager",
# WirePlumber; one null sink, the default.
start_pipewire() {
    private_runtime_dir
    start_session_bus
    start_server pipewire pipewire
    wait_for 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" || die "pipewire made no socket"
    if [ "${1:-}" != without-session-manager ]; then
        start_server wireplumber wireplumber
    fi
    start_server pipewire-pulse pipewire-pulse
    if [ "${1:-}" = without-session-manager ]; then
        # Without a session manager it may take a connection and never answer.
        wait_for 10 test -S "$XDG_RUNTIME_DIR/pulse/native" || die "pipewire-pulse made no socket"
        return 0
    fi
    wait_for 10 pulse_ready || die "pipewire-pulse does not answer"
    if [ "${1:-}" != without-session-manager ]; then
        pactl load-module module-null-sink sink_name=nullsink >/dev/null ||
            die "no null sink on PipeWire"
        wait_for 10 sh -c 'pactl list short sinks | grep -q nullsink' || die "no null sink listed"
        pactl set-default-sink nullsink
    fi
}

# The sound server named by ZELPHOR_E2E_SOUND (pulseaudio, the default, or pipewire); a
# test of a server that is not installed is skipped.
sound_server_installed() {
    case "$1" in
    pulseaudio) command -v pulseaudio >/dev/null ;;
    pipewire) command -v pipewire >/dev/null && command -v pipewire-pulse >/dev/null &&
        command -v wireplumber >/dev/null && command -v dbus-daemon >/dev/null ;;
    *) return 1 ;;
    esac
}
# Whichever sound server is installed, PulseAudio first: for tests about windows, not sound.
start_installed_sound_server() {
    if sound_server_installed pulseaudio; then
        start_pulse
    elif sound_server_installed pipewire; then
        start_pipewire
    else
        die "neither PulseAudio nor PipeWire is installed (scripts/install-test-deps.sh)"
    fi
}
start_sound_server() {
    local server=${ZELPHOR_E2E_SOUND:-pulseaudio}
    if ! sound_server_installed "$server"; then
        echo "SKIP: $server is not installed"
        exit 77
    fi
    case "$server" in
    pulseaudio) start_pulse ;;
    pipewire) start_pipewire ;;
    esac
}

# Records the null sink's monitor as raw 16-bit stereo at 44.1 kHz into $E2E_AUDIO.
E2E_AUDIO=
start_recording() {
    E2E_AUDIO=$E2E_WORK/sink.raw
    parec -d nullsink.monitor --format=s16le --rate=44100 --channels=2 --latency-msec=20 \
        >"$E2E_AUDIO" 2>"$E2E_WORK/parec.log" &
    E2E_PIDS+=("$!")
    # The monitor delivers silence while nothing plays, so the file starts growing at once.
    wait_for 10 test -s "$E2E_AUDIO" || die "parec records nothing"
}

audio_bytes() { stat -c %s "$E2E_AUDIO"; }

# The recording's bytes from offset $1 up to offset $2. One reader: a "tail | head" pipe
# would fail under pipefail whenever the file grew past $2 while being read.
audio_range() {
    dd if="$E2E_AUDIO" iflag=skip_bytes,count_bytes bs=64K skip="$1" count=$(($2 - $1)) status=none
}

# Peak level (0 to 32768) of the recording between two byte offsets.
peak_between() {
    local from=$(($1 / 4 * 4)) to=$(($2 / 4 * 4))
    [ "$to" -gt "$from" ] || { echo 0; return; }
    audio_range "$from" "$to" | od -An -v -t d2 -w2 | awk 'BEGIN { m = 0 } { v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m }'
}

# Peak level of the audio recorded during the next $1 seconds.
peak_over() {
    local from to
    from=$(audio_bytes)
    sleep "$1"
    to=$(audio_bytes)
    peak_between "$from" "$to"
}

# Polls 0.3 s windows of audio until one is louder than $2, for at most $1 seconds.
wait_for_sound() {
    local deadline=$((SECONDS + $1)) peak
    while [ "$SECONDS" -lt "$deadline" ]; do
        peak=$(peak_over 0.3)
        [ "$peak" -gt "$2" ] && { log "sound: peak $peak"; return 0; }
    done
    return 1
}

# Polls 0.3 s windows of audio until one is quieter than $2, for at most $1 seconds.
wait_for_silence() {
    local deadline=$((SECONDS + $1)) peak
    while [ "$SECONDS" -lt "$deadline" ]; do
        peak=$(peak_over 0.3)
        [ "$peak" -le "$2" ] && { log "silence: peak $peak"; return 0; }
    done
    return 1
}

# Screenshot of the whole screen, numbered in order; prints its path.
screenshot() {
    local count=0 file
    [ -f "$E2E_WORK/shots" ] && count=$(cat "$E2E_WORK/shots")
    count=$((count + 1))
    echo "$count" >"$E2E_WORK/shots"
    file=$E2E_WORK/shot-$(printf %03d "$count")-$1.png
    import -window root "$file"
    echo "$file"
}

# Number of pixels that are not black in a region WxH+X+Y of a screenshot.
lit_pixels() {
    convert "$1" -crop "$2" +repage -fill white +opaque black -colorspace gray \
        -format '%[fx:round(mean*w*h)]' info:
}

# Number of pixels that differ between two screenshots in a region.
changed_pixels() {
    convert "$1" "$2" -crop "$3" +repage -compose difference -composite -colorspace gray \
        -fill white +opaque black -format '%[fx:round(mean*w*h)]' info:
}

# The visible windows with this exact title.
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }

# Geometry of a window as "X Y W H".
geometry_of() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    echo "$X $Y $WIDTH $HEIGHT"
}

# A visible window titled $1 covering exactly $2 ("X Y W H"); sets FOUND_WINDOW.
FOUND_WINDOW=
window_with_geometry() {
    local w
    for w in $(windows_named "$1"); do
        if [ "$(geometry_of "$w" 2>/dev/null)" = "$2" ]; then
            FOUND_WINDOW=$w
            return 0
        fi
    done
    return 1
}

# A visible window titled $1 smaller than the screen; sets FOUND_WINDOW.
small_window_named() {
    local w g
    for w in $(windows_named "$1"); do
        g=$(geometry_of "$w" 2>/dev/null) || continue
        read -r _ _ width height <<<"$g"
        if [ "$width" -lt 1024 ] && [ "$height" -lt 768 ]; then
            FOUND_WINDOW=$w
            return 0
        fi
    done
    return 1
}

APP_PID=
start_app() {
    "$1" >"$E2E_WORK/zelphor.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
    log "zelphor pid $APP_PID"
}

# JACK keeps every server in one table in shared memory, eight at most, for all users, and a
# killed server's entry is taken back only by a server of the same name: the scripts use fixed
# names. With no JACK server running at all, a table left full by other names is cleared, so
# that a private server finds a free entry.
clear_stale_jack_table() {
    if pgrep -x jackd >/dev/null || pgrep -x jackdbus >/dev/null; then
        return 0
    fi
    rm -f /dev/shm/jack-shm-registry /dev/shm/jack-[0-9]*-[0-9]* 2>/dev/null || true
}

app_running() { running "$APP_PID"; }
app_ended() { ! app_running; }
ended_or_ad() { app_ended || ad_showing; }

# Presses a key that ends the program, which must be gone within $2 ms (a second if not given).
# The advertisement window may open just as the key goes out and take it; then the key is
# pressed once more with that window closed, and timed from there.
quit_promptly() {
    local limit=${2:-1000} quit_at quit_ms
    press_key "$1"
    quit_at=$(date +%s%N)
    wait_for 15 ended_or_ad || die "zelphor still runs 15 s after $1"
    if app_running; then
        log "the advertisement window opened as $1 was pressed"
        press_key "$1"
        quit_at=$(date +%s%N)
    fi
    wait_for 15 app_ended || die "zelphor still runs 15 s after $1"
    quit_ms=$((($(date +%s%N) - quit_at) / 1000000))
    log "ended ${quit_ms} ms after $1"
    [ "$quit_ms" -le "$limit" ] || die "zelphor took ${quit_ms} ms to end after $1"
}

# With the drawing frozen by F (pressed again should another window have taken the key) and
# the program settled, its CPU over 10 s: under 1 % of a core. A sanitizer build, whose
# instrumentation makes every cost several times larger, only reports the figure.
#   $1  the zelphor executable
idle_cpu_while_away() {
    local a b ticks used hz
    drawing_stopped() {
        press_key f
        sleep 1
        a=$(clear_screenshot freeze-a)
        sleep 1
        b=$(clear_screenshot freeze-b)
        [ "$(changed_pixels "$a" "$b" 1024x594+0+0)" -eq 0 ]
    }
    drawing_stopped || drawing_stopped || drawing_stopped || die "the drawing does not stop after F"
    sleep 2 # the program settles after F: the figure is for the time away, not for the freeze
    ticks=$(cpu_ticks "$APP_PID")
    sleep 10
    used=$(($(cpu_ticks "$APP_PID") - ticks))
    hz=$(getconf CLK_TCK)
    log "CPU while away and frozen: $used ticks of $((10 * hz))"
    if grep -q __asan_init "$1"; then
        log "sanitizer build: the CPU figure is not held to the budget"
    else
        [ $((used * 100)) -lt $((10 * hz)) ] || die "$used ticks in 10 s while the sound is away"
    fi
}

# Waits for the program to end by itself and checks its exit status.
expect_exit_status() {
    local expected=$1 status=0
    wait_for 15 app_ended || die "zelphor still runs 15 s after the key"
    wait "$APP_PID" || status=$?
    [ "$status" -eq "$expected" ] || die "zelphor ended with status $status, not $expected"
    log "zelphor ended with status $status"
}

# The advertisement window opens by itself now and then (a tick every 15 s, one time in
# four) and covers the screen: close it with its OK button, as a user would.
ad_showing() { [ -n "$(windows_named 'About Melodrix')" ]; }
dismiss_ad() {
    ad_showing || return 0
    log "closing the advertisement window"
    pointer_to 416 176 # its OK button
    xdotool click 1
    wait_for 5 ad_gone || die "the advertisement window does not close with OK"
    sleep 0.3 # the main window repaints what the advertisement covered
}
ad_gone() { ! ad_showing; }

# A screenshot with no advertisement window in it; prints its path.
clear_screenshot() {
    local shot
    for _ in 1 2 3; do
        dismiss_ad
        shot=$(screenshot "$1")
        if ! ad_showing; then
            echo "$shot"
            return 0
        fi
    done
    die "the advertisement window keeps coming back"
}

# Moves the pointer to a screen position. "mousemove --sync" waits for the pointer to move,
# so to the place where it already is it would wait for ever and the click after it would
# never come: a second click on the same button would look unanswered.
pointer_to() {
    local X Y
    eval "$(xdotool getmouselocation --shell | grep -E '^(X|Y)=')"
    if [ "$X" != "$1" ] || [ "$Y" != "$2" ]; then
        xdotool mousemove --sync "$1" "$2"
    fi
}

# Clicks at a screen position, as the pointer would.
click_at() {
    dismiss_ad
    pointer_to "$1" "$2"
    xdotool click 1
}

# A key pressed on the window under the pointer (no window manager: focus follows it).
press_key() {
    dismiss_ad
    xdotool key "$1"
}

# The error box: a small window titled Zelphor that holds up start-up until answered. (The
# splash shares the title and is wider: the box is the one narrower than the splash.) Sets
# FOUND_WINDOW.
error_box() {
    local w g
    for w in $(windows_named Zelphor); do
        g=$(geometry_of "$w" 2>/dev/null) || continue
        read -r _ _ width _ <<<"$g"
        if [ "$width" -lt 674 ]; then
            FOUND_WINDOW=$w
            return 0
        fi
    done
    return 1
}

# Ends the sound server that start_sound_server started, by its process ids, with signal $1
# (KILL or TERM), and waits until it is gone; its socket file may stay behind.
stop_sound_server() {
    local signal=$1 pid pids=()
    case "${ZELPHOR_E2E_SOUND:-pulseaudio}" in
    pulseaudio) pids=("$(cat "$XDG_RUNTIME_DIR/pulse/pid")") ;;
    pipewire)
        for pid in "${E2E_PIDS[@]}"; do
            case "$(ps -o comm= -p "$pid" 2>/dev/null)" in
            pipewire | wireplumber | pipewire-pulse) pids+=("$pid") ;;
            esac
        done
        ;;
    esac
    [ "${#pids[@]}" -gt 0 ] || die "no sound server process to stop"
    kill -"$signal" "${pids[@]}"
    for pid in "${pids[@]}"; do
        wait_for 10 sh -c "! ps -o stat= -p $pid | grep -qv Z" || die "sound server pid $pid lives on"
    done
    # A killed PulseAudio leaves its pid file, which a new one would take for its own.
    rm -f "$XDG_RUNTIME_DIR/pulse/pid"
    log "sound server stopped (SIG$signal: ${pids[*]})"
}

# CPU time of process $1 in clock ticks so far, user and system.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
