#!/usr/bin/env bash
# Checks the C interface's shared library against its header and .def file:
# it exports exactly the functions that the header declares and the .def
# file lists, nothing mangled and nothing of SQLite, OpenSSL or ICU. A DLL
# must also import only DLLs that come with Windows, so that it carries the
# C++ runtime and SQLite inside it.
#
#   scripts/check-c-library.sh <libnorvane_c.so | norvane_c.dll> <norvane.h> <norvane_c.def>
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 <library> <header> <def file>" >&2; exit 2; }
library=$1 header=$2 def=$3

declared=$(grep -oE '^NORVANE_C_API [^(]*\b(norvane_[a-z0-9_]+)\(' "$header" |
  sed -E 's/.*\b(norvane_[a-z0-9_]+)\($/\1/' | sort)
listed=$(sed -n '/^EXPORTS/,$p' "$def" | grep -E '^[A-Za-z_]' | grep -v '^EXPORTS' | sort)
case $library in
  *.dll)
    objdump=x86_64-w64-mingw32-objdump
    dump=$("$objdump" -p "$library")
    # The name table lists "[ordinal] name" lines after its heading.
    exported=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
      sed -nE 's/^[[:space:]]*\[ *[0-9]+\] +([^ ]+)$/\1/p' | sort)
    foreign=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" |
      grep -viE '^(kernel32|advapi32|bcrypt|crypt32|ole32|shell32|user32|ntdll|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$' || true)
    if [ -n "$foreign" ]; then
      echo "$library imports DLLs that Windows does not have:" $foreign >&2
      exit 1
    fi
    ;;
  *)
    # Type A is the version node, not a symbol.
    exported=$(nm -D --defined-only "$library" | awk '$2 != "A" {print $3}' | sed 's/@.*//' | sort)
    ;;
esac

status=0
if [ -z "$declared" ]; then
  echo "$header declares no function" >&2
  exit 1
fi
if [ "$declared" != "$listed" ]; then
  echo "$def does not list what $header declares:" >&2
  diff <(echo "$declared") <(echo "$listed") >&2 || true
  status=1
fi
if [ "$declared" != "$exported" ]; then
  echo "$library does not export exactly what $header declares:" >&2
  diff <(echo "$declared") <(echo "$exported") >&2 || true
  status=1
fi
[ "$status" -eq 0 ] && echo "$(basename "$library") exports the header's $(wc -l <<<"$declared") functions and no other."
exit "$status"
