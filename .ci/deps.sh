#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the sample and the tests need,
# when any is missing. Runs as root (or through sudo when it is there).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev fontconfig libpng-dev
  libgtest-dev libbenchmark-dev
  fonts-ipafont-mincho fonts-ipafont-gothic
  xvfb openbox xdotool x11-utils imagemagick
  g++-mingw-w64-x86-64 googletest wine wine64
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q >/dev/null
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
