# Helpers for checking that a wipe left nothing behind on a test volume the
# caller made itself. Source this file; it defines functions only.

# Lets a fill reach every free cluster of a mounted ext4 volume by releasing
# the clusters the file system holds back for itself.
release_reserved_clusters() {
  local device
  device=$(basename "$(findmnt -n -o SOURCE "$1")")
  if [[ -w /sys/fs/ext4/$device/reserved_clusters ]]; then
    echo 0 >"/sys/fs/ext4/$device/reserved_clusters"
  fi
}

# Writes up to COUNT files of half a megabyte of MARKER into FOLDER, stopping
# quietly when the volume is full, then deletes them: the marker is left in
# the volume's free space.
scatter_deleted_marker() {
  local folder=$1 marker=$2 count=$3
  python3 - "$folder" "$marker" "$count" <<'PY'
import os, sys
folder, marker, count = sys.argv[1], sys.argv[2].encode(), int(sys.argv[3])
block = marker * (65536 // len(marker))
for n in range(count):
    try:
        with open(os.path.join(folder, f"secret{n}.bin"), "wb") as out:
            for _ in range(8):
                out.write(block)
    except OSError:
        break
PY
  sync
  rm -f "$folder"/secret*.bin
  sync
}

# Writes COUNT small files of one to three copies of MARKER into FOLDER (where
# the file system keeps small files' contents in the inode, they land there),
# then deletes them.
scatter_deleted_small_marker() {
  local folder=$1 marker=$2 count=$3
  mkdir -p "$folder/small"
  python3 - "$folder/small" "$marker" "$count" <<'PY'
import os, sys
folder, marker, count = sys.argv[1], sys.argv[2].encode(), int(sys.argv[3])
for n in range(count):
    with open(os.path.join(folder, f"note{n}.txt"), "wb") as out:
        out.write(marker * (1 + n % 3))
PY
  sync
  rm -rf "$folder/small"
  sync
}

# Prints how many times TEXT occurs in the raw image FILE.
count_in_image() {
  python3 - "$1" "$2" <<'PY'
import sys
with open(sys.argv[1], "rb") as image:
    print(image.read().count(sys.argv[2].encode()))
PY
}

# The same outside the journal of an ext3/ext4 image: ext4 in its default
# mode keeps the names and other metadata it logged there for a while.
count_outside_journal() {
  local blocks size
  blocks=$(debugfs -R 'blocks <8>' "$1" 2>/dev/null)
  size=$(dumpe2fs -h "$1" 2>/dev/null | sed -n 's/^Block size: *//p')
  python3 - "$1" "$2" "$size" $blocks <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
size = int(sys.argv[3])
for block in sys.argv[4:]:
    data[int(block) * size:(int(block) + 1) * size] = bytes(size)
print(data.count(sys.argv[2].encode()))
PY
}
