#!/usr/bin/env bash
# Runs every built fuzz target for a few seconds from its seed corpus, so CI keeps them alive.
set -euo pipefail
BUILD_DIR=$1
SECONDS_EACH=${2:-10}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
count=0
for target in "$BUILD_DIR"/fuzz/*_fuzz; do
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds=("$work")
  [ -d "$ROOT/fuzz/corpus/$name" ] && seeds+=("$ROOT/fuzz/corpus/$name")
  echo "fuzzing $name for ${SECONDS_EACH}s"
  "$target" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 "${seeds[@]}" \
    >"$work.log" 2>&1 || { tail -50 "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
  count=$((count + 1))
done
# Every target in the source tree must have been built and run.
expected=$(ls "$ROOT"/fuzz/*_fuzz.cpp | wc -l)
if [ "$count" -ne "$expected" ]; then
  echo "$count fuzz targets ran, but the source tree has $expected" >&2
  exit 1
fi
echo "$count fuzz targets ran clean"
