#!/usr/bin/env bash
# Runs the Windows programs' end-to-end tests on a virtual display, once at
# 96 and once at 144 dots per inch, and saves a picture of each dialog in
# artifacts/screenshots/96dpi/ and artifacts/screenshots/144dpi/. Needs the
# win64 build. PELORIN_DISPLAY names the display (:97 when not given).
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
watcher=
cleanup() {
  [[ -n $watcher ]] && kill "$watcher" 2>/dev/null
  wine_stop
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
until xdpyinfo >/dev/null 2>&1 || xdotool getdisplaygeometry >/dev/null 2>&1; do sleep 0.05; done

status=0
for dpi in 96 144; do
  shots="$out/${dpi}dpi"
  mkdir -p "$shots"
  export PELORIN_DPI=$dpi
  wine_start
  # Photographs each dialog the tests announce.
  (
    while true; do
      for ready in "$shots"/ready-*; do
        [[ -e "$ready" ]] || continue
        name=${ready##*/ready-}
        [[ -e "$shots/taken-$name" ]] && continue
        wine_screenshot "$shots/$name.png"
        touch "$shots/taken-$name"
      done
      sleep 0.1
    done
  ) &
  watcher=$!
  export PELORIN_SCREENSHOT_DIR="$(winepath -w "$shots")"
  (cd build/win64/bin && wine pelorin_e2e_tests.exe) || status=$?
  # Pelorin Wipe and Sundrel run in prefixes of their own with only their test drives.
  PELORIN_SHOTS="$shots" bash tests/e2e/program_drives_test.sh build/win64/bin wipe || status=$?
  PELORIN_SHOTS="$shots" bash tests/e2e/program_drives_test.sh build/win64/bin delete || status=$?
  kill "$watcher" 2>/dev/null || true
  watcher=
  rm -f "$shots"/ready-* "$shots"/taken-*
  wine_stop
done
# The prefix goes back to the resolution the other tests expect.
export PELORIN_DPI=96
wine_start
wine_stop
ls -R "$out" >&2
exit $status
