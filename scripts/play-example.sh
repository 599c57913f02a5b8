#!/usr/bin/env bash
# Installs what is missing, builds, packs the example show into build/content.dat and plays it
# (under a virtual X server with silent audio when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_TARGET="demoplayer demopack" scripts/setup.sh build
./build/demopack pack examples/show/project.json -o build/content.dat
./build/demopack info build/content.dat
cd build
if [ -z "${DISPLAY:-}" ]; then
  SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} xvfb-run -a -s "-screen 0 1280x720x24" ./demoplayer
else
  ./demoplayer
fi
