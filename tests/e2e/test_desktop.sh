#!/usr/bin/env bash
# The real program on a real X server and audio server (ZELPHOR_E2E_SOUND: pulseaudio or
# pipewire): splash and jingle at a level near other desktop sound, the full-screen
# main window, Spectral Flood drawing and playing, F freezing both, P hiding and showing the
# panel, Q ending the program cleanly and at once.
#   $1  the zelphor executable
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
need_tools Xvfb xdpyinfo xdotool import convert pactl parec od
export QT_QPA_PLATFORM=xcb HOME=$E2E_WORK/home
mkdir -p "$HOME"
unset ZELPHOR_SOUNDFONT

# Design layout on 1024 x 768: the surface above, the panel from y = 611.
surface=1024x594+0+0
panel=1024x157+0+611
spectral_flood=(444 663) # the sixth effect button's centre
quiet=40                 # peak level counted as silence (of 32768)
loud=300                 # peak level counted as sound
jingle_loud=8231         # -12 dBFS: the jingle is as loud as other desktop sound

start_x
start_sound_server
start_recording
start_app "$binary"

# Splash (a small window titled Zelphor) and the two-note jingle while it shows.
wait_for 20 small_window_named Zelphor || die "no splash window"
log "splash: window $FOUND_WINDOW, $(geometry_of "$FOUND_WINDOW")"
jingle_start=$(audio_bytes)
wait_for_sound 10 "$loud" || die "the jingle was not heard on the sink"
# The mixer lists the program under its own name.
pactl list sink-inputs | grep 'application.name = "Zelphor"' >/dev/null ||
    die "the sound server does not know the stream as Zelphor: $(pactl list sink-inputs | grep application.name)"

# The main window covers the screen.
wait_for 20 window_with_geometry Zelphor "0 0 1024 768" ||
    die "no full-screen window titled Zelphor"
main=$FOUND_WINDOW
log "main window $main"
splash_gone() { ! small_window_named Zelphor; }
wait_for 10 splash_gone || die "the splash is still showing beside the main window"

# Let the jingle's last note die away, so what follows is the effect's own sound.
wait_for_silence 15 "$quiet" || die "the sink does not fall silent after the jingle"
jingle_peak=$(peak_between "$jingle_start" "$(audio_bytes)")
log "jingle peak $jingle_peak"
[ "$jingle_peak" -ge "$jingle_loud" ] || die "the jingle is faint: peak $jingle_peak"
[ "$jingle_peak" -lt 32767 ] || die "the jingle clips"
before=$(clear_screenshot before)
[ "$(lit_pixels "$before" "$panel")" -gt 1000 ] || die "the panel is not drawn: $before"
lit=$(lit_pixels "$before" "$surface")
[ "$lit" -eq 0 ] || die "the surface is not black at start ($lit pixels lit)"

# Spectral Flood draws lines on the surface and plays notes.
click_at "${spectral_flood[@]}"
drawn() {
    local shot
    shot=$(clear_screenshot flood)
    [ "$(lit_pixels "$shot" "$surface")" -gt 500 ]
}
wait_for 5 drawn || die "Spectral Flood drew nothing on the surface"
wait_for_sound 5 "$loud" || die "Spectral Flood made no sound"

# F stops the drawing and the sound within a second.
press_key f
sleep 1
first=$(clear_screenshot frozen-a)
sleep 0.5
second=$(clear_screenshot frozen-b)
changed=$(changed_pixels "$first" "$second" "$surface")
[ "$changed" -eq 0 ] || die "the surface still changes after F ($changed pixels)"
peak=$(peak_over 0.5)
[ "$peak" -le "$quiet" ] || die "the sink is not silent a second after F (peak $peak)"
log "frozen: picture still, peak $peak"
[ "$(lit_pixels "$second" "$surface")" -gt 500 ] || die "the picture went away with F"

# P hides the panel and shows it again.
panel_black() { [ "$(lit_pixels "$(clear_screenshot panel-hidden)" "$panel")" -eq 0 ]; }
panel_shown() { [ "$(lit_pixels "$(clear_screenshot panel-shown)" "$panel")" -gt 1000 ]; }
press_key p
wait_for 3 panel_black || die "P did not hide the panel"
press_key p
wait_for 3 panel_shown || die "a second P did not show the panel again"

# Q ends the program with status 0 at once, though Spectral Flood's notes have just sounded.
click_at "${spectral_flood[@]}"
wait_for_sound 5 "$loud" || die "Spectral Flood made no sound the second time"
quit_promptly q
expect_exit_status 0
echo "PASS: $E2E_NAME"
