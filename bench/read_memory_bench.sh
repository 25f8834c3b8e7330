#!/usr/bin/env bash
# Peak memory (maximum resident set) of `zeb l`, `zeb t`, `zeb x` and `zeb c` with default options on
# three large foreign archives: a tar.gz holding 1 GiB, a solid 7z holding 2 GiB in one folder
# and a zip holding one 4 GiB file. The inputs are made by peer tools (gzip, 7z, zip) from sparse
# and generated files, so they are small on disk except for what `zeb x` writes.
# Usage: bench/read_memory_bench.sh [build-dir] [work-dir]; ZEB=path/to/zeb skips the build.
# Needs GNU time, tar, gzip, 7z and zip; about 7 GiB free in work-dir for the extractions.
#
# Measured (Linux build, default options, peak resident set):
#   solid-2g.7z (307 KiB, LZMA2 with a 32 MiB dictionary, 2 GiB in one folder)
#     zeb l  5.7 MiB    zeb t  39 MiB    zeb x  39 MiB    (decoded whole before: about 2.4 GB)
#   The 7z reader's window is the dictionary, bounded by --memory; the rest is small pieces.
#   big.tar.gz (4.5 MiB holding a 1 GiB file)
#     zeb l  9.0 MiB    zeb t  8.7 MiB    zeb x  9.8 MiB
#   big-4g.zip (18 MiB holding a 4 GiB file)
#     zeb l  5.6 MiB    zeb t  7.5 MiB    zeb x  7.5 MiB
# and of `zeb c` writing the foreign formats from a 1 GiB file of zeros and 50 MB of random bytes:
#   zeb c -o .tar.gz  17 MiB     zeb c -o .zip  19 MiB     (both were held whole before: 1.0 GB)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench-release}
WORK=${2:-$BUILD/read-memory}

if [ -z "${ZEB:-}" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLZEB_TESTS=OFF >/dev/null
  ninja -C "$BUILD" zeb >/dev/null
  ZEB=$(find "$BUILD" -name zeb -type f -perm -u+x | head -n 1)
fi
mkdir -p "$WORK"
cd "$WORK"

if [ ! -s big.tar.gz ]; then
  truncate -s 1G zeros-1g.bin
  tar -cf - zeros-1g.bin | gzip -1 >big.tar.gz
  rm zeros-1g.bin
fi
if [ ! -s solid-2g.7z ]; then
  mkdir -p solid
  for i in 0 1 2 3; do truncate -s 512M "solid/part$i.bin"; done
  7z a -bd -m0=lzma2 -ms=on solid-2g.7z ./solid >/dev/null
  rm -r solid
fi
if [ ! -s big-4g.zip ]; then
  truncate -s 4G zeros-4g.bin
  zip -q -1 big-4g.zip zeros-4g.bin
  rm zeros-4g.bin
fi

measure() {
  local label=$1
  shift
  local status=0
  /usr/bin/time -f "%M %e" -o time.txt "$@" >/dev/null 2>err.txt || status=$?
  read -r kilobytes seconds <time.txt
  printf "  %-26s peak %8d KiB  %7.1f s  exit %d\n" "$label" "$kilobytes" "$seconds" "$status"
  [ "$status" -eq 0 ] || sed 's/^/      /' err.txt | tail -n 1
}

for archive in big.tar.gz solid-2g.7z big-4g.zip; do
  echo "$archive ($(stat -c %s "$archive") bytes)"
  measure "zeb l" "$ZEB" l "$archive"
  measure "zeb t" "$ZEB" t "$archive"
  rm -rf out
  measure "zeb x" "$ZEB" x "$archive" -o out
  rm -rf out
done

mkdir -p create-src
[ -e create-src/zeros-1g.bin ] || truncate -s 1G create-src/zeros-1g.bin
[ -s create-src/random.bin ] || head -c 50000000 /dev/urandom >create-src/random.bin
echo "create-src (1 GiB of zeros, 50 MB random)"
for output in created.tar.gz created.zip; do
  rm -f "$output"
  measure "zeb c -o $output" "$ZEB" c create-src -o "$output"
  rm -f "$output"
done
