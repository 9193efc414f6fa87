#!/usr/bin/env bash
# Installs a build (default: build/release) into a temporary prefix, builds the
# example application against it twice, through the CMake package and through
# pkg-config, seeds a database with the installed seed_notes and checks that
# both builds list the 50 demo notes, and that no installed file names the
# source or build folder. scripts/test.sh runs it after the release build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
# The debug information and __FILE__ name the folders "." and "build".
scripts/check-build-paths.sh "$prefix" "$PWD" "$(realpath "$build")"

# Through the CMake package.
cmake -S examples/list_notes -B "$tmp/cmake-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$tmp/cmake-build" >/dev/null

# Through pkg-config.
pc=$(find "$prefix" -name norvane.pc)
export PKG_CONFIG_PATH=${pc%/*}
read -ra cflags <<<"$(pkg-config --cflags norvane)"
read -ra libs <<<"$(pkg-config --libs norvane)"
mkdir "$tmp/pkg-config-build"
g++ -std=c++23 -O2 -Wall -Werror "${cflags[@]}" examples/list_notes/list_notes.cpp \
  -o "$tmp/pkg-config-build/list_notes" "${libs[@]}"

# A database seeded by the installed command, in a home of its own.
export HOME=$tmp/home XDG_DATA_HOME=$tmp/xdg NORVANE_DATA_DIR=$tmp/data
mkdir "$HOME"
"$prefix/bin/seed_notes" >/dev/null

for program in "$tmp/cmake-build/list_notes" "$tmp/pkg-config-build/list_notes"; do
  "$program" | scripts/check-note-list.sh "$program"
done
echo "The installed library builds and runs the example both ways."

# The C interface's shared library: a C program through norvane_c.pc, and
# the Python example through ctypes.
read -ra cflags <<<"$(pkg-config --cflags norvane_c)"
read -ra libs <<<"$(pkg-config --libs norvane_c)"
printf '#include <stdio.h>\n#include "norvane/norvane.h"\nint main(void) { return puts(norvane_version()) < 0; }\n' |
  gcc -std=c99 -Wall -Werror "${cflags[@]}" -x c - -o "$tmp/c-version" "${libs[@]}"
version=$(LD_LIBRARY_PATH=${pc%/*/*} "$tmp/c-version")
[ "$version" = "$(sed -n 's/^Version: //p' "$pc")" ] || { echo "The C program said: $version" >&2; exit 1; }
scripts/test-python-client.sh "$prefix"
