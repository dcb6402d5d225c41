#!/bin/bash
# What embedded colour profiles cost: converts bench/photos/ twice into an 800x600 box at
# quality 90, once as they are and once with a Display P3 profile embedded in every photo
# (jpegtran, lossless: the same JPEG data behind it), on one core, best of 7 each, the two
# batches taking turns. Prints both times (wall and CPU) and their ratios.
#
# Usage: [REPS=n] bench/profile-cost.sh [BUILD_DIR]     (default: 7 runs, the build/ folder)
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(realpath -m "${1:-$HERE/../build}")
CONVERTER=$BUILD/bin/fotoloom-convert
W=800 H=600 Q=90 REPS=${REPS:-7}

bash "$HERE/prepare-photos.sh"
TMP=$(mktemp -d /dev/shm/fotoloom-profile.XXXXXX)
trap 'rm -rf "$TMP"' EXIT

# Display P3 as phones write it, made with LittleCMS itself.
/usr/bin/python3 - "$TMP/p3.icc" <<'PY'
import ctypes, sys
lcms = ctypes.CDLL("liblcms2.so.2")
lcms.cmsBuildParametricToneCurve.restype = ctypes.c_void_p
lcms.cmsCreateRGBProfile.restype = ctypes.c_void_p
xyY = ctypes.c_double * 3
white = xyY(0.3127, 0.3290, 1.0)
primaries = (ctypes.c_double * 9)(0.680, 0.320, 1.0, 0.265, 0.690, 1.0, 0.150, 0.060, 1.0)
params = (ctypes.c_double * 5)(2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045)
curve = lcms.cmsBuildParametricToneCurve(None, 4, params)
curves = (ctypes.c_void_p * 3)(curve, curve, curve)
profile = lcms.cmsCreateRGBProfile(white, primaries, curves)
lcms.cmsSaveProfileToFile(ctypes.c_void_p(profile), sys.argv[1].encode())
PY

mkdir -p "$TMP/plain" "$TMP/p3" "$TMP/dest"
for f in "$HERE"/photos/*.jpg; do
    jpegtran -copy all "$f" > "$TMP/plain/$(basename "$f")"
    jpegtran -copy all -icc "$TMP/p3.icc" "$f" > "$TMP/p3/$(basename "$f")"
done

# Best wall and CPU (user + system) time of REPS runs of the whole batch in one process,
# pinned to core 0. CPU time is the steadier figure on a shared machine.
declare -A WALL CPU
TIMEFORMAT='%3R %3U %3S'
for ((i = 0; i < REPS; i++)); do
    for set in plain p3; do
        rm -rf "$TMP/dest"/*
        # bash's own timer reads to the millisecond (/usr/bin/time rounds to 10 ms).
        { time taskset -c 0 "$CONVERTER" --width "$W" --height "$H" --quality "$Q" --jobs 1 \
            --target "$TMP/dest" "$TMP/$set"/*.jpg > /dev/null; } 2> "$TMP/time"
        read -r e u s < <(tail -1 "$TMP/time")
        c=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
        less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
        if [ -z "${WALL[$set]:-}" ] || less "$e" "${WALL[$set]}"; then WALL[$set]=$e; fi
        if [ -z "${CPU[$set]:-}" ] || less "$c" "${CPU[$set]}"; then CPU[$set]=$c; fi
    done
done
N=$(ls "$TMP/plain" | wc -l)
echo "commit: $(git -C "$HERE" rev-parse --short HEAD), $N photos, box ${W}x${H}, quality $Q, best of $REPS, core 0"
printf '                 wall      cpu\n'
printf 'without profile: %.3f s   %.3f s\n' "${WALL[plain]}" "${CPU[plain]}"
printf 'Display P3:      %.3f s   %.3f s\n' "${WALL[p3]}" "${CPU[p3]}"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }
printf 'ratio:           %s    %s\n' "$(ratio "${WALL[p3]}" "${WALL[plain]}")" \
    "$(ratio "${CPU[p3]}" "${CPU[plain]}")"
