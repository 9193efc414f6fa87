#!/usr/bin/env bash
# Builds and runs every test: once optimised (then installs that build into a
# temporary prefix and builds and runs the example application against it),
# once under AddressSanitizer and UndefinedBehaviorSanitizer; checks that the
# benchmarks still run; gives each fuzz harness a short run (scripts/fuzz.sh
# runs them longer); then cross-builds for Windows and runs the Windows tests
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --workflow --preset release
scripts/test-install.sh build/release
cmake --workflow --preset asan
build/release/bench/norvane_bench --benchmark_min_time=0.001 >/dev/null
scripts/fuzz.sh 12

# The Windows build: cross-built with MinGW-w64, its tests run under Wine.
scripts/install-deps.sh g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 googletest
cmake --workflow --preset windows-mingw
# End the Wine server of the build's own Wine prefix instead of waiting for it.
WINEPREFIX="$PWD/build/windows-mingw/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
echo "All test stages passed."
