#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the unit tests, the GL tests
# under a virtual X server, the release programs, and the reader's, the scripts' and the player's
# checks under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
xvfb=(xvfb-run -a -s "-screen 0 1280x720x24")

scripts/setup.sh build
SDL_AUDIODRIVER=dummy "${xvfb[@]}" ctest --test-dir build --output-on-failure -j2

# The release programs need nothing a bare system with SDL2 and GL lacks, pass the tests that run
# our programs as processes, and play what either build's pack tool packs.
scripts/release.sh
tools/check_needed.sh release/demoplayer release/demopack
# The comparisons of the offline mix with the live player's sound test the mixing, which is the
# same code in both builds, and depend on the live audio thread's timing: they run once, above.
DEMO_TOOL_DIR="$PWD/release" SDL_AUDIODRIVER=dummy "${xvfb[@]}" ctest --test-dir build --output-on-failure -j2 \
  -R 'PlayerProcessGLTest|RecorderGLTest|ScriptShowGLTest|ProjectCheck|DemoTest\.(PackTool|ShowExecutable)' \
  -E 'RecorderGLTest\.(OfflineMixMatchesTheLiveMix|ModuleMusicMatchesTheLivePlayer)'
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for pack in build release; do
  "$pack/demopack" pack examples/minimal/project.json -o "$scratch/$pack.dat"
  for player in build release; do
    SDL_AUDIODRIVER=dummy "${xvfb[@]}" "$player/demoplayer" --window 160x90 --end 2 "$scratch/$pack.dat"
    echo "packed by $pack/demopack, played by $player/demoplayer: ok"
  done
done

# Without a sanitizer report: the reader survives every truncation and byte flip, the model load
# its hostile files, scripts every limit they are pushed to, and the player plays the example's
# first beats, scripts included.
CC=clang CXX=clang++ BUILD_TARGET="unit_tests demoplayer" scripts/setup.sh build-asan -DDEMO_SANITIZE=ON -DDEMO_BENCH=OFF
ctest --test-dir build-asan --output-on-failure -j2 -R 'Corruption|Codec|Value|Script|ModelGuards|ModelChecks'
build/demopack pack examples/show/project.json -o build-asan/content.dat
# Leaks are not looked for in the player: the GL driver and SDL keep theirs until exit.
ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy "${xvfb[@]}" build-asan/demoplayer --window 320x180 --end 4 build-asan/content.dat
