#!/usr/bin/env bash
# Builds examples/msvc_abi/list_notes.c as a program of Microsoft's C ABI
# that uses no C runtime (clang for x86_64-pc-windows-msvc and lld-link),
# against import libraries made from the zip's lib/norvane_c.def and from
# examples/msvc_abi/kernel32.def the way Visual Studio's `lib /def:` makes
# them; checks that it imports only kernel32.dll and norvane_c.dll; runs it
# under Wine beside the zip's norvane_c.dll and checks that it lists the 50
# demo notes and shows the texts of a failing call:
#   scripts/test-msvc-client.sh <unpacked zip folder> <wine-run.sh> <NORVANE_DATA_DIR>
# The caller has seeded that database with the zip's seed_notes.exe in the
# same Wine prefix. scripts/test-windows-package.sh runs it.
set -euo pipefail
sdk=$(realpath "$1")
wine=$(realpath "$2")
export NORVANE_DATA_DIR=$3
cd "$(dirname "$0")/.."

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
llvm-dlltool -m i386:x86-64 -d "$sdk/lib/norvane_c.def" -l "$tmp/norvane_c.lib"
llvm-dlltool -m i386:x86-64 -d examples/msvc_abi/kernel32.def -l "$tmp/kernel32.lib"
clang --target=x86_64-pc-windows-msvc -ffreestanding -fno-builtin -nostdlib -O2 \
  -Wall -Wextra -Werror -I"$sdk/include" -c examples/msvc_abi/list_notes.c -o "$tmp/list_notes.obj"
lld-link /entry:start /subsystem:console /nodefaultlib /out:"$tmp/list_notes.exe" \
  "$tmp/list_notes.obj" "$tmp/norvane_c.lib" "$tmp/kernel32.lib"
cp "$sdk/bin/norvane_c.dll" "$tmp/"

# Neither a MinGW-w64 runtime nor a C runtime (msvcrt, ucrt) among its DLLs.
imports=$(x86_64-w64-mingw32-objdump -p "$tmp/list_notes.exe" |
  sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort | paste -sd ' ')
if [ "$imports" != "kernel32.dll norvane_c.dll" ]; then
  echo "The MSVC-ABI client imports $imports, not only kernel32.dll and norvane_c.dll" >&2
  exit 1
fi

status=0
"$wine" "$tmp/list_notes.exe" >"$tmp/out" 2>"$tmp/err" || status=$?
if [ "$status" -ne 0 ]; then
  echo "The MSVC-ABI client failed with exit status $status:" >&2
  cat "$tmp/err" >&2
  exit 1
fi
scripts/check-note-list.sh "the MSVC-ABI client" <"$tmp/out"
for text in 'Invalid payload format: Ciphertext payload is too short for AES-256-GCM' \
            'InvalidFormat("Ciphertext payload is too short for AES-256-GCM")'; do
  if ! grep -qxF "$text" <(tr -d '\r' <"$tmp/err"); then
    echo "The MSVC-ABI client did not show the error text: $text" >&2
    cat "$tmp/err" >&2
    exit 1
  fi
done
echo "The MSVC-ABI client lists the notes through norvane_c.dll under Wine."
