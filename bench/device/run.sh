#!/usr/bin/env bash
# Benchmarks of the media device control. Makes its media in a temporary
# folder, runs bench_device (null outputs) and prints the figures.
# Targets: .wav open+play under 50 ms; no MIDI open stalls the GUI over 50 ms;
# a MIDI completion within 100 ms of its length; a list of thousands of entries opens
# within one file's probe bound (2 s); CPU ratio to mpv <= 1.10; stall under
# 50 ms for a missing or corrupt file; RSS growth under 5 MB.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/device/common.sh

ff -f lavfi -i sine=frequency=440:duration=2 "$T/tone.wav"
ff -f lavfi -i testsrc=size=1280x720:rate=30:duration=2 -f lavfi -i sine=duration=2 \
   -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$T/hd2.mp4"
ff -f lavfi -i testsrc=size=1280x720:rate=30:duration=10 -f lavfi -i sine=duration=10 \
   -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$T/hd10.mp4"
ff -f lavfi -i testsrc=size=160x120:rate=25:duration=2 -f lavfi -i sine=duration=2 \
   -c:v mpeg4 -c:a pcm_s16le -shortest "$T/small.avi"
"$B" writemidi "$T/song.mid"
# MIDI: 300,000 notes (600,000 events, 1.8 MB), the same cut short in its last event, and 2 MB of noise after a header.
"$B" writemidi "$T/big.mid" 300000
"$B" writemidi "$T/bigcut.mid" -300000
{ printf 'MThd\0\0\0\x06\0\x01\0\x02\x01\xe0MTrk\0\x20\0\0'; head -c 2000000 /dev/urandom; } > "$T/noise.mid"
# Large: ten minutes of 48 kHz stereo (~110 MB) and a minute of 720p H.264.
ff -f lavfi -i sine=duration=600 -ac 2 -ar 48000 "$T/large.wav"
ff -f lavfi -i testsrc=size=1280x720:rate=30:duration=60 -f lavfi -i sine=duration=60 \
   -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest "$T/large.mp4"
# Corrupt: the 10 s file with its head and middle overwritten; random bytes.
cp "$T/hd10.mp4" "$T/corrupt.mp4"
head -c 4096 /dev/urandom | dd of="$T/corrupt.mp4" conv=notrunc status=none
head -c 1048576 /dev/urandom | dd of="$T/corrupt.mp4" bs=1M seek=1 conv=notrunc status=none
head -c 8388608 /dev/urandom > "$T/noise.mpg"

echo "-- open+play latency (20 runs)"
"$B" latency WAVEAudio "$T/tone.wav" 20
"$B" latency MPEGVideo "$T/hd2.mp4" 20

echo "-- a fresh device: open at once after the type (its engine's module still loading), and 1 s after"
for pick in 0 1000; do
  for i in 1 2 3; do
    "$B" openwait WAVEAudio "$T/tone.wav" $pick 2>/dev/null
    "$B" openwait Sequencer "$T/song.mid" $pick 2>/dev/null
  done
done

echo "-- CPU time, 10 s 720p H.264, null outputs"
dev=$("$B" cpu MPEGVideo "$T/hd10.mp4")
echo "$dev"
TIMEFORMAT='%U %S %R'
ref=$( { time mpv --no-config --vo=null --ao=null --really-quiet "$T/hd10.mp4" >/dev/null 2>&1; } 2>&1 )
read -r ru rs rr <<<"$ref"
echo "mpv --no-config --vo=null --ao=null: cpu $(awk "BEGIN{printf \"%.2f\", $ru+$rs}") s, wall $rr s"
devcpu=$(sed -n 's/.*cpu \([0-9.]*\) s.*/\1/p' <<<"$dev")
awk "BEGIN{printf \"cpu ratio device/mpv: %.2f\n\", $devcpu/($ru+$rs)}"

echo "-- GUI event-loop stall while opening (7 runs each)"
for f in large.wav large.mp4 corrupt.mp4 noise.mpg missing.avi; do
  "$B" stall MPEGVideo "$T/$f" 7 2>/dev/null
done

echo "-- GUI event-loop stall while opening MIDI files (7 runs each)"
for f in song.mid big.mid bigcut.mid noise.mid; do
  "$B" stall Sequencer "$T/$f" 7 2>/dev/null
done
echo "-- MIDI completion against the length read at open (3 runs each): opened at once, and 1 s after"
echo "   the type is chosen, as the player does it (the type first, then the file dialog)"
"$B" ends Sequencer "$T/song.mid" 3 2>/dev/null
"$B" ends Sequencer "$T/song.mid" 3 1000 2>/dev/null

echo "-- opening playlists of distinct 2 s files (hard links, each probed); at most 1,000 tracks are kept"
for n in 1000 3000; do
  write_wav_list "$T" "$T/tone.wav" "$n"
  "$B" stall MPEGVideo "$T/list$n.asx" 5 2>/dev/null
done

echo "-- resident memory over open/play/close cycles (wav, avi, mid in turn)"
kinds=(WAVEAudio "$T/tone.wav" AVIVideo "$T/small.avi" Sequencer "$T/song.mid")
"$B" rss 10 200 "${kinds[@]}" 2>/dev/null
# Where growth shows, tell a leak from the C library's per-thread arenas
# (the engines start threads for every file): a leak keeps growing with
# more cycles and does not go away with fewer arenas.
"$B" rss 200 400 "${kinds[@]}" 2>/dev/null
MALLOC_ARENA_MAX=2 "$B" rss 10 200 "${kinds[@]}" 2>/dev/null | sed 's/^/MALLOC_ARENA_MAX=2: /' 

echo "-- end of media: clips of 1 ms to 1 s, cut and overwritten files of each sampled kind"
bash bench/device/sweep.sh | grep -E "FAIL|^sweep" || true

# The same stalls on the outputs a desktop has: a private PulseAudio server
# with a null sink (the null outputs hide waits on a sound server) and the
# video window on the display. The type is chosen 1 s before the open, as the
# player chooses it before its file dialog.
if command -v pulseaudio >/dev/null 2>&1 && [ -n "${DISPLAY:-}" ]; then
  echo "-- GUI event-loop stall on real outputs (PulseAudio null sink, video window)"
  P=$T/pulse
  mkdir -m 700 "$P"
  XDG_RUNTIME_DIR=$P PULSE_RUNTIME_PATH=$P/pulse HOME=$P pulseaudio -n --load=module-null-sink \
    --load=module-native-protocol-unix --exit-idle-time=-1 --daemonize=yes 2>/dev/null
  for _ in $(seq 50); do [ -S "$P/pulse/native" ] && break; sleep 0.1; done
  real() {
    env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$P" PULSE_SERVER="unix:$P/pulse/native" CORVANE_BENCH_OUTPUTS=real \
      "$B" "$@" 2>/dev/null
  }
  ff -i "$T/hd10.mp4" -c copy "$T/hd10.mov"
  "$B" writemidi "$T/song3.mid" 90
  { echo '<asx version="3.0">'
    for i in $(seq 1 200); do echo "<entry><ref href=\"many/t$i.wav\"/></entry>"; done
    echo '</asx>'; } > "$T/list200.asx"
  for f in large.wav hd10.mov hd2.mp4 small.avi; do real stall MPEGVideo "$T/$f" 3 1000; done
  real stall MPEGVideo2 "$T/list200.asx" 3 1000
  real stall MPEGVideo2 "$T/list1000.asx" 3 1000
  real stall Sequencer "$T/song3.mid" 3 1000
  real steps Sequencer "$T/song3.mid" 3 open play:400 next:200 play:500 close:300
  real steps MPEGVideo "$T/hd10.mov" 2 open:1000 play:600 pause:200 play:300 step:100 back:100 next:200 prev:200 \
    play:400 stop:200 close:300
  kill "$(cat "$P/pulse/pid")" 2>/dev/null || true
fi
