#!/usr/bin/env bash
# Installs what Kelmot needs, builds everything from scratch and runs every test offscreen.
# KELMOT_SANITIZE=1 builds and runs the whole suite with AddressSanitizer and UBSan.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
sanitize="${KELMOT_SANITIZE:-0}"
build="${KELMOT_BUILD_DIR:-$here/build-test}"
[ "$sanitize" = 1 ] && build="${build}-asan"

"$here/scripts/deps.sh"
rm -rf "$build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
[ "$sanitize" = 1 ] && options+=(-DKELMOT_SANITIZE=ON)
cmake -S "$here" -B "$build" "${options[@]}"
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)"
