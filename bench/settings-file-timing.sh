#!/usr/bin/env bash
# Times fotoloom-convert --profile on a settings file of nearly 4 MB (the largest it reads)
# holding 80 000 size profiles, the profile asked for being the last.
# Usage: bench/settings-file-timing.sh [build folder]
set -euo pipefail
build="${1:-build}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Fotoloom" "$work/photos"
/usr/bin/python3 - "$work/config/Fotoloom/fotoloom.crp" <<'PY'
import sys
parts = [f"[Profiel {i}]\nFoto_breedte=640\nFoto_hoogte=480\n" for i in range(80000)]
parts.append("[Settings]\nExportmap=/tmp\n")
open(sys.argv[1], "w").write("".join(parts))
PY
/usr/bin/python3 -c "from PIL import Image; Image.new('RGB', (200, 100), 'red').save('$work/photos/a.jpg')"
ls -l "$work/config/Fotoloom/fotoloom.crp" | awk '{print "settings file:", $5, "bytes"}' && echo
/usr/bin/time -f "fotoloom-convert --profile: %e s, %M KB" \
  env XDG_CONFIG_HOME="$work/config" "$build/bin/fotoloom-convert" --profile "Profiel 79999" \
  --target "$work/out" "$work/photos/a.jpg" > /dev/null
