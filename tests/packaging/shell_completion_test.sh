#!/usr/bin/env bash
# The zsh and fish completions, each in a real shell: what they offer for a
# table of command lines, and that the commands, options, settings and
# ciphers they offer are those the tool itself shows and takes. A shell
# that is not installed is skipped with a note.
# Usage: shell_completion_test.sh PELORIN_BINARY [FOLDER]
#   FOLDER holds _pelorin and pelorin.fish; without it, each shell finds the
#   installed ones where it looks by itself.
set -u
pelorin="$1"
folder=${2:+$(realpath "$2")}
source "$(dirname "$0")/../cli/check.sh"
export LC_ALL=C  # one sort order for the offers

# offers_zsh LINE...: for each line, "== LINE" and then what zsh offers on a
# Tab at its end, one per line. An interactive zsh runs in a pseudo-terminal
# with compadd wrapped, so that every match the completion adds is printed
# as well.
offers_zsh() {
  timeout 120 zsh -f -c '
    zmodload zsh/zpty || exit 1
    folder=$1; shift
    zpty z zsh -f -i
    # Reads what the shell prints until a line ends in the word given.
    upto() {
      local chunk
      REPLY=
      while zpty -r z chunk; do REPLY+=$chunk; [[ $REPLY == *$1[$'"'"'\r\n'"'"']* ]] && break; done
    }
    zpty -w z "PS1= PROMPT_EOL_MARK= LISTMAX=100000; unsetopt autolist listambiguous beep"
    zpty -w z "fpath=(${folder:+$folder} \$fpath); autoload -Uz compinit; compinit -u -D"
    zpty -w z "compadd() { if [[ \${(j: :)@} == *-[OAD]* ]]; then builtin compadd \"\$@\"; return; fi;
      local -a got; builtin compadd -O got \"\$@\"; print -rl -- \"\" \"offer:\"\${^got}; builtin compadd \"\$@\"; }"
    # Tab completes, then says it is done.
    zpty -w z "complete-and-say() { zle complete-word; print -rl -- \"\" \"offers-\"end; }"
    zpty -w z "zle -N complete-and-say; bindkey \"^I\" complete-and-say"
    zpty -w z "print -r -- ready\$((6*7))"
    upto ready42
    for line in "$@"; do
      zpty -n -w z $'"'"'\C-u'"'"'"$line"$'"'"'\t'"'"'
      upto offers-end
      print -r -- "== $line"
      print -r -- ${REPLY//$'"'"'\r'"'"'/} | sed -n "s/^offer://p"
    done
    zpty -d z
  ' zsh "$folder" "$@"
}

# offers_fish LINE...: the same from fish's own "complete -C".
offers_fish() {
  local line
  for line in "$@"; do
    echo "== $line"
    if [[ -n $folder ]]; then
      fish --no-config -c 'source $argv[1]; complete -C $argv[2]' "$folder/pelorin.fish" "$line"
    else
      fish -c 'complete -C $argv[1]' "$line"
    fi | cut -f1
  done
}

# The offers for one line out of a shell's answer, sorted, on one line: an
# option's value without the option fish puts before it, folders without
# the slash fish gives them.
offers_for() {
  awk -v line="== $2" '$0 == line { on = 1; next } /^== / { on = 0 } on' <<<"$1" |
    sed -E 's/^--[a-z-]+=//; s|/$||' | sort -u | tr '\n' ' ' | sed 's/ $//'
}

mkdir "$work/names" && cd "$work/names"
mkdir folder
touch report.pvb rest.txt

# The commands and their options as the help gives them.
commands=$("$pelorin" --help | sed -n '/^Commands:$/,/^$/p' | awk 'NF > 1 { print $1 }' | sort | tr '\n' ' ')
options_of() {
  "$pelorin" help "$1" | sed -n '/^options:$/,/^$/p' | grep -oE -- '(^  |, )--[a-z-]+' | sed -E 's/^(  |, )//'
  echo --help
}
settings_of() { "$pelorin" settings "$1" | cut -d= -f1 | sort | tr '\n' ' ' | sed 's/ $//'; }

# command line | expected offers
cases=(
  "pelorin wi|wipe-drive wipe-file wipe-free wipe-slack"
  "pelorin encrypt --algorithm=B|BlowFish"
  "pelorin wipe-drive --mode |complete standard thorough"
  "pelorin delete --passes |"
  "pelorin decrypt --select |"
  "pelorin decrypt r|report.pvb rest.txt"
  "pelorin list --passkey-file r|report.pvb rest.txt"
  "pelorin wipe-free |folder"
  "pelorin help wipe-f|wipe-file wipe-free"
  "pelorin settings |archives decrypt delete encrypt wipe"
  "pelorin settings wipe N|NumDisk NumMem"
)
lines=("pelorin " "pelorin encrypt --algorithm " "${cases[@]%%|*}")
for program in encrypt decrypt wipe delete archives; do lines+=("pelorin settings $program "); done
for command in $commands; do lines+=("pelorin $command --"); done

for shell in zsh fish; do
  if ! command -v "$shell" >/dev/null; then
    echo "note: $shell is not installed; its completion is not tested"
    continue
  fi
  answer=$("offers_$shell" "${lines[@]}" 2>"$work/err")
  check "$shell: it answers (no errors: $(head -c 300 "$work/err"))" test -n "$answer" -a ! -s "$work/err"

  check "$shell: the commands offered are those of the help, and help" \
    test "$(offers_for "$answer" "pelorin ")" = "$(tr ' ' '\n' <<<"$commands help" | grep . | sort | tr '\n' ' ' | sed 's/ $//')"
  for case in "${cases[@]}"; do
    got=$(offers_for "$answer" "${case%%|*}")
    check "$shell: '${case%%|*}' offers '${case#*|}' (got '$got')" test "$got" = "${case#*|}"
  done
  for command in $commands; do
    got=$(offers_for "$answer" "pelorin $command --")
    named=$(options_of "$command" | sort -u | tr '\n' ' ' | sed 's/ $//')
    check "$shell: $command offers the options of its help (got '$got')" test "$got" = "$named"
  done
  for program in encrypt decrypt wipe delete archives; do
    check "$shell: settings $program offers the names it shows" \
      test "$(offers_for "$answer" "pelorin settings $program ")" = "$(settings_of "$program")"
  done
  algorithms=$(offers_for "$answer" "pelorin encrypt --algorithm ")
  check "$shell: ciphers are offered" test -n "$algorithms"
  for algorithm in $algorithms; do
    "$pelorin" import --algorithm "$algorithm" --padding 0 2>"$work/err"
    check "$shell: --algorithm $algorithm is taken" test -z "$(grep 'unknown algorithm' "$work/err")"
  done
done

finish
