#!/usr/bin/env bash
# Usage: scripts/wine.sh PROGRAM.exe [ARGS...] | --prefix-only | --can-run-32bit — runs a Windows program under Wine in the project's own prefix (build/wineprefix), creating the prefix headless when it is missing.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$repo/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers, hence no prompts.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Some kernels run no 32-bit x86 code at all; there only 64-bit Wine works.
can_run_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

loader() {
  if can_run_32bit; then echo /usr/bin/wine; else echo /usr/lib/wine/wine64; fi
}

make_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine.sh: creating the Wine prefix $WINEPREFIX" >&2
    "$(loader)" wineboot --init >/dev/null 2>&1 || true
    wineserver -w
  fi
  flock -u 9
}

case "${1:-}" in
  --can-run-32bit) can_run_32bit ;;
  --prefix-only) make_prefix ;;
  "") sed -n 2p "$0" >&2; exit 2 ;;
  *) make_prefix; exec "$(loader)" "$@" ;;
esac
