#!/usr/bin/env bash
# The pelorin tool's wipe commands, run as a user runs them.
# Usage: wipe_commands_test.sh PELORIN_BINARY
set -u
pelorin="$1"
source "$(dirname "$0")/check.sh"

printf 'secret data' >"$work/a.txt"
printf 'more' >"$work/b.txt"
"$pelorin" wipe-file --passes 2 "$work/a.txt" "$work/b.txt"
check "wipe-file exits 0" test $? -eq 0
check "wipe-file deletes every file" test ! -e "$work/a.txt" -a ! -e "$work/b.txt"

out=$("$pelorin" wipe-file "$work/missing.txt" 2>&1)
status=$?
check "a missing file gives status 1" test $status -eq 1
check "and the library's text" grep -q "missing.txt: Could not open a file" <<<"$out"

printf 'x' >"$work/keep.txt"
"$pelorin" wipe-file --passes abc "$work/keep.txt" 2>/dev/null
check "a bad pass count is a usage error" test $? -eq 2
check "and nothing is wiped" test -e "$work/keep.txt"

printf 'x' >"$work/target.txt"
ln -s "$work/target.txt" "$work/link.txt"
"$pelorin" wipe-file "$work/link.txt" 2>/dev/null
check "a link is not followed" test $? -eq 1 -a "$(cat "$work/target.txt")" = x

printf 'y' >"$work/slack.txt"
touch -d '2001-02-03 04:05:06' "$work/slack.txt"
"$pelorin" wipe-slack "$work/slack.txt"
check "wipe-slack keeps the content and its time" \
  test $? -eq 0 -a "$(cat "$work/slack.txt")" = y -a "$(stat -c %Y "$work/slack.txt")" = "$(date -d '2001-02-03 04:05:06' +%s)"

# Settings edited by hand beyond their range are named with their file and
# never taken: shown as the default in use, and no drive is wiped by them.
global="$XDG_CONFIG_HOME/Software/Tarn6 Software/Pelorin/Global.conf"
mkdir -p "$(dirname "$global")"
printf 'NumDisk=3\nNumMem=2000000000\n' >"$global"
"$pelorin" settings wipe >"$work/out" 2>"$work/err"
check "an out-of-range NumMem is shown as the default in use" grep -qx "NumMem=10" "$work/out"
check "and named with its file" grep -q "NumMem=2000000000 in $global is not a whole number from 0 to 10000" "$work/err"
small="$work/small"
mkdir -p "$small"
if [[ $(id -u) -eq 0 ]] && mount -t tmpfs -o size=1m tmpfs "$small" 2>/dev/null; then
  for value in -1 4294967295 99999999999 2x; do
    printf 'NumDisk=%s\n' "$value" >"$global"
    timeout 20 "$pelorin" wipe-drive --mode standard "$small" 2>"$work/err"
    check "wipe-drive refuses NumDisk=$value as a usage error" test $? -eq 2
    check "and names the file" grep -q "NumDisk=$value in $global" "$work/err"
  done
  rm "$global"
  umount "$small"
fi

# A sparse file far larger than its volume is overwritten where it holds
# data (ext2 maps its blocks; ext4 and tmpfs also tell its holes), and
# the volume is not filled on the way.
if [[ $(id -u) -eq 0 ]] && command -v mkfs.ext4 >/dev/null; then
  for kind in ext2 ext4; do
    truncate -s 16M "$work/$kind.img" && "mkfs.$kind" -q -F "$work/$kind.img"
    mount -o loop "$work/$kind.img" "$small" 2>/dev/null || continue
    truncate -s 1G "$small/sparse"
    printf 'SPARSE-MARKER-4d1c' | dd of="$small/sparse" bs=1 seek=500000000 conv=notrunc status=none
    sync
    timeout 60 "$pelorin" wipe-file "$small/sparse" 2>/dev/null
    check "$kind: a sparse file beyond the free space is wiped" test $? -eq 0 -a ! -e "$small/sparse"
    umount "$small"
    check "$kind: and its data is gone from the image" test "$(grep -c SPARSE-MARKER "$work/$kind.img")" -eq 0
  done
fi

# A tree deeper than the files the process may hold open is walked all the
# same: by delete, and by wipe-drive's thorough and complete runs.
deep_tree() {
  python3 -c 'import os, sys
os.chdir(sys.argv[1])
for i in range(200):
    os.mkdir("d"); os.chdir("d"); open("f", "w").write("x")' "$1"
}
if [[ $(id -u) -eq 0 ]] && mount -t tmpfs -o size=4m tmpfs "$small" 2>/dev/null; then
  mkdir "$small/tree" && deep_tree "$small/tree"
  (ulimit -n 16 && "$pelorin" delete --yes "$small/tree" 2>"$work/err")
  check "delete empties a tree deeper than the open-file limit" test $? -eq 0 -a ! -e "$small/tree"
  deep_tree "$small"
  (ulimit -n 16 && "$pelorin" wipe-drive --mode thorough --passes 1 "$small" 2>/dev/null)
  check "thorough walks it" test $? -eq 0
  (ulimit -n 16 && "$pelorin" wipe-drive --mode complete --yes --passes 1 "$small" 2>/dev/null)
  check "complete deletes all of it" test $? -eq 0 -a -z "$(ls "$small")"
  umount "$small"
fi

# A volume that takes no new file: the system's reason, never the folder's kind.
if [[ $(id -u) -eq 0 ]] && mount -t tmpfs -o size=1m,nr_inodes=4 tmpfs "$small" 2>/dev/null; then
  for i in 1 2 3 4 5; do touch "$small/f$i" 2>/dev/null || break; done
  "$pelorin" wipe-free "$small" 2>"$work/err"
  check "wipe-free without free inodes says so (status 1)" test $? -eq 1 -a -n "$(grep 'no free inodes' "$work/err")"
  mount -o remount,ro "$small"
  "$pelorin" wipe-free "$small" 2>"$work/err"
  check "wipe-free on a read-only volume says so" grep -q "Read-only file system" "$work/err"
  check "and nothing calls the folder a file" test -z "$(grep 'not a regular file' "$work/err")"
  umount "$small"
fi

if volume=$(test_volume); then
  "$pelorin" wipe-free --passes 1 "$volume"
  check "wipe-free exits 0" test $? -eq 0
  check "and leaves no fill file" test -z "$(ls "$volume" | grep '^pel')"

  # Ctrl-C during a long free-space wipe: stopped cleanly, no fill file left.
  "$pelorin" wipe-free --passes 100000 "$volume" 2>/dev/null &
  pid=$!
  sleep 0.5
  kill -INT $pid
  wait $pid
  status=$?
  check "an interrupted wipe-free reports status 13" test $status -eq 13
  check "and leaves no fill file" test -z "$(ls "$volume" | grep '^pel')"

  # wipe-drive, each mode, on the test volume.
  mkdir -p "$volume/dir/sub" && printf 'a' >"$volume/a.txt" && printf 'b' >"$volume/dir/sub/b.txt"
  "$pelorin" wipe-drive --mode standard --passes 1 "$volume" 2>/dev/null
  check "wipe-drive standard exits 0 and keeps the files" test $? -eq 0 -a -e "$volume/dir/sub/b.txt"
  "$pelorin" wipe-drive --mode thorough --passes 1 "$volume" 2>/dev/null
  check "wipe-drive thorough exits 0 and keeps the files" test $? -eq 0 -a "$(cat "$volume/a.txt")" = a
  mkfifo "$volume/dir/pipe"
  "$pelorin" wipe-drive --mode thorough --passes 1 "$volume" 2>/dev/null
  check "something left by thorough gives exit 1" test $? -eq 1 -a -p "$volume/dir/pipe"
  rm "$volume/dir/pipe"
  "$pelorin" settings wipe NumDisk 0
  "$pelorin" wipe-drive --mode complete --yes "$volume" 2>"$work/err"
  check "no disk pass: nothing deleted, a usage error" test $? -eq 2 -a -e "$volume/a.txt"
  check "and said how to give passes" grep -q "give --passes N" "$work/err"
  "$pelorin" settings wipe NumDisk 3
  "$pelorin" wipe-drive --mode complete --passes 1 "$volume" </dev/null 2>/dev/null
  check "wipe-drive complete without a terminal needs --yes" test $? -eq 2 -a -e "$volume/a.txt"
  "$pelorin" wipe-drive --mode complete --passes 1 "$volume/dir" --yes 2>/dev/null
  check "wipe-drive takes only a volume's mount folder" test $? -eq 2 -a -e "$volume/dir/sub/b.txt"
  inner="$volume/inner"
  mkdir -p "$inner"
  if mount -t tmpfs -o size=1m tmpfs "$inner" 2>/dev/null; then
    printf 'other volume' >"$inner/kept.txt"
    "$pelorin" wipe-drive --mode complete --yes --passes 1 "$volume" 2>"$work/err"
    check "complete does not cross into another mounted volume" test "$(cat "$inner/kept.txt")" = "other volume"
    check "and says so" grep -q "another volume .* is mounted there" "$work/err"
    umount "$inner"
  fi
  "$pelorin" wipe-drive --mode complete --yes --passes 1 "$volume" 2>/dev/null
  check "wipe-drive complete deletes everything" test $? -eq 0 -a -z "$(ls "$volume")"

  # Every signal that ends the tool stops it the way Ctrl-C does.
  for signal in TERM HUP QUIT; do
    "$pelorin" wipe-free --passes 100000 "$volume" 2>"$work/err" &
    pid=$!
    sleep 0.5
    kill -$signal $pid
    wait $pid
    status=$?
    check "SIG$signal during wipe-free: status 13" test $status -eq 13
    check "SIG$signal: no fill file is left" test -z "$(ls "$volume" | grep '^pel')"
    check "SIG$signal: the stop is said" grep -q "stopped" "$work/err"
  done
fi

finish
