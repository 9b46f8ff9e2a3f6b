#!/usr/bin/env bash
# Builds the Debian packages pelorin, libpelosdk1 and libpelosdk-dev from a
# release build of the tool and the library (preset deb, installed to /usr),
# puts them into dist/ and names each with its version and dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset deb >/dev/null
cmake --build --preset deb
rm -rf build/deb/packages
cpack --preset deb >/dev/null

mkdir -p dist
made=(build/deb/packages/*.deb)
for deb in "${made[@]}"; do
  package=$(dpkg-deb --field "$deb" Package)
  # Only one version of each package in dist/.
  rm -f "dist/${package}"_*.deb
done
cp "${made[@]}" dist/
for deb in "${made[@]}"; do
  name=$(basename "$deb")
  echo "dist/$name ($(du -k "dist/$name" | cut -f1) KiB): $(dpkg-deb --field "$deb" Package Version Depends | paste -sd ' ')"
done
