#!/usr/bin/env bash
# The render to a file on the real binary: seconds of show per second of wall time and the
# resident memory over the render (a sample each second: at a tenth, at half and at the end
# of it), per file kind, at 1280x720, 30 pictures a second, two Effects at speed 50.
#   bench_render.sh ZELPHOR [SECONDS=600] [KINDS="mp4 webm mkv wav"]
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/../tests/e2e/common.sh"

binary=$(realpath "$1")
seconds=${2:-600}
read -r -a kinds <<<"${3:-mp4 webm mkv wav}"
unset DISPLAY WAYLAND_DISPLAY
export PULSE_SERVER=unix:/nonexistent XDG_RUNTIME_DIR=$E2E_WORK/runtime
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }

printf '%-5s %8s %7s %12s %12s %12s %9s\n' kind wall_s ratio rss_10%_MiB rss_50%_MiB \
    rss_end_MiB file_MiB
for kind in "${kinds[@]}"; do
    file=$E2E_WORK/show.$kind
    started=$(date +%s%N)
    "$binary" --render "$file" --duration "$seconds" --start "Spectral Flood,Black Holes" \
        --speed 50 >"$E2E_WORK/render.log" 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    samples=()
    while running "$pid"; do
        samples+=("$(rss_kib "$pid")")
        sleep 1
    done
    wait "$pid" || die "the $kind render failed: $(cat "$E2E_WORK/render.log")"
    wall_ms=$((($(date +%s%N) - started) / 1000000))
    n=${#samples[@]}
    early=${samples[$((n / 10))]:-0}
    half=${samples[$((n / 2))]:-0}
    end=${samples[$((n > 1 ? n - 2 : 0))]:-0}
    awk -v k="$kind" -v w="$wall_ms" -v s="$seconds" -v e="$early" -v h="$half" -v f="$end" \
        -v b="$(stat -c %s "$file")" \
        'BEGIN { printf "%-5s %8.1f %7.2f %12.1f %12.1f %12.1f %9.1f\n", k, w / 1000,
                 s * 1000 / w, e / 1024, h / 1024, f / 1024, b / 1048576 }'
    rm -f "$file"
done
