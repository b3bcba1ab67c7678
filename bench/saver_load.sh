#!/usr/bin/env bash
# What the screensaver mode costs when left on: the real binary drawing on the root window of
# a 1920 x 1080 Xvfb (silent, as a screensaver starts), its CPU share of one core and its
# resident size, minute by minute. Budget: under 25 % of a core; resident size flat.
#   saver_load.sh ZELPHOR [MINUTES=10] [SEED=1]
set -euo pipefail
binary=$(realpath "$1")
minutes=${2:-10}
seed=${3:-1}
work=$(mktemp -d)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" \
    >/dev/null 2>&1 &
pids+=("$!")
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=:$(tr -dc 0-9 <"$work/display")
unset XSCREENSAVER_WINDOW WAYLAND_DISPLAY

"$binary" -root --seed "$seed" >"$work/zelphor.log" 2>&1 &
app=$!
pids+=("$app")
ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$app/status"; }

sleep 5 # start-up aside
echo "minute cpu_percent_of_a_core rss_mib"
first_rss=$(rss_kib)
worst=0
for minute in $(seq "$minutes"); do
    before=$(cpu_ticks)
    start=$(date +%s%N)
    sleep 60
    used=$(($(cpu_ticks) - before))
    wall_ms=$((($(date +%s%N) - start) / 1000000))
    percent=$(awk -v u="$used" -v t="$ticks" -v w="$wall_ms" 'BEGIN {printf "%.1f", 100 * u / t / (w / 1000)}')
    rss=$(rss_kib)
    printf '%d %s %.1f\n' "$minute" "$percent" "$(awk -v r="$rss" 'BEGIN {print r / 1024}')"
    worst=$(awk -v a="$worst" -v b="$percent" 'BEGIN {print (b > a) ? b : a}')
done
last_rss=$(rss_kib)
awk -v f="$first_rss" -v l="$last_rss" -v w="$worst" 'BEGIN {
    printf "worst minute %.1f %% of a core (budget 25); resident %.1f MiB after start-up, %.1f MiB at the end (%+.1f %%)\n",
        w, f / 1024, l / 1024, 100 * (l - f) / f
    exit (w < 25) ? 0 : 1
}'
