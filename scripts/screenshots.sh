#!/usr/bin/env bash
# Screenshots of the main window at each step, under Xvfb, at 100% and at 200% scaling, into
# the folder given (default: screenshots/); step 1 browses bench/photos when it exists.
# Installs xvfb when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")
scripts/install-deps.sh
command -v xvfb-run >/dev/null || {
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -qq --no-install-recommends xvfb xauth
}
scripts/build.sh build > build.log 2>&1 || { cat build.log; exit 1; }
for scale in 1 2; do
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
    xvfb-run -a -s "-screen 0 2560x1600x24" build/tests/fotoloom_screenshot_tour "$out/${scale}00" \
    $( [ -d bench/photos ] && echo "$PWD/bench/photos" )
done
