#!/usr/bin/env bash
# Installs what is missing, builds in release mode and runs every benchmark,
# or only those named (folders of bench/: device, flash, idle, launch, stall, video).
#   scripts/bench.sh [NAME...]
set -euo pipefail
cd "$(dirname "$0")/.."
for name in "$@"; do
  [ -f "bench/$name/run.sh" ] || { echo "bench.sh: no benchmark bench/$name" >&2; exit 2; }
done
scripts/setup.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build-bench
export CORVANE_BUILD_DIR=$PWD/build-bench
source scripts/xvfb.sh
# The drawing benchmark also reports the X server's own CPU time.
export CORVANE_XVFB_PID=${CORVANE_XVFB_PID:-}
if [ $# -gt 0 ]; then
  benches=()
  for name in "$@"; do benches+=("bench/$name/run.sh"); done
else
  benches=(bench/*/run.sh)
fi
# The launch benchmark starts its own display, bus and sound server.
for b in "${benches[@]}"; do
  echo "== $b"
  bash "$b"
done
