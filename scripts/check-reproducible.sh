#!/usr/bin/env bash
# Checks that the same commit gives the same release: builds the Windows
# release zip and the Linux installation (cmake --install of the release
# preset) twice, from two fresh clones of the commit checked out here, at
# different paths, one after the other. Prints the sha256 of the zip and of
# every installed file from both builds, names every file that differs or
# that names either clone's folder, and exits 0 only when the two builds are
# identical.
#
#   scripts/check-reproducible.sh
#
# The build's time is SOURCE_DATE_EPOCH when it is set, else the commit's, so
# both builds have the same. The SQLite amalgamation is made here by
# scripts/windows-sqlite.sh, as usual, and copied into both clones. The
# clones are built in a temporary folder, which is kept, and named, when the
# builds differ. It takes about six minutes on two cores, so scripts/test.sh
# does not run it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh git zip g++-mingw-w64-x86-64-posix mingw-w64-tools googletest
commit=$(git rev-parse --verify -q HEAD) || { echo "$root has no commit to build" >&2; exit 1; }
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "Uncommitted changes are left out: the clones build $commit." >&2
fi
scripts/windows-sqlite.sh
amalgamation=build/sqlite-amalgamation/$(dpkg-query -W -f='${source:Version}' libsqlite3-dev)

work=$(mktemp -d "${TMPDIR:-/tmp}/norvane-reproducible.XXXXXX")
keep=
trap '[ -n "$keep" ] || rm -rf "$work"' EXIT

# build <clone> <results>: clones the commit into <clone>, builds it and puts
# the zip, the installation (DESTDIR <results>/install) and the unpacked zip
# (<results>/zip) into <results>.
build() {
  local clone=$1 results=$2 log=$2/build.log
  mkdir -p "$results"
  echo "Building $commit in $clone"
  git -c init.defaultBranch=main init -q "$clone"
  git -C "$clone" fetch -q --no-tags "$root" HEAD
  git -C "$clone" checkout -q --detach FETCH_HEAD
  if [ "$(git -C "$clone" rev-parse HEAD)" != "$commit" ]; then
    echo "HEAD of $root moved away from $commit during the check" >&2
    exit 1
  fi
  mkdir -p "$clone/${amalgamation%/*}"
  cp -R "$amalgamation" "$clone/$amalgamation"
  if ! (cd "$clone" &&
        cmake --preset release &&
        cmake --build --preset release --target norvane norvane_c seed_notes &&
        DESTDIR="$results/install" cmake --install build/release &&
        cmake --preset windows-mingw &&
        cmake --build --preset windows-mingw --target package) >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "The build in $clone failed; its log: $log" >&2
    keep=1
    exit 1
  fi
  local version
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$clone/build/windows-mingw/CMakeCache.txt")
  zip_name=norvane-$version-win64.zip
  cp "$clone/build/windows-mingw/$zip_name" "$results/"
  mkdir "$results/zip"
  (cd "$results/zip" && cmake -E tar xf "../$zip_name")
  sed -n 's/^-- .*\.zip: //p' "$log" >"$results/zip-time"
}

# listing <tree>: every file and link of <tree>, its type and mode, sorted.
listing() {
  (cd "$1" && find . -mindepth 1 -printf '%P %y %m\n' | LC_ALL=C sort)
}

# compare <what> <tree>: prints the sha256 of every file of <tree> in both
# results, and names those that differ; returns 1 when any does.
compare() {
  local what=$1 tree=$2 a=$work/first/$2 b=$work/second/$2 differ=0 file sum_a sum_b
  echo "$what, sha256 of the first build, of the second, file:"
  if ! diff <(listing "$a") <(listing "$b") >"$work/listing.diff"; then
    echo "  DIFFERENT files, types or modes (< first, > second):"
    sed -n 's/^\([<>]\)/    \1/p' "$work/listing.diff"
    differ=1
  fi
  while IFS= read -r file; do
    sum_a=$(sha256sum <"$a/$file" | cut -d' ' -f1)
    sum_b=-
    [ -f "$b/$file" ] && sum_b=$(sha256sum <"$b/$file" | cut -d' ' -f1)
    if [ "$sum_a" = "$sum_b" ]; then
      echo "  $sum_a  $sum_b  $file"
    else
      echo "  $sum_a  $sum_b  $file  DIFFERS"
      differ=1
    fi
  done < <(cd "$a" && find . -type f -printf '%P\n' | LC_ALL=C sort)
  return "$differ"
}

SECONDS=0
build "$work/one/norvane" "$work/first"
build "$work/second-clone/seed_notes" "$work/second"
minutes="$((SECONDS / 60)) min $((SECONDS % 60)) s"

echo
same=1
echo "Release zip $zip_name, $(cat "$work/first/zip-time"):"
zip_a=$(sha256sum <"$work/first/$zip_name" | cut -d' ' -f1)
zip_b=$(sha256sum <"$work/second/$zip_name" | cut -d' ' -f1)
echo "  $zip_a  first build"
echo "  $zip_b  second build"
if compare "The zip's files" zip; then
  [ "$zip_a" = "$zip_b" ] ||
    echo "  The files are the same; the zips differ in what they record of them (order, times, modes)."
else
  same=0
fi
[ "$zip_a" = "$zip_b" ] || same=0
compare "The Linux installation (DESTDIR)" install || same=0

for results in first second; do
  for tree in zip install; do
    scripts/check-build-paths.sh "$work/$results/$tree" "$work/one/norvane" \
      "$work/second-clone/seed_notes" || same=0
  done
done

echo
if [ "$same" = 1 ]; then
  echo "Both builds of $commit are identical ($minutes)."
else
  keep=1
  echo "The builds of $commit differ, or name their folders: see above; both are kept in $work" \
       "($minutes)." >&2
  exit 1
fi
