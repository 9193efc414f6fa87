#!/bin/sh
# Runs a command under a pseudo-terminal (script(1), from util-linux), prints
# what the terminal showed without its control sequences, and exits with the
# command's status. Under Wine a program whose standard output is a terminal
# gets a console, which the console cases of the Windows suite need.
set -e
command=""
for word in "$@"; do
  # Each word in single quotes, its own single quotes escaped.
  command="$command '$(printf '%s' "$word" | sed "s/'/'\\\\''/g")'"
done
shown=$(mktemp)
trap 'rm -f "$shown"' EXIT
status=0
script --quiet --return --command "$command" "$shown" </dev/null >/dev/null || status=$?
# Wine's console moves the cursor over a blank instead of writing it.
sed -e 's/\x1b\[K\x1b\[1C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\r//g' "$shown"
exit "$status"
