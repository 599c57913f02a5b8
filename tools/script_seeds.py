#!/usr/bin/env python3
"""Writes each script of a project file as a seed for the script engine's fuzzer: the name, a
line break, then the source. Usage: script_seeds.py project.json out-dir"""
import json
import pathlib
import sys

project, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
out.mkdir(parents=True, exist_ok=True)
for script in json.loads(project.read_text()).get("scripts", []):
    (out / (script["name"] + ".js")).write_text(script["name"] + "\n" + script["source"])
