#!/usr/bin/env bash
# Builds everything, registers the reference engine and starts the program
# with the default theme.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
bash "$ROOT/scripts/build.sh"
source "$ROOT/scripts/env.sh"
ensure_display
ensure_wine
cd "$BUILD/out"
for engine in *Engine*.exe; do
  [ -f "$engine" ] && wine "$engine" /regserver || true
done
echo "Display $DISPLAY, Wine prefix $WINEPREFIX"
exec wine ./RodeRedud.exe "$@"
