#!/usr/bin/env bash
# Builds the playlist and MIDI fuzzers (libFuzzer, ASan, UBSan) with clang 14.
# Not part of the normal build; installs clang-14 and libclang-rt-14-dev
# first (the fuzz section of scripts/packages.txt).
#   tests/playlist/fuzz/build.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../../build-playlist-fuzz}
"$here/../../../scripts/setup.sh" fuzz
CXX=clang++-14 cmake -S "$here" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$out" -j2
echo "built: $out/fuzz_asx $out/fuzz_m3u $out/fuzz_midi"
