#!/usr/bin/env bash
# An ALSA device that fails under the running program and comes back: the synthesizer's own
# PulseAudio output has no server, so it plays through ALSA, whose default device is the
# PulseAudio plugin aimed at a private PulseAudio. That server is killed with SIGKILL while
# Spectral Flood plays and started again: its sink hears the program again, and standard
# error says the sound was lost and is back. Away for 20 s, frozen, the program takes under
# 1 % of a core; and Q while the device is away ends it within 0.5 s with status 0.
# A device opened through the plugin within a second or so of the server's start sometimes
# plays for a moment and then stalls; the output is then found silent and opened once more,
# with a second pair of lines. So the sound is given 5 s here, not 3 (the JACK test holds
# the 3 s and the single pair of lines).
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool import convert pulseaudio pactl parec od
compgen -G "/usr/lib/*/alsa-lib/libasound_module_pcm_pulse.so" >/dev/null ||
    die "the ALSA PulseAudio plugin is not installed (scripts/install-test-deps.sh)"
export QT_QPA_PLATFORM=xcb HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT
spectral_flood=(444 663) # the sixth effect button's centre
loud=300

start_x
start_pulse
start_recording
server=$XDG_RUNTIME_DIR/pulse/native
cat >"$HOME/.asoundrc" <<EOF
pcm.!default { type pulse server "unix:$server" }
ctl.!default { type pulse server "unix:$server" }
EOF
# The plugin must not start a server of its own while the private one is away.
printf 'autospawn = no\n' >"$E2E_WORK/client.conf"
export PULSE_CLIENTCONFIG=$E2E_WORK/client.conf

server_back() {
    start_pulse
    start_recording
    local back_at
    back_at=$(date +%s%N)
    wait_for_sound 5 "$loud" || die "no sound within 5 s of the device being back"
    log "sound again $((($(date +%s%N) - back_at) / 1000000)) ms after the device came back"
}

PULSE_SERVER=unix:/nonexistent JACK_DEFAULT_SERVER=zelphor-e2e-none-$$ start_app "$binary"
wait_for 30 window_with_geometry Zelphor "0 0 1024 768" || die "no main window"
click_at "${spectral_flood[@]}"
wait_for_sound 10 "$loud" || die "Spectral Flood made no sound through ALSA"

# Away for a moment.
stop_sound_server KILL
sleep 1
server_back
wait_for 5 grep -q "sound is lost: the ALSA output" "$E2E_WORK/zelphor.log" ||
    die "no line on the loss of the ALSA output"
last_line_is_back() { [ "$(tail -n 1 "$E2E_WORK/zelphor.log")" = "zelphor: the sound is back" ]; }
wait_for 5 last_line_is_back || die "no line on the return"

# Away for 20 s, frozen for ten of them: the tries to open cost next to nothing.
stop_sound_server KILL
idle_cpu_while_away "$binary"
press_key f
click_at "${spectral_flood[@]}"
sleep 6
server_back
wait_for 5 last_line_is_back || die "no line on the second return"

# Q while the device is away.
stop_sound_server KILL
sleep 1
quit_promptly q "$(quit_limit_ms "$binary")"
expect_exit_status 0
echo "PASS: $E2E_NAME"
