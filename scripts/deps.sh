#!/usr/bin/env bash
# Installs the Debian packages Kelmot needs to build, run and test; skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fp-utils libchm-dev fonts-liberation2
  libbenchmark-dev libsqlite3-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool desktop-file-utils
  xdg-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
