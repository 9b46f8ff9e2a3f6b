#!/usr/bin/env bash
# `pelorin encrypt` or `pelorin decrypt` of one 256 MiB file (BENCH_MIB
# sets another size) on tmpfs per algorithm, beside the raw bulk-transform
# speed of the same cipher in the same direction (pelorin_bench) in the same
# run; for ChaCha20-Poly1305 (algorithm 9, archives of version 8) the raw
# speed is the AEAD's over 64 KiB chunks on one thread, and its key
# derivation is set to its smallest memory (kdfmemory 8) so that it does not
# count. Best of five runs, each job
# right after a raw measurement: this machine's speed drifts by up to a fifth
# between runs, and the best run is the one least disturbed. Each run is
# timed twice: with the cipher pool of one thread per core, and with
# PELORIN_CIPHER_THREADS=1. Then the tools people would use instead, on the
# same file: gpg with Blowfish and IDEA, 7z with AES, age with a key pair.
# The last line gives algorithm 9's speed over age's when both were measured.
# Usage: [BENCH_MIB=512] bench/job_bench.sh encrypt|decrypt [ALGORITHM...]   (needs the native build)
set -euo pipefail
cd "$(dirname "$0")/.."
job=${1:?usage: job_bench.sh encrypt|decrypt}
case "$job" in
  encrypt) direction=enc ;;
  decrypt) direction=dec ;;
  *) echo "usage: job_bench.sh encrypt|decrypt" >&2; exit 2 ;;
esac
build=build/native
size_mib=${BENCH_MIB:-256}
runs=5
place=/tmp/pelorin-job-bench
mkdir -p "$place"
# gpg's agents end a moment after they are told to: the volume is let go
# once they have.
release_volume() { for _ in 1 2 3 4 5 6; do umount "$place" 2>/dev/null && return; sleep 0.5; done; umount "$place"; }
if [[ $(id -u) -eq 0 ]] && ! mountpoint -q "$place"; then
  mount -t tmpfs -o size=$((size_mib * 4 + 512))m tmpfs "$place"
  trap 'cd / && { gpgconf --kill all >/dev/null 2>&1 || true; } && release_volume' EXIT
fi
export XDG_CONFIG_HOME="$place/config"
# The journal of a restore's temporary files on the same volume, so that the
# job's time is not that of whatever else the system's disk is doing.
export XDG_STATE_HOME="$place/state"
export GNUPGHOME="$place/gnupg"
export PELORIN_PASSKEY="benchmark passkey 0123456789"
head -c $((size_mib << 20)) /dev/urandom >"$place/source.bin"
mkdir -p "$place/out"

raw_rate() {  # raw_rate NAME: MB/s of the cipher's bulk transform, one short measurement
  local filter="^pelorin/$1/$direction\$"
  [[ $1 == ChaCha20-Poly1305 ]] && filter="^pelorin/$1/$([[ $direction == enc ]] && echo seal || echo open)-64KiB-chunks\$"
  "$build/bench/pelorin_bench" --benchmark_filter="$filter" --benchmark_min_time=0.5 \
    --benchmark_format=json 2>/dev/null |
    python3 -c 'import json,sys; print(round(json.load(sys.stdin)["benchmarks"][0]["bytes_per_second"]/1e6))'
}

timed_rate() {  # timed_rate ALGORITHM_NUMBER THREADS: MB/s of one job
  local start end
  # A restore measures a fresh output, not the replacement of the last one.
  rm -f "$place"/source*.pvb "$place/out/source.bin"
  start=$(date +%s.%N)
  PELORIN_CIPHER_THREADS=$2 run_once "$1" || { echo "the $job job failed" >&2; return 1; }
  end=$(date +%s.%N)
  echo "scale=0; $size_mib * 1.048576 / ($end - $start)" | bc -l
}

run_once() {  # run_once ALGORITHM_NUMBER: one timed job
  if [[ $job == encrypt ]]; then
    "$build/pelorin" encrypt --algorithm "$1" "$place/source.bin" 2>/dev/null
  else
    "$build/pelorin" decrypt "$place/out/source.pvb" 2>/dev/null
  fi
}

"$build/pelorin" settings encrypt kdfmemory 8
threads=$(nproc)
printf '%-10s %12s %12s %12s %7s %7s\n' algorithm "$job MB/s" "1 thread" "raw MB/s" "/raw" "/1 thr"
all=(ASCII Blowfish DES IDEA NewDES PseudoRC4 Safer Vigenere - ChaCha20-Poly1305)
chosen=("${@:2}")
[[ ${#chosen[@]} -gt 0 ]] || chosen=(ASCII Blowfish DES IDEA NewDES PseudoRC4 Safer Vigenere ChaCha20-Poly1305)
modern_rate=
for name in "${chosen[@]}"; do
  number=-1
  for i in "${!all[@]}"; do [[ ${all[$i]} == "$name" ]] && number=$i; done
  [[ $number -ge 0 ]] || { echo "unknown algorithm $name" >&2; exit 2; }
  if [[ $job == decrypt ]]; then
    rm -f "$place"/source*.pvb "$place/out/source.bin"
    "$build/pelorin" encrypt --algorithm "$number" "$place/source.bin" 2>/dev/null
    mv "$place/source.pvb" "$place/out/source.pvb"
  fi
  # Each timed job runs right after a raw measurement of the same cipher.
  rates=()
  singles=()
  raws=()
  for ((i = 0; i < runs; i++)); do
    raws+=("$(raw_rate "$name")")
    rates+=("$(timed_rate "$number" "$threads")") || exit 1
    singles+=("$(timed_rate "$number" 1)") || exit 1
  done
  if [[ $job == decrypt ]] && ! cmp -s "$place/source.bin" "$place/out/source.bin"; then
    echo "$name: the restored file differs from the source" >&2
    exit 1
  fi
  [[ -n "${PELORIN_BENCH_VERBOSE:-}" ]] && echo "$name job ${rates[*]} one ${singles[*]} raw ${raws[*]}" >&2
  rate=$(printf '%s\n' "${rates[@]}" | sort -g | tail -1)
  [[ $number -eq 9 ]] && modern_rate=$rate
  single=$(printf '%s\n' "${singles[@]}" | sort -g | tail -1)
  raw=$(printf '%s\n' "${raws[@]}" | sort -g | tail -1)
  printf '%-10s %12s %12s %12s %7s %7s\n' "$name" "$rate" "$single" "$raw" "$(echo "scale=2; $rate / $raw" | bc -l)" \
    "$(echo "scale=2; $rate / $single" | bc -l)"
done

# What people would use instead, on the same file in the same direction.
mkdir -p -m 700 "$GNUPGHOME"
passkey=$PELORIN_PASSKEY
gpg_with() {  # gpg_with CIPHER encrypt|decrypt
  local common=(--batch --yes --quiet --pinentry-mode loopback --passphrase "$passkey")
  if [[ $2 == encrypt ]]; then
    gpg "${common[@]}" --compress-algo none --cipher-algo "$1" -o "$place/peer.gpg" --symmetric "$place/source.bin"
  else
    gpg "${common[@]}" -o "$place/peer.out" -d "$place/peer.gpg"
  fi
}
sevenzip() {
  if [[ $1 == encrypt ]]; then
    rm -f "$place/peer.7z" && 7z a -mx0 "-p$passkey" "$place/peer.7z" "$place/source.bin"
  else
    rm -rf "$place/peer7" && 7z x "-p$passkey" "-o$place/peer7" "$place/peer.7z"
  fi
}
age-keygen -o "$place/age.key" 2>/dev/null
recipient=$(age-keygen -y "$place/age.key")
age_with_key() {
  if [[ $1 == encrypt ]]; then
    age -r "$recipient" -o "$place/peer.age" "$place/source.bin"
  else
    age -d -i "$place/age.key" -o "$place/peer.out" "$place/peer.age"
  fi
}
peer_rate() {  # peer_rate COMMAND...: MB/s, best of $runs
  local best=0 i start end rate
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    rate=$(echo "scale=0; $size_mib * 1.048576 / ($end - $start)" | bc -l)
    ((rate > best)) && best=$rate
  done
  echo "$best"
}
# The files each decrypting peer reads are made first.
peers=("gpg_with BLOWFISH" "gpg_with IDEA" sevenzip age_with_key)
labels=("gpg -c, Blowfish" "gpg -c, IDEA" "7z -mx0, AES" "age -r (X25519, ChaCha20)")
printf '\n%-28s %12s\n' "peer" "$job MB/s"
rm -rf "$place/out"
for i in "${!peers[@]}"; do
  rm -rf "$place"/peer.* "$place/peer7"
  [[ $job == decrypt ]] && ${peers[$i]} encrypt >/dev/null 2>&1
  rate=$(peer_rate ${peers[$i]} "$job")
  [[ ${peers[$i]} == age_with_key ]] && age_rate=$rate
  printf '%-28s %12s\n' "${labels[$i]}" "$rate"
done
if [[ -n $modern_rate && -n ${age_rate:-} ]]; then
  printf '\nChaCha20-Poly1305 (version 8) %s is %.2f times as fast as age\n' "$job" \
    "$(echo "$modern_rate / $age_rate" | bc -l)"
fi
gpgconf --kill all >/dev/null 2>&1 || true
rm -rf "$place"/source* "$place/out" "$place"/peer* "$place/age.key" "$GNUPGHOME"
