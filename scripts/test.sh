#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: natively, under
# the Address and UndefinedBehavior sanitizers, the main job, the Debian
# packages, the reader fuzz target for a minute, as Windows programs under
# Wine, and the Windows installer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# A small volume of the tests' own for the free-space wipe: a 16 MiB tmpfs
# (mounting needs root; without it those tests are skipped).
# PELORIN_TEST_ROOT keeps two checkouts tested side by side apart.
root=${PELORIN_TEST_ROOT:-/tmp}
volume=$root/pelorin-test-volume
if [[ $(id -u) -eq 0 ]]; then
  mkdir -p "$volume" "$volume-wine"
  mountpoint -q "$volume" || mount -t tmpfs -o size=16m tmpfs "$volume"
  mountpoint -q "$volume-wine" || mount -t tmpfs -o size=16m tmpfs "$volume-wine"
  export PELORIN_TEST_VOLUME="$volume/"
fi

for preset in native asan; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== the main job (scripts/run.sh) =="
# Its secure deletes run on a tmpfs of the tests' own when root.
demo=$root/pelorin-test-demo
mkdir -p "$demo"
if [[ $(id -u) -eq 0 ]]; then mountpoint -q "$demo" || mount -t tmpfs -o size=32m tmpfs "$demo"; fi
TMPDIR=$demo bash scripts/run.sh | tee "$demo/run.log"
grep -q "Every algorithm gave the sample back byte for byte" "$demo/run.log"
# With arguments it runs the tool on names relative to the caller's folder.
printf 'x' >"$demo/relative.txt"
(cd "$demo" && bash "$OLDPWD/scripts/run.sh" wipe-file relative.txt)
test ! -e "$demo/relative.txt" && test -d samples/tree
if [[ $(id -u) -eq 0 ]]; then umount "$demo"; fi

echo "== Debian packages (built, installed, used and removed) =="
bash tests/packaging/deb_test.sh

echo "== fuzz (reader, ${FUZZ_SECONDS:-60} s) =="
scripts/fuzz.sh

echo "== win64 (under Wine) =="
source scripts/wine-env.sh
trap wine_stop EXIT
if [[ -n "${PELORIN_TEST_VOLUME:-}" ]]; then
  # Under Wine the test volume is drive T:, a second tmpfs.
  export PELORIN_WINE_DRIVE_T="$volume-wine"
  export PELORIN_TEST_VOLUME='T:\'
fi
wine_start
cmake --preset win64 >/dev/null
cmake --build --preset win64
ctest --preset win64

echo "== Windows installer and portable zip (under Wine) =="
bash tests/installer/installer_test.sh build/win64

echo "== Windows programs on a virtual display (screenshots in artifacts/screenshots) =="
wine_stop
scripts/screenshots.sh

# Every suite above stops the script when it fails; reaching here means all passed.
echo "suites: 8 passed, 0 failed"
