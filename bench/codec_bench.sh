#!/usr/bin/env bash
# Builds the benchmarks and a corpus from files every Debian machine has, then compares VELT with
# lz4 -1 and zstd -1/-3, and DEFLATE with zlib, on it, single-threaded, in one run.
#
# Corpus (sorted file lists, so every run on one machine reads the same bytes):
#   text.bin   - the first 24 MiB of plain files under /usr/share/doc and /usr/include
#   binary.bin - the first 24 MiB of shared libraries from /usr/lib/x86_64-linux-gnu
#   mixed.bin  - text.bin followed by binary.bin
# Usage: bench/codec_bench.sh [build-dir] [repeat]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
REPEAT=${2:-3}
LIMIT=$((24 << 20))

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLZEB_BENCH=ON -DTOLZEB_TESTS=OFF >/dev/null
ninja -C "$BUILD" codec_bench deflate_bench >/dev/null

CORPUS=$BUILD/corpus
mkdir -p "$CORPUS"
# Concatenates the files (NUL-separated paths on stdin), cut at LIMIT bytes. Cutting the pipe
# short is the point, so its early-exit status is not an error.
concat_files() {
  set +o pipefail
  LC_ALL=C sort -z | xargs -0 cat 2>/dev/null | head -c "$LIMIT"
  set -o pipefail
}
if [ ! -s "$CORPUS/mixed.bin" ]; then
  find /usr/share/doc /usr/include -type f ! -name '*.gz' ! -name '*.bz2' ! -name '*.xz' -size -1000k -print0 \
    | concat_files >"$CORPUS/text.bin"
  find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -size +100k -print0 \
    | concat_files >"$CORPUS/binary.bin"
  cat "$CORPUS/text.bin" "$CORPUS/binary.bin" >"$CORPUS/mixed.bin"
fi
"$BUILD/bench/codec_bench" --repeat "$REPEAT" "$CORPUS/text.bin" "$CORPUS/binary.bin" "$CORPUS/mixed.bin"
"$BUILD/bench/deflate_bench" --repeat "$REPEAT" "$CORPUS/text.bin" "$CORPUS/binary.bin"
