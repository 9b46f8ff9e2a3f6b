#!/usr/bin/env bash
# Times free-space wipes of a 256 MiB volume, a tmpfs and a loop-mounted ext4
# image on disk, with 1 and 3 passes: `pelorin wipe-free` (which trims the
# free space afterwards where the disk takes TRIM), the same with --verify
# (the last pass read back from the disk), beside a fill of the same volume
# with dd in cluster-sized (4 KiB) writes and one in 1 MiB writes, each pass
# rewriting the fill from its start and forced to disk, the fill deleted at
# the end. Median of three runs each, in MB/s of free space times passes
# (the read-back is not counted as work: it shows as a lower rate); the last
# column is pelorin's rate over the faster dd's.
# Before the ext4 timings, a marker is written and deleted, one pelorin pass
# is run and the raw image is searched: nothing of the marker may be left.
# Needs root and the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/forensics/marker.sh
source bench/timing.sh
pelorin=$PWD/build/native/pelorin
runs=3
place=$(mktemp -d /tmp/pelorin-fill-benchXXXXXX)
marker='PELORIN-BENCH-MARKER-0c9e'
export XDG_STATE_HOME="$place/state"
mnt="$place/volume"
mkdir -p "$mnt"
cleanup() { mountpoint -q "$mnt" && umount "$mnt"; rm -rf "$place"; }
trap cleanup EXIT

dd_fill() {  # dd_fill BLOCK PASSES: fills the volume, pass after pass, then removes the fill
  local pass
  for ((pass = 0; pass < $2; pass++)); do
    dd if=/dev/zero of="$mnt/fill" bs="$1" conv=notrunc,fsync status=none 2>/dev/null || true
  done
  rm -f "$mnt/fill"
}

median_rate() {  # median_rate PASSES COMMAND...: MB/s of free space x passes
  local passes=$1
  shift
  local free times=()
  free=$(df -B1 --output=avail "$mnt" | tail -n 1)
  for ((i = 0; i < runs; i++)); do times+=("$(seconds "$@")"); done
  echo "scale=0; $free * $passes / 1000000 / $(median "${times[@]}")" | bc -l
}

mount_volume() {  # mount_volume tmpfs|ext4
  if [[ $1 == tmpfs ]]; then
    mount -t tmpfs -o size=256m tmpfs "$mnt"
  else
    dd if=/dev/zero of="$place/ext4.img" bs=1M count=256 status=none
    mkfs.ext4 -F -q -b 4096 "$place/ext4.img"
    mount -o loop "$place/ext4.img" "$mnt"
    release_reserved_clusters "$mnt"
    scatter_deleted_marker "$mnt" "$marker" 64
    "$pelorin" wipe-free --passes 1 "$mnt" >/dev/null 2>&1
    umount "$mnt"
    left=$(count_in_image "$place/ext4.img" "$marker")
    echo "marker left in the ext4 image after one pelorin pass: $left"
    mount -o loop "$place/ext4.img" "$mnt"
    release_reserved_clusters "$mnt"
  fi
}

printf '%-7s %-6s %10s %10s %10s %10s %8s\n' volume passes pelorin "--verify" "dd 4KiB" "dd 1MiB" ratio
for kind in tmpfs ext4; do
  mount_volume "$kind"
  for passes in 1 3; do
    ours=$(median_rate "$passes" "$pelorin" wipe-free --passes "$passes" "$mnt")
    verified=$(median_rate "$passes" "$pelorin" wipe-free --verify --passes "$passes" "$mnt")
    small=$(median_rate "$passes" dd_fill 4096 "$passes")
    large=$(median_rate "$passes" dd_fill 1M "$passes")
    faster=$((small > large ? small : large))
    printf '%-7s %-6s %10s %10s %10s %10s %8s\n' "$kind" "$passes" "$ours" "$verified" "$small" "$large" \
      "$(echo "scale=2; $ours / $faster" | bc -l)"
  done
  umount "$mnt"
done
