#!/usr/bin/env bash
# Usage: scripts/check-reproducible.sh [COMMIT] — builds kivo.exe twice from scratch with the windows preset, each from its own copy of COMMIT (default HEAD) under build/repro-a and build/repro-b, and fails unless the two are byte-identical.
set -euo pipefail
cd "$(dirname "$0")/.."
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
echo "commit $commit"

# The two builds use paths of different lengths, so that neither the source
# nor the build directory can leave a trace in the binary.
rm -rf build/repro-a build/repro-b
scripts/build-commit.sh "$commit" build/repro-a/src build/repro-a/out
scripts/build-commit.sh "$commit" build/repro-b/source-copy build/repro-b/build-output

a=build/repro-a/out/kivo.exe
b=build/repro-b/build-output/kivo.exe
sha256sum "$a" "$b"
if cmp "$a" "$b"; then
  echo "reproducible: both builds are byte-identical"
else
  echo "NOT reproducible: the two builds differ" >&2
  exit 1
fi
