#!/usr/bin/env bash
# Start-up of the player against its floor: a bare Qt Widgets window of the
# main window's size with the same menu bar and Song-face Chinese text, and
# nothing else (bench_launch_bare). Both are started in turn, alternating,
# by the same X client (bench_launch_probe), which times each from fork() to
# the MapNotify of its window (and reads the CPU time it has had by then),
# then after an idle time reads its VmRSS and counts the shared objects in
# its /proc/PID/maps.
# It runs on a private Xvfb of its own, with a private D-Bus session bus and
# a PulseAudio daemon with a null sink when those are installed, as a desktop
# has them. Prints each run, a table of medians and ranges with the ratios
# player/bare, and whether the player's binary links the engines.
#   LAUNCH_BENCH_RUNS     runs of each (5)
#   LAUNCH_BENCH_IDLE_MS  from the map to the memory reading (2000)
#   LAUNCH_BENCH_WARMUP   untimed runs of each first, to warm the file cache (1)
# scripts/bench.sh exports CORVANE_BUILD_DIR; run alone, this builds its own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/bench/lib.sh"
bench_build "$root/build-bench" Release
cmake --build "$build" --target corvane bench_launch_bare bench_launch_probe >/dev/null
runs=${LAUNCH_BENCH_RUNS:-5}
idle=${LAUNCH_BENCH_IDLE_MS:-2000}
warmup=${LAUNCH_BENCH_WARMUP:-1}
probe=$build/bench/launch/bench_launch_probe
declare -A program=([corvane]=$build/corvane [bare]=$build/bench/launch/bench_launch_bare)

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# A display of its own, whatever DISPLAY says: no window manager, and no
# window of another benchmark on it.
T=$(mktemp -d)
xvfb=
bus=
pulse=
cleanup() {
  [ -n "$pulse" ] && kill "$pulse" 2>/dev/null
  [ -n "$bus" ] && kill "$bus" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$T"
}
trap cleanup EXIT
# Another process may take the same free display number at the same time;
# then this Xvfb has ended at once, and the next number is tried.
for _ in 1 2 3; do
  unset DISPLAY
  CORVANE_XVFB_PID=
  source "$root/scripts/xvfb.sh"
  xvfb=$CORVANE_XVFB_PID
  [ -n "$xvfb" ] && sleep 0.2 && kill -0 "$xvfb" 2>/dev/null && break
  xvfb=
done
[ -n "$xvfb" ] || { echo "launch: no X display of its own" >&2; exit 1; }
# scripts/xvfb.sh set a trap of its own; this one takes its place again.
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$T/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

if command -v dbus-daemon >/dev/null; then
  out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$out")
  bus=$(sed -n 2p <<<"$out")
  echo "D-Bus: a private session bus"
else
  echo "D-Bus: none (dbus-daemon is not installed)"
fi
if command -v pulseaudio >/dev/null; then
  mkdir -m 700 "$T/pulse"
  PULSE_RUNTIME_PATH=$T/pulse PULSE_STATE_PATH=$T/pulse \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$T/pulse/native" \
    --load="module-null-sink" >"$T/pulse.log" 2>&1 &
  pulse=$!
  export PULSE_SERVER=unix:$T/pulse/native
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  if pactl info >/dev/null 2>&1; then
    echo "PulseAudio: a private daemon, default sink $(pactl get-default-sink 2>/dev/null)"
  else
    echo "PulseAudio: did not start ($(tail -1 "$T/pulse.log"))"
  fi
else
  echo "PulseAudio: none (pulseaudio is not installed)"
fi

run() { "$probe" --idle "$idle" --list "$T/$1.libs" "${program[$1]}" 2>>"$T/probe.log"; }
for _ in $(seq "$warmup"); do
  for who in corvane bare; do run "$who" >/dev/null || true; done
done
echo "-- $runs runs each, alternating; memory and libraries ${idle} ms after the map"
: >"$T/corvane"; : >"$T/bare"
for i in $(seq "$runs"); do
  for who in corvane bare; do
    if line=$(run "$who"); then
      echo "$line" >>"$T/$who"
      echo "run $i $who: $line"
    else
      echo "run $i $who: failed: $(tail -1 "$T/probe.log")"
    fi
  done
done

# median min max of one field of one program's runs, times a factor.
stats() {
  sed -n "s/.*$2=\([0-9.]*\).*/\1/p" "$T/$1" | sort -n | awk -v f="$3" '
    {a[NR] = $1 * f}
    END {
      if (NR == 0) { print "n/a n/a n/a"; exit }
      m = NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
      print m, a[1], a[NR]
    }'
}
row() {
  read -r cm clo chi < <(stats corvane "$2" "$3")
  read -r bm blo bhi < <(stats bare "$2" "$3")
  awk -v t="$1" -v fmt="$4" -v cm="$cm" -v clo="$clo" -v chi="$chi" -v bm="$bm" -v blo="$blo" -v bhi="$bhi" 'BEGIN {
    c = sprintf(fmt " (" fmt "–" fmt ")", cm, clo, chi)
    b = sprintf(fmt " (" fmt "–" fmt ")", bm, blo, bhi)
    r = (bm + 0 > 0) ? sprintf("%.2f", cm / bm) : "n/a"
    printf "| %s | %s | %s | %s |\n", t, c, b, r
  }'
}
echo
echo "Medians, with the range in brackets:"
echo
echo "| | Corvane | bare Qt window | Corvane/bare |"
echo "|---|---|---|---|"
row "process start to window mapped (ms)" mapped_ms 1 "%.1f"
row "CPU time of all threads, start to map (ms)" cpu_ms 1 "%.1f"
row "resident memory, idle (MiB)" rss_kib 0.0009765625 "%.1f"
row "shared libraries loaded, idle" libs 1 "%d"
# What the binaries link, as the loader resolves it before anything is loaded.
linked() { ldd "$1" | grep -c '=>\|ld-linux' || true; }
awk -v c="$(linked "${program[corvane]}")" -v b="$(linked "${program[bare]}")" \
  'BEGIN {printf "| shared libraries linked (ldd) | %d | %d | %.2f |\n", c, b, c / b}'
echo

echo "-- shared libraries the player's binary asks for (readelf -d, NEEDED)"
needed=$(readelf -d "${program[corvane]}" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
for lib in libmpv libfluidsynth libavformat libavcodec libQt6WebEngine; do
  found=$(grep "^$lib" <<<"$needed" | tr '\n' ' ' || true)
  if [ -n "$found" ]; then echo "$lib: yes (${found% })"; else echo "$lib: no"; fi
done
echo "-- engine libraries in the player's memory when idle (its last run's /proc/PID/maps)"
# libGL itself, not the GLX and EGL dispatch libraries every Qt GUI maps.
for lib in libmpv libfluidsynth libavformat libavcodec libQt6WebEngineCore libQt6OpenGL 'libGL\.so'; do
  found=$(sed 's|.*/||' "$T/corvane.libs" 2>/dev/null | grep "^$lib" | tr '\n' ' ' || true)
  name=${lib%%\\*}
  if [ -n "$found" ]; then echo "$name: yes (${found% })"; else echo "$name: no"; fi
done
echo "(target: launch and idle memory at most 1.3 x the bare window; none of the five linked)"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
