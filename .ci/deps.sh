#!/usr/bin/env bash
# Installs the Debian 12 packages (and npm packages) a task needs, when any
# of them is missing. Runs as root (or through sudo when it is there).
#
#   bash .ci/deps.sh [GROUP...]      (no group: all of them, what the tests need)
#
#   sample    what building and running the sample takes: the compiler,
#             CMake, Ninja, the libraries the layer links, and the fonts
#   desktop   a virtual desktop to run a program on where there is no
#             display, and screenshots of it: Xvfb, openbox, xprop, import
#   windows   the cross build and Wine, with the ja_JP.UTF-8 locale
#             generated (Wine takes code page 932 from it)
#   web       the browser build: Debian's Emscripten, fontTools, and a
#             deb-src entry for apt (FreeType for the browser is built from
#             Debian's source package)
#   dev       the dev preset and the tests that need no desktop
#             (tests/run.sh --quick): sample, with GoogleTest (and
#             GoogleMock), Google Benchmark, clang for the literal step's
#             clang build, and ImageMagick's compare for the replay
#   tests     all of the above, and GoogleTest (with GoogleMock), Google
#             Benchmark, clang for the fuzzer, xdotool, Chromium, and the page
#             tests' npm packages as their lock file names them (tests/web)
set -euo pipefail
cd "$(dirname "$0")/.."

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(tests)
packages=()
want_sources=0 want_locale=0 want_npm=0
add() {
  case $1 in
  sample)
    packages+=(g++ cmake ninja-build pkg-config
               libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev fontconfig libpng-dev
               fonts-ipafont-mincho fonts-ipafont-gothic) ;;
  desktop)
    packages+=(xvfb openbox x11-utils imagemagick) ;;
  windows)
    packages+=(g++-mingw-w64-x86-64 wine wine64 locales)
    want_locale=1 ;;
  web)
    packages+=(emscripten dpkg-dev fonttools python3)
    want_sources=1 ;;
  dev)
    add sample
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev clang-14 imagemagick) ;;
  tests)
    add dev; add sample; add desktop; add windows; add web
    packages+=(libgtest-dev libgmock-dev googletest libbenchmark-dev xdotool clang-14 libclang-rt-14-dev
               chromium nodejs)
    # npm comes with some builds of nodejs; Debian's is a package of its own.
    command -v npm >/dev/null || packages+=(npm)
    want_npm=1 ;;
  *)
    echo "deps.sh: unknown group '$1' (sample, desktop, windows, web, dev, tests)" >&2
    exit 2 ;;
  esac
}
for g in "${groups[@]}"; do add "$g"; done

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# A deb-src entry beside every deb entry of Debian's own archives.
has_sources() {
  grep -Eqs '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
    /etc/apt/sources.list.d/*.sources
}
updated=0
if [ "$want_sources" = 1 ] && ! has_sources; then
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
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  [ "$updated" = 1 ] || $sudo apt-get update -q >/dev/null
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine makes its ANSI code page 932 from LANG=ja_JP.UTF-8, and shows the
# Japanese titles and texts right only where that locale exists; Debian
# installs none but C.UTF-8.
if [ "$want_locale" = 1 ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "Generating the ja_JP.UTF-8 locale"
  $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

# The page tests' packages, again whenever the lock file changes.
web=tests/web
if [ "$want_npm" = 1 ] && ! cmp -s "$web/package-lock.json" "$web/node_modules/.qx-installed-lock" 2>/dev/null; then
  echo "Installing the page tests' npm packages"
  (cd "$web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null && cp package-lock.json node_modules/.qx-installed-lock)
fi
