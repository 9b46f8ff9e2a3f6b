#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build, the tests and the
# benchmarks need, and nothing when all of them are already there.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev  # native toolchains, libFuzzer
  googletest libbenchmark-dev          # GoogleTest sources, Google Benchmark
  libssl-dev libcrypto++-dev libgcrypt20-dev  # reference libraries for tests and benchmarks
  g++-mingw-w64-x86-64 wine64 wine     # Windows cross build and Wine to run it
  nsis zip unzip                       # the Windows installer and the portable zip
  xvfb imagemagick xdotool x11-utils   # windows under a virtual display, screenshots
  bc coreutils python3                 # benchmark and test scripts
  p7zip-full gnupg age                 # the tools the job benchmarks compare with
  e2fsprogs util-linux mount           # loop-mounted ext2/ext4 images for the free-space checks
)

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
