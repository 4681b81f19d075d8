#!/usr/bin/env bash
# Usage: scripts/fuzz.sh [SECONDS] — builds the fuzz preset and runs every fuzz target for SECONDS each (default 10)
#
# Targets run one after another on one core.  Each starts from a scratch
# corpus under build/fuzz/corpus/ (where libFuzzer adds what it finds) and
# reads the committed seeds in fuzz/corpus/<target>/ without writing to them.
# Crash, leak, timeout and out-of-memory inputs land in build/fuzz/findings/,
# each run's full output in build/fuzz/logs/.  Exits 1 when anything was found.
set -euo pipefail

seconds="${1:-10}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
build="build/fuzz"

# "name: value" from libFuzzer's -print_final_stats=1 block.
final_stat() {
  sed -n "s/^stat::$1: *//p" "$2" | tail -n 1
}

# "cov: N" or "ft: N" from the last status line, "-" when there is none.
last_status_field() {
  local value
  value="$({ grep -E '^#[0-9]+' "$2" || true; } | tail -n 1 |
    sed -n "s/.* $1: \([0-9]*\).*/\1/p")"
  echo "${value:--}"
}

scripts/setup.sh fuzz
# Only the line telling which TinyXML the config fuzzer exercises.
cmake --preset fuzz | { grep -E '^-- Fuzzing' || true; }
cmake --build --preset fuzz -j1

mkdir -p "$build/logs" "$build/findings"
found=0
printf '%-22s %10s %12s %6s %6s %7s  %s\n' \
  target exec/s runs cov ft corpus findings
for seeds in fuzz/corpus/*/; do
  target="$(basename "$seeds")"
  binary="$build/$target"
  scratch="$build/corpus/$target"
  findings="$build/findings/$target"
  log="$build/logs/$target.log"
  mkdir -p "$scratch" "$findings"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
    -print_final_stats=1 -artifact_prefix="$findings/")
  [[ -f "fuzz/$target.dict" ]] && options+=(-dict="fuzz/$target.dict")

  # Artifacts of earlier runs stay; only the ones newer than this mark count.
  mark="$build/logs/$target.started"
  touch "$mark"
  status=0
  "$binary" "${options[@]}" "$scratch" "$seeds" >"$log" 2>&1 || status=$?

  new_findings="$(find "$findings" -type f -newer "$mark" \
    \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) | sort)"
  corpus_size="$(find "$scratch" -type f | wc -l)"
  finding_count="none"
  [[ -n "$new_findings" ]] && finding_count="$(wc -l <<<"$new_findings")"
  printf '%-22s %10s %12s %6s %6s %7s  %s\n' "$target" \
    "$(final_stat average_exec_per_sec "$log")" \
    "$(final_stat number_of_executed_units "$log")" \
    "$(last_status_field cov "$log")" "$(last_status_field ft "$log")" \
    "$corpus_size" "$finding_count"
  if ((status != 0)) || [[ -n "$new_findings" ]]; then
    found=1
    echo "  $target exited with $status; output in $log"
    [[ -n "$new_findings" ]] && sed 's/^/  found: /' <<<"$new_findings"
    # The sanitizer's or the invariant's report, with its stack.
    { grep -E -A 30 '^==[0-9]+==ERROR|invariant broken|runtime error|deadly signal' \
      "$log" || true; } | head -n 60 | sed 's/^/  | /'
  fi
done
exit "$found"
