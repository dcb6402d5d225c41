#!/bin/bash
# The conversion run's worker pool: the same batch with one worker and with one per core,
# each the best of 3, in one run. Converts bench/photos/ (see prepare-photos.sh) into an
# 800x600 box at quality 90.
#
# Usage: bench/pool-speedup.sh [BUILD_DIR]     (default: the build/ folder)
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(realpath -m "${1:-$HERE/../build}")
CONVERTER=$BUILD/bin/fotoloom-convert
[ -x "$CONVERTER" ] || { echo "fotoloom-convert not built in $BUILD" >&2; exit 1; }
[ -d "$HERE/photos" ] || bash "$HERE/prepare-photos.sh" >/dev/null
PHOTOS=("$HERE"/photos/*.jpg)
CORES=$(nproc)
OUT=$(mktemp -d /dev/shm/fotoloom-pool.XXXXXX)
trap 'rm -rf "$OUT"' EXIT

best() { # jobs -> best wall seconds of 3
  local best=''
  for _ in 1 2 3; do
    rm -rf "$OUT/dest"
    local start end
    start=$(date +%s.%N)
    "$CONVERTER" --jobs "$1" --width 800 --height 600 --quality 90 --overwrite all \
      --target "$OUT/dest" "${PHOTOS[@]}" >/dev/null
    end=$(date +%s.%N)
    local t
    t=$(awk "BEGIN { print $end - $start }")
    if [ -z "$best" ] || awk "BEGIN { exit !($t < $best) }"; then best=$t; fi
  done
  echo "$best"
}

echo "${#PHOTOS[@]} photos, $CORES cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
one=$(best 1)
all=$(best "$CORES")
printf "jobs 1: %.2f s   jobs %d: %.2f s   speed-up %.2f x\n" "$one" "$CORES" "$all" \
  "$(awk "BEGIN { print $one / $all }")"
