#!/bin/bash
# Whole-batch timing on one core: converting bench/photos/ into an 800x600 box
# (cover, centre crop) at JPEG quality 90.
#
# "floor" = libjpeg-turbo alone: full decode of every source (djpeg) plus the
# encode of its 800x600 result (cjpeg, from PPMs made beforehand, untimed).
# fotoloom-convert runs the whole batch in one process; ImageMagick, Pillow and
# vipsthumbnail do the same job for comparison. Each is run 3 times, best kept.
# Then the peak memory of each on the largest photo.
#
# Usage: bench/batch-timing.sh [BUILD_DIR]     (default: the build/ folder)
# Output is also written to bench/out/batch-timing.txt.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/support/install-missing.sh"
BUILD=$(realpath -m "${1:-$HERE/../build}")
CONVERTER=$BUILD/bin/fotoloom-convert
OUT=$HERE/out
W=800 H=600 Q=90 REPS=3
PY=/usr/bin/python3 # Debian's python, the one python3-pil belongs to

# --- tools --------------------------------------------------------------------
need=()
command -v djpeg >/dev/null && command -v cjpeg >/dev/null || need+=(libjpeg-turbo-progs)
command -v convert >/dev/null || need+=(imagemagick)
$PY -c 'import PIL' 2>/dev/null || need+=(python3-pil)
[ -x /usr/bin/time ] || need+=(time)
if ! command -v vipsthumbnail >/dev/null && apt-cache show libvips-tools >/dev/null 2>&1; then
    need+=(libvips-tools)
fi
install_missing "${need[@]}"

mkdir -p "$OUT"
exec > >(tee "$OUT/batch-timing.txt")

bash "$HERE/prepare-photos.sh"
PHOTOS=("$HERE"/photos/*.jpg)
N=${#PHOTOS[@]}

# One core, one thread for everybody.
export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1
export VIPS_WARNING=0 # path.jpg has an odd EXIF resolution unit
PIN=(taskset -c 0)

TMP=$(mktemp -d /dev/shm/fotoloom-bench.XXXXXX)
trap 'rm -rf "$TMP"' EXIT

echo
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'), load average: $(cut -d' ' -f1-3 /proc/loadavg), cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-)"
echo "commit: $(git -C "$HERE" rev-parse --short HEAD 2>/dev/null || echo '?'), build: $BUILD"
echo "box ${W}x${H}, quality $Q, $N photos, best of $REPS, pinned to core 0"

# Reference 800x600 results for the encode part of the floor (not timed).
mkdir -p "$TMP/ref"
for f in "${PHOTOS[@]}"; do
    convert -quiet "$f" -filter Lanczos -resize "${W}x${H}^" -gravity center -crop "${W}x${H}+0+0" +repage \
        "$TMP/ref/$(basename "$f" .jpg).ppm"
done

# The Pillow job: full decode (no draft), Lanczos to the cover size, centre crop.
# Prints the time of the loop only: "wall cpu".
cat > "$TMP/pillow_batch.py" <<EOF
import os, sys, time
from PIL import Image
W, H, Q = $W, $H, $Q
LANCZOS = getattr(Image, "Resampling", Image).LANCZOS
out, files = sys.argv[1], sys.argv[2:]
t0, c0 = time.perf_counter(), time.process_time()
for path in files:
    with Image.open(path) as im:
        if im.mode != "RGB":
            im = im.convert("RGB")
        s = max(W / im.width, H / im.height)
        cw, ch = max(W, round(im.width * s)), max(H, round(im.height * s))
        im = im.resize((cw, ch), LANCZOS)
        x, y = (cw - W) // 2, (ch - H) // 2
        im.crop((x, y, x + W, y + H)).save(os.path.join(out, os.path.basename(path)), quality=Q)
print(f"{time.perf_counter() - t0:.3f} {time.process_time() - c0:.3f}")
EOF

# --- the jobs: each converts "$@" into the folder $DEST --------------------------
floor_decode() { for f; do djpeg -outfile /dev/null "$f"; done; }
floor_encode() { for p in "$TMP"/ref/*.ppm; do cjpeg -quality "$Q" -outfile /dev/null "$p"; done; }
fotoloom() { "$CONVERTER" --width "$W" --height "$H" --quality "$Q" --jobs 1 --target "$DEST" "$@"; }
magick() {
    # 4:2:0 and plain Huffman tables like the others (ImageMagick's defaults
    # at quality 90 are 4:4:4 and optimised tables).
    for f; do
        convert -quiet "$f" -filter Lanczos -resize "${W}x${H}^" -gravity center -crop "${W}x${H}+0+0" +repage \
            -sampling-factor 2x2 -define jpeg:optimize-coding=false -quality "$Q" "$DEST/$(basename "$f")"
    done
}
pillow() { $PY "$TMP/pillow_batch.py" "$DEST" "$@"; }
vips() {
    # Decodes JPEGs already reduced in the DCT (shrink-on-load): not a full decode.
    vipsthumbnail --size "${W}x${H}" --smartcrop centre \
        -o "$DEST/%s.jpg[Q=$Q,subsample-mode=on,optimize-coding=false]" "$@"
}
export -f floor_decode floor_encode fotoloom magick pillow vips
export TMP W H Q CONVERTER PY

calc() { awk "BEGIN { print $* }"; }

# Runs job $1 on all photos REPS times on one core; sets WALL and CPU (seconds, best of).
best_of() {
    local job=$1 e u s line
    WALL='' CPU=''
    for _ in $(seq "$REPS"); do
        rm -rf "$TMP/dest" && mkdir "$TMP/dest"
        if [ "$job" = pillow ]; then
            line=$(DEST=$TMP/dest "${PIN[@]}" bash -c 'pillow "$@"' _ "${PHOTOS[@]}" | tail -1)
            read -r e u <<< "$line"; s=0
        else
            DEST=$TMP/dest /usr/bin/time -f '%e %U %S' -o "$TMP/time" \
                "${PIN[@]}" bash -c "$job"' "$@" >/dev/null' _ "${PHOTOS[@]}" ||
                echo "  warning: $job failed (exit status $?)"
            read -r e u s < <(tail -1 "$TMP/time")
        fi
        local c; c=$(calc "$u + $s")
        if [ -z "$WALL" ] || (( $(calc "$e < $WALL") )); then WALL=$e; fi
        if [ -z "$CPU" ] || (( $(calc "$c < $CPU") )); then CPU=$c; fi
    done
}

# Checks the last run wrote one 800x600 JPEG per photo, and keeps them in bench/out/<job>/.
check_outputs() {
    local job=$1 count bad
    count=$(find "$TMP/dest" -name '*.jpg' | wc -l)
    bad=$(identify -quiet -format '%w %h\n' "$TMP/dest"/*.jpg 2>/dev/null | grep -cv "^$W $H\$" || true)
    [ "$count" -eq "$N" ] && [ "$bad" -eq 0 ] || echo "  warning: $job wrote $count files, $bad not ${W}x${H}"
    rm -rf "${OUT:?}/$job" && cp -r "$TMP/dest" "$OUT/$job"
}

row() { # name wall cpu
    printf "%-34s %8.2f %9.1f %8.2f %8.2f %8.2f\n" "$1" "$2" "$(calc "1000 * $2 / $N")" \
        "$(calc "$2 / $FLOOR_WALL")" "$3" "$(calc "$3 / $FLOOR_CPU")"
}

# --- timing -------------------------------------------------------------------
echo
printf "%-34s %8s %9s %8s %8s %8s\n" tool "total s" "ms/photo" "x floor" "cpu s" "cpu x fl"

best_of floor_decode; DEC_WALL=$WALL DEC_CPU=$CPU
best_of floor_encode; ENC_WALL=$WALL ENC_CPU=$CPU
FLOOR_WALL=$(calc "$DEC_WALL + $ENC_WALL")
FLOOR_CPU=$(calc "$DEC_CPU + $ENC_CPU")
row "floor: djpeg decode" "$DEC_WALL" "$DEC_CPU"
row "floor: cjpeg encode 800x600" "$ENC_WALL" "$ENC_CPU"
row "floor (sum)" "$FLOOR_WALL" "$FLOOR_CPU"

if [ -x "$CONVERTER" ]; then
    best_of fotoloom; row "fotoloom-convert --jobs 1" "$WALL" "$CPU"; check_outputs fotoloom
else
    echo "fotoloom-convert not built ($CONVERTER)"
fi
best_of magick; row "ImageMagick convert (Lanczos)" "$WALL" "$CPU"; check_outputs magick
best_of pillow; row "Pillow (LANCZOS, full decode)" "$WALL" "$CPU"; check_outputs pillow
if command -v vipsthumbnail >/dev/null; then
    best_of vips; row "vipsthumbnail (DCT-reduced decode)" "$WALL" "$CPU"; check_outputs vips
else
    echo "vipsthumbnail not available"
fi
echo "(wall and cpu are each the best of $REPS; the floor and ImageMagick start one process per photo;"
echo " Pillow's time is its loop only; cpu = user + sys)"

# --- peak memory on the largest photo -----------------------------------------
BIG=$(for f in "${PHOTOS[@]}"; do identify -quiet -format "%w %h $f\n" "$f"; done |
      awk '{ print $1 * $2, $0 }' | sort -k1,1nr -k4 | head -1)
read -r PIXELS BW BH BIGFILE <<< "$BIG"
RGBA=$((PIXELS * 4))
echo
echo "peak memory on $(basename "$BIGFILE") (${BW}x${BH}); decoded RGBA = $((RGBA / 1024)) KB"
printf "%-34s %10s %8s\n" tool "max RSS KB" "x RGBA"
peak() { # name job
    rm -rf "$TMP/dest" && mkdir "$TMP/dest"
    DEST=$TMP/dest /usr/bin/time -f '%M' -o "$TMP/rss" "${PIN[@]}" bash -c "$2"' "$@" >/dev/null' _ "$BIGFILE" ||
        echo "  warning: $2 failed"
    local kb; kb=$(tail -1 "$TMP/rss")
    printf "%-34s %10d %8.2f\n" "$1" "$kb" "$(calc "$kb * 1024 / $RGBA")"
}
peak "djpeg (decode only)" floor_decode
if [ -x "$CONVERTER" ]; then peak "fotoloom-convert --jobs 1" fotoloom; else echo "fotoloom-convert not built"; fi
peak "ImageMagick convert" magick
peak "Pillow" pillow
command -v vipsthumbnail >/dev/null && peak "vipsthumbnail" vips
echo "(max RSS of the whole process, as /usr/bin/time -f %M reports it)"
