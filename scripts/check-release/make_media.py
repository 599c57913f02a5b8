#!/usr/bin/env python3
"""Writes a show that uses every media format a project may hold into OUT_DIR: PNG, JPEG, TGA and
GIF textures, WAV, Ogg and FLAC samples, a font and a GLB, as three project files that differ only
in their music (a tracker module, Ogg Vorbis, MP3): show-mod.json, show-ogg.json, show-mp3.json.
Its timeline, which check_media.py relies on: 120 beats a minute; beats 0 to 1 show the four
textures in the screen's quarters under a white text, beats 1 to 6 the GLB's cube in the middle;
quiet music throughout, and the three loud samples at beats 2, 3 and 4.
Usage: make_media.py REPO OUT_DIR. Needs sox (with its MP3 writer) and Pillow."""
import base64
import json
import os
import shutil
import subprocess
import sys

from PIL import Image

BPM, END_BEAT = 120.0, 6.0
TEXTURES = ["resources/picture.png", "resources/picture.jpg", "resources/picture.tga", "resources/picture.gif"]
SAMPLES = ["resources/hit.wav", "resources/hit.ogg", "resources/hit.flac"]
MODEL = "resources/cube_textured.glb"
FROM_EXAMPLE = ["DejaVuSans-Bold.ttf", "cube_textured.glb", "stage.vert", "stage.frag"]

PICTURES_FRAG = """#version 150
// The four textures in the four quarters of the screen, the text over them.
uniform vec2 resolution;
uniform sampler2D tex, tex1, tex2, tex3, tex4;
out vec4 fragColor;

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    vec2 q = fract(uv * 2.0);
    vec4 c = uv.x < 0.5 ? (uv.y < 0.5 ? texture(tex, q) : texture(tex1, q))
                        : (uv.y < 0.5 ? texture(tex2, q) : texture(tex3, q));
    float text = texture(tex4, vec2(uv.x, 1.0 - uv.y)).a;
    fragColor = vec4(mix(c.rgb, vec3(1.0), text), 1.0);
}
"""

DEFAULT_VERT = """#version 150
in vec3 vp;

void main() {
    gl_Position = vec4(vp, 1.0);
}
"""


def pictures(res):
    # Each format gets its own pattern, so a texture decoded into the wrong slot shows.
    for i, path in enumerate(TEXTURES):
        image = Image.new("RGB", (64, 64))
        image.putdata([((x * 4 + i * 60) % 256, (y * 4) % 256, ((x ^ y) * 8 + i * 40) % 256)
                       for y in range(64) for x in range(64)])
        if path.endswith(".gif"):
            image = image.convert("P", palette=Image.ADAPTIVE, colors=64)
        image.save(os.path.join(res, os.path.basename(path)))


def sox(*args):
    subprocess.run(["sox", "-q", "-n", *args], check=True)


def sounds(res, out):
    for path in SAMPLES:
        depth = [] if path.endswith(".ogg") else ["-b", "16"]
        sox("-r", "44100", "-c", "1", *depth, os.path.join(res, os.path.basename(path)), "synth", "0.3", "square",
            "880", "fade", "0", "0.3", "0.25")
    for name, tones in (("music.ogg", ["220", "330"]), ("music.mp3", ["262", "392"])):
        sox("-r", "44100", "-c", "2", os.path.join(out, name), "synth", "3.5", "sine", tones[0], "sine", tones[1],
            "vol", "0.05")
    with open(os.path.join(out, "music.mod"), "wb") as f:
        f.write(module())


def module():
    """A four-channel module whose one pattern plays a looped square wave and jumps back after 9 rows."""
    data = bytearray(1084 + 1024)
    data[42:50] = bytes([2, 0, 0, 8, 0, 0, 2, 0])  # sample 1: 1024 bytes, volume 8 of 64, looped whole
    data[950], data[951] = 1, 127  # one position in the order list
    data[1080:1084] = b"M.K."
    data[1084:1088] = bytes([0x01, 0xAC, 0x10, 0x00])  # row 0: sample 1 at period 428
    data[1084 + 8 * 16:1084 + 8 * 16 + 4] = bytes([0x00, 0x00, 0x0B, 0x00])  # row 8: jump to position 0
    return bytes(data) + bytes(0xC0 if i // 16 % 2 else 0x40 for i in range(1024))


def track(value):
    return {"mode": 0, "repeat": False, "control_points": [{"beat": 0.0, "value": value}]}


def project(music):
    events = [
        {"type": 1, "name": "pictures", "effect": "pictures", "start_beat": 0.0, "end_beat": 1.0, "visible": "true",
         "control_points": {"label": {"mode": 0, "repeat": False, "control_points": [{"beat": 0.0, "text": "media"}]}}},
        {"type": 1, "name": "stage", "effect": "stage", "start_beat": 1.0, "end_beat": END_BEAT, "visible": "true",
         "control_points": {"ldX": track(0.57735), "ldY": track(0.57735), "ldZ": track(0.57735), "ldD": track(15.0)}},
    ]
    events += [{"type": 2, "name": "hit_%d" % i, "audio_sample": s, "beat": 2.0 + i, "visible": "true"}
               for i, s in enumerate(SAMPLES)]
    camera = {"position": [2.0, 1.5, 3.0], "direction": [0.0, 0.0, 0.0], "up": [0.0, 1.0, 0.0], "aspect": 1.7777778,
              "fov": 45.0, "znear": 0.1, "zfar": 100.0, "direction_mode": False}
    return {
        "bpm": BPM, "beat_offset": 0.0, "end_beat": END_BEAT, "music": base64.b64encode(music).decode(),
        "textures": [{"name": t} for t in TEXTURES],
        "audio_samples": [{"name": s} for s in SAMPLES],
        "fonts": [{"name": "font", "filename": "resources/DejaVuSans-Bold.ttf", "ptsize": 48}],
        "font_textures": [{"name": "label", "width": 512, "height": 128, "font": "font", "center": True}],
        "models": [{"name": MODEL}],
        "scenes": [{"name": "stage", "camera": camera, "root_node": {"name": "cube", "model": MODEL},
                    "camera_scene_only_direction": False}],
        "shaders": [
            {"vertex_shader_filename": "resources/default.vert", "fragment_shader_filename": "resources/pictures.frag",
             "uniform_defs": []},
            {"vertex_shader_filename": "resources/stage.vert", "fragment_shader_filename": "resources/stage.frag",
             "uniform_defs": [{"name": "skinned", "min_val": 0.0, "max_val": 1.0, "default_val": 0.0}]},
        ],
        "effects": [
            {"name": "pictures", "program": "resources/pictures.frag", "textures": TEXTURES, "font_textures": ["label"]},
            {"name": "stage", "program": "resources/stage.frag", "scene": "stage"},
        ],
        "events": events,
    }


def main(repo, out):
    res = os.path.join(out, "resources")
    os.makedirs(res, exist_ok=True)
    for name in FROM_EXAMPLE:
        shutil.copy(os.path.join(repo, "examples", "show", "resources", name), res)
    for name, text in (("pictures.frag", PICTURES_FRAG), ("default.vert", DEFAULT_VERT)):
        with open(os.path.join(res, name), "w") as f:
            f.write(text)
    pictures(res)
    sounds(res, out)
    for kind in ("mod", "ogg", "mp3"):
        with open(os.path.join(out, "music." + kind), "rb") as f:
            music = f.read()
        with open(os.path.join(out, "show-%s.json" % kind), "w") as f:
            json.dump(project(music), f, indent=1)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
