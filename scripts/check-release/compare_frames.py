#!/usr/bin/env python3
"""Compares two folders of rendered frames (PNG, same names) pixel by pixel, and their audio.wav
byte by byte. Usage: compare_frames.py REFERENCE OTHER TOLERANCE
A pixel differs when one of its channels differs by more than TOLERANCE (0 asks for identical
pictures); the folders match when no pixel differs and the sound is the same."""
import os
import sys

from PIL import Image, ImageChops


def frames(folder):
    return sorted(n for n in os.listdir(folder) if n.endswith(".png"))


def differing_pixels(a, b, tolerance):
    with Image.open(a) as x, Image.open(b) as y:
        if x.size != y.size:
            return x.size[0] * x.size[1], 255
        channels = ImageChops.difference(x.convert("RGBA"), y.convert("RGBA")).split()
    beyond = [c.point(lambda v: 255 if v > tolerance else 0) for c in channels]
    mask = beyond[0]
    for c in beyond[1:]:
        mask = ImageChops.lighter(mask, c)
    return mask.histogram()[255], max(c.getextrema()[1] for c in channels)


def main(reference, other, tolerance):
    names = frames(reference)
    if not names or names != frames(other):
        print("frames differ in number or name: %d against %d" % (len(names), len(frames(other))))
        return 1
    worst, count, largest = 0, 0, 0
    for name in names:
        pixels, channel = differing_pixels(os.path.join(reference, name), os.path.join(other, name), tolerance)
        worst, largest = max(worst, pixels), max(largest, channel)
        count += pixels > 0
    with open(os.path.join(reference, "audio.wav"), "rb") as a, open(os.path.join(other, "audio.wav"), "rb") as b:
        same_sound = a.read() == b.read()
    print("%d frames; %d with pixels beyond %d (at most %d pixels in a frame); largest channel difference %d; "
          "audio.wav %s" % (len(names), count, tolerance, worst, largest, "identical" if same_sound else "DIFFERS"))
    return 0 if count == 0 and same_sound else 1


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], int(sys.argv[3])))
