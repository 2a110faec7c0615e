#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
set -euo pipefail
PKGS=(cmake g++ ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
      libjpeg62-turbo-dev libgif-dev libimagequant-dev libwmf-dev libemf2svg-dev
      libheif-dev libexif-dev libwebp-dev libhwy-dev liblcms2-dev libpng-dev libtiff-dev libdeflate-dev zlib1g-dev
      qt6-image-formats-plugins
      libopencv-objdetect-dev opencv-data  # the face finder and its cascades
      qt6-base-dev qt6-svg-dev libgl-dev fonts-dejavu-core fontconfig
      qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
      xvfb xauth xdg-utils imagemagick
      libvips-tools  # the PNG save benchmark compares with libvips
      librsvg2-bin desktop-file-utils appstream man-db dpkg-dev
      clang-14 libclang-rt-14-dev  # the fuzz targets (scripts/fuzz_smoke.sh)
      clang-format-14)             # the house style (scripts/check-format.sh)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
