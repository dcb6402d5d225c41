#!/usr/bin/env bash
# Screenshots of the main window at each step and of the windows it opens (export list,
# photo editor), at 100% and at 200% scaling, into the folder
# given (default: screenshots/). The window runs under a real window manager (openbox in
# Xvfb), so that the shots with "-screen" in their names show the windows' frames too;
# photos are added by real mouse clicks (xdotool). Step 1 browses bench/photos when it exists.
# Installs xvfb, openbox and xdotool when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")
scripts/install-deps.sh
missing=()
for tool in Xvfb:xvfb xdpyinfo:x11-utils openbox:openbox xdotool:xdotool; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
scripts/build.sh build > build.log 2>&1 || { cat build.log; exit 1; }

# A temporary home for the tour and the window manager: nothing of the user's is read or written.
home=$(mktemp -d)
trap 'kill $wm $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 2560x1600x24 -nolisten tcp > "$home/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
HOME="$home" DISPLAY="$display" openbox > "$home/openbox.log" 2>&1 &
wm=$!
sleep 1
for scale in 1 2; do
  HOME="$home" XDG_CONFIG_HOME="$home/.config" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
    QT_SCALE_FACTOR=$scale build/tests/fotoloom_screenshot_tour "$out/${scale}00" \
    $( [ -d bench/photos ] && echo "$PWD/bench/photos" )
done
