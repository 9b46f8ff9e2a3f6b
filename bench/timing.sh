# Timing helpers for the benchmark scripts; source this file.

# The wall time of one run of COMMAND, in seconds; its output is dropped.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# The median of the numbers given.
median() {
  printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"
}
