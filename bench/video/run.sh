#!/usr/bin/env bash
# The cost of drawing video. A 10 s 1280x720 H.264 clip (30 frames a second,
# sound to the null output) is played by the device (bench_video) and by the
# engine's own player, in turn, 3 runs each: first with the null video
# output, so the cost of drawing stands on its own; then shown by the
# device's video window and by the engine's player with software OpenGL, at
# the same window size on the same display.
# Prints the process CPU time of each run (user + system), the medians, the
# ratio device/engine (target <= 1.05 on llvmpipe under Xvfb) and the frames
# drawn or dropped (none dropped expected). When the X server's process id is
# known (CORVANE_XVFB_PID, set by scripts/xvfb.sh), its CPU time per run is
# printed too: both players hand their frames to it.
set -euo pipefail
cd "$(dirname "$0")/../.."
export QT_QPA_PLATFORM=xcb
BUILD=${CORVANE_BUILD_DIR:-$PWD/build-bench}
B=$BUILD/bench/video/bench_video
RUNS=${CORVANE_BENCH_RUNS:-3}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
ff -f lavfi -i testsrc=size=1280x720:rate=30:duration=10 -f lavfi -i sine=duration=10 \
   -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$T/hd10.mp4"
FRAMES=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets \
         -of csv=p=0 "$T/hd10.mp4")
# The engine's player reports its drops and window size as the file ends.
cat >"$T/drops.lua" <<'LUA'
mp.add_hook("on_unload", 50, function()
  io.stdout:write(string.format("window %sx%s, frames dropped %s, decoder dropped %s, delayed %s\n",
    mp.get_property("osd-width"), mp.get_property("osd-height"), mp.get_property("frame-drop-count"),
    mp.get_property("decoder-frame-drop-count"), mp.get_property("vo-delayed-frame-count")))
end)
LUA

HZ=$(getconf CLK_TCK)
xcpu() {
  if [ -n "${CORVANE_XVFB_PID:-}" ] && [ -r "/proc/$CORVANE_XVFB_PID/stat" ]; then
    awk '{print $14 + $15}' "/proc/$CORVANE_XVFB_PID/stat"
  else
    echo 0
  fi
}
# Runs a command; sets CPU (s), WALL (s), XCPU (s) and OUT (its output).
TIMEFORMAT='%U %S %R'
measure() {
  local x0 x1 t u s
  x0=$(xcpu)
  t=$( { time "$@" >"$T/out" 2>"$T/err" || echo "failed: $*" >>"$T/out"; } 2>&1 )
  x1=$(xcpu)
  read -r u s WALL <<<"$t"
  CPU=$(awk "BEGIN{printf \"%.2f\", $u + $s}")
  XCPU=$(awk "BEGIN{printf \"%.2f\", ($x1 - $x0) / $HZ}")
  OUT=$(tr '\n' ' ' <"$T/out")
}
median() { tr ' ' '\n' <<<"$*" | grep . | sort -g | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}'; }
xnote() { [ -n "${CORVANE_XVFB_PID:-}" ] && echo ", X server cpu $XCPU s" || true; }

echo "-- null video output, $RUNS runs each in turn"
nd=() ne=()
for i in $(seq "$RUNS"); do
  measure "$B" null "$T/hd10.mp4"
  nd+=("$CPU")
  measure mpv --no-config --vo=null --ao=null --really-quiet "$T/hd10.mp4"
  ne+=("$CPU")
done
nd=$(median "${nd[@]}") ne=$(median "${ne[@]}")
echo "median cpu: device $nd s, mpv --vo=null $ne s; ratio $(awk "BEGIN{printf \"%.3f\", $nd / $ne}")"

echo "-- drawing, $RUNS runs each in turn"
# The device's window is sized to the video and kept within the screen;
# the engine's player gets the size the device's window got.
SIZE=""
dev=() eng=() devx=() engx=() devf=() engf=()
for i in $(seq "$RUNS"); do
  measure "$B" window "$T/hd10.mp4"
  echo "device window run $i: cpu $CPU s, wall $WALL s$(xnote); $OUT"
  dev+=("$CPU") devx+=("$XCPU") devf+=("$(sed -n 's/.*frames drawn \([0-9]*\).*/\1/p' <<<"$OUT")")
  [ -n "$SIZE" ] || SIZE=$(sed -n 's/.*window \([0-9]*x[0-9]*\).*/\1/p' <<<"$OUT")
  measure mpv --no-config --vo=gpu --gpu-sw --hwdec=no --ao=null --geometry="${SIZE:-1280x720}" \
          --really-quiet --script="$T/drops.lua" "$T/hd10.mp4"
  echo "mpv --vo=gpu --gpu-sw run $i: cpu $CPU s, wall $WALL s$(xnote); $OUT"
  eng+=("$CPU") engx+=("$XCPU")
  engf+=("$((FRAMES - $(sed -n 's/.*frames dropped \([0-9]*\).*/\1/p' <<<"$OUT")))")
done
d=$(median "${dev[@]}") e=$(median "${eng[@]}")
echo "median cpu: device window $d s, mpv --vo=gpu $e s"
awk "BEGIN{printf \"cpu ratio device window/mpv --vo=gpu: %.3f (target <= 1.05)\n\", $d / $e}"
echo "frames shown of $FRAMES: device ${devf[*]}; mpv ${engf[*]}"
short=0
for f in "${devf[@]}" "${engf[@]}"; do [ "${f:-0}" -ge "$FRAMES" ] || short=1; done
if [ "$short" = 1 ]; then
  echo "frames were dropped: the machine was too busy to show every frame, so the runs did unequal work;"
  echo "drawing cost per frame shown (run cpu minus the null-output median):"
  for i in $(seq 0 $((RUNS - 1))); do
    awk "BEGIN{printf \"  run %d: device %.1f ms, mpv %.1f ms\n\", $i + 1, \
         1000 * (${dev[$i]} - $nd) / ${devf[$i]}, 1000 * (${eng[$i]} - $ne) / ${engf[$i]}}"
  done
fi
if [ -n "${CORVANE_XVFB_PID:-}" ]; then
  dx=$(median "${devx[@]}") ex=$(median "${engx[@]}")
  echo "median X server cpu: with the device $dx s, with mpv $ex s"
  awk "BEGIN{printf \"cpu ratio with the X server's share: %.3f\n\", ($d + $dx) / ($e + $ex)}"
fi
