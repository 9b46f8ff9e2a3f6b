#!/usr/bin/env bash
# An archive of version 8 made on Linux holding files whose names Windows
# takes for devices ("nul", "CON.txt", "Lpt9 .log") or with characters it
# forbids ("a*b", "q?"), restored by pelorin.exe
# under Wine: those names are refused and named, everything else in the
# archive is restored, and nothing is left half-written. Run from the win64
# tests with WINEPREFIX set.
# Usage: device_names_test.sh NATIVE_PELORIN PELORIN_EXE
set -u
native=$1
exe=$(realpath "$2")
if [[ ! -x "$native" ]]; then
  echo "note: the native tool ($native) is not built; skipped"
  exit 0
fi
pelorin=$native
source "$(dirname "$0")/../cli/check.sh"
windows() { winepath -w "$1" 2>/dev/null; }

devices=("nul" "sub/CON.txt" "Lpt9 .log" "com1" "a*b" "q?" "d\"q" "p|p")
mkdir -p "$work/linux/tree/sub" "$work/windows"
for name in "${devices[@]}" a.txt sub/z.txt; do printf '%s' "$name" >"$work/linux/tree/$name"; done
printf 'pw\n' >"$work/key"
(cd "$work/linux" && "$pelorin" encrypt --algorithm 9 --kdf-memory 8 --passkey-file "$work/key" tree 2>/dev/null)
check "the Linux tool stores the device names" test -f "$work/linux/tree.pvb"
cp "$work/linux/tree.pvb" "$work/windows/"
wine "$exe" decrypt --passkey-file "$(windows "$work/key")" "$(windows "$work/windows/tree.pvb")" \
  </dev/null >/dev/null 2>"$work/err"
check "pelorin.exe says not everything came back" test $? -ne 0
for name in "${devices[@]}"; do
  check "it names $name" grep -qF "${name//\//\\}" "$work/err"
done
check "it restores every other file" test "$(cat "$work/windows/tree/a.txt" "$work/windows/tree/sub/z.txt")" = a.txtsub/z.txt
check "and leaves nothing half-written" test -z "$(find "$work/windows" -name '*.tmp')"
check "the archive stays" test -f "$work/windows/tree.pvb"
finish
