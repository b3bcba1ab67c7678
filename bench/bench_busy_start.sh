#!/usr/bin/env bash
# Whole-process CPU of the real program on Xvfb and a private PulseAudio when a user starts
# all ten Effects at speed 400 as soon as the main window shows, while the instruments are
# still loading: seconds 2 to 12 and 30 to 40 after the main window, per sound font. In the
# same run, the time from the main window until the synthesizer has loaded every instrument
# in the background, from the line it writes then under QT_LOGGING_RULES (budget 10 s).
#   $1  the zelphor executable; $2...  sound fonts (the installed General MIDI ones if none)
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/../tests/e2e/common.sh"

binary=$(realpath "$1")
shift
fonts=("$@")
[ "${#fonts[@]}" -gt 0 ] || fonts=(/usr/share/sounds/sf2/TimGM6mb.sf2
    /usr/share/sounds/sf2/FluidR3_GM.sf2 /usr/share/sounds/sf3/MuseScore_General_Lite.sf3)
need_tools Xvfb xdpyinfo xdotool pactl
export QT_QPA_PLATFORM=xcb HOME=$E2E_WORK/home
mkdir -p "$HOME"
effect_x=(44 124 204 284 364 444 524 604 684 764) # the ten Effect buttons' centres
hz=$(getconf CLK_TCK)

start_x
start_pulse
for font in "${fonts[@]}"; do
    [ -f "$font" ] || continue
    QT_LOGGING_RULES=zelphor.synth.info=true ZELPHOR_SOUNDFONT=$font start_app "$binary"
    wait_for 30 window_with_geometry Zelphor "0 0 1024 768" || die "no main window"
    shown=$(date +%s%N)
    loaded_at=$E2E_WORK/loaded-at
    rm -f "$loaded_at"
    (
        while ! grep -q "instruments are loaded" "$E2E_WORK/zelphor.log"; do sleep 0.02; done
        date +%s%N >"$loaded_at"
    ) &
    watcher=$!
    E2E_PIDS+=("$watcher")
    click_at 300 751 # the Speed slider; End takes it to 400
    xdotool key End
    for x in "${effect_x[@]}"; do click_at "$x" 663; done
    at() { while [ $((($(date +%s%N) - shown) / 1000000)) -lt $(($1 * 1000)) ]; do sleep 0.05; done; }
    at 2
    a=$(cpu_ticks "$APP_PID")
    at 12
    b=$(cpu_ticks "$APP_PID")
    at 30
    c=$(cpu_ticks "$APP_PID")
    at 40
    d=$(cpu_ticks "$APP_PID")
    if [ -s "$loaded_at" ]; then
        loaded="$((($(cat "$loaded_at") - shown) / 1000000)) ms after the main window"
    else
        kill "$watcher" 2>/dev/null || true
        loaded="not within 40 s of the main window"
    fi
    echo "$(basename "$font"): CPU s 2-12 $(((b - a) * 100 / (10 * hz))) %, s 30-40 $(((d - c) * 100 / (10 * hz))) % of a core; every instrument loaded $loaded"
    press_key q
    wait_for 5 app_ended || die "zelphor did not end"
done
