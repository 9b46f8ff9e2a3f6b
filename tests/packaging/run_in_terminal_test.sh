#!/usr/bin/env bash
# What run-in-terminal hands the tool when a file manager gives the
# selection as file:/// addresses (--uris, Nemo's %U): each address whole
# as its path, whatever the name holds, and nothing at all run when any
# argument is not a local file's address (a name split or joined wrongly
# on the way must never become another file to delete).
# Usage: run_in_terminal_test.sh RUN_IN_TERMINAL
set -u
run="$1"
source "$(dirname "$0")/../cli/check.sh"

# A terminal that records what it was asked to run, one argument a line.
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s"\n' "$work/terminal.args" >"$work/terminal"
chmod +x "$work/terminal"
opened() { rm -f "$work/terminal.args"; TERMINAL=$work/terminal "$run" --uris delete "$@" </dev/null >/dev/null 2>&1; }
self=$(realpath "$run")

# address | the path it stands for
while IFS='|' read -r uri path; do
  path=$(printf '%b' "$path")
  opened "$uri"
  check "$uri: opens a terminal on the tool" test $? -eq 0
  check "$uri: with its path whole" \
    test "$(cat "$work/terminal.args")" = "-e"$'\n'"$self"$'\n'delete$'\n'"$path"
done <<'TABLE'
file:///tmp/it's%20a%20%22file%22.txt|/tmp/it's a "file".txt
file:///tmp/%24HOME%60id%60%3B%20rm%20-rf%20~|/tmp/$HOME`id`; rm -rf ~
file:///tmp/line%0Abreak%09tab|/tmp/line\nbreak\ttab
file:///tmp/--delete-sources|/tmp/--delete-sources
file:///tmp/back%5Cslash%5C|/tmp/back\\slash\\
file:///tmp/caf%C3%A9%20%E2%82%AC|/tmp/café €
TABLE

opened file:///tmp/a file:///tmp/b%20c
check "two addresses: two names" test "$(sed -n '4,$p' "$work/terminal.args")" = $'/tmp/a\n/tmp/b c'

for wrong in .. /tmp/plain relative 'file:///tmp/a\" "b' file:///tmp/nul%00 file:///tmp/%G1 \
             file://host/tmp/a sftp://host/tmp/a '' -rf; do
  opened file:///tmp/fine "$wrong"
  check "refused whole: '$wrong' (status 2)" test $? -eq 2
  check "refused whole: '$wrong' (no terminal, so nothing run)" test ! -e "$work/terminal.args"
done

finish
