#!/usr/bin/env bash
# Times secure deletes with 3 overwrite passes on a 512 MiB tmpfs and a
# loop-mounted 512 MiB ext4 image, both made here: a tree of 1,000 files of
# 64 KiB in 10 folders, and one file of 256 MiB. `pelorin delete --passes 3`,
# the same with --verify (each file's last pass read back from the disk
# before it is deleted), beside `shred -n 3 -u` run once per file through
# `find -exec` (then `rm -r` for the folders), and `rm -r` alone, which
# overwrites nothing.
# Median of three runs each, in seconds; the ratio is shred's time over
# pelorin's (above 1: pelorin is faster). Needs root and the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
pelorin=$PWD/build/native/pelorin
runs=3
place=$(mktemp -d /tmp/pelorin-delete-benchXXXXXX)
export XDG_STATE_HOME="$place/state" XDG_CONFIG_HOME="$place/config"
mnt="$place/volume"
mkdir -p "$mnt"
cleanup() { mountpoint -q "$mnt" && umount "$mnt"; rm -rf "$place"; }
trap cleanup EXIT

make_target() {  # make_target tree|big: what is deleted, written and forced to disk
  if [[ $1 == tree ]]; then
    python3 - "$mnt/tree" <<'PY'
import os, sys
block = os.urandom(65536)
for folder in range(10):
    path = os.path.join(sys.argv[1], f"folder{folder}")
    os.makedirs(path)
    for n in range(100):
        with open(os.path.join(path, f"file{n}.bin"), "wb") as out:
            out.write(block)
PY
  else
    head -c $((256 << 20)) /dev/urandom >"$mnt/big"
  fi
  sync
}

target_path() { [[ $1 == tree ]] && echo "$mnt/tree" || echo "$mnt/big"; }

shred_all() {  # shred_all PATH: shred per file, then the folders
  find "$1" -type f -exec shred -n 3 -u {} \;
  rm -rf "$1"
}

time_job() {  # time_job tree|big COMMAND...: median seconds, a fresh target each run
  local kind=$1 times=() i
  shift
  for ((i = 0; i < runs; i++)); do
    make_target "$kind"
    times+=("$(seconds "$@" "$(target_path "$kind")")")
    [[ ! -e "$(target_path "$kind")" ]] || { echo "not deleted by: $*" >&2; exit 1; }
  done
  median "${times[@]}"
}

printf '%-6s %-26s %9s %9s %9s %9s %7s\n' volume target pelorin --verify shred "rm -r" ratio
for kind in tmpfs ext4; do
  if [[ $kind == tmpfs ]]; then
    mount -t tmpfs -o size=512m tmpfs "$mnt"
  else
    dd if=/dev/zero of="$place/ext4.img" bs=1M count=512 status=none
    mkfs.ext4 -F -q -b 4096 "$place/ext4.img"
    mount -o loop "$place/ext4.img" "$mnt"
  fi
  for target in tree big; do
    ours=$(time_job "$target" "$pelorin" delete --yes --passes 3)
    verified=$(time_job "$target" "$pelorin" delete --yes --verify --passes 3)
    theirs=$(time_job "$target" shred_all)
    plain=$(time_job "$target" rm -rf)
    label=$([[ $target == tree ]] && echo "1,000 files of 64 KiB" || echo "one file of 256 MiB")
    printf '%-6s %-26s %9.3f %9.3f %9.3f %9.3f %7.2f\n' "$kind" "$label" "$ours" "$verified" "$theirs" "$plain" \
      "$(echo "$theirs / $ours" | bc -l)"
  done
  umount "$mnt"
done
