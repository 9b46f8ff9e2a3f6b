#!/usr/bin/env bash
# PelorinSetup.exe and the portable zip, end to end under Wine: builds both
# with scripts/build-windows-dist.sh, installs silently into a Wine prefix of
# the test's own, checks every file, shortcut, registry entry (file types,
# Explorer's menus, the user's PATH) and version resource, opens an archive
# made by the installed pelorin.exe the way Explorer opens it, gives
# selections to the menus' verbs as Explorer gives them, uninstalls
# silently and checks that nothing of Pelorin is left but the user's
# settings.
#
# The prefix maps no drive letter to the host: C: is its own drive_c, with
# the user's profile (where the installer writes and the uninstaller
# deletes) on a tmpfs mounted here in place of the links Wine makes to the
# host's home folder, and T: is a second tmpfs holding the setup and the
# sample files. Needs root for the mounts, makensis, zip, unzip and Wine;
# skipped otherwise.
# Usage: installer_test.sh [BUILD_FOLDER]   (default build/win64)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build/win64}")

skip() { echo "note: $1; installer test skipped"; exit 0; }
for tool in makensis zip unzip wine wineserver; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done
[[ $(id -u) -eq 0 ]] || skip "mounting the test's volumes needs root"
for probe in pelorin_version_fields pelorin_shortcut_fields pelorin_open_by_association_test \
             pelorin_gather_by_verb_test; do
  [[ -f $build/bin/$probe.exe ]] || { echo "FAIL: $build/bin/$probe.exe is missing; build the win64 preset first"; exit 1; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "-- $*"; }
# expect WHAT ACTUAL EXPECTED
expect() { [[ $2 == "$3" ]] || fail "$1: got '$2', expected '$3'"; }

work=$(mktemp -d /tmp/pelorin-installer-testXXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
profile=
cleanup() {
  cd /
  wineserver -k >/dev/null 2>&1
  for m in "$profile" "$work/t"; do [[ -n $m ]] && mountpoint -q "$m" && umount "$m"; done
  rm -rf "$work"
}
trap cleanup EXIT

# --- what is shipped ---------------------------------------------------------
dist=$work/dist
"$root/scripts/build-windows-dist.sh" "$dist" >/dev/null || { echo "FAIL: build-windows-dist.sh"; exit 1; }
programs=(PelorinEncrypt.exe PelorinDecrypt.exe PelorinWipe.exe Sundrel.exe PeloSDK.dll pelorin.exe)
help=(index.html PelorinEncrypt.html PelorinDecrypt.html PelorinWipe.html SecureDelete.html CommandLine.html help.css)
sdk=(sdk/PeloSDK.h sdk/PeloSDK.def sdk/libPeloSDK.dll.a)
# Where each shipped file comes from.
origin() {
  case $1 in
    sdk/libPeloSDK.dll.a) echo "$build/libPeloSDK.dll.a" ;;
    sdk/*) echo "$root/wipe/sdk/${1#sdk/}" ;;
    *.html | *.css) echo "$root/docs/help/$1" ;;
    *) echo "$build/bin/$1" ;;
  esac
}

step "the portable zip"
zip=$dist/Pelorin-1.21-win64.zip
mkdir "$work/unzipped"
unzip -q "$zip" -d "$work/unzipped" || fail "the zip does not unpack"
expect "files in the zip" "$(cd "$work/unzipped" && find . -type f | sort)" \
  "$(printf './Pelorin-1.21-win64/%s\n' "${programs[@]}" "${help[@]}" | sort)"
for file in "${programs[@]}" "${help[@]}"; do
  cmp -s "$work/unzipped/Pelorin-1.21-win64/$file" "$(origin "$file")" || fail "zip: $file differs from $(origin "$file")"
done

# --- the prefix and its two volumes ----------------------------------------
mkdir -p "$work/t"
mount -t tmpfs -o size=32m tmpfs "$work/t"
wineboot -i >/dev/null 2>&1 </dev/null
wineserver -w
for link in "$WINEPREFIX"/dosdevices/*; do
  [[ "$(basename "$link")" == c: ]] || rm -f "$link"
done
ln -s "$work/t" "$WINEPREFIX/dosdevices/t:"
user=$(basename "$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public)")
profile=$WINEPREFIX/drive_c/users/$user
mv "$profile" "$work/profile-made-by-wine"
mkdir "$profile"
mount -t tmpfs -o size=64m tmpfs "$profile"
cp -a "$work/profile-made-by-wine/." "$profile/"
# Desktop, Documents and the like lead to the host's home folder: made
# folders of the profile's own instead.
find "$profile" -type l | while read -r link; do rm "$link" && mkdir "$link"; done
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
wineserver -w

# Wine starts in the current folder when it is on one of its drives.
cd "$work/t"
cp "$dist/PelorinSetup.exe" "$build"/bin/pelorin_{version,shortcut}_fields.exe \
   "$build"/bin/pelorin_{open_by_association,gather_by_verb}_test.exe "$work/t/"
# A key's values as reg prints them; fails when there is no such key.
regq() {
  local out
  out=$(wine reg query "$@" 2>/dev/null </dev/null) || return 1
  printf '%s\n' "${out//$'\r'/}"
}
# The data of a key's value (its default value without a name), or nothing.
# Asked up to three times: on a busy machine reg now and then prints nothing.
value() {
  local data attempt
  for attempt in 1 2 3; do
    data=$(if [[ -n ${2:-} ]]; then regq "$1" /v "$2"; else regq "$1" /ve; fi |
      sed -n 's/^    [^ ].*  *REG_[A-Z_]*  *//p' | head -1)
    [[ -n $data ]] && break
  done
  printf '%s\n' "$data"
}

# The type of a value as reg prints it.
value_type() {
  regq "$1" /v "$2" | sed -n 's/^    [^ ].*  *\(REG_[A-Z_]*\)  *.*/\1/p' | head -1
}

# A setting of the user's, an earlier owner of .enc and another program's
# menu entry for every file, all from before; and a PATH longer than the
# setup's strings hold (it must come through the installation untouched).
wine reg add 'HKCU\Software\Tarn6 Software\Pelorin' /v numpasses /t REG_DWORD /d 7 /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Classes\.enc' /ve /d Other.EncFile /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Classes\*\shell\Other.Verb\command' /ve /d 'other.exe "%1"' /f >/dev/null 2>&1 </dev/null
long_path="C:\\Tools"
while ((${#long_path} < 1100)); do long_path+=";C:\\Some Tool\\bin"; done
wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$long_path" /f >/dev/null 2>&1 </dev/null

# --- refusals before anything is copied ---------------------------------------
step "a folder that holds other files is refused"
mkdir -p "$profile/Documents/site"
printf 'mine\n' >"$profile/Documents/site/index.html"
wine cmd /c "T:\\PelorinSetup.exe /S /D=C:\\users\\$user\\Documents\\site" </dev/null >/dev/null 2>&1
wineserver -w
expect "the user's index.html" "$(cat "$profile/Documents/site/index.html")" mine
expect "files in the refused folder" "$(ls "$profile/Documents/site")" index.html
rm -rf "$profile/Documents/site"

# --- install -----------------------------------------------------------------
step "PelorinSetup.exe /S /PATH"
wine 'T:\PelorinSetup.exe' /S /PATH </dev/null
expect "PelorinSetup.exe /S /PATH exit status" "$?" 0
wineserver -w
expect "a PATH too long to change safely is left as it was" "$(value 'HKCU\Environment' Path)" "$long_path"

appdata_win="C:\\users\\$user\\AppData"
dir_win="$appdata_win\\Local\\Programs\\Pelorin"
dir=$profile/AppData/Local/Programs/Pelorin
expect "files in $dir_win" "$(cd "$dir" 2>/dev/null && find . -type f | sort)" \
  "$(printf './%s\n' "${programs[@]}" "${help[@]}" "${sdk[@]}" Uninstall.exe | sort)"
for file in "${programs[@]}" "${help[@]}" "${sdk[@]}"; do
  cmp -s "$dir/$file" "$(origin "$file")" || fail "installed $file differs from $(origin "$file")"
done

step "a second installation elsewhere is refused"
wine cmd /c "T:\\PelorinSetup.exe /S /D=C:\\users\\$user\\Other" </dev/null >/dev/null 2>&1
wineserver -w
[[ -e $profile/Other ]] && fail "a second installation went into C:\\users\\$user\\Other"

step "an update in place puts the folder on the PATH"
user_path='C:\Tools;%USERPROFILE%\bin'
wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$user_path" /f >/dev/null 2>&1 </dev/null
wine 'T:\PelorinSetup.exe' /S /PATH </dev/null
expect "the update's exit status" "$?" 0
wineserver -w
expect "the PATH with the installation folder" "$(value 'HKCU\Environment' Path)" "$user_path;$dir_win"
expect "the PATH's type" "$(value_type 'HKCU\Environment' Path)" REG_EXPAND_SZ

step "version resources"
# Each program and the library: description and version as its About box.
while IFS='|' read -r file description version type; do
  fields=$(wine 'T:\pelorin_version_fields.exe' "$dir_win\\$file" </dev/null | tr -d '\r')
  expect "$file version resource" "$fields" "Fixed.FileVersion=$version.0.0
Fixed.ProductVersion=$version.0.0
Fixed.FileType=$type
CompanyName=Tarn6 Software
FileDescription=$description
FileVersion=$version
InternalName=${file%.*}
LegalCopyright=Tarn6 Software
OriginalFilename=$file
ProductName=Pelorin
ProductVersion=$version"
done <<'EOF'
PelorinEncrypt.exe|Pelorin Encrypt|1.21|app
PelorinDecrypt.exe|Pelorin Decrypt|1.21|app
PelorinWipe.exe|Pelorin Wipe|1.2|app
Sundrel.exe|Secure Delete|1.21|app
PeloSDK.dll|PeloSDK secure-deletion library|1.21|dll
pelorin.exe|Pelorin command-line tool|1.21|app
EOF

step "shortcuts"
# Every shortcut: what it starts, with no arguments of its own (dropped
# files are the arguments), in the installation folder.
menu="Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Pelorin"
sendto="Roaming\\Microsoft\\Windows\\SendTo"
shortcuts=()
while IFS='|' read -r link target; do
  link_win="$appdata_win\\$link"
  [[ $link == Desktop\\* ]] && link_win="C:\\users\\$user\\$link"
  shortcuts+=("$link_win")
  fields=$(wine 'T:\pelorin_shortcut_fields.exe' "$link_win" </dev/null | tr -d '\r' | grep -v '^Icon=\|^Description=')
  expect "shortcut $link" "$fields" "Target=$dir_win\\$target
Arguments=
WorkingDirectory=$dir_win"
done <<EOF
$menu\\Pelorin Encrypt.lnk|PelorinEncrypt.exe
$menu\\Pelorin Decrypt.lnk|PelorinDecrypt.exe
$menu\\Pelorin Wipe.lnk|PelorinWipe.exe
$menu\\Secure Delete.lnk|Sundrel.exe
$menu\\Pelorin Help.lnk|index.html
$menu\\Uninstall Pelorin.lnk|Uninstall.exe
Desktop\\Pelorin Encrypt.lnk|PelorinEncrypt.exe
Desktop\\Pelorin Decrypt.lnk|PelorinDecrypt.exe
Desktop\\Secure Delete.lnk|Sundrel.exe
$sendto\\Pelorin Encrypt.lnk|PelorinEncrypt.exe
$sendto\\Secure Delete.lnk|Sundrel.exe
EOF
expect "shortcuts in the Start menu folder" "$(ls "$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pelorin" | wc -l)" 6

step "file types and the uninstall entry"
classes='HKCU\Software\Classes'
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelorin'
command_line="\"$dir_win\\PelorinDecrypt.exe\" \"%1\""
while IFS='|' read -r key name expected; do
  expect "$key ${name:-(default)}" "$(value "$key" "$name")" "$expected"
done <<EOF
$classes\\.pvb||Pelorin.Archive
$classes\\.enc||Pelorin.Archive
$classes\\.enc|Pelorin.PreviousOwner|Other.EncFile
$classes\\Pelorin.Archive\\DefaultIcon||$dir_win\\PelorinDecrypt.exe,0
$classes\\Pelorin.Archive\\shell\\open||Decrypt with Pelorin
$classes\\Pelorin.Archive\\shell\\open|MultiSelectModel|Document
$classes\\Pelorin.Archive\\shell\\open\\command||$command_line
$classes\\Pelorin.Archive\\shell\\Pelorin.Test||Test archive
$classes\\Pelorin.Archive\\shell\\Pelorin.Test|MultiSelectModel|Document
$classes\\Pelorin.Archive\\shell\\Pelorin.Test|Icon|$dir_win\\pelorin.exe,0
$classes\\Pelorin.Archive\\shell\\Pelorin.Test\\command||"C:\\windows\\system32\\cmd.exe" /d /c ""$dir_win\\pelorin.exe" test "%1" & pause"
$classes\\*\\shell\\Pelorin.Encrypt||Encrypt with Pelorin
$classes\\*\\shell\\Pelorin.Encrypt|MultiSelectModel|Player
$classes\\*\\shell\\Pelorin.Encrypt|Icon|$dir_win\\PelorinEncrypt.exe,0
$classes\\*\\shell\\Pelorin.Encrypt\\command||"$dir_win\\PelorinEncrypt.exe" /gather "%1"
$classes\\Directory\\shell\\Pelorin.Encrypt||Encrypt with Pelorin
$classes\\Directory\\shell\\Pelorin.Encrypt|MultiSelectModel|Player
$classes\\Directory\\shell\\Pelorin.Encrypt|Icon|$dir_win\\PelorinEncrypt.exe,0
$classes\\Directory\\shell\\Pelorin.Encrypt\\command||"$dir_win\\PelorinEncrypt.exe" /gather "%V"
$classes\\*\\shell\\Pelorin.SecureDelete||Secure Delete
$classes\\*\\shell\\Pelorin.SecureDelete|MultiSelectModel|Player
$classes\\*\\shell\\Pelorin.SecureDelete|Icon|$dir_win\\Sundrel.exe,0
$classes\\*\\shell\\Pelorin.SecureDelete\\command||"$dir_win\\Sundrel.exe" /gather "%1"
$classes\\Directory\\shell\\Pelorin.SecureDelete||Secure Delete
$classes\\Directory\\shell\\Pelorin.SecureDelete|MultiSelectModel|Player
$classes\\Directory\\shell\\Pelorin.SecureDelete|Icon|$dir_win\\Sundrel.exe,0
$classes\\Directory\\shell\\Pelorin.SecureDelete\\command||"$dir_win\\Sundrel.exe" /gather "%V"
$uninstall|PathEntry|0x1
$uninstall|DisplayName|Pelorin
$uninstall|DisplayVersion|1.21
$uninstall|Publisher|Tarn6 Software
$uninstall|DisplayIcon|$dir_win\\PelorinEncrypt.exe,0
$uninstall|UninstallString|"$dir_win\\Uninstall.exe"
$uninstall|QuietUninstallString|"$dir_win\\Uninstall.exe" /S
$uninstall|NoModify|0x1
$uninstall|NoRepair|0x1
EOF
size=$(($(value "$uninstall" EstimatedSize)))
installed=$(du -sk --apparent-size "$dir" | cut -f1)
((size > 0 && size <= installed + 8 && installed <= size + 8)) ||
  fail "EstimatedSize $size KiB, the folder holds $installed KiB"

# --- an archive opened as Explorer opens it ----------------------------------
step "an archive opened by its file type"
# In a folder whose name has a space, so that the archive's name must reach
# the program as one argument.
sample="$work/t/My Files"
mkdir -p "$sample/Letters" "$work/t/originals"
head -c 70000 /dev/urandom >"$sample/photo.bin"
printf 'first letter\n' >"$sample/Letters/one.txt"
printf 'second letter\n' >"$sample/Letters/two.txt"
cp -a "$sample/." "$work/t/originals/"
passkey='a passkey for the installer test'
printf '%s\n' "$passkey" >"$work/t/passkey.txt"
wine "$dir_win\\pelorin.exe" encrypt --algorithm 1 --passkey-file 'T:\passkey.txt' \
  'T:\My Files\photo.bin' 'T:\My Files\Letters' </dev/null >/dev/null 2>&1
expect "pelorin.exe encrypt exit status" "$?" 0
rm -r "$sample/photo.bin" "$sample/Letters"
opened=$(value "$classes\\$(value "$classes\\.pvb")\\shell\\open\\command")
PELORIN_OPEN_COMMAND=${opened//%1/'T:\My Files\photo.pvb'} PELORIN_OPEN_PASSKEY=$passkey \
  wine 'T:\pelorin_open_by_association_test.exe' </dev/null | tr -d '\r' | grep -E '^\[  (FAILED|PASSED) |Failure|Expected|Which is|  Actual'
expect "the association's command exit status" "${PIPESTATUS[0]}" 0
rm -f "$sample/photo.pvb"
diff -r "$work/t/originals" "$sample" >/dev/null || fail "the archive opened by its association did not restore the originals"

# --- selections given to the menus' verbs ------------------------------------
step "selections given to Encrypt with Pelorin and Secure Delete"
# Five items started together make one job, five started apart five; the
# items are on T:, a volume of the test's own.
PELORIN_GATHER_FOLDER='T:\gathered' wine 'T:\pelorin_gather_by_verb_test.exe' </dev/null | tr -d '\r' |
  grep -E '^\[  (FAILED|PASSED) |Failure|Expected|Which is|  Actual'
expect "the verbs' gathering test exit status" "${PIPESTATUS[0]}" 0

# --- uninstall ---------------------------------------------------------------
quiet=$(value "$uninstall" QuietUninstallString)
uninstaller=${quiet#\"}
uninstaller=${uninstaller%%\"*}
step "no uninstall while a program runs"
wine "$dir_win\\PelorinWipe.exe" </dev/null >/dev/null 2>&1 &
sleep 5
# In place (_?=), so that its own exit status comes back.
wine "$uninstaller" /S "_?=$dir_win" </dev/null
expect "uninstaller exit status while PelorinWipe.exe runs" "$?" 2
[[ -e $dir/PelorinWipe.exe && -e $dir/PelorinEncrypt.exe ]] || fail "files went while a program ran"
regq "$uninstall" >/dev/null || fail "the uninstall entry went while a program ran"
pkill -f 'PelorinWipe.exe' || true
wineserver -w

step "the quiet uninstall"
wine "$uninstaller" ${quiet##*\" } </dev/null
expect "uninstaller exit status" "$?" 0
# It runs on from a copy of itself in the temporary folder.
wineserver -w

[[ -e $dir ]] && fail "left in the installation folder: $(cd "$dir" && find . | tr '\n' ' ')"
[[ -e "$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pelorin" ]] && fail "the Start menu folder is left"
for link in "${shortcuts[@]}"; do
  unix=$profile/${link#"C:\\users\\$user\\"}
  unix=${unix//\\//}
  [[ -e $unix ]] && fail "shortcut left: $link"
done
for key in "$classes\\.pvb" "$classes\\Pelorin.Archive" "$classes\\.enc\\OpenWithProgids" "$uninstall" \
           "$classes\\*\\shell\\Pelorin.Encrypt" "$classes\\*\\shell\\Pelorin.SecureDelete" "$classes\\Directory"; do
  regq "$key" >/dev/null && fail "registry key left: $key"
done
expect "another program's menu entry stays" "$(value "$classes\\*\\shell\\Other.Verb\\command")" 'other.exe "%1"'
expect "the PATH without the installation folder" "$(value 'HKCU\Environment' Path)" "$user_path"
expect "the PATH's type" "$(value_type 'HKCU\Environment' Path)" REG_EXPAND_SZ
expect ".enc back with its earlier owner" "$(value "$classes\\.enc")" Other.EncFile
expect ".enc keeps no note of it" "$(value "$classes\\.enc" Pelorin.PreviousOwner)" ""
expect "the user's setting" "$(value 'HKCU\Software\Tarn6 Software\Pelorin' numpasses)" 0x7

if ((failures > 0)); then
  echo "installer test: $failures failed"
  exit 1
fi
echo "installer test: passed"
