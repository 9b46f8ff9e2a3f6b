#!/usr/bin/env bash
# Archives of version 8 (algorithm 9, ChaCha20-Poly1305) through the tool:
# encrypt, decrypt, list, test, import's refusal, --select, --delete-archives,
# the derivation's memory setting, and a job stopped half way.
# Usage: modern_commands_test.sh PELORIN_BINARY
set -u
pelorin="$1"
source "$(dirname "$0")/check.sh"
export PELORIN_PASSKEY='correct horse ☃'

byte() { od -An -tu1 -j "$2" -N 1 "$1" | tr -d ' '; }
flip() { printf "$(printf '\\%03o' $(($(byte "$1" "$2") ^ 1)))" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null; }

"$pelorin" settings encrypt kdfmemory 100 2>/dev/null
check "kdfmemory takes powers of two only" test $? -eq 2
"$pelorin" settings encrypt kdfmemory 8192 2>/dev/null
check "up to 4096" test $? -eq 2
"$pelorin" settings encrypt kdfmemory 8
check "8 is taken" test "$("$pelorin" settings encrypt kdfmemory)" = 8

# A tree with files around the chunk size, an empty file and folder, a time
# and a mode.
mkdir -p "$work/T/empty" "$work/T/sub"
for size in 0 1 65535 65536 65537 3000001; do head -c $size /dev/urandom >"$work/T/sub/f$size"; done
chmod 640 "$work/T/sub/f1"
touch -d '2001-02-03 04:05:06.123456789' "$work/T/sub/f65536"
"$pelorin" encrypt "$work/T" 2>"$work/err"
check "encrypt without --algorithm (none remembered) exits 0" test $? -eq 0
check "and writes version 8, algorithm 9" test "$(byte "$work/T.pvb" 0) $(byte "$work/T.pvb" 1)" = "8 9"
check "with the derivation's memory of the setting (2^13 KiB)" test "$(byte "$work/T.pvb" 15)" = 13
"$pelorin" encrypt --algorithm cHaCha20 --kdf-memory 16 "$work/T/sub/f1" 2>/dev/null
check "--algorithm ChaCha20 in any case, --kdf-memory 16" test "$(byte "$work/T/sub/f1.pvb" 15)" = 14
"$pelorin" encrypt --algorithm ChaCha20-Poly1305 --kdf-memory 12 "$work/T/sub/f1" 2>/dev/null
check "--kdf-memory 12 is a usage error" test $? -eq 2
rm -f "$work/T/sub/f1.pvb"

"$pelorin" list "$work/T.pvb" >"$work/list" 2>/dev/null
check "list exits 0" test $? -eq 0
check "list shows kind, size, time and name" \
  grep -qxF "  file	65536	2001-02-03T04:05:06.123456789Z	T\\sub\\f65536" "$work/list"
check "and the empty folder" grep -qP '^  folder\t-\t.*\tT\\empty$' "$work/list"

"$pelorin" test "$work/T.pvb" >"$work/out" 2>/dev/null
check "test of a whole archive exits 0" test $? -eq 0
check "and says so" grep -q "whole (version 8, 9 entries" "$work/out"

mkdir "$work/R" && cp "$work/T.pvb" "$work/R/"
(cd "$work/R" && "$pelorin" decrypt T.pvb 2>"$work/err")
check "decrypt exits 0" test $? -eq 0
check "every file and folder comes back as it was" diff -r "$work/T" "$work/R/T"
check "the empty folder too" test -d "$work/R/T/empty"
check "the mode" test "$(stat -c %a "$work/R/T/sub/f1")" = 640
check "the time, to the nanosecond" \
  test "$(stat -c %y "$work/R/T/sub/f65536")" = "$(stat -c %y "$work/T/sub/f65536")"

# Faults, each named with its byte; nothing under an entry's own name.
cp "$work/T.pvb" "$work/bad.pvb" && flip "$work/bad.pvb" 2000
"$pelorin" test "$work/bad.pvb" >/dev/null 2>"$work/err"
check "test of a changed archive exits 4" test $? -eq 4
check "naming the byte" grep -q "at byte [0-9]*: a chunk of" "$work/err"
size=$(stat -c %s "$work/T.pvb")
head -c $((size - 1)) "$work/T.pvb" >"$work/cut.pvb"
"$pelorin" test "$work/cut.pvb" >/dev/null 2>"$work/err"
check "one byte short: 4, cut short" test $? -eq 4 -a -n "$(grep 'cut short' "$work/err")"
cp "$work/T.pvb" "$work/long.pvb" && printf 'x' >>"$work/long.pvb"
"$pelorin" test "$work/long.pvb" >/dev/null 2>"$work/err"
check "a trailing byte: 4, extended" test $? -eq 4 -a -n "$(grep 'extended' "$work/err")"
PELORIN_PASSKEY=other "$pelorin" test "$work/T.pvb" >/dev/null 2>"$work/err"
check "another passkey: 4, Incorrect Passkey" test $? -eq 4 -a -n "$(grep 'Incorrect Passkey' "$work/err")"
cp "$work/T.pvb" "$work/huge.pvb" && printf '\027' | dd of="$work/huge.pvb" bs=1 seek=15 conv=notrunc 2>/dev/null
"$pelorin" test "$work/huge.pvb" >/dev/null 2>"$work/err"
check "a header asking for 8 GiB: 4, refused" test $? -eq 4 -a -n "$(grep 'asks for 8 GiB' "$work/err")"

mkdir "$work/C" && cp "$work/cut.pvb" "$work/C/T.pvb"
(cd "$work/C" && "$pelorin" decrypt --delete-archives T.pvb 2>"$work/err")
check "decrypt of an archive one byte short exits 4" test $? -eq 4
check "and keeps it" test -e "$work/C/T.pvb"
check "though every entry came back" cmp -s "$work/T/sub/f3000001" "$work/C/T/sub/f3000001"

mkdir "$work/S" && cp "$work/T.pvb" "$work/S/"
(cd "$work/S" && "$pelorin" decrypt --select 'T\sub\f65537' --yes --delete-archives T.pvb 2>/dev/null)
check "--select restores the one entry" test -e "$work/S/T/sub/f65537" -a ! -e "$work/S/T/sub/f1"
check "--delete-archives wipes a whole archive after the question" test ! -e "$work/S/T.pvb"

"$pelorin" import --algorithm 9 --padding 0 "$work/T.pvb" 2>/dev/null
check "import refuses algorithm 9" test $? -eq 2
"$pelorin" import --algorithm 1 --padding 0 "$work/T.pvb" 2>"$work/err"
check "and an archive of version 8 as input, saying so" \
  test $? -eq 4 -a -n "$(grep 'never import input' "$work/err")" -a ! -e "$work/default output.txt"

# Classic archives: the pad bytes are checked, and the test says what these
# versions cannot tell. Their passkey is the code page's text, as in decrypt.
printf 'hello' >"$work/h.txt"
PELORIN_PASSKEY='Grüße' "$pelorin" encrypt --algorithm 1 "$work/h.txt" 2>/dev/null
PELORIN_PASSKEY='Grüße' "$pelorin" test "$work/h.pvb" >"$work/out" 2>/dev/null
check "a classic archive tests clean, without an integrity check" \
  test $? -eq 0 -a -n "$(grep 'carry no integrity check' "$work/out")"
hsize=$(stat -c %s "$work/h.pvb")
flip "$work/h.pvb" $((hsize - 9))
PELORIN_PASSKEY='Grüße' "$pelorin" test "$work/h.pvb" >/dev/null 2>"$work/err"
check "a changed pad byte is found" test $? -eq 4 -a -n "$(grep 'pad byte of the data' "$work/err")"

# A job stopped half way leaves no archive that tests whole: the signal
# comes once the archive holds part of the big file. A source deleted
# before the stop lives only in that archive, which the stop says.
mkdir "$work/stop"
printf 'stored first' >"$work/stop/a.txt"
head -c 400000000 /dev/zero >"$work/stop/big.bin"
"$pelorin" encrypt --delete-sources "$work/stop/a.txt" "$work/stop/big.bin" 2>"$work/err" &
job=$!
for _ in $(seq 200); do
  [[ $(stat -c %s "$work/stop/a.pvb" 2>/dev/null || echo 0) -gt 4000000 ]] && break
  sleep 0.05
done
kill -TERM $job 2>/dev/null
wait $job
check "SIGTERM stops the job" test $? -eq 1
check "its archive is kept" test -s "$work/stop/a.pvb"
check "the source stored before the stop is gone, the one being stored is not" \
  test ! -e "$work/stop/a.txt" -a -e "$work/stop/big.bin"
check "the stop says the archive is the only copy of it" grep -q "only copy of the 1 file already deleted: keep it" "$work/err"
"$pelorin" test "$work/stop/a.pvb" >/dev/null 2>"$work/err"
check "and does not test whole: it has no end record" test $? -eq 4 -a -n "$(grep 'cut short' "$work/err")"
"$pelorin" decrypt --yes --select a.txt "$work/stop/a.pvb" >/dev/null 2>&1
check "the deleted source comes back from it" test "$(cat "$work/stop/a.txt" 2>/dev/null)" = "stored first"

finish
