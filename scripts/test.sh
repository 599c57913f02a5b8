#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the unit tests, the GL tests
# under a virtual X server, the release programs, and the content-reader corruption test under
# ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
xvfb=(xvfb-run -a -s "-screen 0 1280x720x24")

scripts/setup.sh build
SDL_AUDIODRIVER=dummy "${xvfb[@]}" ctest --test-dir build --output-on-failure -j2

# The release programs need nothing a bare system with SDL2 and GL lacks, pass the tests that run
# our programs as processes, and play what either build's pack tool packs.
scripts/release.sh
tools/check_needed.sh release/demoplayer release/demopack
DEMO_TOOL_DIR="$PWD/release" SDL_AUDIODRIVER=dummy "${xvfb[@]}" ctest --test-dir build --output-on-failure -j2 \
  -R 'PlayerProcessGLTest|RecorderGLTest|ScriptShowGLTest|ProjectCheck|DemoTest\.(PackTool|ShowExecutable)'
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for pack in build release; do
  "$pack/demopack" pack examples/minimal/project.json -o "$scratch/$pack.dat"
  for player in build release; do
    SDL_AUDIODRIVER=dummy "${xvfb[@]}" "$player/demoplayer" --window 160x90 --end 2 "$scratch/$pack.dat"
    echo "packed by $pack/demopack, played by $player/demoplayer: ok"
  done
done

# The reader must survive every truncation and byte flip without a sanitizer report.
CC=clang CXX=clang++ BUILD_TARGET=unit_tests scripts/setup.sh build-asan -DDEMO_SANITIZE=ON -DDEMO_BENCH=OFF
ctest --test-dir build-asan --output-on-failure -j2 -R 'Corruption|Codec|Value'
