#!/usr/bin/env bash
# Installs what the build, the sample and the tests need, when any of it is
# missing: Debian 12 packages (the browser build's Emscripten and Chromium
# among them), a deb-src entry for apt (the browser build takes FreeType from
# Debian's source package), and the page tests' npm packages, as their lock
# file names them (tests/web). Runs as root (or through sudo when it is there).
# With --dev, only what the dev preset's build and its tests need (the
# native build, and the tests that need no desktop): tests/run.sh --quick.
set -euo pipefail
cd "$(dirname "$0")/.."

# The dev preset: the native build with its tests (GoogleTest, Google
# Benchmark, clang for the literal step's clang build), the fonts the tests
# draw with, and ImageMagick's compare for the replay.
packages=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev fontconfig libpng-dev
  libgtest-dev libbenchmark-dev
  fonts-ipafont-mincho fonts-ipafont-gothic
  imagemagick clang-14
)
dev=0
[ "${1:-}" = --dev ] && dev=1
if [ "$dev" = 0 ]; then
  # The virtual desktop, the Windows build and Wine, the fuzzer, the
  # packages, and the browser build with its page tests.
  packages+=(
    xvfb openbox xdotool x11-utils
    g++-mingw-w64-x86-64 googletest wine wine64
    libclang-rt-14-dev
    emscripten dpkg-dev fonttools chromium nodejs
  )
  # npm comes with some builds of nodejs; Debian's is a package of its own.
  command -v npm >/dev/null || packages+=(npm)
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# A deb-src entry beside every deb entry of Debian's own archives.
has_sources() {
  grep -Eqs '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
    /etc/apt/sources.list.d/*.sources
}
updated=0
if [ "$dev" = 0 ] && ! has_sources; then
  echo "Adding deb-src entries for apt"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && grep -q debian-archive-keyring "$f" || continue
    sed 's/^Types: deb$/Types: deb-src/' "$f" | $sudo tee "/etc/apt/sources.list.d/qx-src-$(basename "$f")" >/dev/null
  done
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $sudo tee /etc/apt/sources.list.d/qx-src.list >/dev/null
  fi
  $sudo apt-get update -q >/dev/null
  updated=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  [ "$updated" = 1 ] || $sudo apt-get update -q >/dev/null
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

# The page tests' packages, again whenever the lock file changes.
web=tests/web
if [ "$dev" = 0 ] && ! cmp -s "$web/package-lock.json" "$web/node_modules/.qx-installed-lock" 2>/dev/null; then
  echo "Installing the page tests' npm packages"
  (cd "$web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null && cp package-lock.json node_modules/.qx-installed-lock)
fi
