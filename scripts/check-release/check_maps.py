#!/usr/bin/env python3
"""Fails when a player mapped a shared library from outside the dependency closure of the given
runtime packages in a Debian root. Usage: check_maps.py ROOT MAPS PACKAGE...
MAPS holds lines of /proc/PID/maps read inside ROOT (several samples may be concatenated)."""
import glob
import os
import re
import sys

LIBRARY = re.compile(r"\.so(\.[0-9.]+)?$")
MAX_LINKS = 40


def stanzas(root):
    with open(os.path.join(root, "var/lib/dpkg/status"), encoding="utf-8") as f:
        for block in f.read().split("\n\n"):
            fields = dict(re.findall(r"^([\w-]+): (.*)$", block, re.M))
            if fields.get("Status", "").endswith(" installed"):
                yield fields


def names(field):
    """Every package named in a Depends-style field, alternatives included."""
    return {re.split(r"[\s(:]", alt.strip(), maxsplit=1)[0] for alt in re.split(r"[,|]", field) if alt.strip()}


def closure(root, wanted):
    depends, providers = {}, {}
    for s in stanzas(root):
        depends[s["Package"]] = names(s.get("Depends", "") + "," + s.get("Pre-Depends", ""))
        for virtual in names(s.get("Provides", "")) | {s["Package"]}:
            providers.setdefault(virtual, set()).add(s["Package"])
    found, todo = set(), list(wanted)
    while todo:
        for package in providers.get(todo.pop(), ()):
            if package not in found:
                found.add(package)
                todo.extend(depends[package])
    return found


def resolve(root, path):
    """The path with every symbolic link resolved as if ROOT were /, as the maps show it."""
    for _ in range(MAX_LINKS):
        parts, current = path.strip("/").split("/"), ""
        for i, part in enumerate(parts):
            link = os.path.join(root, (current + "/" + part).lstrip("/"))
            if os.path.islink(link):
                target = os.readlink(link)
                base = target if target.startswith("/") else current + "/" + target
                path = os.path.normpath("/".join([base] + parts[i + 1:]))
                break
            current += "/" + part
        else:
            return current
    return path


def owners(root):
    """Every package that lists each library file, by real path (a -dev package's link counts too)."""
    owner = {}
    for listing in glob.glob(os.path.join(root, "var/lib/dpkg/info/*.list")):
        package = os.path.basename(listing)[:-len(".list")].split(":")[0]
        with open(listing, encoding="utf-8", errors="replace") as f:
            for line in f:
                if LIBRARY.search(line.strip()):
                    owner.setdefault(resolve(root, line.strip()), set()).add(package)
    return owner


def main(root, maps, wanted):
    allowed = closure(root, wanted)
    owner = owners(root)
    mapped = set()
    with open(maps, encoding="utf-8", errors="replace") as f:
        for line in f:
            fields = line.split(None, 5)
            if len(fields) == 6 and LIBRARY.search(fields[5].strip()):
                mapped.add(fields[5].strip())
    if not any("libSDL2-2.0.so" in m for m in mapped):
        sys.exit("no maps of a running player were recorded")
    outside = sorted(m for m in mapped if not owner.get(resolve(root, m), set()) & allowed)
    for m in outside:
        print("%s (%s)" % (m, ", ".join(sorted(owner.get(resolve(root, m), {"no package"})))))
    print("%d libraries mapped, %d outside the closure of %d packages" % (len(mapped), len(outside), len(allowed)))
    return 1 if outside else 0


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))
