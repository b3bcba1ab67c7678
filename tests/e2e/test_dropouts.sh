#!/usr/bin/env bash
# A held organ note on the real sound server while two busy loops load both cores: the
# recording of the sink may have no gap where the waveform stops for more than 5 ms.
#   $1  the zelphor executable; the note is held by hold_note beside the tests
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

hold_note=$(dirname "$(realpath "$1")")/tests/hold_note
[ -x "$hold_note" ] || die "hold_note is not built beside $1"
need_tools pactl parec od awk
unset ZELPHOR_SOUNDFONT
seconds=10

start_sound_server
start_recording
for _ in ${ZELPHOR_BUSY_LOOPS-1 2}; do
    start_server busy sh -c 'while :; do :; done'
done
from=$(audio_bytes)
"$hold_note" "$seconds" >"$E2E_WORK/hold_note.log" 2>&1 || die "hold_note failed"
to=$(audio_bytes)

# Longest run of near-zero samples on the left channel, from the note's first sound to its
# reset, in milliseconds.
longest_gap_ms() {
    audio_range $((from / 4 * 4)) $((to / 4 * 4)) | od -An -v -t d2 -w4 | awk '
            { v = $1 < 0 ? -$1 : $1 }
            !started { if (v > 300) started = 1; next }
            { if (v < 3) { run++ } else { if (run > longest) longest = run; run = 0 } }
            END { if (!started) { print -1; exit }
                  # A run that reaches the end is the release after the reset, not a gap.
                  print int(longest * 1000 / 44100) }'
}
gap=$(longest_gap_ms)
[ "$gap" -ge 0 ] || die "the organ note was not heard"
log "longest gap ${gap} ms over ${seconds} s with both cores busy"
[ "$gap" -le 5 ] || die "the sound stopped for ${gap} ms"
echo "PASS: $E2E_NAME"
