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

# A prefix made while Wine had no 32-bit half has an empty syswow64; once the
# 32-bit half (wine32:i386, which runs the 32-bit setup program) is installed,
# every program in such a prefix fails to load kernel32.dll, and `wineboot -u`
# does not mend it: the prefix is made anew.
wine_prefix_usable() {
  local prefix="$1"
  [ -f "$prefix/system.reg" ] || return 1
  if [ -x /usr/lib/wine/wine ] && [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
    return 1
  fi
  return 0
}

# Makes the prefix named by WINEPREFIX when it is missing or unusable.
make_wine_prefix() {
  if ! wine_prefix_usable "$WINEPREFIX"; then
    if [ -d "$WINEPREFIX" ]; then
      wineserver -k >/dev/null 2>&1 || true
      wineserver -w >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX"
    fi
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
}

ensure_wine() {
  mkdir -p "$BUILD"
  make_wine_prefix
  # One persistent wineserver for the whole run: every process start is then cheap.
  (setsid wineserver -p >/dev/null 2>&1 &) || true
  # Start the prefix's services (rpcss, services.exe, ...) now, detached from
  # any output pipe: a test runner waiting for its child's output to close
  # would otherwise wait for these long-lived processes too.
  setsid wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
