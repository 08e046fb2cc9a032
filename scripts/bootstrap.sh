#!/usr/bin/env bash
# Idempotent machine set-up for building and testing under Wine.
# Installs Debian packages, fetches Debian's pugixml source, prepares a Wine
# prefix inside the build folder, and keeps a wineserver and Xvfb running.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
THIRD="$BUILD/_deps"
SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"

PKGS=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
      mingw-w64-tools mingw-w64-x86-64-dev wine wine64 libwine xvfb xauth fonts-wine
      librsvg2-bin nsis imagemagick dpkg-dev cmake ninja-build python3 googletest x11-utils
      clang-format fonts-dejavu-core
      libz-mingw-w64-dev clamav clamav-testfiles)

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# Source packages need deb-src lines; derive them from the machine's own sources.
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources 2>/dev/null &&
   ! grep -qs '^deb-src' /etc/apt/sources.list 2>/dev/null; then
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee -a /etc/apt/sources.list >/dev/null || true
  fi
  NEED_UPDATE=1
fi

if [ ${#missing[@]} -gt 0 ] || [ "${NEED_UPDATE:-0}" = 1 ] || [ ! -d "$THIRD/pugixml" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO dpkg --add-architecture i386 2>/dev/null || true
  $SUDO apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

# pugixml from Debian's source package, built later by CMake with our toolchain.
if [ ! -f "$THIRD/pugixml/src/pugixml.cpp" ]; then
  mkdir -p "$THIRD/src-pugixml"
  (cd "$THIRD/src-pugixml" && apt-get source -qq --download-only pugixml >/dev/null 2>&1 || apt-get source -qq pugixml >/dev/null)
  (cd "$THIRD/src-pugixml" && for d in *.dsc; do dpkg-source -x --no-check "$d" x >/dev/null 2>&1 || true; done)
  rm -rf "$THIRD/pugixml"
  mv "$THIRD/src-pugixml/x" "$THIRD/pugixml"
  rm -rf "$THIRD/src-pugixml"
fi

# The posix thread model is required (std::thread, std::mutex).
for t in x86_64-w64-mingw32-g++ x86_64-w64-mingw32-gcc; do
  if [ -e "/usr/bin/$t-posix" ]; then
    cur="$(readlink -f "/usr/bin/$t" || true)"
    case "$cur" in *posix*) ;; *) $SUDO update-alternatives --set "$t" "/usr/bin/$t-posix" >/dev/null 2>&1 || true ;; esac
  fi
done

# shellcheck source=env.sh
source "$ROOT/scripts/env.sh"
ensure_display
ensure_wine
