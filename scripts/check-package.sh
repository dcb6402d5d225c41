#!/usr/bin/env bash
# Checks what `cmake --install` and the .deb give the desktop, on the build folder that
# scripts/test.sh made (default: build): the desktop entry and the AppStream metainfo
# validate, the manual pages format without warnings, the .deb holds every file and its
# fotoloom-convert runs from a temporary root.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
desktop-file-validate data/nl.fotoloom.Fotoloom.desktop
appstreamcli validate --no-net "$build/data/nl.fotoloom.Fotoloom.metainfo.xml"
for page in "$build"/data/man/*.1; do
  warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done
bash -n data/completion/fotoloom-convert

rm -rf "$build/packages"
(cd "$build" && cpack -G DEB -B packages > cpack.log) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/packages/fotoloom_*.deb)
contents=$(dpkg-deb -c "$deb")
for file in bin/fotoloom bin/fotoloom-convert share/applications/nl.fotoloom.Fotoloom.desktop \
  share/metainfo/nl.fotoloom.Fotoloom.metainfo.xml share/icons/hicolor/scalable/apps/fotoloom.svg \
  share/icons/hicolor/48x48/apps/fotoloom.png share/icons/hicolor/256x256/apps/fotoloom.png \
  share/man/man1/fotoloom.1 share/man/man1/fotoloom-convert.1 \
  share/bash-completion/completions/fotoloom-convert; do
  grep -q " \./usr/$file\$" <<<"$contents" || { echo "$deb lacks /usr/$file"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libjpeg62-turbo qt6-qpa-plugins; do
  grep -q "$package" <<<"$depends" || { echo "$deb does not depend on $package"; exit 1; }
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
version=$(sed -n 's/^project(Fotoloom VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$("$root/usr/bin/fotoloom-convert" --version)" = "fotoloom-convert $version" ]
[ "$("$root/usr/bin/fotoloom" --version)" = "fotoloom $version" ]
echo "$(basename "$deb"): the desktop files validate and the installed programs run"
