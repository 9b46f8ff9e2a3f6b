# Sourced by the command scripts: a private work folder (without a dot in its
# name, which would shape archive names) and the checks.
work=$(mktemp -d /tmp/pelorinXXXXXX)
# The scripts change folders; the tool is called by its full path.
[[ -n "${pelorin:-}" ]] && pelorin=$(realpath "$pelorin")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

# The tests' own small volume, PELORIN_TEST_VOLUME, without its final
# separator; nothing (and a note) unless it is the root of a mounted volume
# of at most 1 GiB: the scripts fill it, and a mistyped value must never
# fill the disk they run from.
test_volume() {
  local volume=${PELORIN_TEST_VOLUME:-}
  [[ -n $volume ]] || return 1
  volume=${volume%/}
  local size
  size=$(df -B1 --output=size "$volume" 2>/dev/null | tail -n 1)
  if ! mountpoint -q "$volume" || [[ -z $size || $size -gt $((1 << 30)) ]]; then
    echo "note: PELORIN_TEST_VOLUME=$PELORIN_TEST_VOLUME is not the root of a small volume of the tests' own" >&2
    return 1
  fi
  echo "$volume"
}
