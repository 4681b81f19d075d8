#!/usr/bin/env bash
# Usage: scripts/check-reproducible.sh [COMMIT] — builds kivo.exe twice from scratch with the windows preset, each from its own copy of COMMIT (default HEAD) under build/repro-a and build/repro-b, and fails unless the two are byte-identical.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
echo "commit $commit"

# build DIR SOURCE BINARY: a fresh copy of the commit in DIR/SOURCE, built in
# DIR/BINARY.  The two builds use paths of different lengths, so that neither
# the source nor the build directory can leave a trace in the binary.
build() {
  rm -rf "$1"
  mkdir -p "$1/$2"
  git archive "$commit" | tar -x -C "$1/$2"
  cmake -S "$1/$2" -B "$1/$3" --preset windows -DKIVO_TESTS=OFF \
    -DKIVO_CACHE_DIR="$repo/build-cache" --no-warn-unused-cli >/dev/null
  cmake --build "$1/$3" -j2 --target kivo >/dev/null
}
build build/repro-a src out
build build/repro-b source-copy build-output

a=build/repro-a/out/kivo.exe
b=build/repro-b/build-output/kivo.exe
sha256sum "$a" "$b"
if cmp "$a" "$b"; then
  echo "reproducible: both builds are byte-identical"
else
  echo "NOT reproducible: the two builds differ" >&2
  exit 1
fi
