#!/usr/bin/env bash
# `pelorin encrypt` of one 256 MiB file on tmpfs per algorithm, beside the raw
# bulk-transform speed of the same cipher (pelorin_bench) in the same run.
# Median of three runs. Needs the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/native
size_mib=256
runs=3
place=/tmp/pelorin-encrypt-bench
mkdir -p "$place"
if [[ $(id -u) -eq 0 ]] && ! mountpoint -q "$place"; then
  mount -t tmpfs -o size=1g tmpfs "$place"
  trap 'umount "$place"' EXIT
fi
export XDG_CONFIG_HOME="$place/config"
export PELORIN_PASSKEY="benchmark passkey 0123456789"
head -c $((size_mib << 20)) /dev/urandom >"$place/source.bin"

raw_json=$("$build/bench/pelorin_bench" --benchmark_filter='^pelorin/[A-Za-z0-9]+/enc$' --benchmark_format=json \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null)
raw_rate() {  # raw_rate NAME: median MB/s from the cipher benchmark
  python3 -c 'import json,sys
d=json.loads(sys.argv[1])
for b in d["benchmarks"]:
    if b["name"]=="pelorin/"+sys.argv[2]+"/enc_median": print(round(b["bytes_per_second"]/1e6))' "$raw_json" "$1"
}

printf '%-10s %12s %12s %7s\n' algorithm "encrypt MB/s" "raw MB/s" ratio
number=0
for name in ASCII Blowfish DES IDEA NewDES PseudoRC4 Safer Vigenere; do
  times=()
  for ((i = 0; i < runs; i++)); do
    rm -f "$place"/source*.pvb
    start=$(date +%s.%N)
    "$build/pelorin" encrypt --algorithm "$number" "$place/source.bin" 2>/dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  median=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p")
  rate=$(echo "scale=0; $size_mib * 1.048576 / $median" | bc -l)
  raw=$(raw_rate "$name")
  printf '%-10s %12s %12s %7s\n' "$name" "$rate" "$raw" "$(echo "scale=2; $rate / $raw" | bc -l)"
  number=$((number + 1))
done
rm -f "$place"/source*
