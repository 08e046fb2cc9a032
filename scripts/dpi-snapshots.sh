#!/usr/bin/env bash
# Renders the main window on every tab, and its close-to-tray popup, once per
# screen resolution, to compare how labels and buttons fit:
#
#   bash scripts/dpi-snapshots.sh [dpi ...]        (default: 96 144)
#
# Writes build/snapshots/main_window_*_<dpi>dpi.png. The resolution is Wine's
# LogPixels setting of the build's prefix; the wineserver is restarted for each
# value, and the setting the prefix had is put back at the end.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
DPIS=("$@")
[ ${#DPIS[@]} -gt 0 ] || DPIS=(96 144)

bash "$ROOT/scripts/build.sh" --target snapshot
source "$ROOT/scripts/env.sh"
ensure_display
ensure_wine

KEY='HKCU\Control Panel\Desktop'
before="$(wine reg query "$KEY" /v LogPixels 2>/dev/null | tr -d '\r' |
          awk '/LogPixels/ {print $3}')" || true

set_dpi() {
  wine reg add "$KEY" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  ensure_wine
}

restore() {
  if [ -n "$before" ]; then
    set_dpi "$((before))"
  else
    wine reg delete "$KEY" /v LogPixels /f >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
}
trap restore EXIT

for dpi in "${DPIS[@]}"; do
  set_dpi "$dpi"
  (cd "$BUILD" && wine out/snapshot.exe main_window)
done
