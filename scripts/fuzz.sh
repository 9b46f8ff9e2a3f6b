#!/usr/bin/env bash
# Runs each fuzz target for a while (60 seconds unless FUZZ_SECONDS says
# otherwise) under the Address and UndefinedBehavior sanitizers, starting
# from seeds written by the native build. A crash fails the script and
# leaves the input in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
[[ -x build/native/tests/pelorin_fuzz_seeds ]] || { cmake --preset native >/dev/null && cmake --build --preset native --target pelorin_fuzz_seeds; }

corpus=build/fuzz/corpus/reader
modern=build/fuzz/corpus/modern-reader
findings=build/fuzz/findings
mkdir -p "$corpus" "$modern" "$findings"
build/native/tests/pelorin_fuzz_seeds "$corpus" "$modern"
build/fuzz/tests/fuzz/pelorin_reader_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=4096 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12

# The version-8 reader: records opened with the target's fixed file key.
build/fuzz/tests/fuzz/pelorin_modern_reader_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=140000 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$modern" 2>&1 | tail -n 12

# The names handed between program instances: a small format, a tenth of
# the time, from one well-formed message.
corpus=build/fuzz/corpus/name-message
mkdir -p "$corpus"
printf 'PGN1\002\000\000\000\002\000\000\000ab\005\000\000\000\303\251\342\202\254' >"$corpus/two-names"
build/fuzz/tests/fuzz/pelorin_name_message_fuzz -max_total_time="$(( (seconds + 9) / 10 ))" -max_len=4096 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12

# The conversions of names between UTF-8, UTF-16 and the code pages: a
# tenth of the time, from a name in a few scripts.
corpus=build/fuzz/corpus/text
mkdir -p "$corpus"
printf 'Gr\303\274\303\237e\\caf\351 \200\346\227\245\355\240\200' >"$corpus/mixed"
build/fuzz/tests/fuzz/pelorin_text_fuzz -max_total_time="$(( (seconds + 9) / 10 ))" -max_len=4096 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
