#!/usr/bin/env bash
# Runs the Windows programs' end-to-end tests on a virtual display and saves
# a picture of each dialog in artifacts/screenshots/. Needs the win64 build.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$PWD/artifacts/screenshots"
rm -rf "$out"
mkdir -p "$out"

display=${PELORIN_DISPLAY:-:97}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
source scripts/wine-env.sh
cleanup() { wine_stop; kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
until xdpyinfo >/dev/null 2>&1 || xdotool getdisplaygeometry >/dev/null 2>&1; do sleep 0.05; done
wine_start

# Photographs each dialog the tests announce.
(
  while true; do
    for ready in "$out"/ready-*; do
      [[ -e "$ready" ]] || continue
      name=${ready##*/ready-}
      [[ -e "$out/taken-$name" ]] && continue
      wine_screenshot "$out/$name.png"
      touch "$out/taken-$name"
    done
    sleep 0.1
  done
) &
watcher=$!
export PELORIN_SCREENSHOT_DIR="$(winepath -w "$out")"
status=0
(cd build/win64/bin && wine pelorin_e2e_tests.exe) || status=$?
# Pelorin Wipe and Sundrel run in prefixes of their own with only their test drives.
PELORIN_SHOTS="$out" bash tests/e2e/program_drives_test.sh build/win64/bin wipe || status=$?
PELORIN_SHOTS="$out" bash tests/e2e/program_drives_test.sh build/win64/bin delete || status=$?
kill "$watcher" 2>/dev/null || true
rm -f "$out"/ready-* "$out"/taken-*
ls "$out" >&2
exit $status
