#!/usr/bin/env bash
# Times a 3-pass wipe of a 256 MiB file on one tmpfs: `pelorin wipe-file`,
# GNU `shred -n 3 -u`, and a plain loop writing the same passes in 1 MiB
# blocks with one fsync per pass. Median of five runs each, in MB/s of file
# size times passes. Needs the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/native
size_mib=256
runs=5
place=/tmp/pelorin-wipe-bench
mkdir -p "$place"
if [[ $(id -u) -eq 0 ]] && ! mountpoint -q "$place"; then
  mount -t tmpfs -o size=1g tmpfs "$place"
  trap 'umount "$place"' EXIT
fi

time_one() {  # time_one COMMAND...: seconds for one run on a fresh file
  head -c $((size_mib << 20)) /dev/zero >"$place/victim.bin"
  local start end
  start=$(date +%s.%N)
  "$@" "$place/victim.bin" >/dev/null 2>&1
  end=$(date +%s.%N)
  [[ ! -e "$place/victim.bin" ]] || { echo "not deleted by: $*" >&2; exit 1; }
  echo "$end - $start" | bc -l
}

median_rate() {  # median_rate COMMAND...: MB/s over the runs
  local times=()
  for ((i = 0; i < runs; i++)); do times+=("$(time_one "$@")"); done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p")
  echo "scale=0; $size_mib * 1.048576 * 3 / $median" | bc -l
}

pelorin=$(median_rate "$build/pelorin" wipe-file --passes 3)
shred=$(median_rate shred -n 3 -u)
plain=$(median_rate "$build/bench/pelorin_plain_overwrite" 3)
printf '%-28s %8s\n' "3 passes over ${size_mib} MiB" "MB/s"
printf '%-28s %8s\n' "pelorin wipe-file" "$pelorin"
printf '%-28s %8s\n' "shred -n 3 -u" "$shred"
printf '%-28s %8s\n' "plain 1 MiB loop + fsync" "$plain"
printf 'pelorin / shred = %s, pelorin / plain = %s\n' "$(echo "scale=2; $pelorin / $shred" | bc -l)" \
  "$(echo "scale=2; $pelorin / $plain" | bc -l)"
