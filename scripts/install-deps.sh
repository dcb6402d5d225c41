#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libjpeg-dev libturbojpeg0-dev libpng-dev libgif-dev zlib1g-dev
  libheif-dev libwebp-dev libtiff-dev  # HEIC and AVIF (x265, aom, libde265, dav1d), WebP, TIFF
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  liblcms2-dev  # embedded colour profiles to sRGB
  qt6-base-dev qt6-svg-dev qt6-translations-l10n  # Qt's own dialogs and menus in Dutch
  libgtest-dev libbenchmark-dev
  libcurl4-openssl-dev libssl-dev  # FTP, FTPES, SFTP and HTTP client; fingerprints
  python3-pyftpdlib python3-openssl openssh-server openssh-client openssl  # test servers
  python3-aiosmtpd  # the SMTP server of the mail tests
  vsftpd  # FTPES with a TLS data channel, as libcurl speaks it
  locales  # nl_NL.UTF-8 for the tests that run once under a Dutch locale
  xdg-utils  # xdg-email: the desktop road of the mail command
  libjpeg-turbo-progs imagemagick python3-pil time libvips-tools  # bench/batch-timing.sh
  libheif-examples  # bench/heic-timing.sh
  desktop-file-utils appstream man-db dpkg-dev  # scripts/check-package.sh
  clang libclang-rt-14-dev  # scripts/fuzz.sh: libFuzzer with AddressSanitizer and UBSan
  libtiff-tools  # scripts/make-fuzz-seeds.py (with python3-pil, libjpeg-turbo-progs, libheif-examples)
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Dutch locale of the tests that format dates, numbers and headers.
if ! locale -a 2>/dev/null | grep -qi '^nl_NL\.utf-\?8$'; then
  $sudo sed -i 's/^# *\(nl_NL.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^nl_NL.UTF-8 UTF-8' /etc/locale.gen || echo 'nl_NL.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
