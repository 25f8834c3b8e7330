#!/usr/bin/env bash
# The main job: install what the build needs, build on demand, then run `zeb` with the given
# arguments (no arguments: archive the project's own sources and extract them again).
set -euo pipefail
CALLER_DIR=$PWD
cd "$(dirname "$0")/.."
ROOT=$PWD
export LC_ALL=C.UTF-8 LANG=C.UTF-8
bash tools/install-deps.sh
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j"$(nproc)" >build/native-build.log 2>&1 || { cat build/native-build.log; exit 1; }
ZEB="$ROOT/build/native/cli/zeb"
if [ $# -gt 0 ]; then
  cd "$CALLER_DIR"
  exec "$ZEB" "$@"
fi
demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
"$ZEB" c engine codecs cli -o "$demo/sources.zeb"
"$ZEB" l "$demo/sources.zeb"
"$ZEB" x "$demo/sources.zeb" -o "$demo/out"
for dir in engine codecs cli; do diff -r "$dir" "$demo/out/$dir" >/dev/null; done
echo "round trip of engine/, codecs/ and cli/ through $(basename "$ZEB"): identical"
