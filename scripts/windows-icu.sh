#!/usr/bin/env bash
# Makes icu.dll for the Windows tests under Wine, which has none: ICU's
# common library from Debian's source package of the very version the Linux
# build uses (that of libicu-dev), Debian's patches applied (fetched by
# scripts/debian-source.sh), cross-compiled with MinGW-w64.
#
#   scripts/windows-icu.sh
#
# Like the icu.dll of Windows 10 version 1903 and later it exports ICU's C
# API under the unversioned names (u_charType, not u_charType_72), and only
# the C API. It carries no data file (ICU's stub data): character properties
# and the root locale's case mapping are built into the common library, and
# that is all the program asks of it. The result is kept in
# build/icu-dll/<Debian version>/icu.dll, and a run that finds it there does
# nothing. The Windows build installs it into the system folder of its Wine
# prefix.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

binary_package=libicu-dev
scripts/install-deps.sh "$binary_package"
version=$(dpkg-query -W -f='${source:Version}' "$binary_package")

cache=build/icu-dll/$version
if [ -f "$cache/icu.dll" ]; then
  exit 0
fi

target=x86_64-w64-mingw32
scripts/install-deps.sh g++-mingw-w64-x86-64-posix
cxx=$target-g++-posix

mkdir -p build/icu-dll
work=$(mktemp -d "$PWD/build/icu-dll/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT
src=$(scripts/debian-source.sh "$binary_package" "$work")/source

# The whole common library, as ICU's own build lists it, and the stub data.
# gnu++17: ICU's putil.cpp needs the POSIX and Windows declarations that
# strict ISO mode hides.
start=$(date +%s)
echo "Compiling ICU's common library for Windows"
mkdir "$work/obj"
compile() {
  "$cxx" -std=gnu++17 -O2 -DU_DISABLE_RENAMING=1 -DU_COMMON_IMPLEMENTATION -I"$src/common" -w \
    -c "$1" -o "$work/obj/$(basename "$1" .cpp).o"
}
export -f compile
export cxx src work
{ sed "s|^|$src/common/|" "$src/common/sources.txt"; echo "$src/stubdata/stubdata.cpp"; } |
  xargs -P "$(nproc)" -n 1 bash -c 'compile "$1"' compile

# Exports: the C functions that ICU's public headers declare (urename.h
# names every internal one too, so it is left out).
find "$src/common/unicode" -name '*.h' ! -name urename.h -exec grep -ohE '\b[A-Za-z_][A-Za-z0-9_]*\b' {} + |
  sort -u >"$work/public-names"
"$target-nm" -g --defined-only "$work"/obj/*.o | awk '$2 == "T" && $3 !~ /^_Z/ { print $3 }' |
  sort -u | comm -12 - "$work/public-names" >"$work/exports"
printf 'LIBRARY icu.dll\nEXPORTS\n' >"$work/icu.def"
cat "$work/exports" >>"$work/icu.def"

# Self-contained: the C++ runtime and the threads library linked in, so that
# the DLL needs only DLLs of Windows itself.
"$cxx" -shared -o "$work/icu.dll" "$work/icu.def" "$work"/obj/*.o -static -s

# The functions the program looks up must be exported under their plain names.
exported=$("$target-objdump" -p "$work/icu.dll" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '{ print $NF }')
needed=$(grep -oE 'look_up\(library, "[A-Za-z0-9_]+"' src/platform/windows/icu_functions.cpp |
  sed 's/.*"\(.*\)"/\1/')
[ -n "$needed" ] || { echo "No ICU functions found in src/platform/windows/icu_functions.cpp" >&2; exit 1; }
for name in $needed; do
  grep -qx "$name" <<<"$exported" || { echo "icu.dll does not export $name" >&2; exit 1; }
done

mkdir -p "$cache.tmp"
cp "$work/icu.dll" "$cache.tmp/"
rm -rf "$cache"
mv "$cache.tmp" "$cache"
echo "icu.dll of ICU $version in $cache ($(wc -l <"$work/exports") functions," \
     "built in $(($(date +%s) - start)) s)"
