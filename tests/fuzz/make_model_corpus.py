#!/usr/bin/env python3
"""Seeds the model fuzzer: copies every GLB and turns every text glTF below the given folders into
a GLB (external buffers and images become data URIs), since the player only parses GLB.
Usage: make_model_corpus.py OUT_DIR FOLDER..."""
import base64, json, pathlib, struct, sys


def embedded(gltf_path):
    doc = json.loads(gltf_path.read_text(encoding="utf-8"))
    for item in doc.get("buffers", []) + doc.get("images", []):
        uri = item.get("uri")
        if not uri or uri.startswith("data:"):
            continue
        source = gltf_path.parent / uri
        if source.is_file():
            item["uri"] = "data:application/octet-stream;base64," + base64.b64encode(source.read_bytes()).decode()
    text = json.dumps(doc).encode()
    text += b" " * (-len(text) % 4)
    return b"glTF" + struct.pack("<II", 2, 20 + len(text)) + struct.pack("<I", len(text)) + b"JSON" + text


def main():
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    count = 0
    for folder in map(pathlib.Path, sys.argv[2:]):
        for path in sorted(folder.rglob("*")):
            try:
                data = path.read_bytes() if path.suffix.lower() == ".glb" else embedded(path) if path.suffix == ".gltf" else None
            except (ValueError, UnicodeDecodeError):
                continue
            if data is not None and len(data) < 4 << 20:
                (out / f"{count:04d}.glb").write_bytes(data)
                count += 1
    print(f"{count} seeds in {out}")


if __name__ == "__main__":
    main()
