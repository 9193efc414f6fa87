#!/usr/bin/env bash
# Fetches Debian's source package of the very version of an installed binary
# package, Debian's patches applied, and prints the folder it unpacked to.
#
#   scripts/debian-source.sh <binary package> <folder>
#
# The binary package is installed first when it is missing. Fetching needs a
# deb-src entry for the machine's own Debian suites; when apt has none, one is
# added in a file of its own, /etc/apt/sources.list.d/norvane-deb-src.sources,
# made from the deb entries. Everything but the folder's path goes to
# standard error.
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -eq 2 ] || { echo "usage: $0 <binary package> <folder>" >&2; exit 2; }
binary_package=$1
dest=$2

# dpkg-dev unpacks and patches the source package.
scripts/install-deps.sh "$binary_package" dpkg-dev >&2
version=$(dpkg-query -W -f='${source:Version}' "$binary_package")
source_package=$(dpkg-query -W -f='${source:Package}' "$binary_package")

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
  echo "Adding $list (the source packages of $codename)" >&2
  printf '# Source packages of the deb entries of this release, for scripts/debian-source.sh.\n%s\n' \
    "$stanzas" | "${sudo[@]}" tee "$list" >/dev/null
  "${sudo[@]}" apt-get update -qq
elif ! apt-cache showsrc "$source_package" 2>/dev/null | grep -qx "Version: $version"; then
  "${sudo[@]}" apt-get update -qq
fi

mkdir -p "$dest"
echo "Fetching Debian's source package $source_package $version" >&2
if ! (cd "$dest" && apt-get source -qq "$source_package=$version" >/dev/null); then
  echo "apt-get source $source_package=$version failed: the archive no longer has the version" \
       "that $binary_package has here; upgrade $binary_package and run this again" >&2
  exit 1
fi
# The unpacked tree is named after the upstream version.
src=$(find "$dest" -mindepth 1 -maxdepth 1 -type d -name "$source_package-*" | head -n 1)
[ -n "$src" ] || { echo "apt-get source unpacked nothing" >&2; exit 1; }
echo "$src"
