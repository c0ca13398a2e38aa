#!/usr/bin/env bash
# Plays short clips (1 ms to 1 s) and damaged files (cut, and with bytes
# overwritten) of each sampled kind through the device, null outputs, and
# checks each end: one completion, position equal to length, within a second
# past the length, the position never going back. Prints a line a file.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/device/common.sh
v() { echo -f lavfi -i "testsrc=size=160x120:rate=25:duration=$1"; }
a() { echo -f lavfi -i "sine=frequency=440:duration=$1"; }
# kind: device type, extension, codec arguments, with video
kinds=("WAVEAudio wav -c:a pcm_s16le 0" "MPEGVideo mp3 -c:a libmp3lame 0"
       "MPEGVideo2 wmv -c:v wmv2 -c:a wmav2 1" "AVIVideo avi -c:v mpeg4 -c:a pcm_s16le 1"
       "MPEGVideo mov -c:v mpeg4 -c:a aac 1")
status=0
for k in "${kinds[@]}"; do
  read -r type ext args <<<"$k"
  video=${args##* }; args=${args% *}
  files=()
  for s in 0.001 0.02 0.04 0.08 0.12 0.16 0.25 1; do
    f="$T/clip-${s}s.$ext"
    if [ "$video" = 1 ]; then
      # shellcheck disable=SC2046
      ff $(v "$s") $(a "$s") $args "$f" || continue
    else
      # shellcheck disable=SC2046
      ff $(a "$s") $args "$f" || continue
    fi
    files+=("$f")
  done
  whole="$T/clip-1s.$ext"
  size=$(stat -c %s "$whole")
  for part in 3 2; do
    head -c $((size * part / 4)) "$whole" > "$T/cut-$part-4.$ext"; files+=("$T/cut-$part-4.$ext")
  done
  for seed in 1 2 3; do
    f="$T/flipped-$seed.$ext"; cp "$whole" "$f"
    for i in $(seq 1 12); do
      off=$(( (size * i / 13 + seed * 37) % size ))
      printf '\xa5' | dd of="$f" bs=1 seek="$off" conv=notrunc status=none
    done
    files+=("$f")
  done
  "$B" sweep "$type" "${files[@]}" 2>/dev/null || status=1
done
exit $status
