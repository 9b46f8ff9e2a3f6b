#!/usr/bin/env bash
# pelorin.exe test under Wine, as the archives' "Test archive" verb runs it:
# a whole archive of version 8 and a classic one exit 0, a changed or cut one
# 4 with the fault and its byte, another passkey 4, a missing archive 1.
# Usage: windows_test_verb_test.sh PELORIN_EXE   (WINEPREFIX set up by scripts/wine-env.sh)
set -u
exe=$(realpath "$1")
source "$(dirname "$0")/check.sh"
run() { wine "$exe" "$@" </dev/null; }

# Encrypting writes the remembered algorithm when lastalg is 1: put it back.
remembered=$(run settings encrypt actualalg 2>/dev/null | tr -d '\r')
cd "$work"
head -c 200000 /dev/urandom >modern.bin
cp modern.bin classic.bin
printf 'sesame\n' >passkey
printf 'other\n' >other
run encrypt --algorithm 9 --kdf-memory 8 --passkey-file passkey modern.bin 2>/dev/null
run encrypt --algorithm 1 --passkey-file passkey classic.bin 2>/dev/null
[[ -n $remembered ]] && run settings encrypt actualalg "$remembered" >/dev/null 2>&1
python3 - <<'PY'
modern, classic = open('modern.pvb', 'rb').read(), open('classic.pvb', 'rb').read()
open('modern-flipped.pvb', 'wb').write(modern[:150000] + bytes([modern[150000] ^ 1]) + modern[150001:])
open('modern-cut.pvb', 'wb').write(modern[:-1])
open('classic-cut.pvb', 'wb').write(classic[:-5])
PY

while IFS='|' read -r name passkey archive status out err; do
  run test --passkey-file "$passkey" "$archive" >out.txt 2>err.txt
  check "$name: exit $status" test $? -eq "$status"
  check "$name: says \"$out\"" grep -q "$out" out.txt
  [[ -z $err ]] || check "$name: names \"$err\"" grep -q "$err" err.txt
done <<'CASES'
version 8, whole|passkey|modern.pvb|0|whole (version 8, 1 entry, 200000 bytes|
classic, whole|passkey|classic.pvb|0|carry no integrity check|
version 8, a byte changed|passkey|modern-flipped.pvb|4|damaged (1 fault)|failed its authentication
version 8, one byte short|passkey|modern-cut.pvb|4|damaged (1 fault)|cut short
classic, cut|passkey|classic-cut.pvb|4|damaged (1 fault)|ends inside the data
another passkey|other|modern.pvb|4|not tested (another passkey)|Incorrect Passkey
no such archive|passkey|missing.pvb|1|not tested|could not be opened
CASES
finish
