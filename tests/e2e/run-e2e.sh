#!/usr/bin/env bash
# The end-to-end scenarios of the window program under Wine:
#   bash tests/e2e/run-e2e.sh BUILD_DIR [SCENARIO ...]
# BUILD_DIR is a win64 build with TolZeb.exe and tests/e2e/tzdrive.exe (TOLZEB_EXE and TZDRIVE
# override where they are). SCENARIO names a file of tests/e2e/scenarios without ".sh" (or of
# E2E_SCENARIO_DIR); none runs them all. One template prefix serves the run; each scenario runs
# in a process of its own with a fresh copy of the prefix and a deadline. E2E_JOBS lanes (by
# default 3 on four or more processors, else 1) run scenarios side by side, each lane on an Xvfb
# of its own so that no two windows share a screen.
# Screenshots land in BUILD_DIR/e2e-shots/<scenario>/, logs in BUILD_DIR/e2e/.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [SCENARIO ...]" >&2
  exit 2
fi
BUILD_DIR=$(realpath "$1")
shift
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
source "$HERE/harness.sh"

export LC_ALL=C.UTF-8 LANG=C.UTF-8 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winealsa.drv=d"
export E2E_WORK="$BUILD_DIR/e2e" E2E_SHOTS="$BUILD_DIR/e2e-shots"
export XDG_CACHE_HOME="$E2E_WORK/cache"
E2E_SCENARIO_SECONDS=${E2E_SCENARIO_SECONDS:-600}
E2E_JOBS=${E2E_JOBS:-$(( $(nproc) >= 4 ? 3 : 1 ))}
SCENARIO_DIR=${E2E_SCENARIO_DIR:-$HERE/scenarios}

export TOLZEB_EXE=${TOLZEB_EXE:-$(find "$BUILD_DIR" -name TolZeb.exe -not -path "$E2E_WORK/*" -print -quit)}
export TZDRIVE=${TZDRIVE:-$BUILD_DIR/tests/e2e/tzdrive.exe}
[ -n "$TOLZEB_EXE" ] && [ -f "$TOLZEB_EXE" ] || { echo "e2e: no TolZeb.exe under $BUILD_DIR (build the TolZeb target)" >&2; exit 1; }
[ -f "$TZDRIVE" ] || { echo "e2e: no $TZDRIVE (build the tzdrive target)" >&2; exit 1; }
for tool in Xvfb xwd python3 timeout; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (tools/install-deps.sh installs it)" >&2; exit 1; }
done

scenarios=()
if [ $# -eq 0 ]; then
  for file in "$SCENARIO_DIR"/*.sh; do scenarios+=("$(basename "$file" .sh)"); done
else
  for name in "$@"; do
    [ -f "$SCENARIO_DIR/$name.sh" ] || { echo "e2e: no scenario $name" >&2; exit 2; }
    scenarios+=("$name")
  done
fi

rm -rf "$E2E_WORK" "$E2E_SHOTS"
mkdir -p "$E2E_WORK" "$E2E_SHOTS"

E2E_XVFB_PID=""
SCENARIO_PID=""
LANE_PIDS=()
run_cleanup() {
  for pid in "${LANE_PIDS[@]}"; do e2e_end_process "$pid"; done
  [ -z "$E2E_XVFB_PID" ] || e2e_end_process "$E2E_XVFB_PID"
  rm -rf "$E2E_WORK/template"
}
trap run_cleanup EXIT
trap 'exit 143' TERM INT

STARTED_MS=$(e2e_now_ms)
e2e_start_display
e2e_log "display $DISPLAY; making the template prefix"
e2e_make_template
export E2E_TEMPLATE DISPLAY
e2e_log "template ready after $(( ($(e2e_now_ms) - STARTED_MS) / 1000 )) s"

# One scenario in a process of its own; past its deadline it is ended, and whatever it left in its
# prefix with it.
run_scenario() {
  local name=$1 output="$E2E_WORK/$1.out" status=0 begin
  begin=$(e2e_now_ms)
  bash -c 'set -eEuo pipefail
    source "$1"
    trap '\''tz_fail "a command failed (line $LINENO): $BASH_COMMAND"'\'' ERR
    scenario_begin "$2"
    source "$3"' _ "$HERE/harness.sh" "$name" "$SCENARIO_DIR/$name.sh" >"$output" 2>&1 &
  SCENARIO_PID=$!
  if ! e2e_wait_gone "$SCENARIO_PID" $(( E2E_SCENARIO_SECONDS * 1000 )); then
    echo "FAIL [$name] did not finish within $E2E_SCENARIO_SECONDS s" >>"$output"
    e2e_end_process "$SCENARIO_PID"
    if [ -d "$E2E_WORK/$name/prefix" ]; then
      WINEPREFIX="$E2E_WORK/$name/prefix" timeout -k 5 20 "$E2E_WINESERVER" -k 2>/dev/null || true
    fi
    status=1
  fi
  wait "$SCENARIO_PID" || status=$?
  SCENARIO_PID=""
  sed 's/^/  /' "$output"
  local seconds=$(( ($(e2e_now_ms) - begin) / 1000 ))
  if [ "$status" = 0 ]; then
    echo "PASS $name (${seconds} s)"
  else
    echo "FAIL $name (${seconds} s; log $E2E_WORK/$name/log.txt)"
  fi
}

# Lane `lane` runs every E2E_JOBS-th scenario, each reported into <name>.report. Lane 0 uses the
# run's display; the others start their own and end it with themselves.
run_lane() {
  local lane=$1 k=0 name
  E2E_XVFB_OWNED=""
  trap '[ -z "$SCENARIO_PID" ] || e2e_end_process "$SCENARIO_PID"
        [ -z "$E2E_XVFB_OWNED" ] || e2e_end_process "$E2E_XVFB_OWNED"' EXIT
  trap 'exit 143' TERM INT
  if [ "$lane" -gt 0 ]; then
    E2E_XVFB_LOG="$E2E_WORK/xvfb-$lane.log" e2e_start_display || exit 1
    E2E_XVFB_OWNED=$E2E_XVFB_PID
  fi
  for name in "${scenarios[@]}"; do
    if [ $(( k % E2E_JOBS )) -eq "$lane" ]; then
      echo "--- $name" >"$E2E_WORK/$name.report"
      run_scenario "$name" >>"$E2E_WORK/$name.report"
    fi
    k=$(( k + 1 ))
  done
}

for (( lane = 0; lane < E2E_JOBS; lane++ )); do
  run_lane "$lane" &
  LANE_PIDS+=($!)
done
for pid in "${LANE_PIDS[@]}"; do wait "$pid" || true; done
LANE_PIDS=()

failed=()
for name in "${scenarios[@]}"; do
  if [ -f "$E2E_WORK/$name.report" ]; then
    cat "$E2E_WORK/$name.report"
    tail -n 1 "$E2E_WORK/$name.report" | grep -q '^PASS ' || failed+=("$name")
  else
    echo "FAIL $name (its lane never ran it)"
    failed+=("$name")
  fi
done

echo
echo "e2e: ${#scenarios[@]} scenarios, ${#failed[@]} failed, $(( ($(e2e_now_ms) - STARTED_MS) / 1000 )) s;" \
  "screenshots in $E2E_SHOTS"
[ ${#failed[@]} -eq 0 ] || { echo "e2e: failed: ${failed[*]}"; exit 1; }
