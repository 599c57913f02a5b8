#!/usr/bin/env python3
"""Checks that the product folders form layers: each folder includes headers only from itself and
from the folders in the rows before its own in the README's first folder table (the lowest layer
first), so the folder-level include graph has no cycle. Prints every include that breaks the order
and exits with status 1 when there is one."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
table_row = re.compile(r"^\| `([a-z]+)/` \|")


def first_table(lines):
    started = False
    for line in lines:
        if line.startswith("|"):
            started = True
            yield line
        elif started:
            return


readme = (root / "README.md").read_text().splitlines()
layers = [m.group(1) for line in first_table(readme) if (m := table_row.match(line))]
rank = {folder: i for i, folder in enumerate(layers)}
include = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')

faults = []
for folder in layers:
    for source in sorted((root / folder).glob("*")):
        if source.suffix not in (".h", ".cpp"):
            continue
        for number, line in enumerate(source.read_text().splitlines(), 1):
            m = include.match(line)
            if m and m.group(1) in rank and rank[m.group(1)] > rank[folder]:
                faults.append(f"{source.relative_to(root)}:{number}: includes {m.group(1)}/, which stands above {folder}/")

if len(layers) < 2:
    faults.append("README.md: no folder table found")
print("\n".join(faults) if faults else "layers: " + " < ".join(layers))
sys.exit(1 if faults else 0)
