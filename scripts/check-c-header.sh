#!/usr/bin/env bash
# Checks that the C interface's header stands alone as plain C99 (GCC, all
# warnings as errors) and as C for Microsoft's ABI with nothing but the
# compiler's own <stddef.h> and <stdint.h> (clang for x86_64-pc-windows-msvc,
# freestanding), and as C++.
#
#   scripts/check-c-header.sh <norvane.h>
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <header>" >&2; exit 2; }
header=$1
flags=(-fsyntax-only -Wall -Wextra -Wpedantic -Werror)
gcc -std=c99 "${flags[@]}" -x c "$header"
g++ -std=c++98 "${flags[@]}" -x c++ "$header"
clang --target=x86_64-pc-windows-msvc -ffreestanding -std=c99 "${flags[@]}" -x c "$header"
echo "$(basename "$header") compiles alone as C99, as C++ and for Microsoft's ABI."
