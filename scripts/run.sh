#!/usr/bin/env bash
# Installs what the native build needs, builds the `pelorin` tool, and then
# runs it with the arguments given: `scripts/run.sh encrypt --algorithm 1 NAME`.
# Without arguments it shows the main job on the sample folder tree in
# samples/tree: a copy is encrypted into one archive under every algorithm,
# listed, restored into a fresh folder and compared byte for byte, and the
# copies are securely deleted; each step is printed with its time.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
top=$PWD

scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native --target pelorin -j"$(nproc)" >/dev/null
tool=$top/build/native/pelorin

if (($# > 0)); then
  # Names are the caller's: relative ones start in the folder it ran from.
  cd "$caller"
  exec "$tool" "$@"
fi

# Everything happens in a private temporary folder with settings of its own,
# so the demonstration neither reads nor changes the user's settings.
# No dot in the folder name: an archive is named after its first source up to
# the last dot of the whole path.
work=$(mktemp -d "${TMPDIR:-/tmp}/pelorin-demo-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/settings" XDG_STATE_HOME="$work/state"
export PELORIN_PASSKEY="demonstration passkey 0123456789"
export LC_ALL=C

step() {  # step LABEL COMMAND...: runs COMMAND quietly, prints LABEL and its time
  local label=$1 start end
  shift
  start=$(date +%s%N)
  # Kept in memory, not in a file: a full temporary folder must not swallow
  # the reason a step failed.
  if ! output=$("$@" 2>&1); then
    printf '%-44s failed:\n' "$label"
    printf '%s\n' "$output" | sed 's/^/    /'
    exit 1
  fi
  end=$(date +%s%N)
  printf '%-44s %8.3f s\n' "$label" "$(((end - start) / 1000))e-6"
}

files=$(find samples/tree -type f | wc -l)
bytes=$(find samples/tree -type f -printf '%s\n' | awk '{s += $1} END {print s}')
echo "Sample: samples/tree, $files files, $bytes bytes; passkey \"$PELORIN_PASSKEY\""
echo

algorithms=(ASCII BlowFish DES IDEA NewDES RC4 Safer Vigenere)
for number in "${!algorithms[@]}"; do
  name=${algorithms[$number]}
  mkdir -p "$work/$name/restored"
  cp -R samples/tree "$work/$name/sample"
  step "$name: encrypt into sample.pvb" "$tool" encrypt --algorithm "$number" "$work/$name/sample"
  step "$name: list the archive" "$tool" list "$work/$name/sample.pvb"
  ((number == 0)) && printf '%s\n' "$output" | sed 's/^/    /'
  mv "$work/$name/sample.pvb" "$work/$name/restored/"
  step "$name: restore into a fresh folder" "$tool" decrypt "$work/$name/restored/sample.pvb"
  step "$name: compare byte for byte" diff -r samples/tree "$work/$name/restored/sample"
  step "$name: securely delete the copies" "$tool" delete --yes "$work/$name/sample" \
    "$work/$name/restored/sample" "$work/$name/restored/sample.pvb"
  if [[ -e $work/$name/sample || -e $work/$name/restored/sample ]]; then
    echo "$name: a copy is still there after the secure delete" >&2
    exit 1
  fi
done
echo
echo "Every algorithm gave the sample back byte for byte; the copies are gone."
