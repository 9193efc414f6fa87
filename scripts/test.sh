#!/usr/bin/env bash
# Builds and runs every test: once optimised, once under AddressSanitizer and
# UndefinedBehaviorSanitizer; then checks that the benchmarks still run and
# gives each fuzz harness a short run (scripts/fuzz.sh runs them longer).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --workflow --preset release
cmake --workflow --preset asan
build/release/bench/norvane_bench --benchmark_min_time=0.001 >/dev/null
scripts/fuzz.sh 12
echo "All test stages passed."
