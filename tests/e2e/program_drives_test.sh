#!/usr/bin/env bash
# Runs the end-to-end tests of a program that wipes or deletes (PelorinWipe.exe
# or Sundrel.exe) in a Wine prefix of its own that maps no drive letter to
# the host's root or any real folder: C: is the prefix's own drive_c, T: a
# loop-mounted ext2 image and U: a tmpfs, both made here, R: a CD-ROM and S:
# a network drive (empty folders). After the run, T:'s raw image must hold
# the marker nowhere: for Pelorin Wipe, files full of it are written to T:
# and deleted first; for Sundrel, the tests name and fill the tree they drop
# with it (they read it from PELORIN_E2E_MARKER).
# Usage: program_drives_test.sh BIN_FOLDER wipe|delete. Needs root for the
# mounts; skipped otherwise. PELORIN_DPI sets the display's resolution
# (96 when not given).
set -u
bin=$(realpath "$1")
program=$2
source "$(dirname "$0")/../forensics/marker.sh"
case $program in
  wipe)
    files=(PelorinWipe.exe PeloSDK.dll PelorinWipe.html pelorin_wipe_e2e_tests.exe)
    export PELORIN_E2E_MARKER='PELORIN-WIPE-PROGRAM-MARKER-5d1e' ;;
  delete)
    files=(Sundrel.exe pelorin_sundrel_e2e_tests.exe)
    export PELORIN_E2E_MARKER='SUNDRELPROGRAMMARKER3c8a' ;;
  *) echo "usage: program_drives_test.sh BIN_FOLDER wipe|delete" >&2; exit 2 ;;
esac
if [[ $(id -u) -ne 0 ]] || ! command -v mkfs.ext2 >/dev/null; then
  echo "note: needs root and e2fsprogs for the test drives; skipped"
  exit 0
fi
work=$(mktemp -d /tmp/pelorin-drives-e2eXXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" WINEARCH=win64
cleanup() {
  wineserver -k >/dev/null 2>&1
  for m in "$work/t" "$work/u"; do mountpoint -q "$m" && umount "$m"; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/t" "$work/u" "$work/r" "$work/s"
dd if=/dev/zero of="$work/t.img" bs=1M count=16 status=none
mkfs.ext2 -F -q -b 4096 "$work/t.img"
mount -o loop "$work/t.img" "$work/t" || { echo "note: no loop mounts here; skipped"; exit 0; }
mount -t tmpfs -o size=8m tmpfs "$work/u"
[[ $program == wipe ]] && scatter_deleted_marker "$work/t" "$PELORIN_E2E_MARKER" 24

wineboot -i >/dev/null 2>&1 </dev/null
wineserver -w
# No letter but the prefix's own C: leads anywhere on the host.
for link in "$WINEPREFIX"/dosdevices/*; do
  [[ "$(basename "$link")" == c: ]] || rm -f "$link"
done
ln -sfn "$work/t" "$WINEPREFIX/dosdevices/t:"
ln -sfn "$work/u" "$WINEPREFIX/dosdevices/u:"
ln -sfn "$work/r" "$WINEPREFIX/dosdevices/r:"
ln -sfn "$work/s" "$WINEPREFIX/dosdevices/s:"
if [[ -n "${DISPLAY:-}" && -n "${PELORIN_SHOTS:-}" ]]; then
  # Screenshots: the watcher outside looks at this folder.
  ln -sfn "$PELORIN_SHOTS" "$WINEPREFIX/dosdevices/x:"
  export PELORIN_SCREENSHOT_DIR='X:\'
else
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${PELORIN_DPI:-96}" /f >/dev/null 2>&1 </dev/null
wine reg add 'HKLM\Software\Wine\Drives' /v r: /d cdrom /f >/dev/null 2>&1 </dev/null
wine reg add 'HKLM\Software\Wine\Drives' /v s: /d network /f >/dev/null 2>&1 </dev/null
wineserver -k >/dev/null 2>&1; wineserver -w
mkdir -p "$WINEPREFIX/drive_c/pelorin"
for file in "${files[@]}"; do cp "$bin/$file" "$WINEPREFIX/drive_c/pelorin/"; done
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit >/dev/null 2>&1 </dev/null

status=0
(cd "$WINEPREFIX/drive_c/pelorin" && wine "C:\\pelorin\\${files[-1]}" </dev/null) || status=$?
wineserver -k >/dev/null 2>&1
umount "$work/t"
left=$(count_in_image "$work/t.img" "$PELORIN_E2E_MARKER")
echo "marker left in T:'s image: $left"
[[ $left -eq 0 ]] || status=1
exit $status
