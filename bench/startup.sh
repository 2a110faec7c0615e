#!/usr/bin/env bash
# Start-up time of the desktop program: from exec to its main window mapped
# on an X display (a fresh Xvfb with openbox), the median of RUNS starts.
#   bench/startup.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?usage: bench/startup.sh BUILD_DIR [RUNS]}
runs=${2:-5}
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$@"; fi
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
sleep 0.5
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$build/app/jollix" >/dev/null 2>&1 &
  pid=$!
  # Polled every 5 ms: xdotool's own --sync waits half a second between looks.
  until xdotool search --onlyvisible --pid "$pid" --name '^Jollix v' >/dev/null 2>&1; do sleep 0.005; done
  end=$(date +%s%N)
  times+=($(((end - start) / 1000000)))
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start to window shown, ms: $(echo $sorted)"
echo "median: $(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p") ms"
