#!/usr/bin/env bash
# The bash completion, sourced as bash-completion loads it: what it offers
# for a table of command lines, and that its options, algorithm names and
# settings are those the tool itself takes.
# Usage: completion_test.sh PELORIN_BINARY COMPLETION_SCRIPT
set -u
pelorin="$1"
completion=$(realpath "$2")
source "$(dirname "$0")/../cli/check.sh"
source "$completion"
export LC_ALL=C  # one sort order for the offers

# Completes the last word of a command line as bash splits it (an "=" is a
# word of its own), and prints the offers sorted, one line.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  # The line as typed: the words bash split at "=" or ":" join up again.
  local word before=
  COMP_LINE=
  for word in "$@"; do
    if [[ $word == [=:] || $before == [=:] ]]; then COMP_LINE+=$word; else COMP_LINE+=${COMP_LINE:+ }$word; fi
    before=$word
  done
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _pelorin
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

cd "$work"
mkdir folder
touch report.pvb rest.txt -- --odd.txt x=y.txt a:b.txt

# command line (words, "" for an empty last word) | expected offers
cases=(
  "pelorin wi|wipe-drive wipe-file wipe-free wipe-slack"
  "pelorin --v|--version"
  "pelorin encrypt --al|--algorithm"
  "pelorin encrypt --algorithm B|BlowFish"
  "pelorin encrypt --algorithm C|ChaCha20 ChaCha20-Poly1305"
  "pelorin import --algorithm C|"
  "pelorin te|test"
  "pelorin encrypt --algorithm = N|NewDES"
  "pelorin import --algorithm |0 1 2 3 4 5 6 7 ASCII BlowFish DES IDEA NewDES Pseudo-RC4 RC4 Safer Vigenere"
  "pelorin wipe-drive --mode |complete standard thorough"
  "pelorin wipe-drive --mode = t|thorough"
  "pelorin delete --passes |"
  "pelorin decrypt r|report.pvb rest.txt"
  "pelorin decrypt --passkey-file r|report.pvb rest.txt"
  "pelorin wipe-free |folder"
  "pelorin wipe-file -- --|--odd.txt"
  "pelorin list --no |--odd.txt a:b.txt folder report.pvb rest.txt x=y.txt"
  "pelorin list x = y|y.txt"
  "pelorin list x = r|"
  "pelorin delete a : b|b.txt"
  "pelorin help wipe-f|wipe-file wipe-free"
  "pelorin settings d|decrypt delete"
  "pelorin settings wipe N|NumDisk NumMem"
  "pelorin wipe-free --rep|--report --report-names"
  "pelorin delete --report r|report.pvb rest.txt"
  "pelorin settings wipe NumDisk |"
)
for case in "${cases[@]}"; do
  IFS=' ' read -r -a words <<<"${case%%|*}"
  [[ ${case%%|*} == *" " ]] && words+=("")
  got=$(offers "${words[@]}")
  check "'${case%%|*}' offers '${case#*|}' (got '$got')" test "$got" = "${case#*|}"
done

# The options offered are those the command's help names.
for command in encrypt decrypt import list test delete wipe-file wipe-free wipe-slack wipe-drive; do
  named=$("$pelorin" help "$command" | sed -n '/^options:$/,/^$/p' | grep -oE -- '(^  |, )--[a-z-]+' |
    sed -E 's/^(  |, )//' | sort | tr '\n' ' ' | sed 's/ $//')
  got=$(offers pelorin "$command" - | tr ' ' '\n' | grep -vx -- '--\|--help' | sort | tr '\n' ' ' | sed 's/ $//')
  check "$command: the options offered are those of its help" test "$got" = "$named"
done

# The settings offered are those the tool shows.
for program in encrypt decrypt wipe delete archives; do
  shown=$("$pelorin" settings "$program" | cut -d= -f1 | sort | tr '\n' ' ' | sed 's/ $//')
  check "settings $program: the names offered are those it shows" test "$(offers pelorin settings "$program" "")" = "$shown"
done

# Every algorithm offered is one the tool takes.
for algorithm in $(offers pelorin encrypt --algorithm ""); do
  "$pelorin" import --algorithm "$algorithm" --padding 0 2>"$work/err"
  check "--algorithm $algorithm is taken" test -z "$(grep 'unknown algorithm' "$work/err")"
done

finish
