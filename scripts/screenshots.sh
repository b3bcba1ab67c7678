#!/usr/bin/env bash
# Takes the screenshots of the README and the AppStream metadata from the real program on a
# virtual 1024 x 768 screen: docs/screenshots/main.png (Spectral Flood and Black Holes
# running) and docs/screenshots/help.png (the Help window over them).
#   ZELPHOR  the executable to run (default: build-release/zelphor, built first)
set -euo pipefail
cd "$(dirname "$0")/.."

out=docs/screenshots
# Panel geometry on a 768-pixel-high screen: the panel's top edge, and the centres of the
# effect buttons, which sit 32 px down the panel, 73 x 41 px, every 80 px from x = 8.
panel_top=611
button_y=$((panel_top + 32 + 20))
spectral_flood_x=$((8 + 5 * 80 + 36))
black_holes_x=$((8 + 2 * 80 + 36))

binary=${ZELPHOR:-}
if [ -z "$binary" ]; then
    scripts/install-test-deps.sh
    cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZELPHOR_TESTS=OFF \
        -DZELPHOR_BENCH=OFF >/dev/null
    cmake --build build-release -j"$(nproc)" --target zelphor
    binary=build-release/zelphor
fi
binary=$(realpath "$binary")
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-test-deps.sh" >&2; exit 1; }
done

tmp=$(mktemp -d)
xvfb_pid=""
app_pid=""
stop() {
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$tmp"
}
trap stop EXIT

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$tmp/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
[ -s "$tmp/display" ] || { echo "Xvfb gave no display number" >&2; exit 1; }
display=$(tr -d '[:space:]' <"$tmp/display")
export DISPLAY=:$display
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

# No audio server: the program stays silent and says so in a message box first.
PULSE_SERVER=unix:/nonexistent "$binary" >"$tmp/zelphor.log" 2>&1 &
app_pid=$!

# Visible top-level windows titled exactly $1, one "id width height" line each.
windows_titled() {
    local id geometry
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null) || continue
        echo "$id $(sed -n 's/^WIDTH=//p' <<<"$geometry") $(sed -n 's/^HEIGHT=//p' <<<"$geometry")"
    done
}

# The splash, the message box and the main window all carry the program's title; the main
# window is the one that covers the screen, the splash is 674 x 223.
main_window=""
for _ in $(seq 300); do
    kill -0 "$app_pid" 2>/dev/null || { cat "$tmp/zelphor.log" >&2; echo "zelphor ended early" >&2; exit 1; }
    while read -r id width height; do
        if [ "$width" -ge 1024 ] && [ "$height" -ge 768 ]; then
            main_window=$id
        elif [ "$width" -ne 674 ] || [ "$height" -ne 223 ]; then
            echo "Dismissing the start-up message box (${width} x ${height})"
            timeout 5 xdotool mousemove --window "$id" 10 10 windowfocus --sync "$id" key Return ||
                true
            sleep 0.5
        fi
    done < <(windows_titled Zelphor)
    [ -n "$main_window" ] && break
    sleep 0.1
done
[ -n "$main_window" ] || { cat "$tmp/zelphor.log" >&2; echo "the main window did not appear" >&2; exit 1; }
sleep 1

# The advertisement timer fires after 15 s; both pictures are taken well before that.
xdotool mousemove "$spectral_flood_x" "$button_y" click 1
sleep 0.5
xdotool mousemove "$black_holes_x" "$button_y" click 1
sleep 4
mkdir -p "$out"
import -window root "$out/main.png"

timeout 5 xdotool windowfocus --sync "$main_window" key h
help_windows=$(timeout 15 xdotool search --sync --onlyvisible --name '^Zelphor Help$') ||
    { echo "the Help window did not appear" >&2; exit 1; }
help_window=${help_windows%%$'\n'*}
sleep 2
import -window root "$out/help.png"

# The program ends with its last window, so the Help window goes first.
timeout 5 xdotool windowfocus --sync "$help_window" key Escape
sleep 0.5
timeout 5 xdotool windowfocus --sync "$main_window" key q
for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
    echo "zelphor did not quit on Q; stopping it" >&2
else
    wait "$app_pid" || echo "zelphor exited with $?" >&2
    app_pid=""
fi
echo "Wrote $out/main.png and $out/help.png"
