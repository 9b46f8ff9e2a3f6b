#!/usr/bin/env bash
# Classic archives between Linux and Windows: names with characters above
# 0x7F (é, ü, ß, €) and a passkey with them go from the Linux tool to
# pelorin.exe under Wine and back, and come out with the same names and
# bytes; the archives hold the names as Windows-1252 bytes, as the Windows
# programs store them. Run from the win64 tests with WINEPREFIX set (the
# system's code page there is 1252).
# Usage: classic_names_test.sh NATIVE_PELORIN PELORIN_EXE
set -u
native=$1
exe=$(realpath "$2")
if [[ ! -x "$native" ]]; then
  echo "note: the native tool ($native) is not built; skipped"
  exit 0
fi
pelorin=$native
source "$(dirname "$0")/../cli/check.sh"
# Names on Wine's command line go through the Unix locale's encoding,
# which Wine may not take for UTF-8: the names with other characters are
# inside the folder "tree" that is named there.
win() { wine "$exe" "$@" </dev/null; }
windows() { winepath -w "$1" 2>/dev/null; }

folder=tree
inner=$(printf 'Gr\xc3\xbc\xc3\x9fe')                       # Grüße
names=("$inner/$(printf 'caf\xc3\xa9 \xe2\x82\xac.txt')"    # café €.txt
       "$(printf '\xc3\xbcber/\xc3\x9f.bin')")               # über/ß.bin
stored=$(printf 'tree\\Gr\xfc\xdfe\\caf\xe9 \x80.txt')      # the first name as 1252 bytes
printf 'Gr\xc3\xbc\xc3\x9fe\n' >"$work/key"                 # the passkey, UTF-8

make_tree() {  # make_tree FOLDER
  mkdir -p "$1/$folder/$(printf '\xc3\xbcber')" "$1/$folder/$inner"
  printf 'western' >"$1/$folder/${names[0]}"
  head -c 5000 /dev/urandom >"$1/$folder/${names[1]}"
}
same_tree() { diff -r "$work/source/$folder" "$1/$folder" >/dev/null; }
holds_stored_name() { LC_ALL=C grep -qF "$stored" "$1"; }

make_tree "$work/source"

# Linux to Windows. Names stored plain, to be seen.
"$pelorin" settings encrypt encheaders 0
mkdir -p "$work/linux"
cp -r "$work/source/$folder" "$work/linux/"
"$pelorin" encrypt --algorithm 1 --passkey-file "$work/key" "$work/linux/$folder" 2>"$work/err"
check "the Linux tool writes the archive" test $? -eq 0 -a -f "$work/linux/$folder.pvb"
check "it stores the names as Windows-1252 bytes" holds_stored_name "$work/linux/$folder.pvb"
mkdir -p "$work/restored-on-windows"
cp "$work/linux/$folder.pvb" "$work/restored-on-windows/"
win list --passkey-file "$(windows "$work/key")" "$(windows "$work/restored-on-windows/$folder.pvb")" \
  >"$work/listing" 2>&1
check "pelorin.exe lists the names as UTF-8" grep -qF "$folder\\$inner\\${names[0]#*/}" "$work/listing"
win decrypt --passkey-file "$(windows "$work/key")" "$(windows "$work/restored-on-windows/$folder.pvb")" \
  2>"$work/err"
check "pelorin.exe restores it" test $? -eq 0
check "with the same names and bytes" same_tree "$work/restored-on-windows"

# Windows to Linux, the passkey typed on Windows as UTF-8 too.
mkdir -p "$work/windows"
cp -r "$work/source/$folder" "$work/windows/"
win settings encrypt encheaders 0
win encrypt --algorithm 1 --passkey-file "$(windows "$work/key")" "$(windows "$work/windows/$folder")" 2>"$work/err"
status=$?
win settings encrypt encheaders 1
check "pelorin.exe writes the archive" test $status -eq 0 -a -f "$work/windows/$folder.pvb"
check "it stores the names as Windows-1252 bytes too" holds_stored_name "$work/windows/$folder.pvb"
mkdir -p "$work/restored-on-linux"
cp "$work/windows/$folder.pvb" "$work/restored-on-linux/"
"$pelorin" decrypt --passkey-file "$work/key" "$work/restored-on-linux/$folder.pvb" 2>"$work/err"
check "the Linux tool restores it" test $? -eq 0
check "with the same names and bytes" same_tree "$work/restored-on-linux"

# A passkey file in the code page (not UTF-8) is taken as it stands, on
# both systems, and opens the same archives.
printf 'Gr\xfc\xdfe\n' >"$work/key1252"
"$pelorin" list --passkey-file "$work/key1252" "$work/windows/$folder.pvb" >/dev/null 2>&1
check "a Windows-1252 passkey file opens it on Linux" test $? -eq 0
win list --passkey-file "$(windows "$work/key1252")" "$(windows "$work/linux/$folder.pvb")" >/dev/null 2>&1
check "and on Windows" test $? -eq 0
finish
