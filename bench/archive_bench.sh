#!/usr/bin/env bash
# Times zeb's create and extract commands against zstd, lz4, xz and 7z on one corpus, in one run,
# and prints one table with the ratios ours/peer. See bench/README.md for the corpus.
#
# Usage: bench/archive_bench.sh [build-dir]
# Environment: TEXT_MIB (default 240) and LIB_MIB (default 160) cap the two halves of the corpus;
# REPEAT (default 1) runs each command that many times and keeps the fastest; BIG_GIB (default 1)
# sizes the single-file input of the memory check, 0 skips it; OUT_BASE (default /dev/shm when it
# has room) is where archives and extracted trees are written.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench-release}
TEXT_MIB=${TEXT_MIB:-240}
LIB_MIB=${LIB_MIB:-160}
REPEAT=${REPEAT:-1}
BIG_GIB=${BIG_GIB:-1}
WORK=$BUILD/archive-bench
ZEB=$BUILD/cli/zeb
TIME=/usr/bin/time

for tool in zstd lz4 xz 7z tar; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install zstd lz4 xz-utils p7zip-full)" >&2; exit 1; }
done
[ -x "$TIME" ] || { echo "missing: $TIME (apt-get install time)" >&2; exit 1; }

# zeb in Release, nothing else.
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLZEB_TESTS=OFF >/dev/null
ninja -C "$BUILD" -j4 zeb >/dev/null

# --- Corpus --------------------------------------------------------------------------------
# Regular files only, in byte order of their paths, taken until the cap; copied below
# $WORK/corpus with their paths under / kept, so the tree has the depth of a real one.
CORPUS=$WORK/corpus
TARBALL=$WORK/corpus.tar
pick() {  # cap in MiB, then find's start points and tests; prints NUL-separated paths without the leading /
  local cap=$(($1 << 20))
  shift
  find "$@" -type f -printf '%s\t%p\0' 2>/dev/null | LC_ALL=C sort -z -t "$(printf '\t')" -k2 |
    awk -v cap="$cap" 'BEGIN { RS = "\0"; ORS = "\0" }
      { tab = index($0, "\t"); size = substr($0, 1, tab - 1) + 0
        if (total + size > cap) exit
        total += size; print substr($0, tab + 2) }'
}
if [ ! -f "$TARBALL" ]; then
  rm -rf "$CORPUS" && mkdir -p "$CORPUS"
  { pick "$TEXT_MIB" /usr/share/doc /usr/include
    pick "$LIB_MIB" /usr/lib/x86_64-linux-gnu -maxdepth 1 -name '*.so*'; } >"$WORK/corpus.list"
  tar -C / --null -T "$WORK/corpus.list" -cf - | tar -C "$CORPUS" -xf -
  tar -C "$CORPUS" -cf "$TARBALL.tmp" usr && mv "$TARBALL.tmp" "$TARBALL"
fi
INPUT=$(find "$CORPUS" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
FILES=$(find "$CORPUS" -type f | wc -l)
cat "$TARBALL" >/dev/null  # the page cache holds the corpus from here on (the tree too, below)
find "$CORPUS" -type f -print0 | xargs -0 cat >/dev/null

# --- Measuring -------------------------------------------------------------------------------
# Outputs go to memory when there is room, so that a slow disk's write-back does not decide
# which command looks fastest.
if [ -z "${OUT_BASE:-}" ]; then
  OUT_BASE=$WORK
  if [ -w /dev/shm ] && [ "$(df -k --output=avail /dev/shm | tail -n 1)" -gt $(((BIG_GIB * 3 + 2) << 20)) ]; then
    OUT_BASE=/dev/shm
  fi
fi
RUN_DIR=$(mktemp -d "$OUT_BASE/archive-bench.XXXXXX")
trap 'rm -rf "$RUN_DIR"' EXIT
OUT=$RUN_DIR/out
SCRATCH=$RUN_DIR/scratch
mkdir -p "$OUT"
declare -A WALL RSS SIZE INBYTES
ORDER=()

# run LABEL INPUT_BYTES OUTPUT_PATH COMMAND...: the fastest of REPEAT runs. OUTPUT_PATH is a file
# or a folder whose size is reported; "-" for none. Peak RSS is the largest process of the run.
run() {
  local label=$1 bytes=$2 output=$3 best="" rss=0
  shift 3
  for _ in $(seq "$REPEAT"); do
    rm -rf "$SCRATCH" && mkdir -p "$SCRATCH"
    [ "$output" != - ] && [ -f "$output" ] && rm -f "$output"
    local start end wall
    start=$(date +%s.%N)
    "$TIME" -f '%M' -o "$WORK/rss" "$@" >/dev/null 2>"$WORK/stderr" || {
      echo "failed: $label" >&2
      cat "$WORK/stderr" >&2
      exit 1
    }
    end=$(date +%s.%N)
    wall=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; fi
    rss=$(tail -n 1 "$WORK/rss")
  done
  WALL[$label]=$best
  RSS[$label]=$rss
  SIZE[$label]=-
  if [ "$output" != - ]; then SIZE[$label]=$(du -sb "$output" | cut -f1); fi
  INBYTES[$label]=$bytes
  ORDER+=("$label")
}

echo "corpus: $FILES files, $INPUT bytes ($(awk -v b="$INPUT" 'BEGIN { printf "%.1f", b / 1048576 }') MiB)," \
  "tar $(stat -c %s "$TARBALL") bytes; $(nproc) processors; load $(cut -d' ' -f1-3 /proc/loadavg);" \
  "outputs in $OUT_BASE"

MODES=(lightning balanced compact)
for mode in "${MODES[@]}"; do
  run "zeb c $mode --no-verify" "$INPUT" "$OUT/$mode.zeb" \
    "$ZEB" c "$CORPUS/usr" -o "$OUT/$mode.zeb" --mode "$mode" --no-verify --quiet
  run "zeb c $mode" "$INPUT" "$OUT/$mode.zeb" "$ZEB" c "$CORPUS/usr" -o "$OUT/$mode.zeb" --mode "$mode" --quiet
done
TARSIZE=$(stat -c %s "$TARBALL")
run "tar c (no compression)" "$INPUT" "$OUT/plain.tar" tar -C "$CORPUS" -cf "$OUT/plain.tar" usr
rm -f "$OUT/plain.tar"
for level in 1 3; do
  run "zstd -T0 -$level" "$TARSIZE" "$OUT/z$level.tar.zst" zstd -q -T0 -$level "$TARBALL" -o "$OUT/z$level.tar.zst"
  run "tar | zstd -T0 -$level" "$INPUT" "$OUT/z$level.tar.zst" \
    sh -c "tar -C '$CORPUS' -cf - usr | zstd -q -T0 -$level -o '$OUT/z$level.tar.zst'"
done
run "lz4 -1" "$TARSIZE" "$OUT/l.tar.lz4" lz4 -q -1 "$TARBALL" "$OUT/l.tar.lz4"
run "tar | lz4 -1" "$INPUT" "$OUT/l.tar.lz4" sh -c "tar -C '$CORPUS' -cf - usr | lz4 -q -1 - '$OUT/l.tar.lz4'"
run "xz -T0 -6" "$TARSIZE" "$OUT/x.tar.xz" sh -c "xz -q -T0 -6 -c '$TARBALL' >'$OUT/x.tar.xz'"
run "7z a" "$INPUT" "$OUT/a.7z" sh -c "cd '$CORPUS' && 7z a -bd '$OUT/a.7z' usr"

for mode in "${MODES[@]}"; do
  run "zeb t $mode" "$INPUT" - "$ZEB" t "$OUT/$mode.zeb" --quiet
done
for mode in "${MODES[@]}"; do
  run "zeb x $mode" "$INPUT" "$SCRATCH" "$ZEB" x "$OUT/$mode.zeb" -o "$SCRATCH" --quiet
done
run "tar x (no compression)" "$INPUT" "$SCRATCH" tar -C "$SCRATCH" -xf "$TARBALL"
for level in 1 3; do
  run "zstd -d (-$level)" "$TARSIZE" "$SCRATCH/c.tar" zstd -q -d "$OUT/z$level.tar.zst" -o "$SCRATCH/c.tar"
done
run "zstd -d | tar x (-1)" "$INPUT" "$SCRATCH" sh -c "zstd -q -dc '$OUT/z1.tar.zst' | tar -C '$SCRATCH' -xf -"
run "lz4 -d" "$TARSIZE" "$SCRATCH/c.tar" lz4 -q -d "$OUT/l.tar.lz4" "$SCRATCH/c.tar"
run "lz4 -d | tar x" "$INPUT" "$SCRATCH" sh -c "lz4 -q -dc '$OUT/l.tar.lz4' | tar -C '$SCRATCH' -xf -"
run "xz -d -T0" "$TARSIZE" "$SCRATCH/c.tar" sh -c "xz -q -d -T0 -c '$OUT/x.tar.xz' >'$SCRATCH/c.tar'"
run "7z x" "$INPUT" "$SCRATCH" 7z x -bd "$OUT/a.7z" -o"$SCRATCH"
rm -rf "$SCRATCH"

# --- Table -----------------------------------------------------------------------------------
printf '\n%-26s %9s %9s %14s %7s %9s\n' command "wall s" "MB/s" "output bytes" "ratio" "peak RSS"
for label in "${ORDER[@]}"; do
  awk -v l="$label" -v w="${WALL[$label]}" -v b="${INBYTES[$label]}" -v s="${SIZE[$label]}" \
    -v r="${RSS[$label]}" -v c="$label" 'BEGIN {
      ratio = (s == "-" || l ~ / [xt]( |$)|-d/) ? "-" : sprintf("%.4f", s / b)
      printf "%-26s %9.3f %9.1f %14s %7s %7.0f M\n", c, w, b / w / 1e6, s, ratio, r / 1024 }'
done
echo "MB/s is the corpus (or tar) size over the wall time; ratio is output over input size."

compare() {  # "ours" "peer": time and size of ours over the peer's
  awk -v a="${WALL[$1]}" -v b="${WALL[$2]}" -v sa="${SIZE[$1]}" -v sb="${SIZE[$2]}" -v x="$1" -v y="$2" 'BEGIN {
    size = (sa ~ /^[0-9]+$/ && sb ~ /^[0-9]+$/ && x !~ / [xt] /) ? sprintf(", size %.3f", sa / sb) : ""
    printf "  %-26s / %-22s time %.2f%s\n", x, y, a / b, size }'
}
echo
echo "ours/peer (time below 1 is faster, size below 1 is smaller):"
compare "zeb c lightning --no-verify" "tar | zstd -T0 -1"
compare "zeb c lightning" "tar | zstd -T0 -1"
compare "zeb c lightning --no-verify" "zstd -T0 -1"
compare "zeb c balanced --no-verify" "tar | zstd -T0 -3"
compare "zeb c balanced" "tar | zstd -T0 -3"
compare "zeb c balanced" "zstd -T0 -1"
compare "zeb c compact" "xz -T0 -6"
compare "zeb c compact" "7z a"
compare "zeb x lightning" "zstd -d | tar x (-1)"
compare "zeb x balanced" "zstd -d | tar x (-1)"
compare "zeb t lightning" "zstd -d (-1)"
compare "zeb t balanced" "zstd -d (-1)"
compare "zeb x lightning" "lz4 -d | tar x"

# --- Memory on one large input -----------------------------------------------------------------
if [ "$BIG_GIB" -gt 0 ]; then
  BIG=$RUN_DIR/big
  rm -rf "$BIG" && mkdir -p "$BIG/in"
  while [ "$(stat -c %s "$BIG/in/large.bin" 2>/dev/null || echo 0)" -lt $((BIG_GIB << 30)) ]; do
    cat "$TARBALL" >>"$BIG/in/large.bin"
  done
  truncate -s $((BIG_GIB << 30)) "$BIG/in/large.bin"
  echo
  echo "one file of $BIG_GIB GiB (default memory budget 512 MiB):"
  for step in c x; do
    if [ $step = c ]; then
      set -- "$ZEB" c "$BIG/in" -o "$BIG/large.zeb" --quiet
    else
      set -- "$ZEB" x "$BIG/large.zeb" -o "$BIG/out" --quiet
    fi
    start=$(date +%s.%N)
    "$TIME" -f '%M' -o "$WORK/rss" "$@" >/dev/null
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" -v r="$(tail -n 1 "$WORK/rss")" -v g="$BIG_GIB" -v c="zeb $step balanced" 'BEGIN {
      printf "  %-20s %8.3f s %8.1f MB/s  peak RSS %6.0f MiB\n", c, e - s, g * 1073741824 / (e - s) / 1e6, r / 1024 }'
  done
  rm -rf "$BIG"
fi
