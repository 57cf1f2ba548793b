#!/usr/bin/env bash
# The desktop entry the run command installs: written for a program folder whose path needs
# quoting, valid under desktop-file-validate, starting that folder's kelmot, showing its icon.
set -euo pipefail
writer="$1"
kelmot="$2"
icon="$3"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
folder="$work/Program Files \$HOME \"Kelmot\""
mkdir -p "$folder"
cp "$kelmot" "$folder/kelmot"
cp "$icon" "$folder/kelmot.png"
entry="$work/share/applications/kelmot.desktop"

"$writer" "$folder" "$entry"
desktop-file-validate "$entry"

fail() { echo "FAIL: $*"; cat "$entry"; exit 1; }
grep -qx 'Name=Kelmot' "$entry" || fail "no Name=Kelmot"
grep -qx 'Categories=Utility;' "$entry" || fail "no Categories=Utility;"
grep -qx "Icon=$folder/kelmot.png" "$entry" || fail "Icon is not the folder's kelmot.png"
# Exec read back as a launcher does: string unescaping, then the quoted argument's own escapes.
exec_line="$(sed -n 's/^Exec=//p' "$entry")"
program="$(python3 - "$exec_line" <<'PY'
import re, sys
value = re.sub(r"\\(.)", lambda m: {"s": " ", "n": "\n", "t": "\t", "r": "\r"}.get(m[1], m[1]), sys.argv[1])
if value.startswith('"'):
    end = re.match(r'"((?:[^"\\]|\\.)*)"', value)
    print(re.sub(r'\\(["`$\\])', r"\1", end[1]))
else:
    print(value.split(" ")[0])
PY
)"
[ "$program" = "$folder/kelmot" ] || fail "Exec starts '$program'"
[ -x "$program" ] || fail "Exec's program is not executable"
[ "$(head -c 8 "$folder/kelmot.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "the icon is not a PNG file"
echo "desktop entry valid: $entry"
