#!/usr/bin/env bash
# Usage: scripts/release.sh [COMMIT] — builds kivo.exe with the windows preset from a clean copy of COMMIT (default HEAD) in build/release, checks it, and writes dist/kivo-<version>.zip (kivo.exe, example kivo.xml, README.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
echo "release: building commit $commit (uncommitted changes are not included)"

# Only committed files go into a release: build from a copy of the commit.
source=build/release/source
build=build/release/build
rm -rf build/release
scripts/build-commit.sh "$commit" "$source" "$build"
version=$(sed -nE 's/^project\(kivo VERSION ([0-9.]+).*/\1/p' "$source/CMakeLists.txt")
scripts/check-pe.sh "$build/kivo.exe" i686 "$version.0" >/dev/null ||
  { scripts/check-pe.sh "$build/kivo.exe" i686 "$version.0" | grep -v '^ok'; exit 1; }

# Fixed names, modes, line ends and times (the commit's), so that the zip
# too is the same for the same commit.
stage=build/release/stage
mkdir -p "$stage"
install -m 0755 "$build/kivo.exe" "$stage/kivo.exe"
sed 's/$/\r/' "$source/resources/kivo.example.xml" >"$stage/kivo.xml"
sed 's/$/\r/' "$source/resources/README.txt" >"$stage/README.txt"
chmod 0644 "$stage/kivo.xml" "$stage/README.txt"
touch -d "@$(git log -1 --format=%ct "$commit")" "$stage"/*
zip_file=$repo/dist/kivo-$version.zip
mkdir -p dist
rm -f "$zip_file"
(cd "$stage" && TZ=UTC zip -q -X -D "$zip_file" kivo.exe kivo.xml README.txt)

echo "kivo.exe: $(stat -c %s "$build/kivo.exe") bytes, sha256 $(sha256sum <"$build/kivo.exe" | cut -d' ' -f1)"
echo "${zip_file#"$repo"/}: $(stat -c %s "$zip_file") bytes, sha256 $(sha256sum <"$zip_file" | cut -d' ' -f1)"
