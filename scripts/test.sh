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
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMOT_WERROR=ON)
[ "$sanitize" = 1 ] && options+=(-DKELMOT_SANITIZE=ON)
cmake -S "$here" -B "$build" "${options[@]}"
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
[ "$sanitize" = 1 ] && export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp"
(cd "$build" && ctest --output-on-failure -j"$(nproc)")

# The fuzzers: clang with libFuzzer, ASan and UBSan, a short bounded run of each.
fuzz="${build}-fuzz"
rm -rf "$fuzz"
CXX=clang++ cmake -S "$here" -B "$fuzz" -DKELMOT_FUZZ=ON -DKELMOT_WERROR=ON -DKELMOT_BUILD_TESTS=OFF \
  -DKELMOT_BUILD_BENCH=OFF -DFUZZ_SECONDS="${KELMOT_FUZZ_SECONDS:-20}"
cmake --build "$fuzz" -j"$(nproc)" --target kelmot_fuzzers
(cd "$fuzz" && ctest --output-on-failure)
