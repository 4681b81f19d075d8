#!/usr/bin/env bash
# Usage: scripts/demo.sh — builds kivo and runs it on a demo install directory (versions 1.0.0.4 and 1.0.0.5), natively and as kivo.exe under Wine, showing the log, the directory and what the started program received.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh all >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target kivo fake_app >/dev/null
windows=windows
scripts/wine.sh --can-run-32bit || windows=windows-x64
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" -j2 --target kivo fake_app >/dev/null

# demo NAME STARTER TARGET [LAUNCHER]: a fresh install directory, one run.
demo() {
  local dir="build/demo/$1" starter=$2 target=$3 launcher=${4:-}
  rm -rf "$dir"
  mkdir -p "$dir/1.0.0.4" "$dir/1.0.0.5" "$dir/data"
  echo "old version" > "$dir/1.0.0.4/readme.txt"
  echo "user data" > "$dir/data/settings.ini"
  cp "$starter" "$dir/"
  cp "$target" "$dir/1.0.0.5/"
  cat > "$dir/kivo.xml" <<XML
<KivoInfo>
  <VersionInfo Version="1.0.0.5" Path="1.0.0.5" File="$(basename "$target")"/>
</KivoInfo>
XML
  printf '\n===== %s: %s\n' "$1" "$dir"
  echo "--- before:"; (cd "$dir" && find . -mindepth 1 | sort)
  echo "--- run: $(basename "$starter") -x \"b c\""
  local code=0
  (cd "$dir" && $launcher "./$(basename "$starter")" -x "b c") || code=$?
  echo "exit code: $code"
  for _ in $(seq 100); do [ -f "$dir/1.0.0.5/received" ] && break; sleep 0.1; done
  echo "--- kivo.log:"; cat "$dir/kivo.log"
  echo "--- after:"; (cd "$dir" && find . -mindepth 1 -not -name received | sort)
  echo "--- the started program received (working directory, then each argument):"
  tr '\0' '\n' < "$dir/1.0.0.5/received" 2>/dev/null | sed 's/^/    /' || echo "    (nothing)"
}

demo native build/native/kivo build/native/fake_app
demo "$windows" "build/$windows/kivo.exe" "build/$windows/fake_app.exe" "$PWD/scripts/wine.sh"
