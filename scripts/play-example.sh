#!/usr/bin/env bash
# Installs what is missing, builds, packs the example show and shows what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh build
./build/demopack pack examples/show/project.json -o build/content.dat
./build/demopack info build/content.dat
