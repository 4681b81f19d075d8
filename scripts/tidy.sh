#!/usr/bin/env bash
# Usage: scripts/tidy.sh — runs clang-tidy on every source: the native ones with the native build's compile commands, the Windows platform layer with the 64-bit Windows build's.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/native/compile_commands.json ] || cmake --preset native >/dev/null

# Every source the native build compiles; the Windows-only ones follow below.
native_sources=$(git ls-files '*.cc' | while read -r source; do
  if grep -q "\"file\": \"$PWD/$source\"" build/native/compile_commands.json; then
    echo "$source"
  fi
done)
clang-tidy -p build/native --quiet $native_sources

# The Windows layer, parsed by clang for the MinGW target with MinGW's headers.
# GCC's own intrinsics headers are left out: clang brings its own.
mingw_includes=$(echo | x86_64-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 |
  sed -n '/^#include <...> search starts here:/,/^End of search list/p' |
  grep '^ ' | grep -v '/gcc/x86_64-w64-mingw32/[^/]*/include$' | sed 's/^ */-isystem/')
clang-tidy --quiet $(git ls-files '*-win32.cc') -- --target=x86_64-w64-mingw32 \
  -std=c++17 -I. -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -nostdinc++ $mingw_includes
echo "clang-tidy: clean"
