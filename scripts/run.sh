#!/usr/bin/env bash
# Installs what is missing, builds the native tree and runs the cipher
# benchmark: every cipher's bulk speed beside the reference libraries.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native
./build/native/bench/pelorin_bench "$@"
