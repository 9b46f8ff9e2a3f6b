#!/usr/bin/env bash
# The pelorin tool's decrypt, import and list commands, run as a user runs them.
# Usage: decrypt_commands_test.sh PELORIN_BINARY
set -u
pelorin="$1"
source "$(dirname "$0")/check.sh"

mkdir -p "$work/src/W/Sub" "$work/out"
printf 'alpha' >"$work/src/a.txt"
printf 'deep' >"$work/src/W/Sub/b.doc"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm Safer "$work/src/a.txt" "$work/src/W" 2>/dev/null
mv "$work/src/a.pvb" "$work/out/a.pvb"

listing=$(PELORIN_PASSKEY=secret "$pelorin" list "$work/out/a.pvb")
check "list names the algorithm" grep -q "algorithm 6 (Safer)" <<<"$listing"
check "list shows names and sizes" grep -q "4.W.Sub.b.doc" <<<"$listing"

PELORIN_PASSKEY=wrong "$pelorin" decrypt "$work/out/a.pvb" 2>/dev/null
check "a wrong passkey is refused" test $? -eq 2 -a ! -e "$work/out/a.txt"

PELORIN_PASSKEY=secret "$pelorin" decrypt --select 'W\Sub\b.doc' "$work/out/a.pvb" 2>/dev/null
check "decrypt with --select exits 0" test $? -eq 0
check "restores the chosen entry below the archive's folder" test "$(cat "$work/out/W/Sub/b.doc")" = deep
check "and nothing else" test ! -e "$work/out/a.txt"

PELORIN_PASSKEY=secret "$pelorin" decrypt --delete-archives "$work/out/a.pvb" 2>/dev/null
check "decrypt restores every entry" test "$(cat "$work/out/a.txt")" = alpha
check "and wipes the archive read completely" test ! -e "$work/out/a.pvb"

# Import: 12 bytes of padding, then 16 bytes enciphered with ASCII under "k"
# (each byte plus k's XOR, 107, plus its position in the group).
printf 'PADDINGPADDI' >"$work/in.enc"
python3 - "$work/in.enc" <<'PY'
import sys
plain = b"sixteen bytes!!!"
data = bytes((b + 107 + i % 8) % 256 for i, b in enumerate(plain))
open(sys.argv[1], "ab").write(data)
PY
PELORIN_PASSKEY=k "$pelorin" import --algorithm ASCII --padding 12 "$work/in.enc" 2>/dev/null
check "import exits 0" test $? -eq 0
check "import writes default output.txt" test "$(cat "$work/default output.txt")" = 'sixteen bytes!!!'
PELORIN_PASSKEY=wrong "$pelorin" import --algorithm ASCII --padding 12 --delete-archives "$work/in.enc" 2>/dev/null
check "import refuses to delete its input" test $? -eq 2 -a -s "$work/in.enc"

# Every algorithm under every header and hashing setting: what pelorin
# encrypt writes, pelorin decrypt restores byte for byte (sizes around the
# 8-byte groups and a 70,000-byte file across buffer boundaries).
mkdir -p "$work/interop/src/F"
head -c 70000 /dev/urandom >"$work/interop/src/big.bin"
head -c 15 /dev/urandom >"$work/interop/src/F/odd.bin"
: >"$work/interop/src/empty.bin"  # dropped itself: an empty file inside a folder gets no entry
long_passkey='a passkey long enough for every cipher unhashed 0123456789'
for algorithm in ASCII BlowFish DES IDEA NewDES Pseudo-RC4 Safer Vigenere; do
  for headers in 0 1; do
    for hash in 0 1; do
      case_name="$algorithm headers=$headers hash=$hash"
      "$pelorin" settings encrypt encheaders $headers
      "$pelorin" settings encrypt hashpasskey $hash
      rm -rf "$work/interop/out" && mkdir -p "$work/interop/out"
      PELORIN_PASSKEY="$long_passkey" "$pelorin" encrypt --algorithm "$algorithm" \
        "$work/interop/src/big.bin" "$work/interop/src/F" "$work/interop/src/empty.bin" 2>/dev/null
      mv "$work/interop/src/big.pvb" "$work/interop/out/big.pvb"
      PELORIN_PASSKEY="$long_passkey" "$pelorin" decrypt "$work/interop/out/big.pvb" 2>/dev/null
      check "$case_name: decrypt exits 0" test $? -eq 0
      check "$case_name: restored byte for byte" \
        cmp -s "$work/interop/src/big.bin" "$work/interop/out/big.bin"
      check "$case_name: the folder's files too" \
        cmp -s "$work/interop/src/F/odd.bin" "$work/interop/out/F/odd.bin"
      check "$case_name: the empty file too" test -f "$work/interop/out/empty.bin" -a ! -s "$work/interop/out/empty.bin"
    done
  done
done

"$pelorin" settings decrypt numiter 7
check "settings decrypt stores numiter" test "$("$pelorin" settings decrypt numiter)" = 7

# Exit statuses that tell the truth: 4 when the job ran but something named
# was not restored.
"$pelorin" settings encrypt encheaders 1
"$pelorin" settings encrypt hashpasskey 1
mkdir -p "$work/st"
head -c 30000 /dev/urandom >"$work/st/big.bin"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 "$work/st/big.bin" 2>/dev/null
head -c 5000 "$work/st/big.pvb" >"$work/st/cut.pvb"
PELORIN_PASSKEY=secret "$pelorin" decrypt --delete-archives "$work/st/cut.pvb" 2>/dev/null
check "a truncated archive gives status 4 and is kept" test $? -eq 4 -a -e "$work/st/cut.pvb"
: >"$work/st/empty.pvb"
PELORIN_PASSKEY=secret "$pelorin" decrypt "$work/st/empty.pvb" 2>/dev/null
check "a zero-length archive gives status 4" test $? -eq 4
cp "$work/st/big.pvb" "$work/st/other.pvb"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 "$work/src/a.txt" 2>/dev/null
mv "$work/src/a.pvb" "$work/st/mine.pvb"
PELORIN_PASSKEY=else "$pelorin" encrypt --algorithm 1 "$work/src/a.txt" 2>/dev/null
mv "$work/src/a.pvb" "$work/st/theirs.pvb"
PELORIN_PASSKEY=secret "$pelorin" decrypt "$work/st/mine.pvb" "$work/st/theirs.pvb" 2>"$work/err"
check "an archive under another passkey gives status 4" test $? -eq 4
check "with Incorrect Passkey" grep -q "Incorrect Passkey" "$work/err"
PELORIN_PASSKEY=secret "$pelorin" decrypt --select nothing.txt --delete-archives "$work/st/mine.pvb" 2>"$work/err"
check "--select that matches nothing gives status 4" test $? -eq 4 -a -n "$(grep 'nothing.txt' "$work/err")"
check "and neither restores nor deletes anything" test -e "$work/st/mine.pvb"
# Remembered choices of the dialog never act on the command line.
"$pelorin" settings decrypt stickdel 1
"$pelorin" settings decrypt actualdel 1
PELORIN_PASSKEY=secret "$pelorin" decrypt "$work/st/mine.pvb" 2>/dev/null
check "a remembered delete choice does not wipe without --delete-archives" test -e "$work/st/mine.pvb"
"$pelorin" settings decrypt stickdel 0
python3 - "$work/st/mine.pvb" "$work/st/unknown.pvb" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[1] = 9  # an algorithm number no cipher has
open(sys.argv[2], "wb").write(data)
PY
PELORIN_PASSKEY=secret "$pelorin" decrypt --yes --select a.txt "$work/st/unknown.pvb" 2>"$work/err"
check "an unknown algorithm gives status 4" test $? -eq 4
check "and its warning is asked once" test "$(grep -c 'is unknown' "$work/err")" -eq 1

# list: a wrong passkey says so; names cannot write to the terminal.
PELORIN_PASSKEY=wrong "$pelorin" list "$work/st/mine.pvb" >/dev/null 2>"$work/err"
check "list under a wrong passkey says Incorrect Passkey" test $? -eq 4 -a -n "$(grep 'Incorrect Passkey' "$work/err")"
printf 'x' >"$work/st/$(printf 'evil\033[2J')"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 "$work/st/$(printf 'evil\033[2J')" 2>/dev/null
PELORIN_PASSKEY=secret "$pelorin" list "$work/st/evil"*.pvb >"$work/listing" 2>&1
check "list escapes control characters" test -z "$(grep -a $'\033' "$work/listing")" -a -n "$(grep -F 'evil\x1b[2J' "$work/listing")"
# Eight-bit controls too (the code page's bytes 0x81 and 0x9D come back as
# U+0081 and U+009D); other UTF-8 stays. A name that is no text at all is
# refused, and named with its stray byte escaped.
printf 'x' >"$work/st/$(printf 'c1\xc2\x812J\xc2\x9d-caf\xc3\xa9')"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 "$work/st/c1"* 2>/dev/null
PELORIN_PASSKEY=secret "$pelorin" list "$work/st/c1"*.pvb >"$work/listing" 2>&1
check "list escapes eight-bit controls and keeps UTF-8" grep -qF "c1\xc2\x812J\xc2\x9d-café" "$work/listing"
mkdir "$work/st/stray" && printf 'x' >"$work/st/stray/$(printf 'b\x9b2J')"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 "$work/st/stray" 2>"$work/err"
check "a name that is not UTF-8 is refused and named, escaped" test $? -eq 4 -a -n "$(grep -F 'b\x9b2J" has characters' "$work/err")"

# Archive names that begin with '-' after "--".
cp "$work/st/mine.pvb" "$work/st/-dash.pvb"
(cd "$work/st" && PELORIN_PASSKEY=secret "$pelorin" list -- -dash.pvb >/dev/null 2>&1)
check "list takes a name beginning with '-' after --" test $? -eq 0
"$pelorin" decrypt --bogus "$work/st/mine.pvb" 2>/dev/null
check "an unknown option is a usage error" test $? -eq 2

# --delete-archives with a --select that leaves entries behind: without a
# terminal the archive stays unless --yes says otherwise.
mkdir -p "$work/sel"
printf 'one' >"$work/sel/one.txt" && printf 'two' >"$work/sel/two.txt"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 "$work/sel/one.txt" "$work/sel/two.txt" 2>/dev/null
rm "$work/sel/one.txt" "$work/sel/two.txt"
PELORIN_PASSKEY=secret "$pelorin" decrypt --select one.txt --delete-archives "$work/sel/one.pvb" </dev/null 2>"$work/err"
check "entries left behind keep the archive without --yes (status 4)" test $? -eq 4 -a -e "$work/sel/one.pvb"
check "and the question names them" grep -qF "1 entries of $work/sel/one.pvb were not restored and would be lost." "$work/err"
PELORIN_PASSKEY=secret "$pelorin" decrypt --yes --select one.txt --delete-archives "$work/sel/one.pvb" 2>/dev/null
check "--yes deletes it all the same" test $? -eq 0 -a ! -e "$work/sel/one.pvb" -a "$(cat "$work/sel/one.txt")" = one

# An archive that another program still has open (and could write to while
# it is wiped) is restored but not wiped.
mkdir -p "$work/held"
printf 'held' >"$work/held/h.txt"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 "$work/held/h.txt" 2>/dev/null
rm "$work/held/h.txt"
sleep 60 <"$work/held/h.pvb" &
holder=$!
PELORIN_PASSKEY=secret "$pelorin" decrypt --delete-archives "$work/held/h.pvb" 2>"$work/err"
check "an archive open in another program is kept (status 4)" test $? -eq 4 -a -s "$work/held/h.pvb"
check "and named as in use" grep -q "h.pvb\" is in use by another program" "$work/err"
check "its entry is restored all the same" test "$(cat "$work/held/h.txt")" = held
kill "$holder"
wait "$holder" 2>/dev/null

# An archive without a check value (version 3) opens under any passkey: it
# never replaces a file, and it is deleted only when a terminal says so,
# --yes or not. Made from a plain, unhashed archive in the old layout.
"$pelorin" settings encrypt encheaders 0
"$pelorin" settings encrypt hashpasskey 0
mkdir -p "$work/v3"
printf 'the real letter' >"$work/v3/letter.txt"
PELORIN_PASSKEY=correct-passkey "$pelorin" encrypt --algorithm BlowFish "$work/v3/letter.txt" 2>/dev/null
python3 - "$work/v3/letter.pvb" "$work/v3/old.pvb" <<'OLD'
import struct, sys
data = open(sys.argv[1], "rb").read()
header, entry = bytearray(data[:128]), data[156:]
header[0] = 3  # no archive salt, no check value, a 2-byte big-endian name length
length = struct.unpack("<i", entry[:4])[0]
open(sys.argv[2], "wb").write(bytes(header) + struct.pack(">H", length) + entry[4:])
OLD
rm "$work/v3/letter.pvb"
printf 'my own letter' >"$work/v3/letter.txt"
PELORIN_PASSKEY=wrong-passkey "$pelorin" decrypt --yes --delete-archives "$work/v3/old.pvb" </dev/null 2>"$work/err"
check "an old archive under a wrong passkey is kept (status 4)" test $? -eq 4 -a -e "$work/v3/old.pvb"
check "and the file of the entry's name is left as it was" test "$(cat "$work/v3/letter.txt")" = 'my own letter'
check "the output beside it is named" grep -qE "restored as $work/v3/letter[0-9]+\\.txt, beside $work/v3/letter\\.txt" "$work/err"
check "and why --yes did not delete the archive" grep -q "yes does not answer it" "$work/err"
rm "$work/v3/letter"[0-9]*.txt
PELORIN_PASSKEY=correct-passkey "$pelorin" decrypt "$work/v3/old.pvb" 2>/dev/null
check "the right passkey restores it beside the file too" test "$(cat "$work/v3/letter"[0-9]*.txt)" = 'the real letter'
"$pelorin" settings encrypt encheaders 1
"$pelorin" settings encrypt hashpasskey 1

# A passkey file's first line is the passkey, whatever its bytes: a NUL
# inside and a CRLF end (from a pipe too); a line too long or empty is refused.
mkdir -p "$work/pk"
printf 'odd' >"$work/pk/odd.txt"
printf 'pass\0word\r\nsecond line\n' >"$work/pk/crlf"
"$pelorin" encrypt --algorithm 1 --passkey-file "$work/pk/crlf" "$work/pk/odd.txt" 2>/dev/null
rm "$work/pk/odd.txt"
printf 'pass\0word' | "$pelorin" decrypt --passkey-file /dev/stdin "$work/pk/odd.pvb" 2>/dev/null
check "a passkey with a NUL byte, from a file and a pipe" test $? -eq 0 -a "$(cat "$work/pk/odd.txt")" = odd
head -c 200 /dev/zero | tr '\0' a >"$work/pk/long"
printf '\nsecond line\n' >"$work/pk/empty"
for file in long empty; do
  "$pelorin" decrypt --passkey-file "$work/pk/$file" "$work/pk/odd.pvb" 2>/dev/null
  check "a passkey file with a $file first line is refused" test $? -eq 2
done
# A stop ends the wait for a passkey from a pipe that nobody writes to.
mkfifo "$work/pk/fifo"
"$pelorin" decrypt --passkey-file "$work/pk/fifo" "$work/pk/odd.pvb" 2>"$work/err" &
waiting=$!
for _ in $(seq 100); do ls -l "/proc/$waiting/fd" 2>/dev/null | grep -q "pk/fifo" && break; sleep 0.05; done
kill -TERM "$waiting"
for _ in $(seq 100); do kill -0 "$waiting" 2>/dev/null || break; sleep 0.05; done
kill -KILL "$waiting" 2>/dev/null
wait "$waiting"
check "SIGTERM while the passkey is awaited stops the command (status 1)" test $? -eq 1
check "and says so" grep -q "stopped" "$work/err"

# Import never replaces a "default output.txt" from before.
printf 'an earlier output' >"$work/default output.txt"
PELORIN_PASSKEY=k "$pelorin" import --algorithm ASCII --padding 12 "$work/in.enc" 2>"$work/err"
check "import keeps an existing default output.txt" test $? -eq 0 -a "$(cat "$work/default output.txt")" = 'an earlier output'
check "and writes a numbered one beside it" test "$(cat "$work/default output"[0-9]*.txt)" = 'sixteen bytes!!!'

# Classic archives keep names and passkeys in a Windows code page:
# Windows-1252 unless --code-page or the archives setting names another.
mkdir -p "$work/cp/Work"
printf 'cyrillic' >"$work/cp/Work/$(printf '\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82.txt')"  # Привет.txt
PELORIN_PASSKEY=k "$pelorin" encrypt --algorithm 1 "$work/cp/Work" 2>"$work/err"
check "a name outside Windows-1252 is refused and named" test $? -eq 4 -a -n "$(grep -F 'code page 1252' "$work/err")"
PELORIN_PASSKEY=k "$pelorin" encrypt --algorithm 1 --code-page 1251 "$work/cp/Work" 2>/dev/null
check "--code-page 1251 holds it" test $? -eq 0
PELORIN_PASSKEY=k "$pelorin" list --code-page 1251 "$work/cp/Work.pvb" >"$work/listing"
check "and reads it back in that code page" grep -qF "$(printf 'Work\\\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82.txt')" "$work/listing"
"$pelorin" settings archives codepage 1251
PELORIN_PASSKEY=k "$pelorin" list "$work/cp/Work.pvb" >"$work/listing2"
check "as the archives setting does" cmp -s "$work/listing" "$work/listing2"
"$pelorin" settings archives codepage 0
PELORIN_PASSKEY=k "$pelorin" list --code-page 42 "$work/cp/Work.pvb" >/dev/null 2>&1
check "a code page the tool cannot convert is a usage error" test $? -eq 2
# A passkey that is UTF-8 is its Windows-1252 text for a classic archive,
# as the Windows programs have it; one the code page cannot hold is refused
# for a new archive. Archives of earlier versions, written under the UTF-8
# bytes (made here with --code-page 65001), still open with it.
printf 'x' >"$work/cp/a.txt"
printf 'Gr\xfc\xdfe\n' >"$work/cp/key1252"
PELORIN_PASSKEY=$(printf 'Gr\xc3\xbc\xc3\x9fe') "$pelorin" encrypt --algorithm 1 "$work/cp/a.txt" 2>/dev/null
"$pelorin" list --passkey-file "$work/cp/key1252" "$work/cp/a.pvb" >/dev/null 2>&1
check "a UTF-8 passkey becomes its Windows-1252 text" test $? -eq 0
PELORIN_PASSKEY=$(printf 'Gr\xc3\xbc\xc3\x9fe') "$pelorin" encrypt --algorithm 1 --code-page 65001 "$work/cp/a.txt" 2>/dev/null
PELORIN_PASSKEY=$(printf 'Gr\xc3\xbc\xc3\x9fe') "$pelorin" decrypt "$work/cp/a"[0-9]*.pvb 2>/dev/null
check "an archive written under the UTF-8 bytes still opens" test $? -eq 0
PELORIN_PASSKEY=$(printf '\xe6\x97\xa5\xe6\x9c\xac') "$pelorin" encrypt --algorithm 1 "$work/cp/a.txt" 2>"$work/err"
check "a passkey outside the code page is refused for a new archive" test $? -eq 2 -a -n "$(grep -F 'ChaCha20-Poly1305' "$work/err")"

finish
