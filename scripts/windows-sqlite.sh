#!/usr/bin/env bash
# Makes the SQLite amalgamation (sqlite3.c, sqlite3.h) that the Windows build
# compiles into its programs, from Debian's source package of the very version
# the Linux build links (that of libsqlite3-dev), Debian's patches applied
# (fetched by scripts/debian-source.sh).
#
#   scripts/windows-sqlite.sh
#
# The result is kept in build/sqlite-amalgamation/<Debian version>/, and a run
# that finds it there does nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

binary_package=libsqlite3-dev
scripts/install-deps.sh "$binary_package"
version=$(dpkg-query -W -f='${source:Version}' "$binary_package")

cache=build/sqlite-amalgamation/$version
if [ -f "$cache/sqlite3.c" ] && [ -f "$cache/sqlite3.h" ]; then
  exit 0
fi

# tcl and a C compiler are what SQLite's own build needs to generate the
# amalgamation.
scripts/install-deps.sh tcl gcc make

mkdir -p build/sqlite-amalgamation
work=$(mktemp -d "$PWD/build/sqlite-amalgamation/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT
src=$(scripts/debian-source.sh "$binary_package" "$work")

# SQLite's build generates the amalgamation out of its source tree.
mkdir "$work/build"
(cd "$work/build" && "$src/configure" --quiet >/dev/null && make -s sqlite3.c >/dev/null)

mkdir -p "$cache.tmp"
cp "$work/build/sqlite3.c" "$work/build/sqlite3.h" "$cache.tmp/"
rm -rf "$cache"
mv "$cache.tmp" "$cache"
echo "SQLite amalgamation $version in $cache"
