#!/usr/bin/env bash
# Configures and builds Jollix in build/ (Release, assertions on, warnings
# as errors with GCC's known false alarms kept as warnings): every
# target, or only the targets named (scripts/build.sh jollix); extra CMake
# settings come from JOLLIX_CMAKE_ARGS.
# `scripts/build.sh --program-only` installs only what the program needs and
# builds jollix and jollix-batch without the tests and benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--program-only" ]; then
  shift
  "$(dirname "$0")/deps.sh" program
  # A build/ that was set up with the tests keeps them; a new one has none.
  if [ -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
  else
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOLLIX_BUILD_TESTS=OFF -DJOLLIX_BUILD_BENCH=OFF
  fi
  cmake --build build -j "$(nproc)" --target jollix jollix-batch
  exit 0
fi
"$(dirname "$0")/deps.sh" all
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOLLIX_BUILD_TESTS=ON -DJOLLIX_BUILD_BENCH=ON -DJOLLIX_WERROR=ON ${JOLLIX_CMAKE_ARGS:-}
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j "$(nproc)" "${targets[@]}"
