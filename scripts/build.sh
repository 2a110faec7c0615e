#!/usr/bin/env bash
# Configures and builds Jollix in build/ (Release, assertions on).
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/deps.sh"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
