#!/usr/bin/env bash
# Checks the Windows release zip of a build (default: build/windows-mingw,
# after its `package` target) as what it is, the SDK of a Windows
# application: unpacks it into a temporary folder, checks its layout, that
# no file names a folder of the build, and that its seed_notes.exe is
# stripped, carries no link time and needs no DLL beyond those of Windows;
# cross-builds examples/list_notes against the folder twice, through the
# CMake package and through pkg-config; seeds a database with the zip's
# seed_notes.exe under Wine and checks that both programs list the 50 demo
# notes, in the same Wine prefix (the build's), so that data protection reads
# the blobs of the same user. scripts/test.sh runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows-mingw}
triplet=x86_64-w64-mingw32

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/norvane-$version-win64.zip
wine=$build/wine-run.sh
[ -f "$zip" ] || { echo "$zip is missing: build the target package first" >&2; exit 1; }
[ -x "$wine" ] || { echo "$wine is missing: the build found no Wine" >&2; exit 1; }
zip=$(realpath "$zip")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && cmake -E tar xf "$zip")
sdk=$tmp/norvane-$version-win64

for file in bin/seed_notes.exe bin/norvane_c.dll include/norvane/db/list_notes.h \
            include/norvane/norvane.h include/sqlite3.h lib/libnorvane_c.dll.a lib/norvane_c.def \
            lib/pkgconfig/norvane_c.pc lib/libnorvane.a lib/libnorvane_sqlite3.a lib/cmake/norvane/norvaneConfig.cmake \
            lib/pkgconfig/norvane.pc README.md licenses/SQLite.txt; do
  [ -f "$sdk/$file" ] || { echo "$(basename "$zip") has no $file" >&2; exit 1; }
done

# Nothing in the zip names the source folder, the build folder or an SQLite
# amalgamation taken from elsewhere.
folders=("$PWD" "$(realpath "$build")")
amalgamation=$(sed -n 's/^NORVANE_SQLITE_AMALGAMATION_DIR:PATH=//p' "$build/CMakeCache.txt")
[ -z "$amalgamation" ] || folders+=("$amalgamation")
scripts/check-build-paths.sh "$sdk" "${folders[@]}"

# The PE header's time stamp (8 bytes into the header, whose offset is at
# 0x3c) is the build's time in the zip's program, which strip writes, and 0
# in the program as linked (--no-insert-timestamp), which an installation
# without --strip gets: never the wall clock.
check_time_stamp() {
  local header stamp
  header=$(od -An -tu4 --endian=little -j 60 -N 4 "$1")
  stamp=$(($(od -An -tu4 --endian=little -j $((header + 8)) -N 4 "$1")))
  if [ "$stamp" != "$2" ]; then
    echo "$1 has the PE time stamp $stamp ($(date -u -d "@$stamp")) instead of $2" >&2
    exit 1
  fi
}
exe=$sdk/bin/seed_notes.exe
check_time_stamp "$exe" "$(cmake -DNORVANE_SOURCE_DIR="$PWD" -P cmake/build-time.cmake)"
check_time_stamp "$build/src/bin/seed_notes/seed_notes.exe" 0
check_time_stamp "$sdk/bin/norvane_c.dll" "$(cmake -DNORVANE_SOURCE_DIR="$PWD" -P cmake/build-time.cmake)"
check_time_stamp "$build/src/c/norvane_c.dll" 0
# Both carry a version resource with the project's version and their own
# file name (UTF-16 texts, each key followed by its value).
for file in "$exe" "$sdk/bin/norvane_c.dll"; do
  resource=$(strings -el "$file" | grep -A1 -xE 'FileVersion|OriginalFilename' | paste -sd ' ')
  if [ "$resource" != "FileVersion $version -- OriginalFilename $(basename "$file")" ]; then
    echo "$(basename "$file") has no version resource of version $version: $resource" >&2
    exit 1
  fi
done
# The DLL of the C interface exports exactly the header's functions, and
# imports only DLLs of Windows, like the program.
scripts/check-c-library.sh "$sdk/bin/norvane_c.dll" "$sdk/include/norvane/norvane.h" \
  "$sdk/lib/norvane_c.def"

# The program is stripped, and imports no DLL that Windows does not have:
# neither a MinGW runtime DLL nor sqlite3.dll.
if "$triplet-objdump" -h "$exe" | grep -q '\.debug_' || "$triplet-objdump" -f "$exe" | grep -q HAS_SYMS; then
  echo "seed_notes.exe in the zip is not stripped" >&2
  exit 1
fi
foreign=$("$triplet-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
  grep -viE '^(kernel32|advapi32|bcrypt|crypt32|ole32|shell32|user32|ntdll|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$' || true)
if [ -n "$foreign" ] || grep -qaiE 'sqlite3\.dll|libstdc\+\+-6\.dll|libgcc_s_[a-z0-9_]+-1\.dll|libwinpthread-1\.dll' "$exe"; then
  echo "seed_notes.exe needs DLLs that Windows does not have: ${foreign:-see its strings}" >&2
  exit 1
fi

# Through the CMake package: the toolchain file looks for packages under the
# MinGW-w64 sysroot and the roots given here.
cmake -S examples/list_notes -B "$tmp/cmake-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/windows/mingw-w64-x86_64.cmake" \
  -DCMAKE_FIND_ROOT_PATH="$sdk" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$tmp/cmake-build" >/dev/null

# Through pkg-config: Debian's wrapper searches the MinGW-w64 sysroot's
# pkgconfig folders only, and PKG_CONFIG_PATH adds the zip's. norvane.pc finds
# its prefix from its own place, so no PKG_CONFIG_SYSROOT_DIR. -static links
# the C++ runtime in, as the toolchain file does for CMake builds.
unset PKG_CONFIG_LIBDIR PKG_CONFIG_SYSROOT_DIR
export PKG_CONFIG_PATH=$sdk/lib/pkgconfig
read -ra cflags <<<"$("$triplet-pkg-config" --cflags norvane)"
read -ra libs <<<"$("$triplet-pkg-config" --libs norvane)"
mkdir "$tmp/pkg-config-build"
"$triplet-g++-posix" -std=c++23 -O2 -Wall -Werror "${cflags[@]}" examples/list_notes/list_notes.cpp \
  -o "$tmp/pkg-config-build/list_notes.exe" -static "${libs[@]}"

# A database of its own, seeded by the zip's program.
mkdir "$tmp/data"
export NORVANE_DATA_DIR="Z:${tmp//\//\\}\\data"
"$wine" "$exe" >/dev/null

for program in "$tmp/cmake-build/list_notes.exe" "$tmp/pkg-config-build/list_notes.exe"; do
  "$wine" "$program" | scripts/check-note-list.sh "$program"
done
# A program of Microsoft's ABI, without any C runtime, through the DLL.
scripts/test-msvc-client.sh "$sdk" "$wine" "$NORVANE_DATA_DIR"
echo "The Windows zip builds and runs the example both ways under Wine."
