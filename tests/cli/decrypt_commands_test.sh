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

finish
