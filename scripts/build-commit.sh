#!/usr/bin/env bash
# Usage: scripts/build-commit.sh COMMIT SOURCE_DIR BUILD_DIR — builds kivo.exe with the windows preset from a fresh copy of COMMIT in SOURCE_DIR (emptied first), in BUILD_DIR; only committed files go in.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 3 ] || { sed -n 2p "$0" >&2; exit 2; }
commit=$1 source=$2 build=$3
rm -rf "$source" "$build"
mkdir -p "$source"
git archive "$commit" | tar -x -C "$source"
cmake -S "$source" -B "$build" --preset windows -DKIVO_TESTS=OFF \
  -DKIVO_CACHE_DIR="$PWD/build-cache" --no-warn-unused-cli >/dev/null
cmake --build "$build" -j2 --target kivo >/dev/null
