#!/usr/bin/python3
"""Prints the messages of a Standard MIDI File, read with mido, one a line:
<milliseconds from the start> <status byte in hex> <data bytes in decimal>...
Checks on the way that the file is format 0 with one track, 500 ticks a beat and a tempo of
500000 microseconds a beat, so that a tick is one millisecond."""
import sys

import mido


def main(path):
    f = mido.MidiFile(path)
    if f.type != 0 or len(f.tracks) != 1:
        sys.exit(f"{path}: format {f.type} with {len(f.tracks)} tracks, not format 0 with one")
    if f.ticks_per_beat != 500:
        sys.exit(f"{path}: {f.ticks_per_beat} ticks a beat, not 500")
    tick = 0
    tempo = None
    ended = False
    for message in f.tracks[0]:
        tick += message.time
        if message.is_meta:
            if message.type == "set_tempo":
                tempo = message.tempo
            ended = message.type == "end_of_track"
            continue
        data = message.bytes()
        print(tick, "%02X" % data[0], *data[1:])
    if tempo != 500000:
        sys.exit(f"{path}: tempo {tempo}, not 500000")
    if not ended:
        sys.exit(f"{path}: the track does not end with an end-of-track event")


if __name__ == "__main__":
    main(sys.argv[1])
