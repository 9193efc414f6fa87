#!/usr/bin/env bash
# Builds and runs every test: once optimised (then installs that build into a
# temporary prefix and builds and runs the example application against it,
# and builds it once more with the library as a subproject), once under
# AddressSanitizer and UndefinedBehaviorSanitizer; checks that the benchmarks
# still run; gives each fuzz harness a short run (scripts/fuzz.sh runs them
# longer); then cross-builds for Windows, runs the Windows tests under Wine
# (with an icu.dll of the Linux build's ICU version), makes the release zip
# and builds and runs the example against it and with the library as a
# subproject, under Wine too.
set -euo pipefail
cd "$(dirname "$0")/.."
# clang, lld and llvm-dlltool check the C header for Microsoft's ABI and build
# a client of the DLL; python3 runs the ctypes client.
scripts/install-deps.sh clang lld llvm python3

cmake --workflow --preset release
scripts/test-install.sh build/release
scripts/test-subproject.sh build/release
cmake --workflow --preset asan
build/release/bench/norvane_bench --benchmark_min_time=0.001 >/dev/null
scripts/install-deps.sh python3
/usr/bin/python3 bench/contention/contention.py --seconds 2 \
  build/release/src/bin/seed_notes/seed_notes >/dev/null
scripts/fuzz.sh 12

# The Windows build: cross-built with MinGW-w64, its tests run under Wine.
scripts/install-deps.sh g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 googletest zip
scripts/windows-sqlite.sh
# Wine has no icu.dll: the tests install one built from ICU's sources.
scripts/windows-icu.sh
cmake --workflow --preset windows-mingw
# The release zip, checked as the SDK that Windows applications build against
# (its seed_notes.exe among others: stripped, no DLL beyond those of Windows
# itself); then the source tree as a part of a Windows application's build.
cmake --build --preset windows-mingw --target package
scripts/test-windows-package.sh build/windows-mingw
scripts/test-subproject.sh build/windows-mingw
# End the Wine server of the build's own Wine prefix instead of waiting for it.
WINEPREFIX="$PWD/build/windows-mingw/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
echo "All test stages passed."
