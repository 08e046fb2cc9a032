#!/usr/bin/env bash
# Configures and builds everything (client, theme, reference engine, tests).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
bash "$ROOT/scripts/bootstrap.sh"
export RR_DEPS="$ROOT/build/_deps"
[ -d "$RR_DEPS/pugixml" ] || RR_DEPS="$BUILD/_deps"
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$BUILD" -j "$(nproc)" "$@"
