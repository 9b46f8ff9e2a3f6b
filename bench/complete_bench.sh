#!/usr/bin/env bash
# What Complete's overwrite of every file in place costs: on a 256 MiB volume
# (a tmpfs and a loop-mounted ext4 image on disk) holding a tree of 2,000
# files of 4 KiB, 200 of 256 KiB and 4 of 16 MiB (about 123 MB), with 1 and 3
# passes, `pelorin wipe-drive --mode complete` beside deleting the tree with
# rm and then `pelorin wipe-free` (what Complete did before it overwrote each
# file). Median of three runs each, in seconds; the tree is made afresh
# before every run and not timed. The last column is Complete's time over the
# other's. Before the timings, marker files are written into an ext4 image
# with inline data, Complete is run once and the raw image is searched:
# nothing of the marker may be left.
# Needs root and the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/forensics/marker.sh
source bench/timing.sh
pelorin=$PWD/build/native/pelorin
runs=3
place=$(mktemp -d /tmp/pelorin-complete-benchXXXXXX)
marker='PELORIN-BENCH-MARKER-3b7f'
export XDG_STATE_HOME="$place/state"
mnt="$place/volume"
mkdir -p "$mnt"
cleanup() { mountpoint -q "$mnt" && umount "$mnt"; rm -rf "$place"; }
trap cleanup EXIT

make_tree() {
  rm -rf "$mnt/tree"
  mkdir -p "$mnt/tree/small" "$mnt/tree/medium" "$mnt/tree/large"
  python3 - "$mnt/tree" <<'PY'
import os, sys
tree = sys.argv[1]
block = os.urandom(1 << 20)
def write(path, size):
    with open(path, "wb") as out:
        while size > 0:
            out.write(block[:min(size, len(block))])
            size -= len(block)
for n in range(2000): write(f"{tree}/small/{n}.bin", 4096)
for n in range(200): write(f"{tree}/medium/{n}.bin", 256 << 10)
for n in range(4): write(f"{tree}/large/{n}.bin", 16 << 20)
PY
  sync
}

median_seconds() {  # median_seconds COMMAND...: a fresh tree before each run
  local times=() i
  for ((i = 0; i < runs; i++)); do
    make_tree
    times+=("$(seconds "$@")")
  done
  median "${times[@]}"
}

complete() { "$pelorin" wipe-drive --mode complete --yes --passes "$1" "$mnt"; }
unlink_then_free() { rm -rf "$mnt/tree" && "$pelorin" wipe-free --passes "$1" "$mnt"; }

mount_volume() {  # mount_volume tmpfs|ext4 [mkfs options]
  local kind=$1
  shift
  if [[ $kind == tmpfs ]]; then
    mount -t tmpfs -o size=256m tmpfs "$mnt"
  else
    dd if=/dev/zero of="$place/ext4.img" bs=1M count=256 status=none
    mkfs.ext4 -F -q -b 4096 "$@" "$place/ext4.img"
    mount -o loop "$place/ext4.img" "$mnt"
    release_reserved_clusters "$mnt"
  fi
}

mount_volume ext4 -O inline_data
mkdir "$mnt/notes"
for n in $(seq 1 200); do printf '%s' "$marker$marker" >"$mnt/notes/$n.txt"; done
sync
complete 1 >/dev/null 2>&1
umount "$mnt"
echo "marker left in an inline-data ext4 image after one Complete pass: $(count_in_image "$place/ext4.img" "$marker")"

printf '%-7s %-6s %10s %14s %8s\n' volume passes complete "rm+wipe-free" ratio
for kind in tmpfs ext4; do
  mount_volume "$kind"
  for passes in 1 3; do
    ours=$(median_seconds complete "$passes")
    before=$(median_seconds unlink_then_free "$passes")
    printf '%-7s %-6s %10.2f %14.2f %8.2f\n' "$kind" "$passes" "$ours" "$before" "$(echo "$ours / $before" | bc -l)"
  done
  umount "$mnt"
done
