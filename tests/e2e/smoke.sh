#!/usr/bin/env bash
# End-to-end: starts the real kelmot from a temporary program folder under a private X server,
# waits for its window, asks it to end as a desktop session would (SIGTERM) and checks that it
# closes cleanly with status 0; then the same on an empty store, ending at the first-run dialog.
set -euo pipefail
kelmot="$1"
seed="$2"
newstore="$3"

work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Settings and caches stay inside the temporary folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export LANG=en_GB.UTF-8 QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 display <&"$fd" || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$display"

failures=0
run_case() {
  local name="$1" folder="$2"
  "$folder/kelmot" >"$work/$name.log" 2>&1 &
  local pid=$!
  if ! timeout 30 xdotool search --sync --onlyvisible --pid "$pid" >/dev/null 2>&1; then
    echo "FAIL: $name: no window appeared"; kill -9 "$pid" 2>/dev/null || true; failures=$((failures + 1)); return
  fi
  # The seeded case waits for the main window itself, after the splash.
  if [ "$name" = seeded ] && ! timeout 30 xdotool search --sync --onlyvisible --name '^Kelmot$' >/dev/null 2>&1; then
    echo "FAIL: $name: the main window did not appear"; kill -9 "$pid"; failures=$((failures + 1)); return
  fi
  kill -TERM "$pid"
  local status=0
  timeout 30 tail --pid="$pid" -f /dev/null || { echo "FAIL: $name: still running after SIGTERM"; kill -9 "$pid"; failures=$((failures + 1)); return; }
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "FAIL: $name: ended with status $status"; cat "$work/$name.log"; failures=$((failures + 1)); return
  fi
  echo "PASS: $name"
}

mkdir -p "$work/seeded" "$work/empty"
cp "$kelmot" "$work/seeded/" && cp "$kelmot" "$work/empty/"
"$seed" seed "$work/seeded/Mileage.mdb"
"$newstore" "$work/empty/Mileage.mdb"
before="$(md5sum < "$work/seeded/Mileage.mdb")"

run_case seeded "$work/seeded"
run_case empty "$work/empty"

# Clean closing: the store reads back, unchanged by merely looking at it, with no journal left.
[ "$("$seed" check "$work/seeded/Mileage.mdb")" = "KM02 XYZ" ] || { echo "FAIL: seeded store does not read back"; failures=$((failures + 1)); }
[ "$(md5sum < "$work/seeded/Mileage.mdb")" = "$before" ] || { echo "FAIL: looking at the store changed it"; failures=$((failures + 1)); }
[ ! -e "$work/seeded/Mileage.mdb-journal" ] || { echo "FAIL: a journal was left behind"; failures=$((failures + 1)); }
[ -z "$("$seed" check "$work/empty/Mileage.mdb")" ] || { echo "FAIL: the cancelled first run stored something"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ]
