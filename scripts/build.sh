#!/usr/bin/env bash
# Configures and builds Jollix in build/ (Release, assertions on): every
# target, or only the targets named (scripts/build.sh jollix).
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/deps.sh"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j "$(nproc)" "${targets[@]}"
