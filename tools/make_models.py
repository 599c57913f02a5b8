#!/usr/bin/env python3
"""Writes the GLB models of the example show (and of the model tests) into
examples/show/resources: a skinned bar of three joints that bends, two cubes moved by node
animations (one of them stepped), and a textured cube. Run from anywhere; needs only Python."""
import json
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "show", "resources")
FLOAT, UBYTE, USHORT = 5126, 5121, 5123


class Glb:
    """Collects accessors over one binary buffer and writes the GLB container."""

    def __init__(self):
        self.binary = bytearray()
        self.views, self.accessors = [], []

    def _view(self, data, target=None):
        self.binary += b"\x00" * (-len(self.binary) % 4)
        view = {"buffer": 0, "byteOffset": len(self.binary), "byteLength": len(data)}
        if target:
            view["target"] = target
        self.binary += data
        self.views.append(view)
        return len(self.views) - 1

    def accessor(self, kind, values, component=FLOAT, target=None, bounds=False):
        fmt = {FLOAT: "f", UBYTE: "B", USHORT: "H"}[component]
        flat = [v for item in values for v in (item if isinstance(item, (tuple, list)) else (item,))]
        view = self._view(struct.pack("<%d%s" % (len(flat), fmt), *flat), target)
        acc = {"bufferView": view, "componentType": component, "count": len(values), "type": kind}
        if bounds:
            width = len(values[0]) if isinstance(values[0], (tuple, list)) else 1
            columns = [[(v if isinstance(v, (tuple, list)) else (v,))[k] for v in values] for k in range(width)]
            acc["min"], acc["max"] = [min(c) for c in columns], [max(c) for c in columns]
        self.accessors.append(acc)
        return len(self.accessors) - 1

    def image(self, png_bytes):
        return self._view(png_bytes)

    def write(self, path, gltf):
        gltf.update({"asset": {"version": "2.0", "generator": "tools/make_models.py"},
                     "buffers": [{"byteLength": len(self.binary)}], "bufferViews": self.views,
                     "accessors": self.accessors})
        text = json.dumps(gltf, separators=(",", ":")).encode()
        text += b" " * (-len(text) % 4)
        binary = bytes(self.binary) + b"\x00" * (-len(self.binary) % 4)
        body = struct.pack("<I", len(text)) + b"JSON" + text + struct.pack("<I", len(binary)) + b"BIN\x00" + binary
        with open(path, "wb") as f:
            f.write(b"glTF" + struct.pack("<II", 2, 12 + len(body)) + body)


def box(lo, hi, uv=False):
    """Positions, normals, (uvs) and indices of an axis-aligned box, four vertices per face."""
    faces = [((1, 0, 0), (0, 1, 0)), ((-1, 0, 0), (0, 1, 0)), ((0, 1, 0), (0, 0, -1)),
             ((0, -1, 0), (0, 0, 1)), ((0, 0, 1), (0, 1, 0)), ((0, 0, -1), (0, 1, 0))]
    centre = [(lo[k] + hi[k]) / 2 for k in range(3)]
    half = [(hi[k] - lo[k]) / 2 for k in range(3)]
    pos, nor, tex, idx = [], [], [], []
    for n, up in faces:
        side = (up[1] * n[2] - up[2] * n[1], up[2] * n[0] - up[0] * n[2], up[0] * n[1] - up[1] * n[0])
        base = len(pos)
        for a, b in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            pos.append(tuple(centre[k] + half[k] * (n[k] + a * side[k] + b * up[k]) for k in range(3)))
            nor.append(n)
            tex.append(((a + 1) / 2, (1 - b) / 2))
        idx += [base, base + 1, base + 2, base, base + 2, base + 3]
    return (pos, nor, tex, idx) if uv else (pos, nor, idx)


def quat_z(degrees):
    half = math.radians(degrees) / 2
    return (0.0, 0.0, math.sin(half), math.cos(half))


def material(colour, **extra):
    pbr = {"baseColorFactor": list(colour), "metallicFactor": 0.0, "roughnessFactor": 0.5}
    pbr.update(extra)
    return {"pbrMetallicRoughness": pbr}


def skinned_bar(path):
    """A 0.4-thick bar from y=0 to y=3 on joints at y=0, 1, 2; animation "bend" turns joints 1
    and 2 about z by 0, 35, 0, -35, 0 degrees at times 0..4 (LINEAR)."""
    pos, nor, idx = [], [], []
    rings = 7
    for r in range(rings):  # rings of a square tube, 0.5 apart
        y = r * 0.5
        for x, z in ((-0.2, -0.2), (0.2, -0.2), (0.2, 0.2), (-0.2, 0.2)):
            pos.append((x, y, z))
            nor.append((x / 0.2, 0.0, z / 0.2))
    for r in range(rings - 1):
        for s in range(4):
            a, b = r * 4 + s, r * 4 + (s + 1) % 4
            idx += [a, b + 4, b, a, a + 4, b + 4]
    for cap, flip in ((0, False), ((rings - 1) * 4, True)):
        tri = [cap, cap + 1, cap + 2, cap, cap + 2, cap + 3]
        idx += tri[::-1] if flip else tri
    joints, weights = [], []
    for x, y, z in pos:
        j = min(int(y), 2)
        f = y - j
        if 0 < j and f < 0.25:  # blend across the joint
            joints.append((j - 1, j, 0, 0))
            weights.append((0.5, 0.5, 0.0, 0.0))
        else:
            joints.append((j, 0, 0, 0))
            weights.append((1.0, 0.0, 0.0, 0.0))
    g = Glb()
    attributes = {"POSITION": g.accessor("VEC3", pos, bounds=True), "NORMAL": g.accessor("VEC3", nor),
                  "JOINTS_0": g.accessor("VEC4", joints, UBYTE), "WEIGHTS_0": g.accessor("VEC4", weights)}
    indices = g.accessor("SCALAR", idx, USHORT)
    ibm = [(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -j, 0, 1) for j in range(3)]
    inverse_bind = g.accessor("MAT4", ibm)
    times = g.accessor("SCALAR", [0.0, 1.0, 2.0, 3.0, 4.0], bounds=True)
    bend = g.accessor("VEC4", [quat_z(a) for a in (0, 35, 0, -35, 0)])
    g.write(path, {
        "scene": 0, "scenes": [{"nodes": [0, 1]}],
        "nodes": [{"name": "bar", "mesh": 0, "skin": 0}, {"name": "joint0", "children": [2]},
                  {"name": "joint1", "translation": [0, 1, 0], "children": [3]},
                  {"name": "joint2", "translation": [0, 1, 0]}],
        "skins": [{"name": "bar_skeleton", "joints": [1, 2, 3], "inverseBindMatrices": inverse_bind}],
        "meshes": [{"primitives": [{"attributes": attributes, "indices": indices, "material": 0}]}],
        "materials": [material((0.2, 0.7, 0.9, 1.0))],
        "animations": [{"name": "bend", "samplers": [{"input": times, "output": bend, "interpolation": "LINEAR"}],
                        "channels": [{"sampler": 0, "target": {"node": 2, "path": "rotation"}},
                                     {"sampler": 0, "target": {"node": 3, "path": "rotation"}}]}],
    })


def animated_cubes(path):
    """Two unit cubes and a static 12 x 0.2 x 12 ground (top at y=-1.5) under a root. Animation 0 "slide" moves cube 1 from x=-2 to x=2 and back
    (LINEAR, times 0..2) and turns it a quarter about z; animation 1 "hop" lifts cube 2 to
    y=1 for the second half of its time (STEP, times 0, 1, 2)."""
    g = Glb()
    pos, nor, idx = box((-0.5, -0.5, -0.5), (0.5, 0.5, 0.5))
    attributes = {"POSITION": g.accessor("VEC3", pos, bounds=True), "NORMAL": g.accessor("VEC3", nor)}
    indices = g.accessor("SCALAR", idx, USHORT)
    ground_pos, ground_nor, ground_idx = box((-6, -1.7, -6), (6, -1.5, 6))
    ground = {"POSITION": g.accessor("VEC3", ground_pos, bounds=True), "NORMAL": g.accessor("VEC3", ground_nor)}
    ground_indices = g.accessor("SCALAR", ground_idx, USHORT)
    slide_t = g.accessor("SCALAR", [0.0, 1.0, 2.0], bounds=True)
    slide = g.accessor("VEC3", [(-2, 0, 0), (2, 0, 0), (-2, 0, 0)])
    turn = g.accessor("VEC4", [quat_z(0), quat_z(90), quat_z(0)])
    hop_t = g.accessor("SCALAR", [0.0, 1.0, 2.0], bounds=True)
    hop = g.accessor("VEC3", [(0, -1, -2), (0, 1, -2), (0, 1, -2)])
    g.write(path, {
        "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"name": "root", "children": [1, 2, 3]}, {"name": "slider", "mesh": 0, "translation": [-2, 0, 0]},
                  {"name": "hopper", "mesh": 1, "translation": [0, -1, -2]}, {"name": "ground", "mesh": 2}],
        "meshes": [{"primitives": [{"attributes": attributes, "indices": indices, "material": 0}]},
                   {"primitives": [{"attributes": attributes, "indices": indices, "material": 1}]},
                   {"primitives": [{"attributes": ground, "indices": ground_indices, "material": 2}]}],
        "materials": [material((0.9, 0.3, 0.2, 1.0)), material((0.3, 0.9, 0.3, 1.0)), material((0.6, 0.6, 0.6, 1.0))],
        "animations": [
            {"name": "slide", "samplers": [{"input": slide_t, "output": slide}, {"input": slide_t, "output": turn}],
             "channels": [{"sampler": 0, "target": {"node": 1, "path": "translation"}},
                          {"sampler": 1, "target": {"node": 1, "path": "rotation"}}]},
            {"name": "hop", "samplers": [{"input": hop_t, "output": hop, "interpolation": "STEP"}],
             "channels": [{"sampler": 0, "target": {"node": 2, "path": "translation"}}]}],
    })


def png(width, height, pixel):
    rows = b"".join(b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
    body = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    body += chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    return b"\x89PNG\r\n\x1a\n" + body


def textured_cube(path):
    """A unit cube whose faces show a 2 x 2 texture: red and green on top, blue and white below."""
    quadrants = {(0, 0): (255, 0, 0, 255), (1, 0): (0, 255, 0, 255), (0, 1): (0, 0, 255, 255),
                 (1, 1): (255, 255, 255, 255)}
    g = Glb()
    pos, nor, tex, idx = box((-0.5, -0.5, -0.5), (0.5, 0.5, 0.5), uv=True)
    attributes = {"POSITION": g.accessor("VEC3", pos, bounds=True), "NORMAL": g.accessor("VEC3", nor),
                  "TEXCOORD_0": g.accessor("VEC2", tex)}
    indices = g.accessor("SCALAR", idx, USHORT)
    image = g.image(png(2, 2, lambda x, y: quadrants[(x, y)]))
    g.write(path, {
        "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"name": "cube", "mesh": 0}],
        "meshes": [{"primitives": [{"attributes": attributes, "indices": indices, "material": 0}]}],
        "materials": [material((1, 1, 1, 1), baseColorTexture={"index": 0})],
        "textures": [{"source": 0, "sampler": 0}],
        "samplers": [{"magFilter": 9728, "minFilter": 9728}],
        "images": [{"name": "quadrants", "bufferView": image, "mimeType": "image/png"}],
    })


def main():
    os.makedirs(OUT, exist_ok=True)
    skinned_bar(os.path.join(OUT, "bar_skinned.glb"))
    animated_cubes(os.path.join(OUT, "cubes_animated.glb"))
    textured_cube(os.path.join(OUT, "cube_textured.glb"))


if __name__ == "__main__":
    main()
