#!/usr/bin/env bash
# A short fuzzing run for CI: builds every fuzz target (fuzz/fuzz_*.cpp)
# with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz, makes the hostile part of the corpus, and runs each target for
# FUZZ_SECONDS (30) from the test pictures and the corpus, two at a time.
# Any crash, sanitizer report, leak, time-out or out-of-memory fails the run;
# what was found is kept in build-fuzz/smoke/found-TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${FUZZ_SECONDS:-30}
# A fixed seed makes a CI run repeat the same mutations on the same corpus,
# so a red run can be reproduced; FUZZ_SEED=0 lets libFuzzer pick one.
seed_value=${FUZZ_SEED:-1}
build=$root/build-fuzz
"$root/scripts/deps.sh"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DJOLLIX_FUZZ=ON -DJOLLIX_BUILD_TESTS=OFF -DJOLLIX_BUILD_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
fi
cmake --build "$build" --target jollix-fuzz -j "$(nproc)"

smoke=$build/smoke
rm -rf "$smoke"
mkdir -p "$smoke/hostile"
"$build/fuzz/make_hostile_corpus" "$smoke/hostile"

# Seeds of a target fuzz_NAME: files named *.NAME (and the usual other
# spellings) among the test pictures, the checked-in corpus and the hostile
# files. A target without seeds starts from nothing.
seeds_for() {
  local name=$1 dir=$smoke/seed-$1
  mkdir -p "$dir"
  local exts=("$name")
  case $name in
    jpeg) exts+=(jpg) ;; tiff) exts+=(tif) ;; heif) exts+=(heic) ;;
  esac
  for ext in "${exts[@]}"; do
    find "$root/tests/data" "$smoke/hostile" -type f -iname "*.$ext" -exec cp {} "$dir/" \;
  done
  echo "$dir"
}

run_one() {
  local target=$1 name=${1#fuzz_}
  local seed work found
  seed=$(seeds_for "$name")
  work=$smoke/work-$name found=$smoke/found-$name
  mkdir -p "$work" "$found"
  if "$build/fuzz/$target" "$work" "$seed" -max_total_time="$seconds" -seed="$seed_value" -timeout=25 -rss_limit_mb=4096 \
       -artifact_prefix="$found/" -print_final_stats=1 >"$smoke/$name.log" 2>&1; then
    echo "fuzz $name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$smoke/$name.log" | grep -o '[0-9]*$') runs, nothing found"
  else
    echo "fuzz $name: FOUND A FAULT (see $smoke/$name.log and $found/)" >&2
    tail -n 40 "$smoke/$name.log" >&2
    return 1
  fi
}
export -f run_one seeds_for
export build smoke root seconds seed_value

targets=$(find "$build/fuzz" -maxdepth 1 -type f -executable -name 'fuzz_*' -printf '%f\n' | sort)
[ -n "$targets" ] || { echo "no fuzz targets were built" >&2; exit 1; }
echo "$targets" | xargs -P 2 -I{} bash -c 'run_one {}'
