#!/usr/bin/env bash
# The Flash display area's frames on a 1920 x 1080 screen, in the window and
# full screen: frames a second and processor time a frame, median of runs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/bench/lib.sh"
bench_build "$root/build-bench" Release
cmake --build "$build" --target flash_screen_bench >/dev/null
services=()
trap 'for p in "${services[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
BENCH_SCREEN=1920x1080x24 bench_xvfb 141 180
runs=${FLASH_BENCH_RUNS:-3}
for i in $(seq "$runs"); do
  "$build/bench/flash/flash_screen_bench" 2>/dev/null | grep full_fps || echo "run $i failed"
done
