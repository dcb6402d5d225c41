#!/bin/bash
# Time per photo for a 12 megapixel phone photo as HEIC against the same photo as JPEG:
# fotoloom-convert on one core converts 10 copies of each into an 800x600 box at quality 90,
# best of 3 runs. The HEIC is made from the JPEG's pixels by heif-enc (x265) at quality 80
# with 4:2:0 chroma, as phones store it.
#
# Usage: bench/heic-timing.sh [BUILD_DIR]     (default: the build/ folder)
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/support/install-missing.sh"
BUILD=$(realpath -m "${1:-$HERE/../build}")
CONVERTER=$BUILD/bin/fotoloom-convert
COPIES=10 REPS=3

need=()
command -v heif-enc >/dev/null || need+=(libheif-examples)
command -v convert >/dev/null || need+=(imagemagick)
SOURCE=$HERE/photos/raindrops-4000x3000.jpg
[ -s "$SOURCE" ] || [ -s /usr/share/backgrounds/mate/nature/RainDrops.jpg ] || need+=(mate-backgrounds)
install_missing "${need[@]}"

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/jpeg" "$TMP/heic" "$TMP/out"
if [ -s "$SOURCE" ]; then
    cp "$SOURCE" "$TMP/photo.jpg"
else
    # As bench/prepare-photos.sh makes it: baseline, 4:2:0, no metadata.
    convert /usr/share/backgrounds/mate/nature/RainDrops.jpg -resize 4000x3000^ -gravity center \
        -extent 4000x3000 -strip -interlace none -sampling-factor 2x2 -quality 92 "$TMP/photo.jpg"
fi
heif-enc -q 80 -p chroma=420 "$TMP/photo.jpg" -o "$TMP/photo.heic" >/dev/null
for i in $(seq 1 $COPIES); do
    ln "$TMP/photo.jpg" "$TMP/jpeg/photo$i.jpg"
    ln "$TMP/photo.heic" "$TMP/heic/photo$i.heic"
done

# Best wall time in ms of converting the folder given.
best() {
    local best_ms=
    for _ in $(seq 1 $REPS); do
        rm -rf "$TMP/out" && mkdir "$TMP/out"
        local start end
        start=$(date +%s%N)
        "$CONVERTER" --width 800 --height 600 --quality 90 --jobs 1 --target "$TMP/out" "$1" >/dev/null
        end=$(date +%s%N)
        local ms=$(((end - start) / 1000000))
        [ -z "$best_ms" ] || [ "$ms" -lt "$best_ms" ] && best_ms=$ms
    done
    echo "$best_ms"
}

jpeg_ms=$(best "$TMP/jpeg")
heic_ms=$(best "$TMP/heic")
echo "12 MP photo (4000 x 3000), one core, best of $REPS:"
printf '  JPEG  %6d KB  %4d ms per photo\n' $(($(stat -c %s "$TMP/photo.jpg") / 1024)) $((jpeg_ms / COPIES))
printf '  HEIC  %6d KB  %4d ms per photo\n' $(($(stat -c %s "$TMP/photo.heic") / 1024)) $((heic_ms / COPIES))
