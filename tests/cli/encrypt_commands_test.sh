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

# The tool's contract: unknown options, "--", trailing separators, relative
# names, the passkey's source.
printf 'c' >"$work/c.txt"
(cd "$work" && PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 --dlete-sources c.txt 2>/dev/null)
check "an unknown option is a usage error" test $? -eq 2
check "and writes nothing" test -z "$(ls "$work" | grep -e '-dlete' -e '^c.pvb$')"
printf 'dash' >"$work/-notes.txt"
printf 'plain' >"$work/notes.txt"
(cd "$work" && PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 -- -notes.txt 2>/dev/null)
check "a name after -- keeps its leading '-'" test -s "$work/-notes.pvb" -a ! -e "$work/notes.pvb"
check "and it is the dashed file that is stored" \
  test "$(PELORIN_PASSKEY=secret "$pelorin" list -- "$work/-notes.pvb" | tail -n 1 | cut -f 2)" = "-notes.txt"
mkdir -p "$work/D" && printf 'd' >"$work/D/in.txt"
(cd "$work" && PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 D// 2>/dev/null)
check "trailing separators name the folder itself" test -s "$work/D.pvb" -a ! -e "$work/D/D.pvb"
mkdir -p "$work/rel" && printf 'r' >"$work/rel/r.txt"
(cd "$work/rel" && PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 --delete-sources r.txt 2>/dev/null)
check "a relative name is wiped after it was stored" test $? -eq 0 -a ! -e "$work/rel/r.txt" -a -s "$work/rel/r.pvb"
printf 'from the file\n' >"$work/keyfile"
PELORIN_PASSKEY=from-the-variable "$pelorin" encrypt --algorithm 1 --passkey-file "$work/keyfile" "$work/c.txt" \
  2>/dev/null
check "--passkey-file wins over PELORIN_PASSKEY" \
  test "$(env -u PELORIN_PASSKEY "$pelorin" decrypt --passkey-file "$work/keyfile" "$work/c.pvb" 2>&1; echo $?)" = 0
"$pelorin" encrypt --algorithm 1 "$work/c.txt" --passkey-file 2>"$work/err"
check "--passkey-file without a value is a usage error" test $? -eq 2 -a -n "$(grep 'needs a value' "$work/err")"
env -u PELORIN_PASSKEY "$pelorin" encrypt --algorithm 1 --passkey-file "$work/nothing-here" "$work/c.txt" 2>"$work/err"
check "a missing passkey file is named" test $? -eq 2 -a -n "$(grep 'nothing-here cannot be read' "$work/err")"
# Overwrite on and a source gone since the last run: the archive that holds
# it is not replaced by an empty one.
mkdir -p "$work/ow" && printf 'only copy' >"$work/ow/s.txt"
"$pelorin" settings encrypt overwrite 1
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 --delete-sources "$work/ow/s.txt" 2>/dev/null
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 --delete-sources "$work/ow/s.txt" 2>/dev/null
check "a second run without its source leaves the archive" test $? -eq 4
check "which still holds the file" \
  test "$(PELORIN_PASSKEY=secret "$pelorin" list "$work/ow/s.pvb" | tail -n 1 | cut -f 2)" = s.txt
"$pelorin" settings encrypt overwrite 0
"$pelorin" settings encrypt stickydelete 1
"$pelorin" settings encrypt havedelete 1
printf 'stay' >"$work/ow/t.txt"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 "$work/ow/t.txt" 2>/dev/null
check "a remembered delete choice does not wipe without --delete-sources" test -e "$work/ow/t.txt"
"$pelorin" settings encrypt stickydelete 0
"$pelorin" settings encrypt encheaders 7 2>"$work/err"
check "an out-of-range setting is refused with its range" test $? -eq 2 -a -n "$(grep 'from 0 to 1' "$work/err")"
"$pelorin" settings encrypt numpasses 99999999999 2>/dev/null
check "so is a pass count beyond it" test $? -eq 2

# A folder of empty files stores nothing: no archive, and no word of one.
mkdir -p "$work/E" && : >"$work/E/a" && : >"$work/E/b"
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 2 "$work/E" 2>"$work/err"
check "a job that stores nothing ends with 4 and leaves no archive" test $? -eq 4 -a ! -e "$work/E.pvb"
check "and does not claim to have written one" test -z "$(grep 'wrote' "$work/err")"

# A folder goes only when everything in it was stored and wiped: an empty
# folder, which an archive cannot hold, stays, and so do the folders around it.
mkdir -p "$work/K/Full" "$work/K/Empty" "$work/K/Nest/Empty"
printf 'kept' >"$work/K/Full/f.txt"
PELORIN_PASSKEY=secret "$pelorin" encrypt --delete-sources --algorithm 2 "$work/K" 2>/dev/null
check "deletion takes a folder whose files were all stored" test $? -eq 0 -a ! -e "$work/K/Full"
check "but keeps empty folders and the folders around them" test -d "$work/K/Empty" -a -d "$work/K/Nest/Empty"

# On loop-mounted ext2 and ext4 images of the test's own, neither the
# sources' contents nor their names (nor their folders') are left in the raw
# image once they were wiped, with entry names encrypted; ext4 keeps what it
# logged in its journal for a while, which is not counted.
if [[ $(id -u) -eq 0 ]] && command -v mkfs.ext4 >/dev/null; then
  # A file system mounted (or a folder bound) inside a dropped folder is
  # stored, but nothing on it is wiped.
  mkdir -p "$work/M/bound" "$work/M/mounted" "$work/elsewhere"
  printf 'bound' >"$work/elsewhere/b.txt"
  if mount --bind "$work/elsewhere" "$work/M/bound" && mount -t tmpfs -o size=1m tmpfs "$work/M/mounted"; then
    printf 'mounted' >"$work/M/mounted/m.txt"
    PELORIN_PASSKEY=secret "$pelorin" encrypt --delete-sources --algorithm 2 "$work/M" 2>"$work/err"
    check "what is mounted inside a dropped folder is not wiped (exit 4)" \
      test $? -eq 4 -a -s "$work/elsewhere/b.txt" -a -s "$work/M/mounted/m.txt"
    check "and the message says so" test "$(grep -c 'mounted inside a dropped folder' "$work/err")" -eq 2
    check "but it is stored" test "$(PELORIN_PASSKEY=secret "$pelorin" list "$work/M.pvb" | grep -c -e 'b.txt' -e 'm.txt')" -eq 2
  fi
  umount "$work/M/bound" "$work/M/mounted" 2>/dev/null

  source "$(dirname "$0")/../forensics/marker.sh"
  name_marker=SRCNAMEMARKQX
  content_marker='PELORIN-SOURCE-CONTENT-MARKER-9e1c'
  mkdir -p "$work/image"
  for kind in ext2 ext4; do
    image="$work/sources-$kind.img"
    dd if=/dev/zero of="$image" bs=1M count=16 status=none
    "mkfs.$kind" -F -q -b 4096 "$image"
    if ! mount -o loop "$image" "$work/image"; then
      echo "note: loop mounts are not possible here; the $kind checks were skipped"
      continue
    fi
    top="$work/image/top"
    mkdir -p "$top/${name_marker}sub"
    for n in 1 2 3 4; do
      for folder in "$top" "$top/${name_marker}sub"; do
        python3 -c "import sys; open(sys.argv[1],'wb').write(sys.argv[2].encode() * 3000)" \
          "$folder/${name_marker}file$n.txt" "$content_marker"
      done
    done
    sync
    PELORIN_PASSKEY=secret "$pelorin" encrypt --delete-sources --algorithm 2 "$top" 2>/dev/null
    check "$kind: the sources are stored and wiped" test $? -eq 0 -a ! -e "$top" -a -s "$work/image/top.pvb"
    umount "$work/image"
    check "$kind: no name of the sources is left in the image" \
      test "$(count_outside_journal "$image" "$name_marker")" -eq 0
    check "$kind: no byte of their contents is left" test "$(count_in_image "$image" "$content_marker")" -eq 0
  done
fi

# A source that another program has open (a log it still writes to) is
# stored but not wiped: what it wrote meanwhile would be lost.
mkdir -p "$work/open"
printf 'first line\n' >"$work/open/log.txt"
sleep 60 >>"$work/open/log.txt" &
writer=$!
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 --delete-sources "$work/open/log.txt" 2>"$work/err"
check "a source open in another program is kept (status 4)" test $? -eq 4 -a -s "$work/open/log.txt"
check "and the message says why" grep -q "not overwritten (another program has it open)" "$work/err"
kill "$writer"
wait "$writer" 2>/dev/null
rm -rf "$work/open"

# A file whose path is longer than the system takes (a tree deeper than
# PATH_MAX) cannot be stored: it is named and the status says so, and its
# folders stay.
mkdir -p "$work/long/top"
printf 'near' >"$work/long/top/near.txt"
python3 - "$work/long/top" <<'DEEP'
import os, sys
os.chdir(sys.argv[1])
for level in range(900):
    os.mkdir("level%04d" % level)
    os.chdir("level%04d" % level)
open("far.txt", "w").write("far")
DEEP
PELORIN_PASSKEY=secret "$pelorin" encrypt --algorithm 1 --delete-sources "$work/long/top" 2>"$work/err"
check "a path too long to reach gives status 4" test $? -eq 4
check "and is named" grep -q 'level[0-9]*" could not be looked at' "$work/err"
check "and its folders stay" test -d "$work/long/top/level0000"
rm -rf "$work/long"

# On a terminal of 60 columns the progress line never wraps, also with a long
# name, and the job ends with its summary.
if command -v script >/dev/null; then
  mkdir -p "$work/wide"
  long="$work/wide/a-file-with-a-name-much-longer-than-the-terminal-is-wide.bin"
  head -c 20000000 /dev/zero >"$long"
  PELORIN_PASSKEY=secret PELORIN_CIPHER_THREADS=1 script -qec "stty cols 60; '$pelorin' encrypt --algorithm 2 '$long'" \
    "$work/wide/typescript" >/dev/null
  widest=$(tr '\r' '\n' <"$work/wide/typescript" | sed 's/\x1b\[K//g' | grep -v -e '^Script ' -e '^pelorin: ' | awk '{ if (length > w) w = length } END { print w }')
  check "the progress line fits the terminal ($widest columns)" test "$widest" -lt 60
  check "and the job ends with its summary" grep -qa "1 file, 20.0 MB in" "$work/wide/typescript"
fi

finish
