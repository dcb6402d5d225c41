#!/bin/bash
# Builds bench/photos/: a fixed set of real photographs (3 to 24 megapixels)
# taken from Debian's wallpaper packages, for the whole-batch timing.
# A few are enlarged to camera sizes and a few turned to portrait.
# Idempotent: files already made are kept, files not in the list are removed.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/support/install-missing.sh"
PHOTOS=$HERE/photos

need=()
for pkg in mate-backgrounds plasma-workspace-wallpapers lomiri-wallpapers-16.04 \
           lomiri-wallpapers-20.04 imagemagick; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || need+=("$pkg")
done
install_missing "${need[@]}"

BG=/usr/share/backgrounds
WP=/usr/share/wallpapers

# name, source, then how: "copy", or ImageMagick options applied before re-encoding
LIST="
bridge.jpg                  $BG/Bridge_by_Sander_Klootwijk.jpg              copy
dragonfly.jpg               $BG/Dragonfly_by_Bolly.jpg                      copy
kleiber.jpg                 $BG/Kleiber_by_Lukas_Baubkus.jpg                copy
fig.jpg                     $BG/Picture_0B_by_freespace.jpg                 copy
wine.jpg                    $BG/Wine_by_Jakkub_Mede.jpg                     copy
aitzgorri.jpg               $BG/aitzgorri_by_Aitzol_Berasategi.jpg          copy
free.jpg                    $BG/free_by_Peter_Nerlich.jpg                   copy
friends.jpg                 $BG/friends_by_Aitzol_Berasategi.jpg            copy
greentock.jpg               $BG/greentock_by_Peter_Nerlich.jpg              copy
life.jpg                    $BG/life_by_Aitzol_Berasategi.jpg               copy
picosdeeuropa.jpg           $BG/picosdeeuropa_by_Aitzol_Berasategi.jpg      copy
seeding.jpg                 $BG/seeding_by_Clements_Engelhardt.jpg          copy
sunset.jpg                  $BG/sunset_by_Aitzol_Berasategi.jpg             copy
aqua.jpg                    $BG/mate/nature/Aqua.jpg                        copy
ladybird.jpg                $BG/mate/nature/LadyBird.jpg                    copy
wood.jpg                    $BG/mate/nature/Wood.jpg                        copy
bythewater.jpg              $WP/BytheWater/contents/images/2560x1600.jpg    copy
colorfulcups.jpg            $WP/ColorfulCups/contents/images/2560x1600.jpg  copy
eveningglow.jpg             $WP/EveningGlow/contents/images/2560x1600.jpg   copy
fallenleaf.jpg              $WP/FallenLeaf/contents/images/2560x1600.jpg    copy
path.jpg                    $WP/Path/contents/images/2560x1600.jpg          copy
storm-6000x4000.jpg         $BG/mate/nature/Storm.jpg                       -resize 6000x4000^ -gravity center -extent 6000x4000
kite-4000x6000.jpg          $WP/Kite/contents/images/2560x1600.jpg          -resize 6000x4000^ -gravity center -extent 6000x4000 -rotate 90
dune-5472x3648.jpg          $BG/mate/nature/Dune.jpg                        -resize 5472x3648^ -gravity center -extent 5472x3648
raindrops-4000x3000.jpg     $BG/mate/nature/RainDrops.jpg                   -resize 4000x3000^ -gravity center -extent 4000x3000
brushes-3000x4000.jpg       $BG/Picture_1A_by_freespace.jpg                 -resize 4000x3000^ -gravity center -extent 4000x3000 -rotate 90
onestandsout-1600x2560.jpg  $WP/OneStandsOut/contents/images/2560x1600.jpg  -rotate 90
"

mkdir -p "$PHOTOS"
wanted=" "
while read -r name src how; do
    [ -n "$name" ] || continue
    wanted+="$name "
    [ -s "$PHOTOS/$name" ] && continue
    if [ "$how" = copy ]; then
        cp "$src" "$PHOTOS/$name"
    else
        # Re-encoded like a camera would: baseline, 4:2:0, no metadata (so no orientation tag).
        # shellcheck disable=SC2086
        convert "$src" $how -strip -interlace none -sampling-factor 2x2 -quality 92 "jpg:$PHOTOS/$name.tmp"
        mv "$PHOTOS/$name.tmp" "$PHOTOS/$name"
    fi
done <<< "$LIST"

for f in "$PHOTOS"/*; do
    case "$wanted" in *" $(basename "$f") "*) ;; *) rm -f "$f" ;; esac
done

echo "photos in $PHOTOS:"
for f in "$PHOTOS"/*.jpg; do
    echo "$(identify -quiet -format '%w %h' "$f" 2>/dev/null) $(stat -c %s "$f") $(basename "$f")"
done | awk '{ mp = $1 * $2 / 1e6; total += mp; n++
              printf "  %-28s %5d x %-5d %6.2f MP %7d KB\n", $4, $1, $2, mp, $3 / 1024 }
            END { printf "  %d photos, %.1f MP in all\n", n, total }'
