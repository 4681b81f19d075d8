#!/usr/bin/env bash
# Usage: scripts/setup.sh [native|fuzz|windows|all] — installs, where missing, what building and testing need: Debian packages, the i386 architecture for Wine, a Wine prefix, and TinyXML's source for the Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}

native_packages=(cmake g++ pkg-config python3 bc libtinyxml-dev googletest libgtest-dev clang
                 libclang-rt-14-dev clang-tidy clang-format)
windows_packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
                  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64
                  wine32:i386 dpkg-dev zip)

apt_updated=
apt_update_once() {
  [ -n "$apt_updated" ] && return
  apt-get update -q >/dev/null
  apt_updated=1
}

install_missing() {
  local missing=()
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "setup: installing ${missing[*]}"
  apt_update_once
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}" >/dev/null
}

enable_i386() {
  dpkg --print-foreign-architectures | grep -qx i386 && return
  dpkg --add-architecture i386
  apt_updated=
}

# apt-get source needs deb-src entries; add them beside the machine's own.
enable_sources() {
  grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/ && return
  cat > /etc/apt/sources.list.d/kivo-deb-src.sources <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt_updated=
}

# Debian's tinyxml source package, its patches applied, into build-cache/.
fetch_tinyxml() {
  compgen -G "build-cache/tinyxml-2.6*/tinyxml.cpp" >/dev/null && return
  enable_sources
  apt_update_once
  mkdir -p build-cache
  (cd build-cache && apt-get source -q tinyxml >/dev/null)
}

case "$what" in
  native) install_missing "${native_packages[@]}" ;;
  fuzz)
    # TinyXML's source too, so that the parser is fuzzed instrumented.
    install_missing "${native_packages[@]}" dpkg-dev
    fetch_tinyxml ;;
  windows|all)
    install_missing "${native_packages[@]}"
    enable_i386
    install_missing "${windows_packages[@]}"
    fetch_tinyxml
    scripts/wine.sh --prefix-only ;;
  *) echo "usage: scripts/setup.sh [native|fuzz|windows|all]" >&2; exit 2 ;;
esac
