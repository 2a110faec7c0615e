#!/usr/bin/env bash
# Builds the fuzz targets in build-fuzz (clang, libFuzzer, ASan, UBSan) and
# runs one of them, seeded with the test pictures and the malformed corpus.
#   fuzz/run.sh FORMAT [SECONDS]     FORMAT: bmp jpeg gif ico wmf emf png webp tiff heif
# New inputs collect in build-fuzz/fuzz/work-FORMAT; crashes, leaks and
# time-outs land in build-fuzz/fuzz/found-FORMAT/. Add what is found, once
# fixed, to tests/data/corpus/fuzz/.
set -euo pipefail
format=${1:?format: bmp jpeg gif ico wmf emf png webp tiff heif}
seconds=${2:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DJOLLIX_FUZZ=ON -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
fi
cmake --build "$build" --target "fuzz_$format" -j2
case $format in
  bmp) pattern='*.bmp' ;; jpeg) pattern='*.jpg' ;; gif) pattern='*.gif' ;;
  ico) pattern='*.ico' ;; wmf) pattern='*.wmf' ;; emf) pattern='*.emf' ;;
  png) pattern='*.png' ;; webp) pattern='*.webp' ;; tiff) pattern='*.tif*' ;; heif) pattern='*.hei[cf]' ;;
  *) echo "unknown format $format" >&2; exit 2 ;;
esac
seed=$build/fuzz/seed-$format work=$build/fuzz/work-$format found=$build/fuzz/found-$format
mkdir -p "$seed" "$work" "$found"
find "$root/tests/data" -name "$pattern" -exec cp {} "$seed/" \;
exec "$build/fuzz/fuzz_$format" "$work" "$seed" -max_total_time="$seconds" -timeout=10 \
  -rss_limit_mb=2048 -artifact_prefix="$found/" -print_final_stats=1
