#!/usr/bin/env bash
# Builds everything Pelorin ships into dist/: the Windows installer and the
# portable zip (cross-built with mingw-w64), and the Debian packages of the
# tool and the library. Prints what it made.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
mkdir -p dist
bash scripts/build-windows-dist.sh
bash scripts/build-debs.sh
echo
echo "dist/ holds:"
ls -l dist | awk 'NR > 1 {printf "  %-44s %10d bytes\n", $9, $5}'
