#!/usr/bin/env python3
"""Writes the alert the game-info dialog plays when a slot frees: game/servers/game_ready.wav.

Two soft chimes a fourth apart, rising (E5 then A5). Each chime is a sine with a quiet octave
partial, a short attack so it starts without a click and an exponential decay; the second
overlaps the tail of the first. 16-bit PCM mono at 22050 Hz, about 0.7 s (some 30 KB). Only the
standard library is used and nothing depends on the clock or on chance, so running the script
again gives the same bytes.

    python3 tools/make_sound.py [--out FILE]
"""

import argparse
import math
import os
import struct
import sys
import wave

RATE = 22050
LENGTH = 0.7  # seconds
PEAK = 0.45  # of full scale: an alert, not an alarm

# (start in seconds, frequency in Hz, gain)
CHIMES = (
    (0.00, 659.25, 1.0),
    (0.16, 880.00, 0.9),
)
ATTACK = 0.012  # seconds
DECAY = 7.0  # per second: the chime falls to about 1/e in 0.14 s
OCTAVE_PARTIAL = 0.18  # level of the partial an octave up, for a bell-like colour
FADE_OUT = 0.05  # seconds: the file ends in silence


def chime(t, frequency):
    """One chime at `t` seconds after its start."""
    if t < 0.0:
        return 0.0
    envelope = (t / ATTACK if t < ATTACK else 1.0) * math.exp(-DECAY * t)
    phase = 2.0 * math.pi * frequency * t
    return envelope * (math.sin(phase) + OCTAVE_PARTIAL * math.sin(2.0 * phase))


def samples():
    count = int(RATE * LENGTH)
    scale = PEAK / (1.0 + OCTAVE_PARTIAL)
    for i in range(count):
        t = i / RATE
        value = sum(gain * chime(t - start, frequency) for start, frequency, gain in CHIMES)
        remaining = (count - 1 - i) / RATE
        if remaining < FADE_OUT:
            value *= remaining / FADE_OUT
        yield max(-32767, min(32767, round(value * scale * 32767)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, os.pardir, "game", "servers", "game_ready.wav")
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=default, help="the WAV file to write")
    args = parser.parse_args()

    frames = b"".join(struct.pack("<h", s) for s in samples())
    with wave.open(args.out, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)
    print(f"wrote {os.path.normpath(args.out)} ({len(frames) // 2} samples)", file=sys.stderr)


if __name__ == "__main__":
    main()
