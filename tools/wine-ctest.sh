#!/usr/bin/env bash
# Runs a win64 build's tests under Wine: a prefix inside the build tree, an Xvfb of our own,
# one persistent wineserver whose services start detached from any pipe (otherwise every
# test waits for them, or the run hangs), and cleanup of exactly what we started.
set -euo pipefail
BUILD_DIR=$(realpath "$1")
shift
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG=-all LC_ALL=C.UTF-8 LANG=C.UTF-8
export WINEDLLOVERRIDES="winemenubuilder.exe=d;winealsa.drv=d"
export XDG_CACHE_HOME="$BUILD_DIR/cache"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

DISPLAY_NUMBER=$(( 50 + RANDOM % 400 ))
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUMBER"
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$DISPLAY_NUMBER" ] && break
  sleep 0.1
done

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
  # DirectWrite under Wine: map the UI font families to an installed one. A crashing test ends at
  # once instead of waiting in the automatic debugger until its timeout.
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"Segoe UI"="Liberation Sans"\r\n"Segoe UI Variable Display"="Liberation Sans"\r\n"Segoe UI Semibold"="Liberation Sans"\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n' >"$BUILD_DIR/wine-fonts.reg"
  "$WINE" regedit /S "$("$WINE" winepath -w "$BUILD_DIR/wine-fonts.reg" 2>/dev/null)" </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -w
fi
"$WINESERVER" -p
"$WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
# A failed test runs once more, alone: under parallel load Wine now and then fails to start a
# test process. A real failure fails twice; the names of the tests that needed the second run are
# kept in retried-tests.txt for the caller to report.
RETRIED="$BUILD_DIR/retried-tests.txt"
: >"$RETRIED"
if ! ctest --test-dir "$BUILD_DIR" --no-tests=error --output-on-failure "$@"; then
  FAILED_LIST="$BUILD_DIR/Testing/Temporary/LastTestsFailed.log"
  [ -s "$FAILED_LIST" ] || exit 1
  cut -d: -f2- "$FAILED_LIST" >"$RETRIED"
  echo "Running again, one at a time: $(tr '\n' ' ' <"$RETRIED")"
  ctest --test-dir "$BUILD_DIR" --output-on-failure --rerun-failed
fi
