#!/usr/bin/env bash
# Builds seed_notes and runs it on the default database; arguments are passed on
# (for example --clear or --stats-only).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target seed_notes
exec build/release/src/bin/seed_notes/seed_notes "$@"
