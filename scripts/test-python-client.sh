#!/usr/bin/env bash
# Runs examples/python/list_notes.py (ctypes) against the libnorvane_c.so.0
# of an installed prefix: seeds a database with the prefix's seed_notes in a
# home of its own, and checks that the script lists its 50 demo notes, both
# from the default path and from a path given, and that a database that
# cannot be opened gives the library's message and exit status 1:
#   scripts/test-python-client.sh <install prefix>
# scripts/test-install.sh runs it.
set -euo pipefail
prefix=$(realpath "$1")
cd "$(dirname "$0")/.."
lib=$(find "$prefix" -name libnorvane_c.so.0 -print -quit)
[ -n "$lib" ] || { echo "$prefix has no libnorvane_c.so.0" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_DATA_HOME=$tmp/xdg NORVANE_DATA_DIR=$tmp/data
mkdir "$HOME"
"$prefix/bin/seed_notes" >/dev/null

script=examples/python/list_notes.py
python3 "$script" "$lib" | scripts/check-note-list.sh "$script"
python3 "$script" "$lib" "$NORVANE_DATA_DIR/Norvane/norvane.db" | scripts/check-note-list.sh "$script"

# A folder is no database: the error's message, not a traceback.
status=0
python3 "$script" "$lib" "$tmp" >/dev/null 2>"$tmp/err" || status=$?
if [ "$status" -ne 1 ] || ! grep -q '^list_notes.py: ' "$tmp/err" || grep -q Traceback "$tmp/err"; then
  echo "$script on a folder exited with $status and said:" >&2
  cat "$tmp/err" >&2
  exit 1
fi
echo "The Python client lists the notes through libnorvane_c.so."
