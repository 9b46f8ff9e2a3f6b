#!/usr/bin/env bash
# The Debian packages as a user meets them: installed with dpkg, the tool
# runs from /usr/bin (a round trip through an archive), its manual page is
# found, its completions work in bash, zsh and fish, desktops know its
# archives and file managers offer its jobs, a C program builds against the
# library with pkg-config and wipes a file through it; removed, they leave
# nothing of theirs behind.
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
# zsh and fish find their completions where the package put them.
bash "$root/tests/packaging/shell_completion_test.sh" /usr/bin/pelorin >"$work/completions.log" 2>&1
check "zsh and fish complete the installed tool's commands and options" test $? -eq 0
grep -E '^(FAILED|note)' "$work/completions.log"

# The desktops: the archive type, the program that opens it, and the
# entries of the file managers' menus, each running the installed tool in a
# terminal through run-in-terminal.
run=/usr/libexec/pelorin/run-in-terminal
check "run-in-terminal is installed and can be run" test -x "$run"
check "the archive type is installed" test -f /usr/share/mime/packages/pelorin.xml
entries=(/usr/share/applications/pelorin-decrypt.desktop
  /usr/share/nemo/actions/pelorin-{encrypt,decrypt,delete}.nemo_action
  /usr/share/kio/servicemenus/pelorin{,-archive}.desktop
  "/usr/share/pelorin/nautilus-scripts/"{"Encrypt with Pelorin","Decrypt with Pelorin","Secure delete"})
for entry in "${entries[@]}"; do
  check "$entry runs run-in-terminal with a command of the tool" \
    grep -qE "^(Exec=|exec )$run (encrypt|decrypt|delete) (%F|\"\\\$@\")\$|^Exec=$run --uris (encrypt|decrypt|delete) %U\$" "$entry"
done
for entry in /usr/share/nemo/actions/pelorin-*.nemo_action; do
  # Nemo pastes names into the line and splits it again: addresses it cannot misquote.
  check "$entry hands Nemo's selection over as addresses" grep -q -- "--uris .* %U$" "$entry"
done
for script in "/usr/share/pelorin/nautilus-scripts/"*; do
  check "the Nautilus script $(basename "$script") can be run" test -x "$script"
done
if command -v desktop-file-validate >/dev/null; then
  check "the desktop entry is valid" desktop-file-validate /usr/share/applications/pelorin-decrypt.desktop
fi
check "the desktop entry opens the archive type in a terminal" \
  test -n "$(grep -x 'MimeType=application/x-pelorin-archive;' /usr/share/applications/pelorin-decrypt.desktop)" \
       -a -n "$(grep -x 'Terminal=true' /usr/share/applications/pelorin-decrypt.desktop)"

# What type xdg-mime gives an archive: a version-8 one by its mark (the
# first 12 bytes are those of its header), whatever its name; a classic one,
# which has none, by its extension.
mkdir "$work/types"
{ printf '\x08\x09\x01\x01PELORIN8'; head -c 116 /dev/zero; } >"$work/types/version8"
printf 'no mark of its own' >"$work/types/classic.pvb"
cp "$work/types/classic.pvb" "$work/types/classic.enc"
printf 'plain text\n' >"$work/types/notes.txt"
filetype() { (unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID; xdg-mime query filetype "$1" 2>&1); }
if command -v xdg-mime >/dev/null && command -v mimetype >/dev/null; then
  for file in version8 classic.pvb classic.enc; do
    check "xdg-mime: $file is a Pelorin archive ($(filetype "$work/types/$file"))" \
      test "$(filetype "$work/types/$file")" = application/x-pelorin-archive
  done
  check "xdg-mime: a text file is not" test "$(filetype "$work/types/notes.txt")" = text/plain
  check "xdg-mime: archives open with Pelorin Decrypt" \
    test "$(xdg-mime query default application/x-pelorin-archive)" = pelorin-decrypt.desktop
else
  check "xdg-mime and mimetype are installed (scripts/install-deps.sh)" false
fi

# run-in-terminal inside a terminal: the tool's job, its result, and the
# window held until Enter; outside one: a terminal opened on itself, with
# the names made whole.
mkdir "$work/menu"
printf 'to be encrypted\n' >"$work/menu/it's a file.txt"
(cd "$work/menu" && printf 'BlowFish\n\n' | PELORIN_PASSKEY=menu-passkey script -qec "$run encrypt \"it's a file.txt\"" \
  /dev/null >"$work/menu.log" 2>&1)
check "run-in-terminal encrypt exits 0 in a terminal" test $? -eq 0
check "and asks for the cipher, Enter leaving it to the tool" \
  grep -q "Cipher (.*BlowFish.*ChaCha20-Poly1305.*, or its number), or Enter for ChaCha20-Poly1305: " "$work/menu.log"
check "and writes the archive with it" test "$(head -c 2 "$work/menu/it's a file.pvb" | od -An -tu1 | tr -s ' ')" = " 7 1"
check "and holds the window until Enter" grep -q "Press Enter to close this window" "$work/menu.log"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s"\n' "$work/terminal.args" >"$work/fake-terminal"
chmod +x "$work/fake-terminal"
(cd "$work/menu" && TERMINAL=$work/fake-terminal "$run" delete "it's a file.txt" </dev/null >/dev/null 2>&1)
check "outside a terminal it opens one on itself, with the names made whole" \
  test "$(cat "$work/terminal.args" 2>/dev/null)" = "-e"$'\n'"$run"$'\n'delete$'\n'"$work/menu/it's a file.txt"
check "and deletes nothing itself" test -f "$work/menu/it's a file.txt"

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
for section in DESCRIPTION EXAMPLES LIMITS ENVIRONMENT "FILE MANAGERS"; do
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
if command -v xdg-mime >/dev/null && command -v mimetype >/dev/null; then
  check "xdg-mime no longer knows the archive type" \
    test "$(filetype "$work/types/version8")" != application/x-pelorin-archive \
         -a "$(filetype "$work/types/classic.pvb")" != application/x-pelorin-archive
fi

finish
