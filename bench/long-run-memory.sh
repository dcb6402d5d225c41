#!/bin/bash
# Long run: one fotoloom-convert process with two workers converts 10 000 small photos
# (640x480 into a 320 pixel wide box). Its resident memory (VmRSS) is sampled after the first
# hundred outputs, at every further thousand and at the end; the end should lie within a few
# MB of the first sample (no leak, no growth).
#
# Usage: bench/long-run-memory.sh [BUILD_DIR] [COUNT]    (defaults: the build/ folder, 10000)
# Output is also written to bench/out/long-run-memory.txt.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/support/install-missing.sh"
BUILD=$(realpath -m "${1:-$HERE/../build}")
COUNT=${2:-10000}
CONVERTER=$BUILD/bin/fotoloom-convert
OUT=$HERE/out

command -v convert >/dev/null || install_missing imagemagick

mkdir -p "$OUT"
exec > >(tee "$OUT/long-run-memory.txt")

TMP=$(mktemp -d /dev/shm/fotoloom-long-run.XXXXXX)
trap 'kill "$PID" 2>/dev/null || true; rm -rf "$TMP"' EXIT
PID=

# Ten different pictures, each listed under COUNT / 10 names (hard links: the converter opens
# every name on its own, but the folder costs no memory per copy).
mkdir -p "$TMP/in" "$TMP/out"
for i in 0 1 2 3 4 5 6 7 8 9; do
    convert -seed "$i" -size 640x480 plasma:fractal -quality 90 "$TMP/pic$i.jpg"
done
for ((n = 0; n < COUNT; n++)); do
    ln "$TMP/pic$((n % 10)).jpg" "$TMP/in/$(printf 'p%05d.jpg' "$n")"
done

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'), load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "commit: $(git -C "$HERE" rev-parse --short HEAD 2>/dev/null || echo '?'), build: $BUILD"
echo "$COUNT photos of 640x480 ($(stat -c %s "$TMP/pic0.jpg") bytes and alike) into a 320 pixel wide box, --jobs 2"

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || true; }
hwm_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status" 2>/dev/null || true; }
outputs() { find "$TMP/out" -maxdepth 1 -name '*.jpg' | wc -l; }

"$CONVERTER" --jobs 2 --width 320 --target "$TMP/out" "$TMP/in" > "$TMP/log" 2>&1 &
PID=$!

first= last= last_done=0 next_mark=1000 peak=
while kill -0 "$PID" 2>/dev/null; do
    done_now=$(outputs)
    rss=$(rss_kb "$PID")
    [ -n "$rss" ] || break
    peak=$(hwm_kb "$PID")
    if [ -z "$first" ] && [ "$done_now" -ge 100 ]; then
        first=$rss
        printf '  after %5d outputs: VmRSS %6d kB\n' "$done_now" "$rss"
    fi
    if [ "$done_now" -ge "$next_mark" ] && [ "$done_now" -lt "$COUNT" ]; then
        printf '  after %5d outputs: VmRSS %6d kB\n' "$done_now" "$rss"
        next_mark=$(((done_now / 1000 + 1) * 1000))
    fi
    last=$rss last_done=$done_now
    sleep 0.05
done
status=0
wait "$PID" || status=$?
PID=

echo "  at the end (after $last_done outputs): VmRSS ${last:-?} kB, peak (VmHWM) ${peak:-?} kB"
echo "converter: exit status $status; $(tail -n 1 "$TMP/log")"
if [ -n "$first" ] && [ -n "$last" ]; then
    echo "difference end - first hundred: $((last - first)) kB"
fi
