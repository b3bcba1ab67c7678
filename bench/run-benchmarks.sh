#!/usr/bin/env bash
# Runs the benchmarks given after the build folder, one after another, in that folder, and
# gathers their figures into bench-results.json there. For the figures of the real audio
# device and the real binary it starts its own PulseAudio (a null sink) and Xvfb when they
# are installed, and stops them afterwards.
#   run-benchmarks.sh BUILD_DIR BENCHMARK...
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shift
cd "$build" || exit 1
rm -f bench-results.json bench-results-*.json

pulse_pid=""
xvfb_pid=""
runtime=""
cleanup() {
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$runtime" ] && rm -rf "$runtime"
}
trap cleanup EXIT

if command -v pulseaudio >/dev/null; then
    runtime=$(mktemp -d)
    export XDG_RUNTIME_DIR=$runtime
    unset PULSE_SERVER
    if pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
        --load="module-null-sink sink_name=nullsink" \
        --load=module-native-protocol-unix >"$runtime/pulse.log" 2>&1; then
        for _ in $(seq 50); do
            [ -s "$runtime/pulse/pid" ] && break
            sleep 0.1
        done
        pulse_pid=$(cat "$runtime/pulse/pid" 2>/dev/null)
    fi
fi
[ -n "$pulse_pid" ] || echo "No PulseAudio of our own: no figures for the real audio device."

if command -v Xvfb >/dev/null; then
    # Xvfb picks a free display itself and writes its number once it is ready.
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -br -noreset -nolisten tcp 3>"$displayfile" \
        >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$displayfile" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    display=$(tr -dc 0-9 <"$displayfile")
    rm -f "$displayfile"
    if [ -n "$display" ]; then
        export ZELPHOR_BENCH_DISPLAY=":$display"
    else
        kill "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
    fi
fi
[ -n "$xvfb_pid" ] || echo "No Xvfb: no start-up figures for the real binary."

export QT_QPA_PLATFORM=offscreen
# Timings here depend on what else the machine is doing.
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
failed=0
for benchmark in "$@"; do
    echo
    echo "== $(basename "$benchmark")"
    if ! "$benchmark"; then
        echo "$(basename "$benchmark") failed"
        failed=1
    fi
done
echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
"${ZELPHOR_CMAKE:-cmake}" -DDIR="$PWD" -P "$here/Collect.cmake" || failed=1
exit $failed
