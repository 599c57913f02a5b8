#!/usr/bin/env bash
# Installs the Debian packages the player needs, then configures and builds it.
# Usage: scripts/setup.sh [build-dir] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true

packages=(cmake ninja-build pkg-config g++ clang libclang-rt-14-dev patch ca-certificates
  libsdl2-dev libglew-dev libglm-dev nlohmann-json3-dev duktape-dev libstb-dev
  libfreetype-dev libpng-dev zlib1g-dev libbrotli-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth fonts-dejavu-core assimp-testmodels libcli11-dev binutils ccache
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev libegl-mesa0)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# ccache, with paths taken relative to the checkout, lets another clone or build folder on the same
# machine reuse what was compiled before.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
# BUILD_TARGET: the targets to build (space-separated); all when unset.
cmake --build "$build" -j"$(nproc)" ${BUILD_TARGET:+--target $BUILD_TARGET}
