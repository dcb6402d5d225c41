#!/bin/bash
# Memory and time of fotoloom-convert with two workers on pictures that hold much memory from
# little data, and on a real photo of the same size class in each format.
#
# Each case is a folder of two files converted at once (-j 2) into a 800 pixel wide box; the
# line gives the largest resident memory of the process (/usr/bin/time's "Maximum resident
# set size") and the wall time. The crafted files are flat 8000 x 6000 pictures (48
# megapixels, 192 MB decoded) of a few kilobytes: an interlaced PNG, a lossless WebP, a HEIC,
# and the same picture as a progressive JPEG cut off after 64 KB, whose coefficients (144 MB)
# libjpeg keeps whole; and an 8000 x 8000 progressive JPEG without chroma subsampling (733
# KB, a byte per 87 pixels, 384 MB of coefficients). The real
# photos are a 20 megapixel wallpaper photograph enlarged to 6000 x 4000: JPEG (baseline and
# progressive), WebP at quality 75, HEIC at quality 50.
#
# Usage: bench/sparse-memory.sh [CONVERTER]    (default: build/bin/fotoloom-convert)
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/support/install-missing.sh"
CONVERTER=$(realpath -m "${1:-$HERE/../build/bin/fotoloom-convert}")
PHOTO=/usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg

need=()
command -v convert >/dev/null || need+=(imagemagick)
command -v cwebp >/dev/null || need+=(webp)
command -v heif-enc >/dev/null || need+=(libheif-examples)
[ -x /usr/bin/time ] || need+=(time)
[ -s "$PHOTO" ] || need+=(lomiri-wallpapers-20.04)
install_missing "${need[@]}"

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
cd "$TMP"

# Two copies of one file in the folder $1.
pair() {
    mkdir -p "$1"
    cp "$2" "$1/a.${2##*.}"
    cp "$2" "$1/b.${2##*.}"
}

convert -size 8000x6000 xc:'#3060a0' flat.png
convert flat.png -interlace PNG flat-interlaced.png
cwebp -quiet -lossless flat.png -o flat.webp
heif-enc -q 50 flat.png -o flat.heic >/dev/null
convert flat.png -type TrueColor -interlace JPEG -sampling-factor 2x2 flat-progressive.jpg
head -c 65536 flat-progressive.jpg >cut-progressive.jpg
convert -size 8000x8000 xc:'#3060a0' -interlace JPEG -sampling-factor 1x1 flat-444.jpg
pair sparse-png flat-interlaced.png
pair sparse-webp flat.webp
pair sparse-heic flat.heic
pair sparse-jpeg cut-progressive.jpg
pair flat-jpeg-444 flat-444.jpg

convert "$PHOTO" -resize 6000x4000^ -gravity center -extent 6000x4000 -quality 92 photo.jpg
convert photo.jpg -interlace JPEG -quality 92 photo-progressive.jpg
cwebp -quiet -q 75 photo.jpg -o photo.webp
heif-enc -q 50 photo.jpg -o photo.heic >/dev/null
pair photo-jpeg photo.jpg
pair photo-progressive-jpeg photo-progressive.jpg
pair photo-webp photo.webp
pair photo-heic photo.heic

printf '%-24s %10s %12s %8s\n' case "file (KB)" "max RSS (MB)" "time (s)"
for dir in sparse-png sparse-webp sparse-heic sparse-jpeg flat-jpeg-444 photo-jpeg photo-progressive-jpeg \
           photo-webp photo-heic; do
    mkdir -p "out-$dir"
    file=$(ls "$dir" | head -1)
    /usr/bin/time -f '%M %e' -o time.txt "$CONVERTER" -t "out-$dir" --overwrite all -j 2 \
        --width 800 "$dir"/* >convert.log 2>&1 || true
    read -r rss seconds < <(tail -1 time.txt)
    printf '%-24s %10d %12d %8s  %s\n' "$dir" $(($(stat -c %s "$dir/$file") / 1024)) \
        $((rss / 1024)) "$seconds" "$(tail -1 convert.log)"
done
