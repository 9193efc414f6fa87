#!/usr/bin/env bash
# Makes the SQLite amalgamation (sqlite3.c, sqlite3.h) that the Windows build
# compiles into its programs, from Debian's source package of the very version
# the Linux build links (that of libsqlite3-dev), Debian's patches applied.
#
#   scripts/windows-sqlite.sh
#
# The result is kept in build/sqlite-amalgamation/<Debian version>/, and a run
# that finds it there does nothing. It needs a deb-src entry for the machine's
# own Debian suites; when apt has none, one is added in a file of its own,
# /etc/apt/sources.list.d/norvane-deb-src.sources, made from the deb entries.
set -euo pipefail
cd "$(dirname "$0")/.."

binary_package=libsqlite3-dev
scripts/install-deps.sh "$binary_package"
version=$(dpkg-query -W -f='${source:Version}' "$binary_package")
source_package=$(dpkg-query -W -f='${source:Package}' "$binary_package")

cache=build/sqlite-amalgamation/$version
if [ -f "$cache/sqlite3.c" ] && [ -f "$cache/sqlite3.h" ]; then
  exit 0
fi

# dpkg-dev unpacks and patches the source package; tcl and a C compiler are
# what SQLite's own build needs to generate the amalgamation.
scripts/install-deps.sh dpkg-dev tcl gcc make

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

# The releases that apt already fetches source indexes for.
deb_src_releases() {
  apt-get indextargets --no-release-info --format '$(RELEASE)' 'Target-Of: deb-src' | sort -u
}

# deb-src stanzas for the deb entries of this Debian release (its codename and
# the -updates, -security and other suites named after it), in deb822 form,
# from both the deb822 files and the one-line lists.
deb_src_stanzas() {
  local lists=()
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && lists+=("$f")
  done
  [ ${#lists[@]} -gt 0 ] || return 0
  awk -v codename="$codename" '
    function own_suites(list,    n, i, parts, out) {
      n = split(list, parts, /[[:space:]]+/)
      out = ""
      for (i = 1; i <= n; i++)
        if (parts[i] == codename || index(parts[i], codename "-") == 1)
          out = out (out == "" ? "" : " ") parts[i]
      return out
    }
    function emit(uris, suites, components, signed_by,    own) {
      own = own_suites(suites)
      if (uris == "" || own == "" || components == "") return
      printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", uris, own, components
      if (signed_by != "") printf "Signed-By: %s\n", signed_by
      printf "\n"
    }
    function flush() {
      if (types ~ /(^|[[:space:]])deb([[:space:]]|$)/ && enabled != "no")
        emit(uris, suites, components, signed_by)
      types = uris = suites = components = signed_by = enabled = ""
    }
    FILENAME ~ /\.sources$/ {
      if (FNR == 1) flush()
      if ($0 ~ /^[[:space:]]*$/) { flush(); next }
      if ($0 ~ /^#/) next
      field = tolower($1); sub(/:$/, "", field)
      value = $0; sub(/^[^:]*:[[:space:]]*/, "", value)
      if (field == "types") types = value
      else if (field == "uris") uris = value
      else if (field == "suites") suites = value
      else if (field == "components") components = value
      else if (field == "signed-by") signed_by = value
      else if (field == "enabled") enabled = tolower(value)
      next
    }
    $1 == "deb" {
      flush()
      i = 2; signed_by = ""
      if ($2 ~ /^\[/) {
        while (i <= NF) {
          if ($i ~ /^\[?signed-by=/) { signed_by = $i; sub(/^\[?signed-by=/, "", signed_by); sub(/\]$/, "", signed_by) }
          if ($i ~ /\]$/) { i++; break }
          i++
        }
      }
      uri = $i; suite = $(i + 1); comps = ""
      for (j = i + 2; j <= NF; j++) comps = comps (comps == "" ? "" : " ") $j
      emit(uri, suite, comps, signed_by)
    }
    END { flush() }
  ' "${lists[@]}"
}

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { echo "No VERSION_CODENAME in /etc/os-release" >&2; exit 1; }
if ! deb_src_releases | grep -qx "$codename"; then
  stanzas=$(deb_src_stanzas)
  if [ -z "$stanzas" ]; then
    echo "No deb entry for $codename in /etc/apt: cannot add its deb-src entry" >&2
    exit 1
  fi
  list=/etc/apt/sources.list.d/norvane-deb-src.sources
  echo "Adding $list (the source packages of $codename)"
  printf '# Source packages of the deb entries of this release, for scripts/windows-sqlite.sh.\n%s\n' \
    "$stanzas" | "${sudo[@]}" tee "$list" >/dev/null
  "${sudo[@]}" apt-get update -qq
elif ! apt-cache showsrc "$source_package" 2>/dev/null | grep -qx "Version: $version"; then
  "${sudo[@]}" apt-get update -qq
fi

mkdir -p build/sqlite-amalgamation
work=$(mktemp -d "$PWD/build/sqlite-amalgamation/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Fetching Debian's source package $source_package $version"
if ! (cd "$work" && apt-get source -qq "$source_package=$version" >/dev/null); then
  echo "apt-get source $source_package=$version failed: the archive no longer has the version" \
       "that $binary_package has here; upgrade $binary_package and run this again" >&2
  exit 1
fi
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$source_package-*" | head -n 1)
[ -n "$src" ] || { echo "apt-get source unpacked nothing" >&2; exit 1; }

# SQLite's build generates the amalgamation out of its source tree.
mkdir "$work/build"
(cd "$work/build" && "$src/configure" --quiet >/dev/null && make -s sqlite3.c >/dev/null)

mkdir -p "$cache.tmp"
cp "$work/build/sqlite3.c" "$work/build/sqlite3.h" "$cache.tmp/"
rm -rf "$cache"
mv "$cache.tmp" "$cache"
echo "SQLite amalgamation $version in $cache"
