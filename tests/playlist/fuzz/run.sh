#!/usr/bin/env bash
# Runs one playlist fuzzer, niced, on the committed seeds. New inputs go to
# the build folder, not to the seeds; crashes land in <build-dir>/artifacts.
#   tests/playlist/fuzz/run.sh asx|m3u [seconds] [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
kind=${1:?asx or m3u}
seconds=${2:-600}
out=${3:-$here/../../../build-playlist-fuzz}
mkdir -p "$out/corpus-$kind" "$out/artifacts"
dirs=("$out/corpus-$kind" "$here/corpus-$kind")
[ -d "$here/regressions" ] && dirs+=("$here/regressions")
exec nice -n 10 "$out/fuzz_$kind" "${dirs[@]}" \
  -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
  -dict="$here/$kind.dict" -print_final_stats=1 -artifact_prefix="$out/artifacts/$kind-"
