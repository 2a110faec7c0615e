#!/usr/bin/env bash
# Fails when a source file is not in the house style of .clang-format;
# `scripts/check-format.sh --fix` rewrites them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
fmt=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files '*.h' '*.cpp' '*.c')
if [ "${1:-}" = "--fix" ]; then
  "$fmt" -i "${files[@]}"
else
  "$fmt" --dry-run --Werror "${files[@]}"
fi
