#!/usr/bin/env bash
# Runs one playlist or MIDI fuzzer, niced, on the committed seeds. New inputs go to
# the build folder, not to the seeds; crashes land in <build-dir>/artifacts.
#   tests/playlist/fuzz/run.sh asx|m3u|midi [seconds] [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
kind=${1:?asx, m3u or midi}
seconds=${2:-600}
out=${3:-$here/../../../build-playlist-fuzz}
mkdir -p "$out/corpus-$kind" "$out/artifacts"
# A MIDI seed made here: running status across meta, a stray system byte with its data.
[ "$kind" = midi ] && printf 'MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk\0\0\0\x1d\0\xc0\0\0\x90<`\x83`\x80<\0\0\xf2\x7f\x7f\0\xff\x01\x01A\x83`<\0\0\xff/\0' >"$out/corpus-midi/seed.mid"
dirs=("$out/corpus-$kind")
[ -d "$here/corpus-$kind" ] && dirs+=("$here/corpus-$kind")
[ -d "$here/regressions" ] && dirs+=("$here/regressions")
dict=()
[ -f "$here/$kind.dict" ] && dict=(-dict="$here/$kind.dict")
exec nice -n 10 "$out/fuzz_$kind" "${dirs[@]}" "${dict[@]}" \
  -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$out/artifacts/$kind-"
