#!/usr/bin/env bash
# The Flash display area's frames on a 1920 x 1080 screen, in the window and
# full screen, and the same movie in the same page and Ruffle in a bare view
# filling that screen: frames a second and processor time a frame, each run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/bench/lib.sh"
bench_build "$root/build-bench" Release
cmake --build "$build" --target flash_screen_bench flash_floor_bench >/dev/null
services=()
trap 'for p in "${services[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
BENCH_SCREEN=1920x1080x24 bench_xvfb 141 180
runs=${FLASH_BENCH_RUNS:-3}
for i in $(seq "$runs"); do
  "$build/bench/flash/flash_screen_bench" 2>/dev/null | grep full_fps || echo "run $i failed"
  "$build/bench/flash/flash_floor_bench" --screen 2>/dev/null | grep bare_fps || echo "bare run $i failed"
done
