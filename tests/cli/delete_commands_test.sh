#!/usr/bin/env bash
# `pelorin delete` and `pelorin settings delete`, run as a user runs them,
# on the tests' own volume (PELORIN_TEST_VOLUME). As root also: a file
# system mounted inside a dropped folder is left alone, and on a
# loop-mounted ext2 image of the test's own neither the contents nor the
# names of a deleted tree remain anywhere in the raw image.
# Usage: delete_commands_test.sh PELORIN_BINARY
set -u
pelorin="$1"
source "$(dirname "$0")/check.sh"
source "$(dirname "$0")/../forensics/marker.sh"
export XDG_STATE_HOME="$work/state"
if ! volume=$(test_volume); then
  echo "note: no test volume; skipped"
  finish
  exit $?
fi
place=$(mktemp -d "$volume/pelorin-deleteXXXXXX")
cleanup() {
  mountpoint -q "$place/mounted/inner" 2>/dev/null && umount "$place/mounted/inner"
  for bound in "$place/bound/into" "$place/bound/file.txt"; do
    mountpoint -q "$bound" 2>/dev/null && umount "$bound"
  done
  mountpoint -q "$work/ext2" 2>/dev/null && umount "$work/ext2"
  rm -rf "$place" "$work"
}
trap cleanup EXIT

make_tree() {  # make_tree FOLDER: files, a '.'-named file, a subfolder, links out
  mkdir -p "$1/sub/deep" "$place/outside"
  printf 'contents' >"$1/a.txt"
  printf 'dot' >"$1/.hidden"
  head -c 70000 /dev/zero >"$1/sub/deep/big.bin"
  printf 'keep me' >"$place/outside/target.txt"
  ln -sfn "$place/outside" "$1/sub/folder-link"
  ln -sfn "$place/outside/target.txt" "$1/file-link"
}

make_tree "$place/tree"
"$pelorin" delete "$place/tree" </dev/null 2>"$work/err"
check "without a terminal or --yes: a usage error" test $? -eq 2
check "and the tree is kept" test -f "$place/tree/a.txt" -a -f "$place/tree/sub/deep/big.bin"
check "and it says how to go on" grep -q -- "--yes" "$work/err"
# A terminal to type on but messages going to a file: the question could not
# be seen, so it is not asked either.
if command -v script >/dev/null; then
  script -qec "'$pelorin' delete '$place/tree' 2>'$work/err'" /dev/null </dev/null >/dev/null
  check "with standard error not a terminal: nothing asked, the tree is kept" \
    test -f "$place/tree/a.txt" -a -z "$(grep -F '[y/N]' "$work/err")"
fi

"$pelorin" delete --yes --passes 2 "$place/tree/" 2>"$work/err"
check "--yes deletes the whole tree, exit 0" test $? -eq 0 -a ! -e "$place/tree"
check "and says only what overwriting reached on the volume" \
  test "$(grep -cv '^pelorin: /.*/: ' "$work/err")" -eq 0 -a "$(wc -l <"$work/err")" -eq 1
check "what the links led to is kept" test "$(cat "$place/outside/target.txt")" = "keep me" -a -d "$place/outside"

# What must stay: a '.'-named folder (and so its parent), a pipe; each named.
make_tree "$place/mixed"
mkdir -p "$place/mixed/.git"
printf 'x' >"$place/mixed/.git/HEAD"
mkfifo "$place/mixed/pipe"
"$pelorin" delete --yes "$place/mixed" "$place/missing" 2>"$work/err"
check "items that stay give exit 1" test $? -eq 1
check "the '.'-named folder, the pipe and the folder stay" \
  test -f "$place/mixed/.git/HEAD" -a -p "$place/mixed/pipe" -a ! -e "$place/mixed/a.txt"
check "each is named on standard error" test "$(grep -c "^pelorin: $place/mixed" "$work/err")" -eq 3
check "a missing name is said, not counted" grep -q "$place/missing does not exist" "$work/err"
rm -rf "$place/mixed"

# The profile can turn the question off; only 0 and 1 are values.
"$pelorin" settings delete SecDelDoNotRemind 2 2>/dev/null
check "SecDelDoNotRemind 2 is refused" test $? -eq 2
"$pelorin" settings delete SecDelDoNotRemind 0
printf 'x' >"$place/quiet.txt"
"$pelorin" delete "$place/quiet.txt" </dev/null
check "with SecDelDoNotRemind 0 nothing is asked" test $? -eq 0 -a ! -e "$place/quiet.txt"
"$pelorin" settings delete SecDelDoNotRemind 1

printf 'x' >"$place/keep.txt"
"$pelorin" delete --yes --passes 0 "$place/keep.txt" 2>/dev/null
check "--passes 0 is a usage error" test $? -eq 2 -a -e "$place/keep.txt"
"$pelorin" delete --yes 2>/dev/null
check "no names is a usage error" test $? -eq 2

# A stop is honoured between files: every file left has all its bytes.
mkdir -p "$place/many"
for n in $(seq 1 150); do head -c 32768 /dev/urandom >"$place/many/f$n"; done
(cd "$place/many" && sha256sum f* >"$work/sums")
"$pelorin" delete --yes --passes 20000 "$place/many" 2>/dev/null &
job=$!
# Stopped once the first file went, however fast the machine is.
for _ in $(seq 1 200); do
  [[ $(ls "$place/many" 2>/dev/null | wc -l) -lt 150 ]] && break
  sleep 0.05
done
kill -TERM "$job"
wait "$job"
check "a stopped delete exits 13" test $? -eq 13
left=$(cd "$place/many" 2>/dev/null && ls | wc -l)
check "and stopped before the last file" test "${left:-0}" -gt 0
whole() {  # every file still in the folder has the checksum it had
  local file
  for file in "$place"/many/*; do
    grep -qx "$(cd "$place/many" && sha256sum "$(basename "$file")")" "$work/sums" || return 1
  done
}
check "every file left is whole" whole
rm -rf "$place/many"

# ".." is the parent of what the name before it leads to, as the system has it.
mkdir -p "$place/dots/inner" "$place/far/away"
printf 'x' >"$place/dots/inner/file.txt"
ln -s "$place/far/away" "$place/dots/link"
(cd "$place/dots/inner" && "$pelorin" delete --yes file.txt/.. 2>/dev/null)
check "file/.. names nothing" test -f "$place/dots/inner/file.txt"
(cd "$place/dots" && "$pelorin" delete --yes link/.. 2>/dev/null)
check "link/.. is the parent of the link's target" test ! -e "$place/far" -a -f "$place/dots/inner/file.txt"
rm -rf "$place/dots"

if [[ $(id -u) -eq 0 ]]; then
  mkdir -p "$place/mounted/inner"
  if mount -t tmpfs -o size=1m tmpfs "$place/mounted/inner"; then
    printf 'other volume' >"$place/mounted/inner/kept.txt"
    printf 'x' >"$place/mounted/a.txt"
    "$pelorin" delete --yes "$place/mounted" 2>"$work/err"
    check "a mounted file system inside is left alone" \
      test $? -eq 1 -a -f "$place/mounted/inner/kept.txt" -a ! -e "$place/mounted/a.txt"
    check "and named" grep -q "$place/mounted/inner has a file system .* mounted there" "$work/err"
    umount "$place/mounted/inner"
  fi
  # A file or folder of the same volume bound into the tree, and a file
  # bound onto a name given directly: what is bound there stays untouched.
  mkdir -p "$place/bound/into" "$place/keep"
  printf 'precious' >"$place/keep/file.txt"
  touch "$place/bound/file.txt"
  if mount --bind "$place/keep" "$place/bound/into" && mount --bind "$place/keep/file.txt" "$place/bound/file.txt"; then
    "$pelorin" delete --yes "$place/bound/file.txt" 2>/dev/null
    status_direct=$?
    "$pelorin" delete --yes "$place/bound" 2>/dev/null
    check "bound files and folders are left alone, exit 1" \
      test $status_direct -eq 1 -a $? -eq 1 -a "$(cat "$place/keep/file.txt")" = precious
    umount "$place/bound/into" "$place/bound/file.txt"
  fi
  rm -rf "$place/bound" "$place/keep"

  # Contents and names: every name in the tree holds a marker.
  name_marker=SUNDRELNAMEMARKQX
  content_marker='PELORIN-DELETE-CONTENT-MARKER-41b7'
  image="$work/tree.img"
  dd if=/dev/zero of="$image" bs=1M count=16 status=none
  mkfs.ext2 -F -q -b 4096 "$image"
  mkdir -p "$work/ext2"
  if mount -o loop "$image" "$work/ext2"; then
    top="$work/ext2/${name_marker}top"
    mkdir -p "$top/${name_marker}sub"
    for n in 1 2 3; do
      for folder in "$top" "$top/${name_marker}sub"; do
        python3 -c "import sys; open(sys.argv[1],'wb').write(sys.argv[2].encode() * 3000)" \
          "$folder/${name_marker}file$n.txt" "$content_marker"
      done
    done
    printf 'short' >"$top/${name_marker}short.txt"
    sync
    umount "$work/ext2"
    check "before: the names are in the image" test "$(count_in_image "$image" "$name_marker")" -gt 0
    check "before: the contents are in the image" test "$(count_in_image "$image" "$content_marker")" -gt 0
    mount -o loop "$image" "$work/ext2"
    "$pelorin" delete --yes "$top"
    check "the ext2 tree is deleted" test $? -eq 0 -a ! -e "$top"
    umount "$work/ext2"
    check "no name of the tree is left in the image" test "$(count_in_image "$image" "$name_marker")" -eq 0
    check "no byte of its contents is left" test "$(count_in_image "$image" "$content_marker")" -eq 0
  else
    echo "note: loop mounts are not possible here; the ext2 checks were skipped"
  fi
fi
finish
