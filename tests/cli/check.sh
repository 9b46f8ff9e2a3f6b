# Sourced by the command scripts: a private work folder (without a dot in its
# name, which would shape archive names) and the checks.
work=$(mktemp -d /tmp/pelorinXXXXXX)
# The scripts change folders; the tool is called by its full path.
[[ -n "${pelorin:-}" ]] && pelorin=$(realpath "$pelorin")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
