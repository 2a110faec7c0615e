#!/usr/bin/env bash
# Installs what the program needs (not what the tests need), builds the
# program alone (the tests and benchmarks wait for scripts/test.sh), and
# starts Jollix on its built-in start picture (or on the file given).
# Without a display it starts one with Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --program-only
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/app/jollix "$@"
fi
exec build/app/jollix "$@"
