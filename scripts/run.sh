#!/usr/bin/env bash
# Installs what Kelmot needs, builds it, installs it into the program folder and starts it there.
# The program folder defaults to ~/Kelmot; set KELMOT_HOME to use another one. Installing again
# replaces the program but never the store (Mileage.mdb) already in the folder. A desktop entry
# for the user (~/.local/share/applications/kelmot.desktop) puts Kelmot in the desktop's menu.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
home="${KELMOT_HOME:-$HOME/Kelmot}"
build="${KELMOT_BUILD_DIR:-$here/build-release}"

"$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKELMOT_BUILD_TESTS=OFF -DKELMOT_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
cmake --install "$build" --prefix "$home"
home="$(cd "$home" && pwd)"
applications="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
"$here/scripts/desktop-entry.sh" "$home" "$applications/kelmot.desktop"
if command -v update-desktop-database >/dev/null 2>&1; then
  update-desktop-database "$applications" >/dev/null 2>&1 || true
fi
exec "$home/kelmot"
