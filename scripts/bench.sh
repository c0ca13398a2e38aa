#!/usr/bin/env bash
# Installs what is missing, builds in release mode and runs every benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build-bench
export CORVANE_BUILD_DIR=$PWD/build-bench
source scripts/xvfb.sh
# The drawing benchmark also reports the X server's own CPU time.
export CORVANE_XVFB_PID=${CORVANE_XVFB_PID:-}
for b in bench/*/run.sh; do
  echo "== $b"
  bash "$b"
done
