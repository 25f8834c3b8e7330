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
  # DirectWrite under Wine: map the UI font families to an installed one. Direct3D without its
  # command-stream thread, which spins while it waits. A crashing test ends at once instead of
  # waiting in the automatic debugger until its timeout.
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"Segoe UI"="Liberation Sans"\r\n"Segoe UI Variable Display"="Liberation Sans"\r\n"Segoe UI Semibold"="Liberation Sans"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Direct3D]\r\n"csmt"=dword:00000000\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n' >"$BUILD_DIR/wine-fonts.reg"
  "$WINE" regedit /S "$("$WINE" winepath -w "$BUILD_DIR/wine-fonts.reg" 2>/dev/null)" </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -w
fi
"$WINESERVER" -p
"$WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
# A failed test runs once more, alone: under parallel load Wine now and then fails to start a
# test process. A real failure fails twice; the names of the tests that needed the second run are
# kept in retried-tests.txt for the caller to report. A failed shard (see run-test-shard.sh)
# leaves the list of its tests that did not pass in RERUN_DIR; those run again one by one, each
# within the limit of one test.
RETRIED="$BUILD_DIR/retried-tests.txt"
: >"$RETRIED"
export TOLZEB_RERUN_DIR="$BUILD_DIR/Testing/rerun"
rm -rf "$TOLZEB_RERUN_DIR"
if ctest --test-dir "$BUILD_DIR" --no-tests=error --output-on-failure "$@"; then
  exit 0
fi
FAILED_LIST="$BUILD_DIR/Testing/Temporary/LastTestsFailed.log"
[ -s "$FAILED_LIST" ] || exit 1
TEST_SECONDS=$(sed -n 's/^TOLZEB_TEST_TIMEOUT:STRING=//p' "$BUILD_DIR/CMakeCache.txt")
whole=()
failed_again=0
while IFS=: read -r _ test_name; do
  list="$TOLZEB_RERUN_DIR/$test_name"
  if [ ! -s "$list" ]; then
    # Not a shard, or a shard that could not name its tests: it runs again whole.
    whole+=("$test_name")
    continue
  fi
  mapfile -t lines <"$list"
  IFS=$'\t' read -r -a runner <<<"${lines[1]}"
  for single in "${lines[@]:2}"; do
    echo "Running again, alone: $single"
    echo "$single" >>"$RETRIED"
    GTEST_TOTAL_SHARDS=1 GTEST_SHARD_INDEX=0 TOLZEB_RERUN_DIR="" \
      bash "$(dirname "$0")/run-test-shard.sh" "${lines[0]}" "$single" "${TEST_SECONDS:-300}" "${runner[@]}" \
      </dev/null >"$list.again" 2>&1 || { cat "$list.again"; failed_again=1; }
  done
done <"$FAILED_LIST"
if [ ${#whole[@]} -gt 0 ]; then
  printf '%s\n' "${whole[@]}" >>"$RETRIED"
  echo "Running again, one at a time: ${whole[*]}"
  pattern=$(printf '%s\n' "${whole[@]}" | sed 's/[][\.*^$+?(){}|/]/\\&/g' | paste -sd'|')
  ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -R "^($pattern)\$" </dev/null || failed_again=1
fi
exit "$failed_again"
