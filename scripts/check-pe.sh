#!/usr/bin/env bash
# Usage: scripts/check-pe.sh KIVO.EXE [i686|x86_64] [FILE_VERSION] — static checks of a built kivo.exe (format, subsystem, imports, manifest, version, icon, time stamps), one line per check; exits 1 if any fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { sed -n 2p "$0" >&2; exit 2; }
exe=$1
arch=${2:-i686}
# The file version is the project version with a fourth, zero part.
version=${3:-$(sed -nE 's/^project\(kivo VERSION ([0-9.]+).*/\1/p' "$here/../CMakeLists.txt").0}

case "$arch" in
  i686) format="pei-i386 010b" ;;  # PE32
  x86_64) format="pei-x86-64 020b" ;;  # PE32+
  *) echo "check-pe.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
objdump=$arch-w64-mingw32-objdump
[ -f "$exe" ] || { echo "check-pe.sh: no such file $exe" >&2; exit 2; }

failures=0
# report NAME DETAIL COMMAND...: runs COMMAND and prints the check's outcome.
report() {
  local name=$1 detail=$2
  shift 2
  if "$@"; then
    echo "ok   $name: $detail"
  else
    echo "FAIL $name: $detail"
    failures=$((failures + 1))
  fi
}
has() { grep -Eq -- "$2" <<<"$1"; }
u32() { od -An -tu4 -j"$1" -N4 "$exe" | tr -d ' '; }

headers=$("$objdump" -p "$exe" | tr -s '\t' ' ')
field() { sed -nE "s/^$1 +//p" <<<"$headers"; }
found="$("$objdump" -f "$exe" | sed -nE 's/.*file format //p') $(field Magic | cut -d' ' -f1)"
report "format" "$found $(field Magic | cut -d' ' -f2), expected $format" test "$found" = "$format"
report "subsystem" "$(field Subsystem)" test "$(field Subsystem | cut -d' ' -f1)" = 00000002

pe=$(u32 60)
stamp=$(u32 $((pe + 8)))
report "PE time stamp" "$stamp" test "$stamp" = 0

dlls=$(sed -nE 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | sort -u | paste -sd' ')
unexpected=$(tr ' ' '\n' <<<"$dlls" | grep -Eiv '^(kernel32|msvcrt|shell32|advapi32|user32)\.dll$' |
  grep . | paste -sd' ' || true)
report "imports" "${dlls:-none}${unexpected:+ (not on every Windows: $unexpected)}" \
  test -n "$dlls" -a -z "$unexpected"

resources=$("$here/pe-resources.py" "$exe" list)
resource_stamp=$(sed -nE 's/^directory-timestamp //p' <<<"$resources")
report "resource time stamps" "$resource_stamp" test "$resource_stamp" = 0

manifest=$("$here/pe-resources.py" "$exe" dump 24 | tr '\n' ' ')
report "manifest present" "${#manifest} bytes" has "$manifest" '<assembly '
report "manifest requireAdministrator" 'level="requireAdministrator" uiAccess="false"' \
  has "$manifest" '<requestedExecutionLevel +level="requireAdministrator" +uiAccess="false" */>'
report "manifest activeCodePage" "UTF-8" has "$manifest" '<activeCodePage [^>]*>UTF-8</activeCodePage>'
report "manifest longPathAware" "true" has "$manifest" '<longPathAware [^>]*>true</longPathAware>'
declare -A supported_os=(
  [Vista]=e2011457-1546-43c5-a5fe-008deee3d3f0 [7]=35138b9a-5d96-4fbd-8e2d-a2440225f93a
  [8]=4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 [8.1]=1f676c76-80e1-4239-95bb-83d0f6d0da78
  [10/11]=8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a)
for os in Vista 7 8 8.1 10/11; do
  report "manifest supportedOS Windows $os" "${supported_os[$os]}" \
    has "$manifest" "<supportedOS +Id=\"\{${supported_os[$os]}\}\" */>"
done

version_info=$("$here/pe-resources.py" "$exe" version)
value() { sed -n "s/^$1=//p" <<<"$version_info"; }
report "version ProductName" "$(value ProductName)" test "$(value ProductName)" = kivo
report "version FileDescription" "$(value FileDescription)" test -n "$(value FileDescription)"
report "version FileVersion" "$(value FileVersion) (fixed $(value FixedFileVersion)), expected $version" \
  test "$(value FileVersion) $(value FixedFileVersion)" = "$version $version"

icons=$("$here/pe-resources.py" "$exe" icons | paste -sd' ')
report "icon" "${icons:-none}" test "$icons" = "16x16 present 32x32 present 48x48 present"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
