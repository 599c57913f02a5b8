#!/usr/bin/env python3
"""Makes the example show's media: synthesised music and click, a palette texture and a cube
model. Run from anywhere; writes into examples/show/resources. Needs lame for the MP3 encoding."""
import json
import math
import os
import random
import struct
import subprocess
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "show", "resources")
RATE = 44100
BPM = 120.0
BEATS = 72


def write_wav(path, frames):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        data = bytearray()
        for left, right in frames:
            data += struct.pack("<hh", clamp16(left), clamp16(right))
        w.writeframes(bytes(data))


def clamp16(x):
    return max(-32767, min(32767, int(x * 32767)))


def music_frames():
    beat_len = 60.0 / BPM
    total = int(BEATS * beat_len * RATE)
    rng = random.Random(3)
    bass_notes = [55.0, 55.0, 65.41, 49.0]
    chord = [220.0, 277.18, 329.63]
    for i in range(total):
        t = i / RATE
        beat = t / beat_len
        pos = beat % 1.0
        bar = int(beat // 4)
        kick = math.sin(2 * math.pi * (50 + 120 * math.exp(-pos * 25)) * pos * beat_len) * math.exp(-pos * 6)
        hat = (rng.random() * 2 - 1) * math.exp(-((beat * 2) % 1.0) * 30) * 0.15
        bass_f = bass_notes[bar % 4]
        bass = math.sin(2 * math.pi * bass_f * t) * 0.25 * (0.6 + 0.4 * math.exp(-pos * 3))
        pad = sum(math.sin(2 * math.pi * f * (1 + 0.5 * (bar % 2) / 12) * t) for f in chord) * 0.05
        lead = 0.0
        if beat >= 16:
            note = [440.0, 523.25, 659.25, 587.33][int(beat * 2) % 4]
            lead = math.sin(2 * math.pi * note * t) * 0.08 * math.exp(-((beat * 2) % 1.0) * 4)
        mix = 0.55 * kick + hat + bass + pad + lead
        yield mix + 0.3 * lead, mix - 0.3 * lead


def click_frames():
    n = int(0.25 * RATE)
    for i in range(n):
        t = i / RATE
        s = math.sin(2 * math.pi * 1760 * t) * math.exp(-t * 18) * 0.6
        yield s, s


def png(path, width, height, pixel):
    rows = b"".join(b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
    body = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    body += chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + body)


def palette(x, y):
    u, v = x / 63.0, y / 63.0
    return (int(255 * (0.5 + 0.5 * math.cos(6.28 * (u + 0.0)))),
            int(255 * (0.5 + 0.5 * math.cos(6.28 * (u + 0.33)))),
            int(255 * (0.5 + 0.5 * math.cos(6.28 * (v + 0.67)))), 255)


def cube_glb(path):
    faces = [((1, 0, 0), (0, 1, 0)), ((-1, 0, 0), (0, 1, 0)), ((0, 1, 0), (0, 0, 1)),
             ((0, -1, 0), (0, 0, 1)), ((0, 0, 1), (0, 1, 0)), ((0, 0, -1), (0, 1, 0))]
    positions, normals, indices = [], [], []
    for n, up in faces:
        side = (n[1] * up[2] - n[2] * up[1], n[2] * up[0] - n[0] * up[2], n[0] * up[1] - n[1] * up[0])
        base = len(positions)
        for a, b in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            positions.append(tuple(0.5 * (n[k] + a * side[k] + b * up[k]) for k in range(3)))
            normals.append(n)
        indices += [base, base + 1, base + 2, base, base + 2, base + 3]
    pos_bytes = b"".join(struct.pack("<3f", *p) for p in positions)
    nor_bytes = b"".join(struct.pack("<3f", *n) for n in normals)
    idx_bytes = b"".join(struct.pack("<H", i) for i in indices)
    idx_bytes += b"\x00" * (-len(idx_bytes) % 4)
    binary = pos_bytes + nor_bytes + idx_bytes
    gltf = {
        "asset": {"version": "2.0", "generator": "example make_assets.py"},
        "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0, "name": "cube"}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1}, "indices": 2, "material": 0}]}],
        "materials": [{"pbrMetallicRoughness": {"baseColorFactor": [0.9, 0.4, 0.2, 1.0], "metallicFactor": 0.1,
                                                "roughnessFactor": 0.6}}],
        "buffers": [{"byteLength": len(binary)}],
        "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": len(pos_bytes), "target": 34962},
                        {"buffer": 0, "byteOffset": len(pos_bytes), "byteLength": len(nor_bytes), "target": 34962},
                        {"buffer": 0, "byteOffset": len(pos_bytes) + len(nor_bytes), "byteLength": len(indices) * 2,
                         "target": 34963}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 24, "type": "VEC3",
                       "min": [-0.5, -0.5, -0.5], "max": [0.5, 0.5, 0.5]},
                      {"bufferView": 1, "componentType": 5126, "count": 24, "type": "VEC3"},
                      {"bufferView": 2, "componentType": 5123, "count": len(indices), "type": "SCALAR"}],
    }
    text = json.dumps(gltf, separators=(",", ":")).encode()
    text += b" " * (-len(text) % 4)
    body = struct.pack("<I", len(text)) + b"JSON" + text + struct.pack("<I", len(binary)) + b"BIN\x00" + binary
    with open(path, "wb") as f:
        f.write(b"glTF" + struct.pack("<II", 2, 12 + len(body)) + body)


def main():
    os.makedirs(OUT, exist_ok=True)
    wav = os.path.join(OUT, "music.wav")
    write_wav(wav, music_frames())
    subprocess.run(["lame", "--quiet", "-V", "6", wav, os.path.join(OUT, "music.mp3")], check=True)
    os.remove(wav)
    write_wav(os.path.join(OUT, "click.wav"), click_frames())
    png(os.path.join(OUT, "palette.png"), 64, 64, palette)
    cube_glb(os.path.join(OUT, "cube.glb"))


if __name__ == "__main__":
    main()
