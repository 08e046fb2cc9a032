#!/usr/bin/env bash
# Builds everything and runs every test under Wine (Xvfb when no display).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
bash "$ROOT/scripts/build.sh"
source "$ROOT/scripts/env.sh"
ensure_display
ensure_wine
cd "$BUILD"
ctest --output-on-failure "$@"
# The README's run command, checked the same way a person would use it.
bash "$ROOT/scripts/run.sh" --check
