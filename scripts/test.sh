#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the unit tests, the GL tests
# under a virtual X server, and the content-reader corruption test under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh build
SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1280x720x24" ctest --test-dir build --output-on-failure -j2

# The reader must survive every truncation and byte flip without a sanitizer report.
CC=clang CXX=clang++ BUILD_TARGET=unit_tests scripts/setup.sh build-asan -DDEMO_SANITIZE=ON -DDEMO_BENCH=OFF
ctest --test-dir build-asan --output-on-failure -j2 -R 'Corruption|Codec|Value'
