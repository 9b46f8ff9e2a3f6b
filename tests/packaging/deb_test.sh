#!/usr/bin/env bash
# The Debian packages as a user meets them: installed with dpkg, the tool
# runs from /usr/bin (a round trip through an archive), its manual page is
# found, a C program builds against the library with pkg-config and wipes a
# file through it; removed, they leave nothing of theirs behind.
# Needs root and dpkg; runs on a tmpfs of its own.
# Usage: deb_test.sh [FOLDER]  (the .deb files from FOLDER, else built with
# scripts/build-debs.sh into dist/)
set -u
cd "$(dirname "$0")/../.."
root=$PWD

if [[ $(id -u) -ne 0 ]]; then
  echo "deb_test: skipped, installing packages needs root"
  exit 0
fi
if ! command -v dpkg >/dev/null || ! command -v dpkg-deb >/dev/null; then
  echo "deb_test: skipped, dpkg is missing"
  exit 0
fi

packages=(pelorin libpelosdk1 libpelosdk-dev)
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    echo "deb_test: $package is installed already; remove it first (dpkg -r $package)"
    exit 1
  fi
done
if [[ -e /usr/bin/pelorin ]]; then
  echo "deb_test: /usr/bin/pelorin exists already and belongs to no package of ours"
  exit 1
fi

if [[ $# -ge 1 ]]; then
  folder=$1
else
  scripts/build-debs.sh || exit 1
  folder=dist
fi
version=$(sed -n 's/^project(Pelorin VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
debs=()
for package in "${packages[@]}"; do
  deb=$(ls "$folder/${package}_${version}_"*.deb 2>/dev/null | head -1)
  if [[ -z $deb ]]; then
    echo "deb_test: no ${package}_${version} package in $folder"
    exit 1
  fi
  debs+=("$deb")
done

work=$(mktemp -d /tmp/pelorin-debXXXXXX)
mkdir "$work/volume"
cleanup() {
  cd /
  # Purged, not only removed: a package with maintainer scripts stays
  # known to dpkg after dpkg -r.
  for package in "${packages[@]}"; do
    if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -qv "not-installed"; then
      dpkg -P "$package" >/dev/null 2>&1
    fi
  done
  mountpoint -q "$work/volume" && umount "$work/volume"
  rm -rf "$work"
}
trap cleanup EXIT
mount -t tmpfs -o size=16m tmpfs "$work/volume" || exit 1
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"

source "$root/tests/cli/checks.sh"

# What exists before, so that removal can be checked against it.
for deb in "${debs[@]}"; do dpkg-deb --contents "$deb"; done | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' |
  grep -v '^/\?$' | sort -u >"$work/shipped"
while read -r path; do
  [[ -e $path || -L $path ]] && echo "$path"
done <"$work/shipped" >"$work/there-before"

dpkg -i "${debs[@]}" >"$work/dpkg.log" 2>&1
check "dpkg -i installs all three" test $? -eq 0
[[ $failed -eq 0 ]] || { cat "$work/dpkg.log"; exit 1; }
for package in "${packages[@]}"; do dpkg -L "$package"; done | grep -vx "/\." | sort -u >"$work/listed"

check "the tool is /usr/bin/pelorin" test "$(command -v pelorin)" = /usr/bin/pelorin
check "pelorin --version" test "$(pelorin --version | head -1)" = "pelorin $version"
check "the installed tool has no run path" test -z "$(readelf -d /usr/bin/pelorin | grep -E 'R(UN)?PATH')"
check "it loads the installed library" \
  grep -qE "libpelosdk.so.1 => (/usr)?/lib/.*/libpelosdk.so.1 " <(ldd /usr/bin/pelorin)
check "pelorin depends on libpelosdk1 of its version, and on the C library" \
  test -n "$(dpkg-query -W -f='${Depends}' pelorin | grep -F "libpelosdk1 (= $version)" | grep libc6)"
check "libpelosdk-dev depends on libpelosdk1 of its version" \
  test -n "$(dpkg-query -W -f='${Depends}' libpelosdk-dev | grep -F "libpelosdk1 (= $version)")"
check "the bash completion is installed and registers pelorin" \
  bash -c 'source /usr/share/bash-completion/completions/pelorin && complete -p pelorin' >/dev/null

# A round trip through the installed tool: a small tree, encrypted with
# Blowfish, the originals moved away, restored and compared.
cd "$work/volume"
mkdir -p tree/sub/deeper "tree/with space"
printf 'top\n' >tree/top.txt
head -c 200000 /dev/urandom >tree/sub/deeper/random.bin
seq 1 5000 >"tree/with space/numbers.txt"
PELORIN_PASSKEY=round-trip-passkey pelorin encrypt --algorithm 1 tree </dev/null 2>"$work/err"
check "encrypt exits 0" test $? -eq 0
check "and writes tree.pvb" test -s tree.pvb
mv tree original
PELORIN_PASSKEY=round-trip-passkey pelorin decrypt tree.pvb </dev/null 2>"$work/err"
check "decrypt exits 0" test $? -eq 0
check "the restored tree is the original" diff -r original tree
rm -rf original tree tree.pvb
cd "$work"

# The manual page: found by man, made from the tool's help, with the
# hand-written sections.
check "man -w finds pelorin(1)" test "$(man -w pelorin 2>/dev/null)" = /usr/share/man/man1/pelorin.1.gz
MANWIDTH=250 man -P cat pelorin >"$work/page" 2>/dev/null
for command in encrypt decrypt import list delete settings wipe-file wipe-free wipe-slack wipe-drive; do
  check "the page gives the usage of $command" grep -qE "usage: +pelorin +$command( |$)" "$work/page"
done
for section in DESCRIPTION EXAMPLES LIMITS ENVIRONMENT; do
  check "the page has $section" grep -qx "$section" "$work/page"
done

# The README's C program against the installed library, found through
# pkg-config: it wipes a file on the test's own tmpfs and keeps another.
check "pkg-config knows pelosdk $version" test "$(pkg-config --modversion pelosdk)" = "$version"
# shellcheck disable=SC2046  # pkg-config's words are separate arguments
cc -o "$work/wipe_one" "$root/samples/sdk/wipe-one.c" $(pkg-config --cflags --libs pelosdk) 2>"$work/err"
check "the C program builds with pkg-config's flags" test $? -eq 0
head -c 50000 /dev/urandom >"$work/volume/secret.bin"
printf 'stays\n' >"$work/volume/kept.txt"
"$work/wipe_one" "$work/volume/secret.bin"
check "it wipes the file through the library" test $? -eq 0 -a ! -e "$work/volume/secret.bin"
check "and the other file stays" test "$(cat "$work/volume/kept.txt")" = stays

# Removal: nothing the packages installed is left, the tool and the
# library are gone.
dpkg -r "${packages[@]}" >"$work/dpkg.log" 2>&1
check "dpkg -r removes all three" test $? -eq 0
left=()
while read -r path; do
  [[ -e $path || -L $path ]] || continue
  # Folders shared with the system stay; one the packages made must go.
  [[ -d $path && ! -L $path ]] && grep -qxF "$path" "$work/there-before" && continue
  left+=("$path")
done <"$work/listed"
check "nothing of theirs is left (${left[*]:-})" test ${#left[@]} -eq 0
hash -r
check "the tool is gone" test -z "$(command -v pelorin)"
check "the library is gone from the loader's cache" test -z "$(ldconfig -p | grep libpelosdk)"
for package in "${packages[@]}"; do
  check "$package is not installed" test -z "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep 'ok installed')"
done

finish
