# Sourced by the test scripts: a private Wine prefix for running the Windows
# build, set up so that CI neither hangs nor lets a crash pass as success.
#
# Three traps are handled here:
#  1. Hanging ctest: the first Wine process starts wineserver and Wine's
#     services, which inherit that test's output pipe, so ctest waits for
#     them. The server and services are started beforehand, with their output
#     sent to /dev/null.
#  2. Crashes reported as success: with the debugger enabled, an unhandled
#     crash exits 0 in a good share of runs. winedbg is disabled, so a crash
#     always ends with a non-zero status.
#  3. Spoiled screenshots: xwd shows message boxes as black rectangles and
#     Wine's managed windows stall two seconds on every close under a display
#     without a window manager. Screenshots use ImageMagick's import, and
#     windows are unmanaged.

export WINEPREFIX="${PELORIN_WINEPREFIX:-/tmp/pelorin-wine/prefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEARCH=win64

wine_start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    wineboot -i >/dev/null 2>&1 </dev/null || true
    wineserver -w
  fi
  # Without a display, dialogs run on Wine's null graphics driver.
  if [[ -z "${DISPLAY:-}" ]]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
  else
    wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 </dev/null || true
  fi
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  # The display's resolution (PELORIN_DPI, 96 when not given): dialogs and
  # their fonts scale with it.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${PELORIN_DPI:-96}" /f \
    >/dev/null 2>&1 </dev/null
  wineserver -k >/dev/null 2>&1 || true
  # Drive letters are read when the server starts.
  if [[ -n "${PELORIN_WINE_DRIVE_T:-}" ]]; then
    ln -sfn "$PELORIN_WINE_DRIVE_T" "$WINEPREFIX/dosdevices/t:"
  fi
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
}

# Saves a picture of the whole virtual display.
wine_screenshot() {
  import -display "${DISPLAY:?}" -window root "$1"
}
