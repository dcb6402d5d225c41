#!/usr/bin/env bash
# The pages of the window (browse, step2, run) and the windows it opens (publish, edit) include
# only gui/common and the core, never each other's headers or the main window's; common
# includes no page at all. Checks the layers named as arguments, all of them by default.
set -euo pipefail
layers=("$@")
[ "${#layers[@]}" -gt 0 ] || layers=(browse step2 run publish edit common)
cd "$(dirname "$0")/../src/gui"
status=0
for layer in "${layers[@]}"; do
  [ -d "$layer" ] || continue
  if grep -rnE '#include "gui/' "$layer" | grep -vE "#include \"gui/($layer|common)/"; then
    status=1
  fi
done
[ "$status" = 0 ] && echo "the window code keeps its layers"
exit "$status"
