#!/usr/bin/env bash
# Runs every built fuzz target for a few seconds from its seed corpus, so CI keeps them alive.
# A run lasts its seconds however busy the machine is, so the targets run side by side, one per
# processor, rather than one after another.
set -euo pipefail
BUILD_DIR=$1
SECONDS_EACH=${2:-10}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${FUZZ_JOBS:-$(nproc)}
shopt -s nullglob
LOGS=$(mktemp -d)
trap 'rm -rf "$LOGS"' EXIT

fuzz_one() {
  local target=$1 name work seeds
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds=("$work")
  [ -d "$ROOT/fuzz/corpus/$name" ] && seeds+=("$ROOT/fuzz/corpus/$name")
  local status=0
  "$target" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 "${seeds[@]}" \
    >"$LOGS/$name.log" 2>&1 || status=$?
  rm -rf "$work"
  [ "$status" -eq 0 ] && rm -f "$LOGS/$name.log"
  return "$status"
}

count=0
failed=0
running=0
for target in "$BUILD_DIR"/fuzz/*_fuzz; do
  if [ "$running" -ge "$JOBS" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  echo "fuzzing $(basename "$target") for ${SECONDS_EACH}s"
  fuzz_one "$target" &
  running=$((running + 1))
  count=$((count + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
for log in "$LOGS"/*.log; do
  echo "--- $(basename "$log" .log) failed:"
  tail -50 "$log"
done
[ "$failed" -eq 0 ] || exit 1
# Every target in the source tree must have been built and run.
expected=$(ls "$ROOT"/fuzz/*_fuzz.cpp | wc -l)
if [ "$count" -ne "$expected" ]; then
  echo "$count fuzz targets ran, but the source tree has $expected" >&2
  exit 1
fi
echo "$count fuzz targets ran clean"
