#!/usr/bin/env python3
"""Checks that a player decoded every medium of make_media.py's show, from what it rendered with
--frames DIR --fps 10 --end 6: each texture lights its quarter, the text is drawn, the GLB's cube
stands in the middle, the music sounds, and each sample is loud over it.
Usage: check_media.py DIR"""
import array
import os
import sys
import wave

from PIL import Image, ImageStat

FPS, BEATS_PER_SECOND = 10, 2.0
TEXTURES = ["PNG (lower left)", "JPEG (upper left)", "TGA (lower right)", "GIF (upper right)"]
SAMPLE_BEATS = {"WAV": 2.0, "Ogg": 3.0, "FLAC": 4.0}
DARK = 24  # mean level below which a region counts as black


def frame(folder, beat):
    return Image.open(os.path.join(folder, "frame_%06d.png" % round(beat / BEATS_PER_SECOND * FPS))).convert("RGB")


def mean(image, box):
    return sum(ImageStat.Stat(image.crop(box)).mean) / 3


def picture_faults(folder):
    faults = []
    pictures = frame(folder, 0.4)
    w, h = pictures.size
    quarters = [(0, h // 2, w // 2, h), (0, 0, w // 2, h // 2), (w // 2, h // 2, w, h), (w // 2, 0, w, h // 2)]
    faults += ["the %s texture is black" % t for t, box in zip(TEXTURES, quarters) if mean(pictures, box) < DARK]
    if sum(1 for p in pictures.getdata() if min(p) >= 250) < 50:
        faults.append("the font drew no text")
    if mean(frame(folder, 2.0), (w * 2 // 5, h * 2 // 5, w * 3 // 5, h * 3 // 5)) < DARK:
        faults.append("the GLB's cube is not in the middle")
    return faults


def loudness(samples, rate, start, seconds):
    """The largest RMS of 50 ms windows in [start, start + seconds)."""
    window, best = rate // 20, 0.0
    for first in range(int(start * rate), int((start + seconds) * rate) - window, window // 2):
        part = samples[first:first + window]
        best = max(best, (sum(v * v for v in part) / max(len(part), 1)) ** 0.5)
    return best


def sound_faults(folder):
    with wave.open(os.path.join(folder, "audio.wav")) as w:
        if w.getsampwidth() != 2:
            return ["audio.wav is not 16-bit"]
        rate, channels = w.getframerate(), w.getnchannels()
        samples = array.array("h", w.readframes(w.getnframes()))[::channels]
    music = loudness(samples, rate, 0.2, 0.7)
    faults = [] if music > 30 else ["the music is silent"]
    for name, beat in SAMPLE_BEATS.items():
        if loudness(samples, rate, beat / BEATS_PER_SECOND, 0.45) < 4 * max(music, 30):
            faults.append("the %s sample is not heard" % name)
    return faults


def main(folder):
    faults = picture_faults(folder) + sound_faults(folder)
    print("; ".join(faults) if faults else "4 textures, the text, the GLB, the music and 3 samples seen and heard")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
