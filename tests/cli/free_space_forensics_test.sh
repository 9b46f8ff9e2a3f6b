#!/usr/bin/env bash
# Wiped is checked, not assumed: on loop-mounted ext2 and ext4 images of the
# test's own (ext4 also with 1 KiB blocks and with small files kept in the
# inode), files full of a marker, large and small, are written and deleted,
# the free space is wiped, and after unmounting the raw image must hold the
# marker nowhere while a kept file is intact. `wipe-drive --mode standard`
# leaves nothing either, nor does `--mode complete` with files still there,
# which keeps lost+found. Also: a free-space wipe killed mid-fill leaves a
# fill file that the next run of the tool removes (it names it), but never a
# file that took its name and inode. Needs root (loop devices); skipped
# otherwise.
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
kept_marker='PELORIN-KEPT-FILE-MARKER-52d8e0b4'
mnt="$work/mnt"
mkdir -p "$mnt"
cleanup_mount() { mountpoint -q "$mnt" && umount "$mnt"; }
# Mounts IMAGE again, with ext4's reserved clusters released again.
remount() { mount -o loop "$1" "$mnt" && release_reserved_clusters "$mnt"; }
trap 'cleanup_mount; rm -rf "$work"' EXIT

# Makes a 32 MiB image of the kind (mkfs options after it; 4 KiB blocks
# unless they say otherwise), mounts it, fills most of it with files of the
# marker, large and small, deletes them and leaves it mounted. On ext4 the
# clusters the file system holds back for itself are released, so that a
# fill can reach every free cluster.
prepare() {
  local image=$1 kind=$2
  shift 2
  dd if=/dev/zero of="$image" bs=1M count=32 status=none
  "mkfs.$kind" -F -q -b 4096 "$@" "$image"
  mount -o loop "$image" "$mnt" || return 1
  release_reserved_clusters "$mnt"
  scatter_deleted_marker "$mnt" "$marker" 40
  scatter_deleted_small_marker "$mnt" "$marker" 150
}

# Files that must come through a wipe as they were: one of blocks, one small
# enough to live in its inode. NAME is the kept files' name stem.
write_kept() {
  python3 -c "import sys; open(sys.argv[1],'wb').write(sys.argv[2].encode() * 8000)" "$mnt/$1.bin" "$kept_marker"
  printf '%s' "$kept_marker" >"$mnt/$1.txt"
  sync
  kept_sums=$(cd "$mnt" && sha256sum "$1.bin" "$1.txt")
}
kept_intact() { (cd "$mnt" && echo "$kept_sums" | sha256sum --quiet -c -); }

for case in "ext2" "ext4" "ext4 -O inline_data" "ext4 -b 1024"; do
  image="$work/case.img"
  read -r -a options <<<"$case"
  if ! prepare "$image" "${options[@]}"; then
    echo "note: loop mounts are not possible here; $case skipped"
    continue
  fi
  write_kept kept
  check "$case: the deleted marker is in the image before the wipe" test "$(cleanup_mount; count_in_image "$image" "$marker")" -gt 0
  remount "$image"
  "$pelorin" wipe-free --passes 1 "$mnt" 2>"$work/err"
  check "$case: wipe-free exits 0" test $? -eq 0
  check "$case: and leaves no fill file" test -z "$(ls "$mnt" | grep '^pel')"
  check "$case: the kept files are intact" kept_intact
  if [[ $case == *inline_data* ]]; then
    claimed=$(sed -n 's/^pelorin: \([0-9]*\) free file records overwritten$/\1/p' "$work/err")
    check "$case: the free inodes were claimed and counted" test "${claimed:-0}" -gt 1000
  fi
  cleanup_mount
  check "$case: no byte of the marker is left in the image" test "$(count_in_image "$image" "$marker")" -eq 0
done

# The drive wipe's Standard run reaches every cluster too.
image="$work/standard.img"
if prepare "$image" ext2; then
  "$pelorin" wipe-drive --mode standard --passes 1 "$mnt" 2>/dev/null
  check "wipe-drive standard exits 0" test $? -eq 0
  cleanup_mount
  check "wipe-drive standard leaves no byte of the marker" test "$(count_in_image "$image" "$marker")" -eq 0
fi

# Complete deletes every file, small ones kept in their inodes too, and
# leaves nothing of them; lost+found stays for the file system's checker,
# and so do names that begin with a dot.
image="$work/complete.img"
if prepare "$image" ext4 -O inline_data; then
  mkdir -p "$mnt/notes/deeper"
  python3 - "$mnt/notes" "$marker" <<'PY'
import os, sys
folder, marker = sys.argv[1], sys.argv[2].encode()
for n in range(150):
    with open(os.path.join(folder, "deeper" if n % 2 else "", f"note{n}.txt"), "wb") as out:
        out.write(marker * (1 + n % 3))
with open(os.path.join(folder, "large.bin"), "wb") as out:
    out.write(marker * 20000)
PY
  write_kept .kept
  # A second name in a folder that stays keeps its file's contents.
  mkdir "$mnt/.linked" && printf 'linked' >"$mnt/notes/linked.txt" && ln "$mnt/notes/linked.txt" "$mnt/.linked/"
  # A descriptor held open meanwhile sees what the file holds in the end.
  exec 3<"$mnt/notes/note0.txt"
  "$pelorin" wipe-drive --mode complete --yes --passes 1 "$mnt" 2>"$work/err"
  check "complete exits 0" test $? -eq 0
  check "and names the free inodes it claimed" grep -q "^pelorin: $mnt/: [0-9]* free file records overwritten$" "$work/err"
  check "and deletes the files" test ! -e "$mnt/notes"
  check "overwriting each where it lies first" test -z "$(tr -d '\0' <&3)"
  exec 3<&-
  check "but keeps lost+found" test -d "$mnt/lost+found"
  check "and the dot-named files, intact" kept_intact
  check "and a file's contents that another name keeps" test "$(cat "$mnt/.linked/linked.txt")" = linked
  cleanup_mount
  check "complete leaves no byte of the marker, not even in the inodes" \
    test "$(count_in_image "$image" "$marker")" -eq 0
fi

# A fill killed mid-way: the next run removes it and says so; a file of the
# same name put there meanwhile would be another file and stay.
image="$work/killed.img"
if prepare "$image" ext2; then
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
if prepare "$image" ext4; then
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
  # (a further fill file the killed run had begun is removed, and named)
  check "and is not said to be removed" test -z "$(grep -F "removed $mnt/$left," "$work/err")"
  cleanup_mount
fi

finish
