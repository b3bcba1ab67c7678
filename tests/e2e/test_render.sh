#!/usr/bin/env bash
# Rendering a show to a file on the real program, checked with ffprobe and ffmpeg: each kind's
# streams, codecs, size, exact frame and sample counts and audible sound; the same command
# gives the same decoded frames and sound, another seed another show; the notes recorded
# beside it; Ctrl+C and SIGTERM leave a valid shorter file; bad input, a folder that cannot be
# written and a full disk leave nothing behind. No display and no sound server are there.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
dump=$(dirname "$(realpath "$0")")/midi_dump.py
need_tools ffprobe ffmpeg script setpriv
unset DISPLAY WAYLAND_DISPLAY ZELPHOR_SOUNDFONT
export PULSE_SERVER=unix:/nonexistent HOME=$E2E_WORK/home XDG_RUNTIME_DIR=$E2E_WORK/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
out=$E2E_WORK/out
mkdir -p "$out"
scene=(--start "Spectral Flood,Black Holes" --speed 50 --size 320x180)

# $1 file, $2 entries of the stream, $3 stream (v:0, a:0): one value a line.
probe() {
    ffprobe -v error -select_streams "$3" -show_entries "stream=$2" -of default=nw=1:nk=1 "$1"
}
decoded_frames() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
        -of default=nw=1:nk=1 "$1"
}
# Decoded sound frames: 16-bit stereo bytes / 4.
decoded_samples() { echo $(($(ffmpeg -v error -i "$1" -map 0:a:0 -f s16le -ac 2 - | wc -c) / 4)); }
loudest_db() {
    ffmpeg -v info -i "$1" -map 0:a:0 -af volumedetect -f null - 2>&1 |
        sed -n 's/.*max_volume: \(-*[0-9.]*\) dB.*/\1/p'
}
picture_sums() { ffmpeg -v error -i "$1" -map 0:v:0 -f framemd5 - | grep -v '^#'; }
sound_sum() { ffmpeg -v error -i "$1" -map 0:a:0 -f md5 -; }
leftovers() { find "$out" -name '.*' -newer "$E2E_WORK/home" | wc -l; }

# 1. Each kind: what the file holds.
#    extension video-codec audio-codec sample-tolerance (lossy encoders pad to whole frames)
kinds=("mp4 h264 aac 2048" "webm vp9 opus 960" "mkv h264 flac 0" "wav - pcm_s16le 0"
    "flac - flac 0")
for row in "${kinds[@]}"; do
    read -r ext vcodec acodec slack <<<"$row"
    file=$out/show.$ext
    log "rendering $file"
    "$binary" --render "$file" --duration 2 --fps 30 "${scene[@]}" \
        >"$E2E_WORK/render-$ext.log" 2>&1 || die "the $ext render failed"
    [ -s "$file" ] || die "no $ext file"
    [ ! -s "$E2E_WORK/render-$ext.log" ] || die "the $ext render printed: $(cat "$E2E_WORK/render-$ext.log")"
    [ "$(probe "$file" codec_name a:0)" = "$acodec" ] || die "$ext sound is not $acodec"
    [ "$(probe "$file" sample_rate a:0)" = 48000 ] || die "$ext sound is not at 48 kHz"
    samples=$(decoded_samples "$file")
    gap=$((samples > 96000 ? samples - 96000 : 96000 - samples))
    [ "$gap" -le "$slack" ] || die "$ext holds $samples sound frames, not 96000 (within $slack)"
    db=$(loudest_db "$file")
    awk -v d="$db" 'BEGIN { exit !(d > -30) }' || die "$ext sound is silent (peak $db dB)"
    if [ "$vcodec" = - ]; then
        [ -z "$(probe "$file" codec_type v:0)" ] || die "$ext has a picture"
    else
        [ "$(probe "$file" codec_name v:0)" = "$vcodec" ] || die "$ext picture is not $vcodec"
        [ "$(probe "$file" width,height v:0 | paste -sd x)" = 320x180 ] || die "$ext size"
        [ "$(decoded_frames "$file")" = 60 ] || die "$ext holds $(decoded_frames "$file") pictures, not 60"
    fi
    log "$ext: $acodec, $samples sound frames, peak $db dB"
done
[ "$(leftovers)" -eq 0 ] || die "temporary files left beside the targets"

# 2. The same command, the same show; another seed, another.
"$binary" --render "$out/again.mp4" --duration 2 --fps 30 "${scene[@]}" 2>/dev/null
[ "$(picture_sums "$out/show.mp4")" = "$(picture_sums "$out/again.mp4")" ] ||
    die "two renders of the same command decode to different pictures"
[ "$(sound_sum "$out/show.mp4")" = "$(sound_sum "$out/again.mp4")" ] ||
    die "two renders of the same command decode to different sound"
"$binary" --render "$out/again.wav" --duration 2 "${scene[@]}" 2>/dev/null
cmp -s "$out/show.wav" "$out/again.wav" || die "two wav renders differ"
"$binary" --render "$out/a.mp4" --duration 3 --size 320x180 --seed 11 2>/dev/null
"$binary" --render "$out/b.mp4" --duration 3 --size 320x180 --seed 11 2>/dev/null
"$binary" --render "$out/c.mp4" --duration 3 --size 320x180 --seed 12 2>/dev/null
[ "$(picture_sums "$out/a.mp4")" = "$(picture_sums "$out/b.mp4")" ] ||
    die "the director's show did not repeat with its seed"
[ "$(picture_sums "$out/a.mp4")" != "$(picture_sums "$out/c.mp4")" ] ||
    die "another seed gave the same show"
log "renders repeat exactly"

# 3. The notes beside the render, at the show's times.
"$binary" --render "$out/rec.wav" --duration 2 "${scene[@]}" --record "$out/rec.mid" 2>/dev/null
notes=$(/usr/bin/python3 "$dump" "$out/rec.mid" | awk '$2 ~ /^9/ && $4 > 0' | wc -l)
last=$(/usr/bin/python3 "$dump" "$out/rec.mid" | awk '{ t = $1 } END { print t + 0 }')
[ "$notes" -gt 10 ] || die "the recording beside the render holds $notes notes"
[ "$last" -le 2000 ] || die "the recording reaches ${last} ms in a 2 s render"
log "recorded $notes notes up to ${last} ms"

# 4. Stopped early: a valid file as long as what was rendered, status 128 + the signal.
for signal in INT TERM; do
    file=$out/long-$signal.webm
    "$binary" --render "$file" --duration 600 --size 640x360 --start "Jagged Maze" \
        >"$E2E_WORK/stop-$signal.log" 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    # Pictures are being written: the temporary file beside the target grows.
    part_grown() { [ "$(find "$out" -name ".long-$signal.webm*" -size +200k | wc -l)" -gt 0 ]; }
    wait_for 60 part_grown || die "SIG$signal: the render did not get going"
    kill -"$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    expected=$((128 + $(kill -l "$signal")))
    [ "$status" -eq "$expected" ] || die "SIG$signal: status $status, not $expected"
    frames=$(decoded_frames "$file") || die "SIG$signal left no valid file"
    if [ "$frames" -le 0 ] || [ "$frames" -ge 18000 ]; then die "SIG$signal: $frames pictures"; fi
    seconds=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$file")
    awk -v s="$seconds" -v f="$frames" 'BEGIN { d = s - f / 30; exit !(d < 0.1 && d > -0.1) }' ||
        die "SIG$signal: $seconds s of file for $frames pictures"
    log "SIG$signal: $frames pictures, $seconds s, status $status"
done
[ "$(leftovers)" -eq 0 ] || die "temporary files left after a stop"

# 5. Bad input: one line naming it, status 2, nothing written.
bad=("show.avi|--duration 1|show.avi" "show.mp4|--duration 0|'0'"
    "show.mp4|--duration 1 --size 0x10|'0x10'" "show.mp4|--duration 1 --size 7682x4320|7682x4320"
    "show.mp4|--duration 1 --fps 121|'121'" "show.mp4|--duration 1 --start Nothing|'Nothing'"
    "nowhere/show.mp4|--duration 1|nowhere")
mkdir -p "$E2E_WORK/bad"
for row in "${bad[@]}"; do
    IFS='|' read -r target args named <<<"$row"
    status=0
    # shellcheck disable=SC2086
    "$binary" --render "$E2E_WORK/bad/$target" $args >"$E2E_WORK/bad.log" 2>&1 ||
        status=$?
    [ "$status" -eq 2 ] || die "--render $target $args: status $status, not 2"
    [ "$(wc -l <"$E2E_WORK/bad.log")" -eq 1 ] || die "--render $target $args: $(cat "$E2E_WORK/bad.log")"
    grep -qF -- "$named" "$E2E_WORK/bad.log" || die "--render $target $args does not name $named"
done
[ -z "$(ls -A "$E2E_WORK/bad")" ] || die "a bad render wrote $(ls -A "$E2E_WORK/bad")"
# A folder the user may not write, as an unprivileged user.
mkdir -p "$out/locked"
chmod 755 "$out/locked" "$out" "$E2E_WORK"
status=0
setpriv --reuid=nobody --regid=nogroup --clear-groups "$binary" --render "$out/locked/x.mp4" \
    --duration 1 >"$E2E_WORK/locked.log" 2>&1 || status=$?
if [ "$status" -ne 2 ] || ! grep -q "cannot be written" "$E2E_WORK/locked.log"; then
    die "a locked folder: status $status, $(cat "$E2E_WORK/locked.log")"
fi
log "bad input refused"

# 6. A disk that fills up: the render fails with a reason, an earlier file there stays as it
#    was and no temporary file is left.
full=$E2E_WORK/full
mkdir -p "$full"
if mount -t tmpfs -o size=600k tmpfs "$full" 2>/dev/null; then
    echo "earlier take" >"$full/show.mkv"
    status=0
    "$binary" --render "$full/show.mkv" --duration 60 --size 640x360 "${scene[@]:0:4}" \
        >"$E2E_WORK/full.log" 2>&1 || status=$?
    inside=$(ls -A "$full")
    kept=$(cat "$full/show.mkv")
    umount "$full"
    [ "$status" -eq 1 ] || die "a full disk: status $status; $(cat "$E2E_WORK/full.log")"
    grep -q "failed" "$E2E_WORK/full.log" || die "a full disk: $(cat "$E2E_WORK/full.log")"
    [ "$kept" = "earlier take" ] || die "a failed render replaced the earlier file"
    [ "$inside" = show.mkv ] || die "a failed render left: $inside"
    log "a full disk: refused with a reason, the earlier file kept"
else
    log "no tmpfs can be mounted here: the full-disk check is skipped"
fi

# 7. On a terminal a progress line; quiet otherwise (checked in 1).
script -qec "'$binary' --render '$out/tty.wav' --duration 5 --start Meteorites" /dev/null \
    >"$E2E_WORK/tty.log" 2>&1 || die "the render on a terminal failed"
grep -q "rendering.*%.*left" "$E2E_WORK/tty.log" || die "no progress line: $(cat "$E2E_WORK/tty.log")"
log "renders checked"
