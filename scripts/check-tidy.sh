#!/usr/bin/env bash
# Runs clang-tidy, with the checks in .clang-tidy, over the sources of the
# toolkit-free layers (core, effects, editor, io, faces) and the headers
# they include from those layers; fails on any finding. It reads the
# compile commands of build/ (scripts/build.sh makes them; when build/ has
# none, it is configured here, which builds nothing). The files are shared
# over the machine's cores.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tidy=clang-tidy-14
runner=run-clang-tidy-14
if ! command -v "$runner" >/dev/null; then
  echo "check-tidy: $runner is missing (scripts/deps.sh installs it)" >&2
  exit 2
fi
if [ ! -f build/compile_commands.json ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOLLIX_BUILD_TESTS=ON -DJOLLIX_BUILD_BENCH=ON \
    -DJOLLIX_WERROR=ON ${JOLLIX_CMAKE_ARGS:-} >/dev/null
fi
# The build's warning options are GCC's: clang does not know some of them,
# and the compiler's own warnings are the build's business, not this
# check's (it gates on the checks of .clang-tidy, shadowing among them).
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
"$runner" -clang-tidy-binary "$(command -v "$tidy")" -p build -j "$(nproc)" -quiet \
  -extra-arg=-Wno-unknown-warning-option -extra-arg=-Wno-error \
  "^$root/(core|effects|editor|io|faces)/" >"$log" 2>&1 || status=$?
# The findings, without the runner's colours, its command lines and the
# counts of what was left out.
sed 's/\x1b\[[0-9;]*m//g' "$log" |
  grep -v -E '^(\S*clang-tidy-14 |[0-9]+ warnings?( and [0-9]+ errors?)? generated\.|Suppressed [0-9]+ warnings)' || true
if [ "$status" -ne 0 ]; then
  echo "check-tidy: clang-tidy found the above" >&2
  exit 1
fi
echo "check-tidy: clean"
