#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build, the tests and the
# benchmarks need, and nothing when all of them are already there.
# Usage: scripts/install-deps.sh [native]   (native: only what the native
# build needs, for trying the tool)
set -euo pipefail

native=(
  cmake make g++                       # native toolchain
  googletest libbenchmark-dev          # GoogleTest sources, Google Benchmark
  libssl-dev libcrypto++-dev libgcrypt20-dev  # reference libraries for tests and benchmarks
  libsodium-dev libargon2-dev          # references for the modern primitives' tests and benchmarks
)
packages=(
  "${native[@]}"
  clang libclang-rt-14-dev             # libFuzzer
  g++-mingw-w64-x86-64 wine64 wine     # Windows cross build and Wine to run it
  nsis zip unzip                       # the Windows installer and the portable zip
  xvfb imagemagick xdotool x11-utils   # windows under a virtual display, screenshots
  bc coreutils python3 gdb             # benchmark and test scripts; gdb looks for secrets left in memory
  p7zip-full gnupg age                 # the tools the job benchmarks compare with
  e2fsprogs util-linux mount           # loop-mounted ext2/ext4 images for the free-space checks
  help2man dpkg-dev file pkg-config man-db  # the manual page, the Debian packages and their test
  zsh fish                             # the zsh and fish completions are tried in the shells
  shared-mime-info xdg-utils libfile-mimeinfo-perl desktop-file-utils  # the archive type as desktops see it
)

[[ ${1:-} == native ]] && packages=("${native[@]}")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  sudo=sudo
else
  sudo=
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
