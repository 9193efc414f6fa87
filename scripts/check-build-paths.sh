#!/usr/bin/env bash
# Checks that no file of a tree (an installation, an unpacked release zip)
# names any of the given folders, as given, as the file system resolves them,
# and as symbol names spell them (every character but letters and digits as
# _, as dlltool makes its labels): what the build writes must not record
# where it was built.
#
#   scripts/check-build-paths.sh <tree> <folder>...
#
# Names every file that does, and exits 1 then. scripts/test-install.sh and
# scripts/test-windows-package.sh run it with the source and build folders.
set -euo pipefail

[ $# -ge 2 ] || { echo "usage: $0 <tree> <folder>..." >&2; exit 2; }
tree=$1
shift
patterns=()
for folder in "$@"; do
  for path in "$folder" "$(realpath -m "$folder")"; do
    patterns+=(-e "$path" -e "${path//[^[:alnum:]]/_}")
  done
done

status=0
found=$(cd "$tree" && grep -rlF "${patterns[@]}" .) || status=$?
if [ "$status" -eq 0 ]; then
  echo "These files of $tree name a folder of the build ($*):" >&2
  sed 's|^\./|  |' <<<"$found" >&2
  exit 1
elif [ "$status" -ne 1 ]; then
  echo "Could not search $tree for the build's folders" >&2
  exit 1
fi
