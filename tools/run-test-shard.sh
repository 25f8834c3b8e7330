#!/usr/bin/env bash
# Runs one shard of a GoogleTest program as one process (ctest calls it, see tests/CMakeLists.txt):
#   run-test-shard.sh PROGRAM FILTER TEST_SECONDS [RUNNER ...]
# GTEST_TOTAL_SHARDS and GTEST_SHARD_INDEX pick the shard; RUNNER (wine64 for the win64 build)
# starts the program. Starting a process per test costs more than most tests do, under Wine most
# of all, so a shard runs many tests in one process. Each test still has TEST_SECONDS: a test
# that runs longer ends the shard. When the shard fails, the tests of the shard that did not pass
# (failed, or never finished because the process crashed or ran out of time) are printed and,
# when TOLZEB_RERUN_DIR is set, listed in a file there named TOLZEB_SHARD_NAME (the ctest name)
# for the caller to run again one by one.
set -uo pipefail
PROGRAM=$1
FILTER=$2
TEST_SECONDS=$3
shift 3
RUNNER=("$@")
: "${GTEST_TOTAL_SHARDS:?}" "${GTEST_SHARD_INDEX:?}"

RAW=$(mktemp)
OUTPUT=$(mktemp)
trap 'rm -f "$RAW" "$OUTPUT"' EXIT
"${RUNNER[@]}" "$PROGRAM" --gtest_filter="$FILTER" >"$RAW" 2>&1 &
CHILD=$!
# Every start and end of a test is a line of progress. While the process lives, it must make
# progress within a test's limit; otherwise the running test has overrun it.
progress=-1
progress_at=$SECONDS
overran=""
while kill -0 "$CHILD" 2>/dev/null; do
  now=$(grep -cE '^\[ +(RUN|OK|FAILED|SKIPPED) +\] ' "$RAW")
  if [ "$now" != "$progress" ]; then
    progress=$now
    progress_at=$SECONDS
  elif (( SECONDS - progress_at > TEST_SECONDS )); then
    overran=$(grep '^\[ RUN      \] ' "$RAW" | tail -1 | tr -d '\r' | cut -c14-)
    overran=${overran:-the shard}
    kill -TERM "$CHILD" 2>/dev/null
    for _ in $(seq 10); do kill -0 "$CHILD" 2>/dev/null || break; sleep 1; done
    kill -KILL "$CHILD" 2>/dev/null
    break
  fi
  sleep 1
done
wait "$CHILD"
STATUS=$?
tr -d '\r' <"$RAW" | tee "$OUTPUT"
[ -n "$overran" ] && echo "$overran ran out of its ${TEST_SECONDS} s"

# Test index 0 always falls to shard 0, so that shard running nothing means the program has no
# test matching the filter: a run that checked nothing must not pass.
if [ "$STATUS" -eq 0 ] && [ "$GTEST_SHARD_INDEX" -eq 0 ] && ! grep -q '^\[ RUN      \] ' "$OUTPUT"; then
  echo "$(basename "$PROGRAM") ran no test matching $FILTER"
  exit 1
fi
[ "$STATUS" -eq 0 ] && exit 0

# The shard's tests, chosen as GoogleTest does: every enabled test matching the filter, dealt out
# in listed order. Listing ignores the shard variables, so they are dropped for it.
shard_tests() {
  env -u GTEST_TOTAL_SHARDS -u GTEST_SHARD_INDEX "${RUNNER[@]}" "$PROGRAM" --gtest_list_tests \
    --gtest_filter="$FILTER" 2>/dev/null | tr -d '\r' |
    awk -v total="$GTEST_TOTAL_SHARDS" -v index_="$GTEST_SHARD_INDEX" '
      /^[^ ]/ { suite = $1; next }
      /^  [^ ]/ {
        name = suite $1
        if (name ~ /(^|[.\/])DISABLED_/) next
        if (runnable++ % total == index_) print name
      }'
}
PASSED=$(sed -n 's/^\[  \(     OK\|SKIPPED\) \] \([^ ]*\).*/\2/p' "$OUTPUT" | sort -u)
NOT_PASSED=$(shard_tests | grep -vxF -f <(printf '%s\n' "$PASSED"))
if [ -z "$NOT_PASSED" ]; then
  # Every test passed yet the process failed (at exit, say): the shard as a whole is the fault.
  echo "every test of the shard passed, but the process ended with $STATUS"
  exit 1
fi
echo "tests of this shard that did not pass:"
printf '  %s\n' $NOT_PASSED
if [ -n "${TOLZEB_RERUN_DIR:-}" ]; then
  # The program, then the runner's words on one line (tab-separated), then the tests.
  mkdir -p "$TOLZEB_RERUN_DIR"
  { printf '%s\n' "$PROGRAM"; (IFS=$'\t'; printf '%s\n' "${RUNNER[*]}"); printf '%s\n' $NOT_PASSED; } \
    >"$TOLZEB_RERUN_DIR/${TOLZEB_SHARD_NAME:?}"
fi
exit 1
