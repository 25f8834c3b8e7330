#!/usr/bin/env bash
# Instructions per input byte of the VELT levels, compress and decompress, counted by callgrind:
# repeatable on a busy machine, where wall-clock figures are not. Needs valgrind.
# Input: the first 8 MiB of text.bin and of binary.bin from codec_bench.sh's corpus (run that
# script once first). Compress counts veltEncode and the Huffman stage; decompress counts
# decodeVeltHuff and the block decoder (decodeVeltBlock, or decodeVeltBlockInto where the former is
# inlined into its caller).
# Usage: bench/codec_callgrind.sh [build-dir]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
SAMPLE_BYTES=$((8 << 20))
CORPUS=$BUILD/corpus
[ -s "$CORPUS/text.bin" ] || { echo "no corpus in $CORPUS: run bench/codec_bench.sh first" >&2; exit 1; }
ninja -C "$BUILD" codec_bench >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
head -c "$SAMPLE_BYTES" "$CORPUS/text.bin" >"$WORK/text"
head -c "$SAMPLE_BYTES" "$CORPUS/binary.bin" >"$WORK/binary"

# Inclusive instruction count of the first function whose name starts with $2 in report $1.
inclusive() {
  awk -v name="$2" '{ line = $0; sub(/^ *[0-9,]+ \([^)]*\) +(\* +)?/, "", line); sub(/^\?\?\?:/, "", line) }
                    index(line, name) == 1 { gsub(",", "", $1); print $1; exit }' "$1"
}

printf '%-7s %-15s %9s %9s %9s %9s %9s %9s\n' sample level compress velt huffman decomp huffman block
for sample in text binary; do
  for level in lightning balanced compact; do
    out=$WORK/callgrind.out
    valgrind --tool=callgrind --callgrind-out-file="$out" "$BUILD/bench/codec_bench" --repeat 1 \
      --only "VELT $level" "$WORK/$sample" >/dev/null 2>&1
    callgrind_annotate --inclusive=yes "$out" >"$out.txt" 2>/dev/null
    encode=$(inclusive "$out.txt" 'tolzeb::veltEncode(')
    huffEncode=$(inclusive "$out.txt" 'tolzeb::encodeVeltHuff(')
    huffDecode=$(inclusive "$out.txt" 'tolzeb::decodeVeltHuff(')
    blockDecode=$(inclusive "$out.txt" 'tolzeb::decodeVeltBlock(')
    blockInto=$(inclusive "$out.txt" 'tolzeb::decodeVeltBlockInto(')
    [ "${blockInto:-0}" -gt "${blockDecode:-0}" ] && blockDecode=$blockInto
    awk -v s="$sample" -v l="VELT $level" -v n="$SAMPLE_BYTES" -v e="${encode:-0}" -v he="${huffEncode:-0}" \
        -v hd="${huffDecode:-0}" -v bd="${blockDecode:-0}" \
        'BEGIN { printf "%-7s %-15s %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f\n", s, l, (e + he) / n, e / n, he / n,
                 (hd + bd) / n, hd / n, bd / n }'
  done
done
echo "instructions per input byte"
