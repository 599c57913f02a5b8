#!/usr/bin/env bash
# Builds the release player and pack tool into release/: optimised, stripped, the C++ runtime
# linked in, and nothing beyond SDL2 and GL needed on the machine a show runs on (recording
# loads FFmpeg when asked to). release/LICENCES.txt holds the notices of what they contain.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_TARGET="demoplayer demopack" scripts/setup.sh build-release \
  -DCMAKE_BUILD_TYPE=Release -DDEMO_RELEASE=ON -DDEMO_TESTS=OFF -DDEMO_BENCH=OFF
mkdir -p release
cp build-release/demoplayer build-release/demopack release/
cp build-release/LICENCES.txt release/LICENCES.txt
ls -l release/demoplayer release/demopack
