#!/usr/bin/env bash
# Usage: scripts/test.sh — installs what is missing, then builds and runs every test: native, sanitizers, kivo.exe under Wine, fuzz smoke runs and clang-tidy.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n== %s\n' "$*"; }

build_and_test() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j2
  ctest --preset "$1" -j2 --no-tests=error "${@:2}"
}

step "setup"
scripts/setup.sh all

step "native build and tests"
build_and_test native

step "native tests under AddressSanitizer and UBSan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  build_and_test sanitize

step "kivo.exe (32-bit product): binary checks"
build_and_test windows -R pe_check
if scripts/wine.sh --can-run-32bit; then
  step "kivo.exe under Wine"
  ctest --preset windows --no-tests=error -E pe_check
else
  step "kivo.exe under Wine: 64-bit twin, as this machine runs no 32-bit x86 code"
  build_and_test windows-x64
fi

step "fuzz smoke runs"
scripts/fuzz.sh 5

step "clang-tidy"
scripts/tidy.sh
