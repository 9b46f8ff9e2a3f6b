#!/usr/bin/env bash
# Wiped is checked, not assumed: on loop-mounted ext2 and ext4 images of the
# test's own, files full of a marker are written and deleted, the free space
# is wiped, and after unmounting the raw image must hold the marker nowhere.
# Also: a free-space wipe killed mid-fill leaves a fill file that the next
# run of the tool removes (it names it), but never a file that took its name
# and inode, and `wipe-drive --mode standard` leaves nothing either. Needs root (loop devices); skipped otherwise.
# Usage: free_space_forensics_test.sh PELORIN_BINARY
set -u
pelorin="$1"
source "$(dirname "$0")/check.sh"
source "$(dirname "$0")/../forensics/marker.sh"
export XDG_STATE_HOME="$work/state"

if [[ $(id -u) -ne 0 ]] || ! command -v mkfs.ext4 >/dev/null; then
  echo "note: needs root and e2fsprogs for loop-mounted images; skipped"
  finish
  exit $?
fi

marker='PELORIN-FORENSIC-MARKER-7f3a9c21'
mnt="$work/mnt"
mkdir -p "$mnt"
cleanup_mount() { mountpoint -q "$mnt" && umount "$mnt"; }
trap 'cleanup_mount; rm -rf "$work"' EXIT

# Makes a 32 MiB image of the kind, mounts it, fills most of it with files of
# the marker, deletes them and leaves it mounted. On ext4 the clusters the
# file system holds back for itself are released, so that a fill can reach
# every free cluster.
prepare() {
  local kind=$1 image=$2
  dd if=/dev/zero of="$image" bs=1M count=32 status=none
  "mkfs.$kind" -F -q -b 4096 "$image"
  mount -o loop "$image" "$mnt" || return 1
  [[ $kind == ext4 ]] && release_reserved_clusters "$mnt"
  scatter_deleted_marker "$mnt" "$marker" 40
}

for kind in ext2 ext4; do
  image="$work/$kind.img"
  if ! prepare "$kind" "$image"; then
    echo "note: loop mounts are not possible here; $kind skipped"
    continue
  fi
  check "$kind: the deleted marker is in the image before the wipe" test "$(cleanup_mount; count_in_image "$image" "$marker")" -gt 0
  mount -o loop "$image" "$mnt"
  "$pelorin" wipe-free --passes 1 "$mnt" 2>/dev/null
  check "$kind: wipe-free exits 0" test $? -eq 0
  check "$kind: and leaves no fill file" test -z "$(ls "$mnt" | grep '^pel')"
  cleanup_mount
  check "$kind: no byte of the marker is left in the image" test "$(count_in_image "$image" "$marker")" -eq 0
done

# The drive wipe's Standard run reaches every cluster too.
image="$work/standard.img"
if prepare ext2 "$image"; then
  "$pelorin" wipe-drive --mode standard --passes 1 "$mnt" 2>/dev/null
  check "wipe-drive standard exits 0" test $? -eq 0
  cleanup_mount
  check "wipe-drive standard leaves no byte of the marker" test "$(count_in_image "$image" "$marker")" -eq 0
fi

# A fill killed mid-way: the next run removes it and says so; a file of the
# same name put there meanwhile would be another file and stay.
image="$work/killed.img"
if prepare ext2 "$image"; then
  "$pelorin" wipe-free --passes 100000 "$mnt" 2>/dev/null &
  pid=$!
  sleep 1
  kill -KILL $pid
  wait $pid 2>/dev/null
  left=$(ls "$mnt" | grep '^pel')
  check "a killed fill leaves its fill file" test -n "$left"
  "$pelorin" settings encrypt >/dev/null 2>"$work/err"
  check "the next run removes it" test -z "$(ls "$mnt" | grep '^pel')"
  check "and names it" grep -q "left behind by an interrupted job" "$work/err"
  cleanup_mount
fi

# A user's file that took a killed fill's name, and with it (ext4 gives a
# freed inode number to the next file at once) its identity, is not the fill.
image="$work/reused.img"
if prepare ext4 "$image"; then
  "$pelorin" wipe-free --passes 100000 "$mnt" 2>/dev/null &
  pid=$!
  sleep 1
  kill -KILL $pid
  wait $pid 2>/dev/null
  left=$(ls "$mnt" | grep '^pel' | head -1)
  inode=$(stat -c %i "$mnt/$left")
  rm "$mnt/$left" && printf 'the user file' >"$mnt/$left"
  [[ $(stat -c %i "$mnt/$left") == "$inode" ]] || echo "note: the inode number was not reused here"
  "$pelorin" settings encrypt >/dev/null 2>"$work/err"
  check "a file that took a killed fill's name and inode stays" test "$(cat "$mnt/$left")" = "the user file"
  check "and is not said to be removed" test -z "$(grep removed "$work/err")"
  cleanup_mount
fi

finish
