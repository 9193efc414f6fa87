#!/usr/bin/env bash
# Reads what list_notes printed (standard input) and checks that it is the
# 50 demo notes that seed_notes inserts, one line each (line ends LF or CRLF):
#   program | scripts/check-note-list.sh <name for the messages>
set -euo pipefail
name=${1:-list_notes}
out=$(tr -d '\r')
count=$(grep -c '' <<<"$out" || true)
if [ "$count" -ne 50 ]; then
  echo "$name listed $count notes, not 50:" >&2
  printf '%s\n' "$out" >&2
  exit 1
fi
for line in $'Sprint 42 Goals & Priorities 🎯\tactive' \
            $'[Archived] Completed MVP: Dark Mode 🌙\tarchived'; do
  if ! grep -qxF "$line" <<<"$out"; then
    echo "$name did not list: $line" >&2
    exit 1
  fi
done
