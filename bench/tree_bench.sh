#!/usr/bin/env bash
# Many small files: 10,000 files of 1 KiB in 20 folders on tmpfs, stored into
# one archive and restored, by `pelorin encrypt`/`decrypt` and by the tools
# people would use instead, in the same run. Best of five, seconds.
# For ChaCha20-Poly1305 (algorithm 9) the key derivation runs at its smallest
# memory (kdfmemory 8; KDF_MIB sets another), as gpg's and 7z's derivations
# are quick too.
# Usage: [KDF_MIB=256] bench/tree_bench.sh [ALGORITHM]   (needs the native build; default Blowfish)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
build=$PWD/build/native
algorithm=${1:-Blowfish}
runs=5
place=/tmp/pelorin-tree-bench
mkdir -p "$place"
# gpg's agents end a moment after they are told to: the volume is let go
# once they have.
release_volume() { for _ in 1 2 3 4 5 6; do umount "$place" 2>/dev/null && return; sleep 0.5; done; umount "$place"; }
if [[ $(id -u) -eq 0 ]] && ! mountpoint -q "$place"; then
  mount -t tmpfs -o size=512m tmpfs "$place"
  trap 'cd / && { gpgconf --kill all || true; } && release_volume' EXIT
fi
export XDG_CONFIG_HOME="$place/config"
# The journal of a restore's temporary files on the same volume, so that the
# job's time is not that of whatever else the system's disk is doing.
export XDG_STATE_HOME="$place/state"
passkey="benchmark passkey 0123456789"
export PELORIN_PASSKEY="$passkey"
"$build/pelorin" settings encrypt kdfmemory "${KDF_MIB:-8}"
cd "$place"
rm -rf tree out
mkdir -p tree
for ((d = 0; d < 20; d++)); do
  mkdir "tree/folder$d"
  for ((f = 0; f < 500; f++)); do head -c 1024 /dev/urandom >"tree/folder$d/file$f.bin"; done
done

fresh_out() { rm -rf out && mkdir out; }
pelorin_encrypt() { rm -f tree*.pvb && "$build/pelorin" encrypt --algorithm "$algorithm" tree; }
pelorin_decrypt() { fresh_out && cp tree.pvb out/ && (cd out && "$build/pelorin" decrypt tree.pvb); }
sevenzip_add() { rm -f tree.7z && 7z a -mx0 -mhe=on "-p$passkey" tree.7z tree; }
sevenzip_extract() { fresh_out && 7z x "-p$passkey" -oout tree.7z; }
tar_gpg_encrypt() {
  rm -f tree.tar.gpg
  tar -cf - tree | gpg --batch --yes --quiet --pinentry-mode loopback --passphrase "$passkey" \
    --compress-algo none --symmetric -o tree.tar.gpg
}
tar_gpg_decrypt() {
  fresh_out
  gpg --batch --quiet --pinentry-mode loopback --passphrase "$passkey" -d tree.tar.gpg | tar -xf - -C out
}

best() {  # best JOB: the shortest of $runs runs, in seconds
  local times=() i
  for ((i = 0; i < runs; i++)); do times+=("$(seconds "$1")"); done
  printf '%s\n' "${times[@]}" | sort -g | head -1
}

export GNUPGHOME="$place/gnupg"
mkdir -p -m 700 "$GNUPGHOME"
pelorin_encrypt >/dev/null 2>&1
sevenzip_add >/dev/null
tar_gpg_encrypt
# Every tool gives the tree back as it was.
for restore in pelorin_decrypt sevenzip_extract tar_gpg_decrypt; do
  $restore >/dev/null 2>&1
  diff -r tree out/tree >/dev/null || { echo "$restore: the restored tree differs" >&2; exit 1; }
done

pe=$(best pelorin_encrypt)
pd=$(best pelorin_decrypt)
printf '%-28s %9s %9s %14s\n' "10,000 files of 1 KiB" "store s" "restore s" "pelorin is"
printf '%-28s %9.3f %9.3f\n' "pelorin ($algorithm)" "$pe" "$pd"
row() {  # row NAME STORE RESTORE
  local s r
  s=$(best "$2")
  r=$(best "$3")
  printf '%-28s %9.3f %9.3f   %5.2fx / %5.2fx as fast\n' "$1" "$s" "$r" "$(echo "$s / $pe" | bc -l)" "$(echo "$r / $pd" | bc -l)"
}
row "7z -mx0 -mhe=on (AES)" sevenzip_add sevenzip_extract
row "tar | gpg -c (AES, no zip)" tar_gpg_encrypt tar_gpg_decrypt
rm -rf tree out tree.pvb tree.7z tree.tar.gpg
