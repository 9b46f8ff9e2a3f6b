#!/usr/bin/env bash
# The tool's --version and help: every command's help on standard output,
# the same through `help COMMAND`, `COMMAND --help` and `--help`, and every
# option a help names is one its command takes.
# Usage: help_test.sh PELORIN_BINARY VERSION
set -u
pelorin="$1"
version="$2"
source "$(dirname "$0")/check.sh"

commands=(encrypt decrypt import list test delete settings wipe-file wipe-free wipe-slack wipe-drive)

out=$("$pelorin" --version)
check "--version exits 0" test $? -eq 0
check "--version: the tool and the project's version, then its maker" \
  test "$out" = "pelorin $version"$'\n'"Written by Tarn6 Software."

full=$("$pelorin" --help 2>"$work/err")
check "--help exits 0, on standard output only" test $? -eq 0 -a ! -s "$work/err"
listed=$(sed -n '/^Commands:$/,/^$/p' <<<"$full" | awk 'NF > 1 { print $1 }' | tr '\n' ' ')
check "the overview lists every command, in order" test "$listed" = "${commands[*]} "
check "help without a command is --help" test "$("$pelorin" help)" = "$full"

for command in "${commands[@]}"; do
  one=$("$pelorin" help "$command" 2>"$work/err")
  status_one=$?
  two=$("$pelorin" "$command" --help 2>>"$work/err")
  status_two=$?
  check "$command: help exits 0, on standard output only" \
    test $status_one -eq 0 -a $status_two -eq 0 -a ! -s "$work/err"
  check "$command: help COMMAND and COMMAND --help agree" test "$one" = "$two"
  check "$command: the usage and the exit statuses" \
    test -n "$(grep "^usage: pelorin $command " <<<"$one")" -a -n "$(grep -x 'exit status:' <<<"$one")"
  # --help gives each command's help under its name, indented by two.
  block=$(awk -v name="$command:" '$0 == name { on = 1; next } on && /^[^ ]/ { exit } on { print }' <<<"$full" |
    sed 's/^  //')
  check "$command: --help holds the same text" test "$block" = "$one"

  # A usage error repeats the command's usage lines on standard error.
  "$pelorin" "$command" --no-such-option >/dev/null 2>"$work/err"
  status=$?
  first=$(head -1 <<<"$one")
  check "$command: an unknown option is a usage error with the usage" \
    test $status -eq 2 -a -n "$(grep -xF -- "$first" "$work/err")"

  # Every option the help names is taken: followed by an unknown one, the
  # complaint is about that one (a value option gets a value).
  options=$(sed -n '/^options:$/,/^$/p' <<<"$one" | grep -oE -- '^  --[a-z-]+( [A-Z]+)?|, --[a-z-]+' |
    sed -E 's/^  //; s/^, //; s/ [A-Z]+$/=1/')
  for option in $options; do
    "$pelorin" "$command" "$option" --no-such-option >/dev/null 2>"$work/err"
    check "$command: $option is taken" grep -qx -- "pelorin: unknown option --no-such-option" "$work/err"
  done
done

"$pelorin" help no-such-command >"$work/out" 2>"$work/err"
check "help of an unknown command exits 2, naming it on standard error" \
  test $? -eq 2 -a ! -s "$work/out" -a -n "$(grep -F 'no command named no-such-command' "$work/err")"
(cd "$work" && "$pelorin" list -- --help >/dev/null 2>"$work/err")
check "after --, --help is a name" test $? -eq 1 -a -n "$(grep -F "$work/--help" "$work/err")"

"$pelorin" help encrypt >/dev/full 2>/dev/null
check "help that cannot be written is an error" test $? -eq 1
"$pelorin" help encrypt decrypt >/dev/null 2>"$work/err"
check "help of two commands is a usage error that says so" test $? -eq 2 -a -n "$(grep 'one command name' "$work/err")"

finish
