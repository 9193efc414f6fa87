#!/usr/bin/env bash
# Builds examples/subproject, which takes this source tree in with
# add_subdirectory, with the toolchain of a build folder (default:
# build/release; a Windows build folder cross-builds with MinGW-w64 and runs
# under that build's Wine), and checks that the tree's tests, benchmarks and
# install rules stay off, that none of its compile options reach the
# application's own code, and that the application lists the 50 demo notes of
# a database seeded by that build's seed_notes. scripts/test.sh runs it for
# the Linux and the Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# No build type: the library builds quickest unoptimised, and the application
# sets nothing that the tree could lean on.
args=(-G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DNORVANE_WERROR=ON)
run=()
system=Linux
seed_notes=$build/src/bin/seed_notes/seed_notes
program=$tmp/build/list_notes
if [ -x "$build/wine-run.sh" ]; then
  args+=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/windows/mingw-w64-x86_64.cmake")
  run=("$build/wine-run.sh")
  system="Windows, under Wine"
  seed_notes+=.exe
  program+=.exe
fi
cmake -S examples/subproject -B "$tmp/build" "${args[@]}" >/dev/null

for option in NORVANE_BUILD_TESTS NORVANE_BUILD_BENCH NORVANE_INSTALL; do
  if ! grep -qx "$option:BOOL=OFF" "$tmp/build/CMakeCache.txt"; then
    echo "$option is not OFF in a project that takes the tree in" >&2
    exit 1
  fi
done
command=$(grep '"command": .* -c [^ ]*/examples/list_notes/list_notes\.cpp"' \
  "$tmp/build/compile_commands.json")
if grep -qE ' -[Wf]' <<<"$command"; then
  echo "The tree's compile options reach the application's code: $command" >&2
  exit 1
fi
cmake --build "$tmp/build" --target list_notes >/dev/null

# A database of its own, in a home of its own.
mkdir "$tmp/data" "$tmp/home"
if [ ${#run[@]} -gt 0 ]; then
  export NORVANE_DATA_DIR="Z:${tmp//\//\\}\\data"
else
  export HOME=$tmp/home XDG_DATA_HOME=$tmp/home/xdg NORVANE_DATA_DIR=$tmp/data
fi
"${run[@]}" "$seed_notes" >/dev/null
"${run[@]}" "$program" | scripts/check-note-list.sh "$program"
echo "The application that builds the tree in lists the notes ($system)."
