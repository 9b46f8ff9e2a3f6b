# Sourced by the command scripts: a private work folder (without a dot in its
# name, which would shape archive names) and a counter of checks.
work=$(mktemp -d /tmp/pelorinXXXXXX)
# The scripts change folders; the tool is called by its full path.
[[ -n "${pelorin:-}" ]] && pelorin=$(realpath "$pelorin")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
passed=0
failed=0

check() {  # check NAME CONDITION...
  local name="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

finish() {
  echo "$passed passed, $failed failed"
  test $failed -eq 0
}
