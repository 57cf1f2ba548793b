#!/usr/bin/env bash
# Writes the desktop entry that starts an installed Kelmot from the desktop's menu:
#   desktop-entry.sh PROGRAM_FOLDER ENTRY_FILE
# PROGRAM_FOLDER holds kelmot and kelmot.png; the entry names both by their absolute paths.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: desktop-entry.sh PROGRAM_FOLDER ENTRY_FILE" >&2; exit 2; }
folder="$(cd "$1" && pwd)"
entry="$2"

# A value of the entry: backslashes doubled, line breaks refused (the format has no room for them).
escape_value() {
  case "$1" in *$'\n'*) echo "desktop-entry.sh: a line break in a path" >&2; exit 1 ;; esac
  printf '%s' "${1//\\/\\\\}"
}

# Exec's program path: quoted when it holds anything but plain characters, with ", `, $ and \
# escaped inside the quotes; % doubled so no field code is read into it.
exec_argument() {
  local path="${1//%/%%}"
  if [[ "$path" =~ ^[A-Za-z0-9/._+-]+$ ]]; then
    printf '%s' "$path"
  else
    path="${path//\\/\\\\}"
    path="${path//\"/\\\"}"
    path="${path//\`/\\\`}"
    path="${path//\$/\\\$}"
    escape_value "\"$path\""
  fi
}

mkdir -p "$(dirname "$entry")"
tmp="$entry.tmp.$$"
{
  echo "[Desktop Entry]"
  echo "Type=Application"
  echo "Version=1.4"
  echo "Name=Kelmot"
  echo "GenericName=Vehicle Logbook"
  echo "Comment=Keep a log of your vehicles' mileage, fuel and maintenance"
  echo "Exec=$(exec_argument "$folder/kelmot")"
  echo "TryExec=$(escape_value "$folder/kelmot")"
  echo "Icon=$(escape_value "$folder/kelmot.png")"
  echo "Terminal=false"
  echo "Categories=Utility;"
} >"$tmp"
mv -f "$tmp" "$entry"
