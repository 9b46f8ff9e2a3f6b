#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: natively, under
# the Address and UndefinedBehavior sanitizers, the reader fuzz target for a
# minute, and as Windows programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in native asan; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzz (reader, ${FUZZ_SECONDS:-60} s) =="
scripts/fuzz.sh

echo "== win64 (under Wine) =="
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
cmake --preset win64 >/dev/null
cmake --build --preset win64
ctest --preset win64
