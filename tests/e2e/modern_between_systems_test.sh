#!/usr/bin/env bash
# Archives of version 8 between Windows and Linux. A tree with Japanese,
# Greek and emoji names, an empty file and an empty folder is encrypted by
# PelorinEncrypt.exe with ChaCha20-Poly1305 under a passkey no code page
# holds, restored by PelorinDecrypt.exe into a fresh folder and by the Linux
# tool, and compared name for name, byte for byte and time for time with
# the source; then the other way round. Last, a sparse file of 2.2 GiB goes
# through pelorin.exe and back on a loop-mounted ext4 volume that holds it.
# Everything happens in a Wine prefix of the test's own whose only letters
# are its C:, T: (a tmpfs made here) and U: (the ext4 image).
# Usage: modern_between_systems_test.sh NATIVE_PELORIN BIN_FOLDER. Needs root
# for the mounts; skipped otherwise.
set -u
native=$1
bin=$(realpath "$2")
if [[ $(id -u) -ne 0 ]] || ! command -v mkfs.ext4 >/dev/null; then
  echo "note: needs root and e2fsprogs for the test drives; skipped"
  exit 0
fi
if [[ ! -x "$native" ]]; then
  echo "note: the native tool ($native) is not built; skipped"
  exit 0
fi
pelorin=$native
source "$(dirname "$0")/../cli/check.sh"
t=$work/t u=$work/u
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" WINEARCH=win64
cleanup() {
  wineserver -k >/dev/null 2>&1
  for m in "$t" "$u"; do mountpoint -q "$m" && umount "$m"; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$t" "$u"
mount -t tmpfs -o size=64m tmpfs "$t"
truncate -s 6G "$work/u.img"
mkfs.ext4 -F -q "$work/u.img"
big=1
mount -o loop "$work/u.img" "$u" 2>/dev/null || { echo "note: no loop mounts here; the large file is skipped"; big=0; }

wineboot -i >/dev/null 2>&1 </dev/null
wineserver -w
for link in "$WINEPREFIX"/dosdevices/*; do
  [[ "$(basename "$link")" == c: ]] || rm -f "$link"
done
ln -sfn "$t" "$WINEPREFIX/dosdevices/t:"
[[ $big -eq 1 ]] && ln -sfn "$u" "$WINEPREFIX/dosdevices/u:"
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
wineserver -k >/dev/null 2>&1; wineserver -w
mkdir -p "$WINEPREFIX/drive_c/pelorin"
for file in PelorinEncrypt.exe PelorinDecrypt.exe pelorin.exe PeloSDK.dll pelorin_modern_e2e_tests.exe; do
  cp "$bin/$file" "$WINEPREFIX/drive_c/pelorin/"
done
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit >/dev/null 2>&1 </dev/null
windows_half() {  # windows_half TEST [VARIABLE=VALUE]...
  local test=$1
  shift
  (cd "$WINEPREFIX/drive_c/pelorin" &&
    env "$@" PELORIN_E2E_KEY='T:\key' wine 'C:\pelorin\pelorin_modern_e2e_tests.exe' \
      --gtest_filter="ModernBetweenSystems.$test" </dev/null >"$work/windows.log" 2>&1)
  local status=$?
  [[ $status -eq 0 ]] || cat "$work/windows.log"
  return $status
}

japanese=$(printf '\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e')
greek=$(printf '\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac')
emoji=$(printf '\xf0\x9f\x98\x80')
printf '\xe9\x8d\xb5 \xce\xba\xce\xbb\xce\xb5\xce\xb9\xce\xb4\xce\xaf \xf0\x9f\x94\x91\n' >"$t/key"  # 鍵 κλειδί 🔑
mkdir -p "$t/src/Tree/$japanese" "$t/src/Tree/Leer"
printf 'Greek in Japanese' >"$t/src/Tree/$japanese/$greek.txt"
head -c 200000 /dev/urandom >"$t/src/Tree/$emoji.bin"
: >"$t/src/Tree/empty.txt"
touch -d '2021-03-04 05:06:07.123456700' "$t/src/Tree/$japanese/$greek.txt"
touch -d '2019-01-02 03:04:05' "$t/src/Tree/$japanese" "$t/src/Tree/Leer" "$t/src/Tree"

# Names, kinds, sizes and times to the second (Windows keeps 100 ns), then
# the bytes.
listing() { (cd "$1" && find . -printf '%P %y %s %TY-%Tm-%Td %TH:%TM:%.2TS\n' | sort); }
same_tree() { [[ "$(listing "$t/src/Tree")" == "$(listing "$1")" ]] && diff -r "$t/src/Tree" "$1" >/dev/null; }

# Windows to Windows and to Linux.
mkdir -p "$t/win" "$t/win-restored" "$t/linux-restored"
cp -a "$t/src/Tree" "$t/win/"
windows_half WindowsEncryptsAndRestoresIntoAFreshFolder PELORIN_E2E_TREE='T:\win\Tree' PELORIN_E2E_FRESH='T:\win-restored'
check "PelorinEncrypt.exe writes the archive and PelorinDecrypt.exe restores it" test $? -eq 0
check "an archive of version 8, algorithm 9" test "$(od -An -tu1 -N2 "$t/win/Tree.pvb" | tr -s ' ')" = " 8 9"
check "into a fresh folder, name for name, byte for byte, with the times" same_tree "$t/win-restored/Tree"
cp "$t/win/Tree.pvb" "$t/linux-restored/"
"$pelorin" decrypt --passkey-file "$t/key" "$t/linux-restored/Tree.pvb" 2>"$work/err"
check "the Linux tool restores it" test $? -eq 0
check "with the same names, bytes and times" same_tree "$t/linux-restored/Tree"

# Linux to Windows.
mkdir -p "$t/linux" "$t/linux-made"
cp -a "$t/src/Tree" "$t/linux/"
"$pelorin" encrypt --algorithm 9 --kdf-memory 8 --passkey-file "$t/key" "$t/linux/Tree" 2>"$work/err"
check "the Linux tool writes an archive" test $? -eq 0 -a -f "$t/linux/Tree.pvb"
cp "$t/linux/Tree.pvb" "$t/linux-made/"
windows_half WindowsRestoresAnArchiveOfTheLinuxTool PELORIN_E2E_ARCHIVE='T:\linux-made\Tree.pvb'
check "PelorinDecrypt.exe restores it" test $? -eq 0
check "with the same names, bytes and times" same_tree "$t/linux-made/Tree"

# A file over 2 GiB, sparse, through pelorin.exe and back.
if [[ $big -eq 1 ]]; then
  mkdir -p "$u/big"
  truncate -s 2300M "$u/big/huge.bin"
  for at in 0 $(((1 << 31) - 3)) $((2300 * 1048576 - 5)); do
    printf 'mark!' | dd of="$u/big/huge.bin" bs=1 seek="$at" conv=notrunc 2>/dev/null
  done
  # Started from its own folder: the current folder must be one Wine can name.
  tool() { (cd "$WINEPREFIX/drive_c/pelorin" && wine 'C:\pelorin\pelorin.exe' "$@" </dev/null 2>"$work/err"); }
  start=$(date +%s)
  tool encrypt --algorithm 9 --kdf-memory 8 --passkey-file 'T:\key' 'U:\big\huge.bin'
  status=$?
  [[ $status -eq 0 ]] || cat "$work/err"
  check "pelorin.exe stores a sparse file of 2.2 GiB" test $status -eq 0 -a -f "$u/big/huge.pvb"
  middle=$(date +%s)
  mv "$u/big/huge.bin" "$u/big/huge.orig"
  tool decrypt --passkey-file 'T:\key' 'U:\big\huge.pvb'
  check "and restores it" test $? -eq 0
  check "byte for byte" cmp -s "$u/big/huge.bin" "$u/big/huge.orig"
  echo "note: 2.2 GiB under Wine: encrypt $((middle - start)) s, decrypt $(($(date +%s) - middle)) s"
fi
finish
