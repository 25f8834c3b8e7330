#!/usr/bin/env bash
# Compares the LZMA2 encoder and decoder with xz -1/-6 -T1 on one mixed file: a tar of
# /usr/share/doc, cut at 50 MB. Single-threaded, in one run.
# Usage: bench/lzma_bench.sh [build-dir]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLZEB_BENCH=ON -DTOLZEB_TESTS=OFF >/dev/null
ninja -C "$BUILD" lzma_bench >/dev/null

CORPUS=$BUILD/corpus
mkdir -p "$CORPUS"
if [ ! -s "$CORPUS/doc.tar" ]; then
  tar -C / -cf - usr/share/doc 2>/dev/null | head -c 50000000 >"$CORPUS/doc.tar" || true
fi
"$BUILD/bench/lzma_bench" "$CORPUS/doc.tar"

size=$(stat -c %s "$CORPUS/doc.tar")
for preset in 1 6; do
  start=$(date +%s.%N)
  xz -"$preset" -T1 -c "$CORPUS/doc.tar" >"$CORPUS/doc.tar.xz"
  middle=$(date +%s.%N)
  xz -d -T1 -c "$CORPUS/doc.tar.xz" >/dev/null
  end=$(date +%s.%N)
  packed=$(stat -c %s "$CORPUS/doc.tar.xz")
  awk -v s="$size" -v p="$packed" -v a="$start" -v b="$middle" -v c="$end" -v n="$preset" \
    'BEGIN { printf "  xz -%d -T1: %10d bytes  ratio %.3f  compress %6.2f MB/s  decompress %6.1f MB/s\n", n, p, s / p, s / 1e6 / (b - a), s / 1e6 / (c - b) }'
done
