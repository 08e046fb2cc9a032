#!/usr/bin/env bash
# Builds everything, registers the reference engine and starts the program
# with the default theme, in a demo Wine prefix of its own (build/demoprefix).
#
#   bash scripts/run.sh [program switches...]   start the program
#   bash scripts/run.sh --fresh [...]           reset the demo to a first run (profile key,
#                                               engine data, planted file, the prefix's
#                                               wineserver), then start
#   bash scripts/run.sh --check                 start, wait for the painted main window,
#                                               end it with /shutdown; exit 0 on success
#
# The demo prefix keeps its user folders (Desktop, Documents, Downloads, ...)
# inside the prefix instead of linking them to the home folder, so the first
# run's quick scan walks a small, known profile. On a first run the standard
# antivirus test file is planted in Downloads for that scan to find.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"

FRESH=0
CHECK=0
ARGS=()
for a in "$@"; do
  case "$a" in
    --fresh) FRESH=1 ;;
    --check) CHECK=1 ;;
    *) ARGS+=("$a") ;;
  esac
done

bash "$ROOT/scripts/build.sh"
source "$ROOT/scripts/env.sh"
export WINEPREFIX="$BUILD/demoprefix"
ensure_display
ensure_wine

APP_TITLE="RodeRedud Anti-Malware"
PROFILE_KEY='HKCU\Software\RodeRedud Software\RodeRedud Anti-Malware'
OUT="$BUILD/out"
WUSER="$(wine cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r\n')"
[ -n "$WUSER" ] || WUSER="$(id -un)"
PROFILE_DIR="$WINEPREFIX/drive_c/users/$WUSER"
DOWNLOADS="$PROFILE_DIR/Downloads"
PLANTED="$DOWNLOADS/eicar-demo.com"
ENGINE_DATA="$WINEPREFIX/drive_c/ProgramData/RodeRedud/Engine"

log() { echo "run.sh: $*" >&2; }

# Ends a running program and the engine, so that nothing holds the profile.
stop_program() {
  (cd "$OUT" && timeout 30 wine ./RodeRedud.exe /shutdown >/dev/null 2>&1) || true
  (cd "$OUT" && timeout 30 wine ./RodeRedudEngine.exe /stop >/dev/null 2>&1) || true
}

# The prefix's user folders become real folders of the prefix.
own_user_folders() {
  local d
  for d in Desktop Documents Downloads Music Pictures Videos Templates; do
    if [ -L "$PROFILE_DIR/$d" ]; then
      rm -f "$PROFILE_DIR/$d"
    fi
    mkdir -p "$PROFILE_DIR/$d"
  done
}

first_run() {
  ! wine reg query "$PROFILE_KEY" /v RunCount /reg:64 >/dev/null 2>&1
}

plant_test_file() {
  # The standard 68-byte antivirus test file, written in two halves.
  local head='X5O!P%@AP[4\PZX54(P^)7CC)7}$'
  local tail='EICAR-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*'
  printf '%s%s' "$head" "$tail" >"$PLANTED"
}

# Back to a first run: no profile key, no engine data, the test file planted.
reset_first_run() {
  wine reg delete "$PROFILE_KEY" /f /reg:64 >/dev/null 2>&1 || true
  rm -rf "$ENGINE_DATA"
  rm -f "$PLANTED"
  plant_test_file
}

# Process ids of the program and the engine running in the demo prefix.
demo_processes() {
  local pid
  for pid in $(pgrep -f 'RodeRedud(Engine)?\.exe' || true); do
    if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
    fi
  done
}

own_user_folders
if [ "$FRESH" = 1 ]; then
  stop_program
  # A fresh wineserver for the prefix: an engine that was killed rather than
  # stopped stays known to the prefix's COM service until then, and every
  # call to the engine would fail.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  ensure_wine
  reset_first_run
  log "demo reset to a first run"
fi

WAS_FIRST_RUN=0
if first_run; then
  WAS_FIRST_RUN=1
  plant_test_file
fi

(cd "$OUT" && for engine in *Engine*.exe; do
  [ -f "$engine" ] && wine "$engine" /regserver || true
done)

if [ "$CHECK" = 0 ]; then
  cat <<EOF
Display $DISPLAY, Wine prefix $WINEPREFIX.
What to try: on a first run the program starts a quick scan at once, and that
scan finds the standard antivirus test file planted in the demo profile's
Downloads folder. Clean it from the results page, find it on the quarantine
tab and restore it from there. Ignore it instead to see the ignore list, or
change the scan schedules on the settings tab. Closing the window keeps the
program in the notification area; 'bash scripts/run.sh --fresh' starts the
demo over.
EOF
  cd "$OUT"
  exec wine ./RodeRedud.exe "${ARGS[@]}"
fi

# --check: the program must come up with its main window painted, then end
# through the shutdown switch.
main_window() {
  xwininfo -display "$DISPLAY" -root -tree 2>/dev/null |
    awk -v t="\"$APP_TITLE\"" 'index($0, t) && /[0-9]+x[0-9]+\+/ && !/ 1x1\+/ {print $1; exit}'
}

painted() {
  local id="$1" sd
  sd="$(import -display "$DISPLAY" -window "$id" -colorspace gray -format '%[fx:standard_deviation]' info: 2>/dev/null || echo 0)"
  awk -v s="$sd" 'BEGIN { exit !(s > 0.02) }'
}

stop_program
(cd "$OUT" && setsid wine ./RodeRedud.exe "${ARGS[@]}" </dev/null >/dev/null 2>&1 &)
ok=0
for _ in $(seq 1 240); do
  id="$(main_window || true)"
  if [ -n "$id" ] && painted "$id"; then
    ok=1
    break
  fi
  sleep 0.5
done
if [ "$ok" = 1 ]; then
  log "main window $id painted"
else
  log "the main window did not appear within 120 s"
fi
(cd "$OUT" && timeout 60 wine ./RodeRedud.exe /shutdown >/dev/null 2>&1) || true
ended=0
for _ in $(seq 1 120); do
  if [ -z "$(main_window || true)" ]; then
    ended=1
    break
  fi
  sleep 0.5
done
if [ "$ended" = 0 ]; then
  log "the program did not end after /shutdown"
  ok=0
fi
(cd "$OUT" && timeout 30 wine ./RodeRedudEngine.exe /stop >/dev/null 2>&1) || true
# The check does not use up the demo's first run: once the program and the
# engine have ended, what they stored is taken away again.
if [ "$WAS_FIRST_RUN" = 1 ]; then
  for _ in $(seq 1 60); do
    [ -z "$(demo_processes)" ] && break
    sleep 0.5
  done
  if [ -n "$(demo_processes)" ]; then
    log "the program or the engine is still running; the demo's first run is used up"
  else
    reset_first_run
  fi
fi
[ "$ok" = 1 ] && log "check passed"
[ "$ok" = 1 ]
