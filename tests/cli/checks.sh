# Sourced by the test scripts: a counter of checks and the end line.
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
