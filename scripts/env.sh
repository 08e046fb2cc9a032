# Sourced by the project scripts: a Wine prefix inside the build folder,
# a persistent wineserver and an X display (Xvfb when none is set).
ROOT="${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
BUILD="${BUILD_DIR:-$ROOT/build}"
export WINEPREFIX="$BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

ensure_display() {
  if [ -z "${DISPLAY:-}" ] || ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    export DISPLAY=:93
    if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
      (Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &)
      for _ in $(seq 1 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
    fi
  fi
}

ensure_wine() {
  mkdir -p "$BUILD"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  # One persistent wineserver for the whole run: every process start is then cheap.
  (setsid wineserver -p >/dev/null 2>&1 &) || true
  # Start the prefix's services (rpcss, services.exe, ...) now, detached from
  # any output pipe: a test runner waiting for its child's output to close
  # would otherwise wait for these long-lived processes too.
  setsid wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
