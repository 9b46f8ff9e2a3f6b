#!/usr/bin/env bash
# What the wipe commands tell of the volumes they reach, their read-back
# (--verify) and their erasure report (--report), on volumes of the test's
# own: a loop-mounted ext4 image mounted with discard (the fill leaves no
# marker, the free space is trimmed and the loop device gives it back to
# the image file as holes), a tmpfs (memory, nothing to trim), an ext2 image
# (exactly the last pass is read back; a read-back made to differ keeps the
# file) and a full tmpfs for the report. Report paths a careless user or an
# attacker might give are refused before anything is wiped. Needs root.
# Usage: erasure_report_test.sh PELORIN_BINARY
set -u
pelorin="$1"
source "$(dirname "$0")/check.sh"
source "$(dirname "$0")/../forensics/marker.sh"
export XDG_STATE_HOME="$work/state"

if [[ $(id -u) -ne 0 ]] || ! command -v mkfs.ext4 >/dev/null || ! command -v python3 >/dev/null; then
  echo "note: needs root, e2fsprogs and python3 for loop-mounted images; skipped"
  finish
  exit $?
fi

marker='PELORIN-REPORT-MARKER-3b71e0c5'
mnt="$work/mnt"
full="$work/full"
mkdir -p "$mnt" "$full"
cleanup() {
  for folder in "$mnt" "$full"; do mountpoint -q "$folder" && umount "$folder"; done
  rm -rf "$work"
}
trap cleanup EXIT

# field REPORT EXPRESSION: a value of the report, by a Python expression
# over `r` (the document); fails when it is no valid JSON.
field() {
  python3 - "$1" "$2" <<'PY'
import json, sys
with open(sys.argv[1], encoding="utf-8") as f:
    r = json.load(f)
print(eval(sys.argv[2]))
PY
}
allocated_kib() { du -k "$1" | cut -f1; }

# ext4 with discard: the marker is gone, the free space trimmed, the image
# file given back its blocks.
image="$work/ext4.img"
truncate -s 64M "$image" && mkfs.ext4 -q -F -b 4096 "$image"
if mount -o loop,discard "$image" "$mnt"; then
  release_reserved_clusters "$mnt"
  scatter_deleted_marker "$mnt" "$marker" 60
  "$pelorin" wipe-free --passes 2 --verify --report "$work/ext4.json" "$mnt" 2>"$work/err"
  check "ext4: wipe-free --verify --report exits 0" test $? -eq 0
  report="$work/ext4.json"
  check "ext4: the report names the volume" test "$(field "$report" "r['volumes'][0]['path']")" = "$mnt/"
  check "ext4: its file system and data mode" \
    test "$(field "$report" "r['volumes'][0]['filesystem'], r['volumes'][0]['data_mode']")" = "('ext4', 'ordered')"
  check "ext4: a loop device is a virtual medium" test "$(field "$report" "r['volumes'][0]['medium']")" = virtual
  check "ext4: the free space was trimmed" test "$(field "$report" "r['volumes'][0]['trim']")" = done
  check "ext4: and the verdict says so" grep -q "^pelorin: $mnt/: .*free space was trimmed\.$" "$work/err"
  written=$(field "$report" "r['jobs'][0]['bytes_overwritten']")
  verified=$(field "$report" "r['jobs'][0]['bytes_verified']")
  check "ext4: the last of two passes was read back whole" test "$verified" -gt 0 -a $((2 * verified)) -eq "$written"
  check "ext4: as it was written" test "$(field "$report" "r['jobs'][0]['verify_failures']")" = 0
  check "ext4: the times are UTC" \
    test -n "$(field "$report" "r['started'] + r['finished']" | grep -E '^([0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z){2}$')"
  check "ext4: the folder is withheld from the command" \
    test "$(field "$report" "r['command'][-1]")" = "(withheld)"
  umount "$mnt"
  check "ext4: no byte of the marker is left in the image" test "$(count_in_image "$image" "$marker")" -eq 0
  check "ext4: the image file holds well below its size (the loop device passed TRIM on)" \
    test "$(allocated_kib "$image")" -lt $((64 * 1024 / 4))
else
  echo "note: loop mounts are not possible here; ext4 skipped"
fi

# tmpfs: memory, nothing to trim, read back all the same.
mount -t tmpfs -o size=8m tmpfs "$mnt"
"$pelorin" wipe-free --passes 1 --verify --report "$work/tmpfs.json" "$mnt" 2>/dev/null
check "tmpfs: wipe-free exits 0" test $? -eq 0
check "tmpfs: medium memory, trim not-applicable" \
  test "$(field "$work/tmpfs.json" "r['volumes'][0]['medium'], r['volumes'][0]['trim']")" = \
    "('memory', 'not-applicable')"
check "tmpfs: the fill was read back" test "$(field "$work/tmpfs.json" "r['jobs'][0]['bytes_verified']")" -gt 0
umount "$mnt"

# ext2: wipe-file --verify reads back exactly the last pass (the file to the
# end of its last block); a read-back made to differ keeps the file.
image="$work/ext2.img"
truncate -s 16M "$image" && mkfs.ext2 -q -F -b 1024 "$image"
if mount -o loop "$image" "$mnt"; then
  head -c 5000 /dev/urandom >"$mnt/a.bin"
  printf 'kept' >"$mnt/kept.txt"
  "$pelorin" wipe-file --passes 3 --verify --report "$work/ext2.json" "$mnt/a.bin" 2>/dev/null
  check "ext2: wipe-file --verify exits 0 and deletes" test $? -eq 0 -a ! -e "$mnt/a.bin"
  check "ext2: exactly the last pass's 5 blocks were read back" \
    test "$(field "$work/ext2.json" "r['jobs'][0]['bytes_verified'], r['jobs'][0]['bytes_overwritten']")" = \
    "(5120, 15360)"
  PELORIN_TEST_CORRUPT_READBACK=1 "$pelorin" wipe-file --verify --report "$work/bad.json" "$mnt/kept.txt" \
    2>"$work/err"
  check "ext2: a read-back that differs gives status 14" test $? -eq 14
  check "ext2: and keeps the file, at its length" test -f "$mnt/kept.txt" -a "$(stat -c %s "$mnt/kept.txt")" -eq 4
  check "ext2: and says so" grep -q "kept.txt: The last overwrite pass did not read back" "$work/err"
  check "ext2: the report counts the failure and the file left, by reason alone" \
    test "$(field "$work/bad.json" \
      "r['exit_status'], r['jobs'][0]['verify_failures'], list(r['jobs'][0]['files_left'][0])")" = "(14, 1, ['reason'])"
  check "ext2: no name is in the report" test -z "$(grep -F kept.txt "$work/bad.json")"
  umount "$mnt"
fi

# The report's place: refused before anything is wiped when it is a link, a
# pipe, a folder, a file that is no earlier report, or among what the job
# wipes; an earlier report is replaced.
printf 'x' >"$work/victim.txt"
printf 'important' >"$work/existing.txt"
ln -s "$work/existing.txt" "$work/link.json"
mkfifo "$work/fifo.json"
mkdir "$work/folder.json"
for target in link.json fifo.json folder.json existing.txt victim.txt; do
  timeout 20 "$pelorin" wipe-file --report "$work/$target" "$work/victim.txt" 2>"$work/err"
  check "report at $target: refused as a usage error" test $? -eq 2
  check "report at $target: before anything was wiped" test "$(cat "$work/victim.txt")" = x
done
check "the file behind the link is as it was" test "$(cat "$work/existing.txt")" = important
check "the pipe is still a pipe" test -p "$work/fifo.json"
mkdir -p "$work/tree/inner"
printf 'y' >"$work/tree/inner/file.txt"
"$pelorin" delete --yes --report "$work/tree/inner/report.json" "$work/tree" 2>/dev/null
check "a report inside what delete deletes is refused" test $? -eq 2 -a -f "$work/tree/inner/file.txt"
"$pelorin" wipe-file --report "$work/again.json" "$work/victim.txt" 2>/dev/null
check "a new report is written" test $? -eq 0 -a -f "$work/again.json"
check "for this user alone" test "$(stat -c %a "$work/again.json")" = 600
printf 'z' >"$work/victim.txt"
"$pelorin" wipe-file --report "$work/again.json" "$work/victim.txt" 2>/dev/null
check "an earlier report is replaced" \
  test $? -eq 0 -a "$(field "$work/again.json" "r['jobs'][0]['files_overwritten']")" = 1
check "and nothing is left beside it" test -z "$(ls -A "$work" | grep pelorin-report)"

# Hostile names: control characters and bytes that are no UTF-8 stay valid
# JSON with --report-names (the odd bytes as U+FFFD); without it they are
# not in the report at all.
hostile=$(printf 'evil\001\033[31m\nline\377\300name')
for names in --report-names ""; do
  printf 'h' >"$work/$hostile"
  "$pelorin" wipe-file --report "$work/named.json" $names -- "$work/$hostile" "$work/$hostile-gone" 2>/dev/null
  check "hostile names ${names:-withheld}: status 1 for the one that does not exist" test $? -eq 1
  check "hostile names ${names:-withheld}: the hostile file was wiped" test ! -e "$work/$hostile"
  check "hostile names ${names:-withheld}: no raw control byte in the document" \
    test -z "$(tr -d '\n' <"$work/named.json" | LC_ALL=C tr -d '[:print:]')"
  if [[ -n $names ]]; then
    check "hostile names: valid JSON naming the file left" \
      test "$(field "$work/named.json" \
        "r['jobs'][0]['files_left'][0]['name'] == '$work/evil\\x01\\x1b[31m\\nline\\ufffd\\ufffdname-gone'")" = True
  else
    check "hostile names withheld: valid JSON without them" \
      test "$(field "$work/named.json" "len(r['jobs'][0]['files_left'])")" = 1 \
        -a -z "$(grep -a evil "$work/named.json")"
  fi
  rm -f "$work/named.json"
done

# A report that cannot be written (its volume is full) fails the job's
# status even though the wipe succeeded, and leaves no partial report.
mount -t tmpfs -o size=64k tmpfs "$full"
head -c 1M /dev/zero >"$full/filler" 2>/dev/null
printf 'w' >"$work/victim.txt"
"$pelorin" wipe-file --report "$full/report.json" "$work/victim.txt" 2>"$work/err"
check "a full volume for the report: status 16" test $? -eq 16
check "the wipe itself was done" test ! -e "$work/victim.txt"
check "it says why" grep -q "report $full/report.json could not be written" "$work/err"
check "and leaves nothing there" test -z "$(ls "$full" | grep -v filler)"
umount "$full"

finish
