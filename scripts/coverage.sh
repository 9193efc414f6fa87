#!/usr/bin/env bash
# Line coverage of the library and the command by one platform's tests:
#
#   scripts/coverage.sh linux     the suites of the release preset
#   scripts/coverage.sh windows   the Windows suite under Wine, as the
#                                 windows-mingw preset runs it
#
# Builds an instrumented tree of its own (build/coverage-linux or
# build/coverage-windows: the coverage-* presets, -O0 with gcov counters),
# runs the platform's tests through its CTest preset, and prints the line
# coverage of every file of src/ and include/ with the lines that no test ran.
# The counters start from zero on every run. The exit status is that of the
# tests; the table is printed either way.
set -euo pipefail
cd "$(dirname "$0")/.."

case ${1-} in
  linux)
    scripts/install-deps.sh gcovr
    gcov=gcov ;;
  windows)
    scripts/install-deps.sh gcovr g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 googletest
    scripts/windows-sqlite.sh
    scripts/windows-icu.sh
    # The gcov of the compiler that the toolchain file names.
    gcov=x86_64-w64-mingw32-gcov-posix ;;
  *)
    echo "usage: $0 linux|windows" >&2
    exit 2 ;;
esac
preset=coverage-$1
build=build/$preset

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

# Every counter file exists before the tests start, empty and writable for
# everyone: the tests that run the command as another user (nobody) would
# otherwise find the files that root's processes made closed to them, lose
# their counts and get libgcov's "Cannot open" on standard error. libgcov
# takes an empty file for a new one.
find "$build" -name '*.gcda' -delete
find "$build" -name '*.gcno' -print0 | sed -z 's/\.gcno$/.gcda/' | xargs -0 -r touch
find "$build" -name '*.gcda' -print0 | xargs -0 -r chmod 666

status=0
ctest --preset "$preset" || status=$?
if [ "$1" = windows ]; then
  # End the Wine server of the tree's Wine prefix instead of waiting for it.
  WINEPREFIX="$PWD/$build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
fi

# The objects of programs that never ran keep an empty file; gcov counts them
# from their notes alone, every line as missed.
find "$build" -name '*.gcda' -empty -delete

echo
gcovr --root . --filter 'src/' --filter 'include/' --gcov-executable "$gcov" \
  --exclude-directories '.*/wineprefix$' -j 2 --print-summary "$build"

if [ "$status" -ne 0 ]; then
  echo "Some tests failed (ctest status $status): the coverage above is of the runs that took place." >&2
fi
exit "$status"
