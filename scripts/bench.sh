#!/usr/bin/env bash
# Installs what is missing, builds in release mode and runs every benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build-bench
export CORVANE_BUILD_DIR=$PWD/build-bench
source scripts/xvfb.sh
for b in bench/*/run.sh; do
  echo "== $b"
  bash "$b"
done
