#!/usr/bin/env bash
# A paused player sleeps: the player's CPU time and thread wake-ups while a
# file is open but not playing, and with nothing open, against the engine's
# own player paused on the same file. The player is driven as a person drives
# it (its dialogs by their shortcuts, its transport buttons clicked) on a
# private Xvfb with a private session bus and a PulseAudio server with a null
# sink, so the engines play to a real sound server.
#
# A wake-up is a context switch of one of the process's threads: voluntary
# (it slept) or not (it was preempted), summed over every thread from
# /proc/PID/task/*/status; the CPU time is the process's own (/proc/PID/stat,
# exited threads included). Each line gives the total per second, then the
# threads that woke, by name, with their wake-ups per second.
# Target: at most 4 wake-ups/s with a file open and not playing; none with
# nothing open. Prints figures, asserts none.
#
#   IDLE_BENCH_SECONDS (12)  the length of each measurement
#   IDLE_BENCH_SETTLE (3)    seconds between the action and its measurement
# Uses CORVANE_BUILD_DIR, or build-bench beside this tree (a release build).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/bench/lib.sh"
bench_build "$root/build-bench" Release
cmake --build "$build" --target corvane bench_device >/dev/null
player=$build/corvane
seconds=${IDLE_BENCH_SECONDS:-12}
settle=${IDLE_BENCH_SETTLE:-3}

# Not under /tmp: the file dialog, kept between showings, watches the
# folders it has listed, the media folder's parents too, and a busy /tmp
# (other programs' files coming and going) wakes it.
T=$(mktemp -d /var/tmp/corvane-idle.XXXXXX)
services=() pid=
cleanup() {
  set +e
  [ -n "$pid" ] && kill -- -"$pid" 2>/dev/null && sleep 1 && kill -KILL -- -"$pid" 2>/dev/null
  for ((i = ${#services[@]} - 1; i >= 0; i--)); do kill "${services[i]}" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$T"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
say() { echo "idle: $*" >&2; }

# --- the private services ---------------------------------------------------
bench_xvfb 201 259 || { say "no Xvfb display"; exit 1; }
mkdir -m 700 "$T/run" "$T/home"
export HOME=$T/home XDG_RUNTIME_DIR=$T/run QT_QPA_PLATFORM=xcb
unset XDG_CURRENT_DESKTOP QT_QPA_PLATFORMTHEME PULSE_SERVER
dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$T/bus"
{ read -r DBUS_SESSION_BUS_ADDRESS; read -r bus; } <"$T/bus"
services+=("$bus")
export DBUS_SESSION_BUS_ADDRESS
pulseaudio -n --daemonize=no --exit-idle-time=-1 --load=module-null-sink --load=module-native-protocol-unix \
  >"$T/pulse.log" 2>&1 &
services+=("$!")
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info 2>/dev/null | grep -q '^Default Sink: null' || { say "no PulseAudio server"; exit 1; }
export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native

# --- the media ----------------------------------------------------------------
# In a folder of their own: the file dialog watches the folder it last showed,
# and this script's own files change all the time.
M=$T/media
mkdir "$M"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
ff -f lavfi -i sine=frequency=440:duration=4 "$M/tone.wav"
ff -f lavfi -i testsrc=size=640x360:rate=25:duration=4 -f lavfi -i sine=duration=4 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$M/clip.mp4"
QT_QPA_PLATFORM=offscreen "$build/bench/device/bench_device" writemidi "$M/song.mid"

# --- measuring ----------------------------------------------------------------
# One line a thread: tid, context switches, name.
threads() {  # PID
  local t
  for t in /proc/"$1"/task/*; do
    awk -v tid="${t##*/}" -v name="$(cat "$t/comm" 2>/dev/null)" \
      '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { if (NR) printf "%s %d %s\n", tid, n, name }' \
      "$t/status" 2>/dev/null || true
  done
}
# The process's CPU time in clock ticks, its exited threads included.
ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' /proc/"$1"/stat; }

# Prints LABEL: CPU in % of a core, wake-ups/s, and the threads that woke
# (names of the same thread summed, with how many there were).
measure() {  # LABEL PID
  local hz t0 t1 c0 c1 start end
  hz=$(getconf CLK_TCK)
  threads "$2" >"$T/before"
  c0=$(ticks "$2")
  start=$(date +%s%N)
  sleep "$seconds"
  threads "$2" >"$T/after"
  c1=$(ticks "$2")
  end=$(date +%s%N)
  awk -v label="$1" -v cpu=$((c1 - c0)) -v hz="$hz" -v ns=$((end - start)) '
    FNR == NR { was[$1] = $2; next }
    { name = $3; for (i = 4; i <= NF; i++) name = name " " $i
      d = $2 - ($1 in was ? was[$1] : 0); total += d; by[name] += d; count[name]++ }
    END { s = ns / 1e9
      printf "%-34s cpu %5.2f %% of a core, %6.1f wake-ups/s:", label, 100 * cpu / hz / s, total / s
      n = 0; for (k in by) if (by[k] > 0) { printf " %s%s %.1f,", k, (count[k] > 1 ? "(x" count[k] ")" : ""), by[k] / s; n++ }
      if (!n) printf " none"; printf "\n" }' "$T/before" "$T/after" | sed 's/,$//'
}

# --- the engine's own player, paused on the same files ---------------------------
reference() {  # LABEL FILE [MPV OPTION...]
  local label=$1 file=$2
  shift 2
  setsid mpv --no-config --pause --really-quiet --ao=pulse "$@" "$file" >/dev/null 2>&1 &
  local ref=$!
  sleep "$settle"
  if kill -0 "$ref" 2>/dev/null; then measure "$label" "$ref"; else say "mpv did not stay up on $file"; fi
  kill -- -"$ref" 2>/dev/null || true
  wait "$ref" 2>/dev/null || true
}

# --- driving --------------------------------------------------------------------
# The transport buttons' centres, in pixels from the window's top left corner
# below the menu bar (mb).
declare -A at=([play]="44 84" [pause]="68 84" [stop]="168 88")
declare -A key=([video]=ctrl+v [audio]=ctrl+a [midi]=ctrl+i)
x() { timeout 20 xdotool "$@"; }
click() { x mousemove --window "$wid" ${at[$1]% *} $((mb + ${at[$1]#* })) click 1; }

# A kind's dialog by its shortcut, the path typed, Return: the file plays.
open() {  # KIND FILE
  x windowfocus --sync "$wid" || return 1
  x key "${key[$1]}"
  local t0
  t0=$(date +%s)
  while [ "$(x getwindowfocus)" = "$wid" ]; do
    [ $(($(date +%s) - t0)) -lt 20 ] || { say "no $1 dialog"; return 1; }
    sleep 0.05
  done
  sleep 1
  x key ctrl+a
  x type --delay 20 "$2"
  sleep 0.3
  x key Return
}

# Paused one second in, then played on to its end (4 s files; the repeat box
# is off, so the window rewinds and stops), each state measured.
paused_then_ended() {  # KIND FILE NAME [WHAT CAME BEFORE]
  open "$1" "$2" || return 1
  sleep 1
  click pause
  sleep "$settle"
  measure "$3 paused${4:+ ($4)}" "$pid"
  click play
  sleep $((4 + settle))
  measure "$3 stopped at its end" "$pid"
}

echo "-- thread wake-ups and CPU, ${seconds} s each, PulseAudio null sink; target: at most 4 wake-ups/s"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$M" && exec setsid "$player") >"$T/player.log" 2>&1 &
pid=$!
wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Corvane$' | head -1) || { say "no main window"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$wid" | sed 's/^/w/')"
mb=$((wHEIGHT - 329))
sleep "$settle"
measure "nothing open, just started" "$pid"
paused_then_ended audio "$M/tone.wav" ".wav"
paused_then_ended midi "$M/song.mid" ".mid" "after the .wav"
paused_then_ended video "$M/clip.mp4" "video .mp4" "after the .mid"
paused_then_ended audio "$M/tone.wav" ".wav" "after the video"
click stop
sleep "$settle"
measure "nothing open, after the stop button" "$pid"
kill -0 "$pid" 2>/dev/null || say "the player is gone"

reference "mpv paused on the .wav" "$M/tone.wav"
reference "mpv paused on the video" "$M/clip.mp4" --force-window=yes
echo "(mpv plays no .mid)"
