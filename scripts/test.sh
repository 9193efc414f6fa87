#!/usr/bin/env bash
# Builds and runs every test: once optimised (then installs that build into a
# temporary prefix and builds and runs the example application against it),
# once under AddressSanitizer and UndefinedBehaviorSanitizer; checks that the
# benchmarks still run; gives each fuzz harness a short run (scripts/fuzz.sh
# runs them longer); then cross-builds for Windows and runs the Windows tests
# under Wine, with an icu.dll of the Linux build's ICU version.
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
scripts/windows-sqlite.sh
# Wine has no icu.dll: the tests install one built from ICU's sources.
scripts/windows-icu.sh
cmake --workflow --preset windows-mingw
# The release zip; and seed_notes.exe needs no DLL beyond those of Windows
# itself: neither a MinGW runtime DLL nor sqlite3.dll.
cmake --build --preset windows-mingw --target package
exe=build/windows-mingw/src/bin/seed_notes/seed_notes.exe
foreign=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
  grep -viE '^(kernel32|advapi32|bcrypt|crypt32|ole32|shell32|user32|ntdll|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$' || true)
if [ -n "$foreign" ] || grep -qaiE 'sqlite3\.dll|libstdc\+\+-6\.dll|libgcc_s_[a-z0-9_]+-1\.dll|libwinpthread-1\.dll' "$exe"; then
  echo "seed_notes.exe needs DLLs that Windows does not have: ${foreign:-see its strings}" >&2
  exit 1
fi
# End the Wine server of the build's own Wine prefix instead of waiting for it.
WINEPREFIX="$PWD/build/windows-mingw/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
echo "All test stages passed."
