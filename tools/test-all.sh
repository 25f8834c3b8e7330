#!/usr/bin/env bash
# Every test of both builds: native (ASan+UBSan, TSan on the pipeline, the task runner and the preview worker), win64
# under Wine, and short fuzz runs. The tests run once per platform: natively in the clang
# sanitizer build (which also compiles the benchmarks), and as compiled by GCC in the win64 build,
# which keeps the whole run short on a small machine.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
export LC_ALL=C.UTF-8 LANG=C.UTF-8
JOBS=$(nproc)
# Compiles two more than the processors, as ninja does by default: a compile waits on the disk now
# and then, and on a machine busy with other work the build keeps its share of the processors.
BUILD_JOBS=$(( JOBS + 2 ))
# Each test program runs as a few shards, one process each, rather than one process per test
# (see tools/run-test-shard.sh): process starts under Wine and sanitizers cost more than most tests.
# At least four, so that a few long tests do not hold one shard far beyond the others.
SHARDS=$(( JOBS > 4 ? JOBS : 4 ))

bash tools/install-deps.sh

STARTED=$SECONDS
step() { echo; echo "=== $* ($(( (SECONDS - STARTED) / 60 )) min in) ==="; }
# Every stage must run something: a stage that finds no tests fails rather than passing empty.
run_ctest() { ctest --no-tests=error --output-on-failure "$@"; }

# One clang tree carries the sanitizer run of every test, the fuzz targets and the benchmarks'
# compile, so the library is compiled once for all; -O1 keeps the compile short and the run fast
# enough.
step "native ASan+UBSan build (clang, with the fuzz targets and the benchmarks)"
CC=clang CXX=clang++ cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DTOLZEB_SANITIZE=address,undefined -DTOLZEB_FUZZ=ON -DTOLZEB_BENCH=ON -DTOLZEB_TEST_SHARDS="$SHARDS" >/dev/null
cmake --build build/asan -j"$BUILD_JOBS"
step "native ASan+UBSan tests"
run_ctest --test-dir build/asan -j"$JOBS"
step "fuzz targets, short runs"
bash tools/run-fuzzers.sh build/asan "${TOLZEB_FUZZ_SECONDS:-5}"

step "native TSan: the pipeline, the task runner, the archive search and closing the window"
# The tests that start threads; the tree compiles only the test files that hold them.
THREADED_SUITES='Pipeline|Concurren|Thread|TaskRunner|WindowClose|PreviewController|ArchiveSearchWorker|AudioPlayer'
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DTOLZEB_SANITIZE=thread -DTOLZEB_THREADED_SUITES="$THREADED_SUITES" >/dev/null
cmake --build build/tsan -j"$BUILD_JOBS" --target threaded_tests
run_ctest --test-dir build/tsan -j"$JOBS" -R "$THREADED_SUITES"

step "win64 build"
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DTOLZEB_TEST_SHARDS="$SHARDS" >/dev/null
cmake --build build/win64 -j"$BUILD_JOBS"
step "win64 tests under Wine"
# A test that fails under Wine runs once more on its own (see wine-ctest.sh); the names of those
# that needed it are printed at the end, so a flaky test cannot hide.
bash tools/wine-ctest.sh build/win64 -j"$JOBS"
step "window program end to end under Wine"
# Screenshots of every scenario are kept in build/win64/e2e-shots for a person to look at.
bash tests/e2e/run-e2e.sh build/win64

echo
if [ -s build/win64/retried-tests.txt ]; then
  echo "win64 tests that passed only on their second run under Wine (alone):"
  sed 's/^/  /' build/win64/retried-tests.txt
fi
echo "all test stages passed in $(( (SECONDS - STARTED) / 60 )) min"
