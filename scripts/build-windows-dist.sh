#!/usr/bin/env bash
# Builds what Pelorin ships on Windows into dist/ (or the folder given):
# PelorinSetup.exe, the per-user installer, and Pelorin-VERSION-win64.zip,
# the same programs and help pages to unpack and run anywhere. The win64
# preset is configured and its shipped targets built first when needed.
# Usage: scripts/build-windows-dist.sh [OUT_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(mkdir -p "${1:-dist}" && cd "${1:-dist}" && pwd)
build=$root/build/win64

for tool in makensis zip; do
  command -v "$tool" >/dev/null || { echo "build-windows-dist: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

[[ -f $build/CMakeCache.txt ]] || cmake --preset win64 >/dev/null
cmake --build --preset win64 --target PelorinEncrypt PelorinDecrypt PelorinWipe Sundrel PeloSDK pelorin >/dev/null

nsis=packaging/Pelorin.nsi
version=$(sed -n 's/^!define VERSION "\(.*\)"$/\1/p' "$nsis")
[[ -n $version ]] || { echo "build-windows-dist: no VERSION in $nsis" >&2; exit 1; }

makensis -V2 -DBUILD="$build" -DOUT="$out" "$nsis"

# The zip holds the installer's program files, taken from the same list:
# the lines '!insertmacro ${ACTION} "${BUILD}/bin" "NAME"' of ProgramFiles.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder="Pelorin-$version-win64"
mkdir "$stage/$folder"
count=0
while read -r from name; do
  from=${from//'${BUILD}'/$build}
  from=${from//'${SOURCE}'/$root}
  cp "$from/$name" "$stage/$folder/$name"
  count=$((count + 1))
done < <(sed -n '/^!macro ProgramFiles/,/^!macroend/s/^ *!insertmacro \${ACTION} "\([^"]*\)" "\([^"]*\)"$/\1 \2/p' \
           packaging/ShippedFiles.nsh)
((count > 0)) || { echo "build-windows-dist: no program files listed in packaging/ShippedFiles.nsh" >&2; exit 1; }
zip="$out/$folder.zip"
rm -f "$zip"
(cd "$stage" && zip -q -X -r "$zip" "$folder")

echo "made:"
for made in "$out/PelorinSetup.exe" "$zip"; do
  printf '  %s (%s bytes)\n' "$made" "$(stat -c %s "$made")"
done
