#!/usr/bin/env bash
# The pelorin tool's encrypt and settings commands, run as a user runs them.
# Usage: encrypt_commands_test.sh PELORIN_BINARY
set -u
pelorin="$1"
source "$(dirname "$0")/check.sh"

mkdir -p "$work/W/Sub"
printf 'alpha' >"$work/a.txt"
printf 'deep' >"$work/W/Sub/b.doc"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm IDEA "$work/a.txt" "$work/W" 2>/dev/null
check "encrypt exits 0" test $? -eq 0
check "one archive next to the first name" test -s "$work/a.pvb"
check "the sources stay" test -e "$work/a.txt" -a -e "$work/W/Sub/b.doc"
check "the header names IDEA and version 7" test "$(head -c 2 "$work/a.pvb" | od -An -tu1 | tr -s ' ')" = " 7 3"

PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 2 "$work/a.txt" 2>/dev/null
check "a second run picks a free name" test "$(ls "$work" | grep -c '\.pvb$')" -eq 2

"$pelorin" encrypt 2>/dev/null
check "no names: exit status 5" test $? -eq 5

"$pelorin" encrypt --passkey secret "$work/a.txt" 2>/dev/null
check "a passkey on the command line is refused" test $? -eq 2

printf 'short\n' >"$work/key"
"$pelorin" settings encrypt hashpasskey 0
env -u PELORIN_PASSKEY "$pelorin" encrypt --passkey-file "$work/key" --algorithm DES "$work/a.txt" 2>"$work/err"
check "an unhashed DES passkey below 8 characters is refused" test $? -eq 2
check "with the dialog's message" grep -q "DES requires a passkey of at least 8 characters" "$work/err"
unset PELORIN_PASSKEY

"$pelorin" settings encrypt numpasses 7
"$pelorin" settings encrypt numpasses abc 2>/dev/null
check "a passes value that is not a number is refused" test $? -eq 2
check "and the stored value stays" test "$("$pelorin" settings encrypt numpasses)" = 7
"$pelorin" settings encrypt actualalg 5
"$pelorin" settings encrypt lastalg 0
check "switching remembering off forgets the algorithm" test "$("$pelorin" settings encrypt actualalg)" = 0

PELORIN_PASSKEY=secret "$pelorin" settings encrypt hashpasskey 1
PELORIN_PASSKEY=secret "$pelorin" encrypt --delete-sources --algorithm Safer "$work/W" 2>/dev/null
check "deletion wipes the folder's files and the folder" test ! -e "$work/W"
check "and the archive holds them" test -s "$work/W.pvb"

finish
