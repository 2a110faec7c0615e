#!/usr/bin/env bash
# Installs the Debian packages Jollix needs. `scripts/deps.sh program`: what
# building and running the program needs (compiler, libraries, Qt, the
# tools that make the icons and man pages, Xvfb for a run without a
# display). `scripts/deps.sh` or `scripts/deps.sh all`: that and what the
# tests, the benchmarks, the package check, the fuzzing and the style check
# need. Installing needs root: run it as root, or as a user who may use
# sudo (it asks for sudo only when something is missing).
set -euo pipefail
PROGRAM_PKGS=(cmake g++ ninja-build pkg-config
      libjpeg62-turbo-dev libgif-dev libimagequant-dev libwmf-dev
      libheif-dev libexif-dev libwebp-dev libhwy-dev liblcms2-dev libpng-dev libtiff-dev libdeflate-dev zlib1g-dev
      qt6-image-formats-plugins
      libopencv-objdetect-dev opencv-data  # the face finder and its cascades
      qt6-base-dev qt6-svg-dev libgl-dev fonts-dejavu-core fontconfig
      qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
      librsvg2-bin xvfb xauth xdg-utils)
TEST_PKGS=(libgtest-dev libgmock-dev libbenchmark-dev imagemagick
      libvips-tools  # the PNG save benchmark compares with libvips
      desktop-file-utils appstream man-db dpkg-dev lintian
      clang-14 libclang-rt-14-dev  # the fuzz targets (scripts/fuzz_smoke.sh)
      clang-format-14              # the house style (scripts/check-format.sh)
      clang-tidy-14)               # the house checks (scripts/check-tidy.sh)
case "${1:-all}" in
  program) PKGS=("${PROGRAM_PKGS[@]}") ;;
  all) PKGS=("${PROGRAM_PKGS[@]}" "${TEST_PKGS[@]}") ;;
  *) echo "usage: $0 [program|all]" >&2; exit 2 ;;
esac
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
