#!/usr/bin/env bash
# Refreshes the README's pictures in docs/ with the snapshot tool, which is
# built first when it is missing or out of date.
#
#   bash scripts/docs.sh
#
# Each picture is one PNG written by one snapshot scene (tools/snapshot). The
# script fails, and leaves docs/ as it was, when a scene is unknown to the tool
# or does not write the picture asked of it.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
DOCS="$ROOT/docs"

# scene:picture, in the README's order.
PICTURES=(
  overview_and_scan_pages:overview_green
  scanning_midscan_threats:scanning_midscan_threats
  results_page_expanded:results_page_expanded
  quarantine_page:quarantine_page_filled
  settings_schedules:settings_schedules
)

log() { echo "docs.sh: $*" >&2; }

bash "$ROOT/scripts/build.sh" --target snapshot
source "$ROOT/scripts/env.sh"
ensure_display
ensure_wine

scenes=()
for p in "${PICTURES[@]}"; do
  scene="${p%%:*}"
  case " ${scenes[*]} " in *" $scene "*) ;; *) scenes+=("$scene") ;; esac
done

# A folder of this run's own, so that no picture of an earlier run passes for one.
RENDERED="$BUILD/docs-snapshots"
rm -rf "$RENDERED"
mkdir -p "$RENDERED"
status=0
(cd "$BUILD" && wine out/snapshot.exe --out "$(winepath -w "$RENDERED")" "${scenes[@]}") \
  >"$RENDERED/snapshot.log" 2>&1 || status=$?
tr -d '\r' <"$RENDERED/snapshot.log" >&2

failed=0
for scene in "${scenes[@]}"; do
  if ! tr -d '\r' <"$RENDERED/snapshot.log" | grep -qx "scene $scene"; then
    log "the snapshot tool has no scene '$scene'"
    failed=1
  fi
done
for p in "${PICTURES[@]}"; do
  scene="${p%%:*}"
  picture="${p#*:}"
  if [ ! -s "$RENDERED/$picture.png" ]; then
    log "scene '$scene' did not write $picture.png"
    failed=1
  fi
done
if [ "$status" != 0 ] || [ "$failed" != 0 ]; then
  log "docs/ left unchanged (snapshot tool exit code $status)"
  exit 1
fi

mkdir -p "$DOCS"
for p in "${PICTURES[@]}"; do
  picture="${p#*:}"
  cp "$RENDERED/$picture.png" "$DOCS/$picture.png"
  log "docs/$picture.png"
done
