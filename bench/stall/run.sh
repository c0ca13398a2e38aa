#!/usr/bin/env bash
# GUI stalls through one session, driven as a person drives it, measured from
# outside: stall_ping sends the main window a _NET_WM_PING every 4 ms and
# times each answer, which the toolkit sends from the GUI thread; the longest
# round trip in a step is its worst stall. Everything runs on its own: an Xvfb
# display, a D-Bus session bus and a PulseAudio server with a null sink, so
# the engines play to a real sound server. Prints figures, asserts none.
#
# Each step's window runs from its key press or click to a settle time after
# it. The session: launch; each kind's dialog and opening (the path typed,
# Return); a 3 s MIDI song's next, play and stop; ASX lists of 1,000 and 200
# local .wav files; a first and a second Flash movie (with the time from
# Return to the movie's colour on the screen); stop; then transport clicks at
# random (seeded), with a file opened again through its dialog after each stop.
#
#   STALL_BENCH_RUNS (3)  STALL_BENCH_CLICKS (300)  STALL_BENCH_SEED (21)
#   STALL_BENCH_KEEP=1    keep the temporary folder (pings, marks, logs)
#   STALL_BENCH_PERF=1    also record the GUI thread with perf (on the CPU, and where it
#                         sleeps), timed on the monotonic clock; implies STALL_BENCH_KEEP=1.
#                         Slice with: perf report -i perf.N.data --time FROM,TO
#                         (perf itself comes from linux-perf, which no script installs)
# Uses CORVANE_BUILD_DIR, or build-test beside this tree.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/bench/lib.sh"
bench_build "$root/build-test" RelWithDebInfo
runs=${STALL_BENCH_RUNS:-3}
clicks=${STALL_BENCH_CLICKS:-300}
seed=${STALL_BENCH_SEED:-21}
cmake --build "$build" --target corvane stall_ping stall_media bench_device >/dev/null
player=$build/corvane ping=$build/bench/stall/stall_ping

T=$(mktemp -d /tmp/corvane-stall.XXXXXX)
services=() pid= pinger= recorder=
cleanup() {
  set +e
  [ -n "$pinger" ] && kill "$pinger" 2>/dev/null
  [ -n "$recorder" ] && kill -INT "$recorder" 2>/dev/null && sleep 2
  [ -n "$pid" ] && kill -- -"$pid" 2>/dev/null && sleep 1 && kill -KILL -- -"$pid" 2>/dev/null
  for ((i = ${#services[@]} - 1; i >= 0; i--)); do kill "${services[i]}" 2>/dev/null; done
  wait 2>/dev/null
  if [ "${STALL_BENCH_KEEP:-0}" = 1 ] || [ "${STALL_BENCH_PERF:-0}" = 1 ]; then echo "kept: $T"; else rm -rf "$T"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
say() { echo "stall: $*" >&2; }
now() { date +%s%N; }

# --- the private services ---------------------------------------------------
for n in $(seq 141 199); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  if xdpyinfo >/dev/null 2>&1; then services+=("$xvfb"); break; fi
  kill "$xvfb" 2>/dev/null || true
  unset DISPLAY
done
[ -n "${DISPLAY:-}" ] || { say "no Xvfb display"; exit 1; }
mkdir -m 700 "$T/run" "$T/home"
export HOME=$T/home XDG_RUNTIME_DIR=$T/run
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
rt=(chrt -f 10)  # the pinger and the watcher wait less for a core than the player
"${rt[@]}" true 2>/dev/null || rt=()

# --- the media ----------------------------------------------------------------
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
ff -f lavfi -i sine=frequency=440:duration=60 "$T/long.wav"
ff -f lavfi -i sine=frequency=660:duration=2 "$T/tone.wav"
ff -f lavfi -i testsrc=size=1280x720:rate=30:duration=10 -f lavfi -i sine=duration=10 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$T/hd.mov"
read -r colours < <("$build/bench/stall/stall_media" "$T")
# A 3 s song of six notes, and 600,000 notes of 1/60 s in running status.
QT_QPA_PLATFORM=offscreen "$build/bench/device/bench_device" writemidi "$T/song.mid"
QT_QPA_PLATFORM=offscreen "$build/bench/device/bench_device" writemidi "$T/big.mid" 600000
colour_a=$(sed -n 's/.*a=\([0-9a-f]*\).*/\1/p' <<<"$colours")
colour_b=$(sed -n 's/.*b=\([0-9a-f]*\).*/\1/p' <<<"$colours")
for n in 1000 200; do write_wav_list "$T" "$T/tone.wav" "$n"; done

# --- driving --------------------------------------------------------------------
# Places in the main window, in pixels from its top left corner below the
# menu bar (mb): the transport buttons' and check boxes' centres, the Flash area.
declare -A at=([SCE1]="20 84" [SCE2]="44 84" [SCE3]="68 84" [SCE4]="92 84" [SCE5]="116 84"
  [SCE6]="140 84" [SCE7]="168 88" [mute]="252 80" [repeat]="252 96")
declare -A key=([video]=ctrl+v [audio]=ctrl+a [midi]=ctrl+i [movie]=ctrl+m [media]=ctrl+w [flash]=ctrl+f)
x() { timeout 20 xdotool "$@"; }
step= begun= tag=
begin() { step=$1; begun=$(now); }
end() { echo "$step|$begun|$(now)" >>"$marks"; }
click() { x mousemove --window "$wid" ${at[$1]% *} $((mb + ${at[$1]#* })) click 1; }

# A transport button or box: the step runs from the click for settle seconds.
press() {  # NAME STEP SETTLE
  begin "$2"; click "$1"; sleep "$3"; end
}

# A kind's dialog by its shortcut: one step from the key to the typed name,
# another from Return to the settle time. The name replaces whatever the
# dialog still holds. Fails when no dialog comes or it does not close.
open() {  # KIND FILE LABEL SETTLE [WATCH_COLOUR]
  x windowfocus --sync "$wid" || return 1
  begin "${tag}$1 dialog: $3"
  x key "${key[$1]}"
  local t0 dialog
  t0=$(now)
  while [ "$(x getwindowfocus)" = "$wid" ]; do
    [ $(($(now) - t0)) -lt 20000000000 ] || { say "no $1 dialog"; return 1; }
    sleep 0.05
  done
  dialog=$(x getwindowfocus)
  sleep 1
  x key ctrl+a
  x type --delay 20 "$2"
  sleep 0.3
  end
  local watcher=
  if [ -n "${5:-}" ]; then
    "${rt[@]}" "$ping" watch $((wx + 8)) $((wy + mb + 112)) 289 209 "$5" 15000 >"$T/seen" &
    watcher=$!
    sleep 0.2
  fi
  begin "${tag}$1 open: $3"
  x key Return
  if [ -n "$watcher" ]; then
    if wait "$watcher"; then echo "$step|$begun|$(cat "$T/seen")" >>"$frames"; else echo "$step|$begun|-" >>"$frames"; fi
  fi
  sleep "$4"
  end
  if xwininfo -id "$dialog" 2>/dev/null | grep -q 'IsViewable'; then
    say "the $1 dialog did not close"
    x key Escape || true
    return 1
  fi
}

# Transport clicks at random, seeded; after a stop (the window is then idle,
# its transport buttons disabled) a file is opened again through its dialog.
random_clicks() {
  local targets=(SCE1 SCE2 SCE3 SCE4 SCE5 SCE6 SCE7 mute repeat)
  local files=("audio $T/long.wav long.wav" "midi $T/song.mid song.mid" "movie $T/hd.mov hd.mov"
    "media $T/list200.asx list200.asx")
  local i t f
  RANDOM=$seed
  for ((i = 1; i <= clicks; i++)); do
    t=${targets[RANDOM % ${#targets[@]}]}
    begin "random $i: $t"
    click "$t"
    sleep "0.$((100 + RANDOM % 400))"
    end
    if [ "$t" = SCE7 ]; then
      read -r -a f <<<"${files[RANDOM % ${#files[@]}]}"
      tag="random $i: "
      open "${f[0]}" "${f[1]}" "${f[2]}" 0.5 || return 1
      tag=
    fi
  done
}

session() {
  open audio "$T/long.wav" "60 s .wav" 3 &&
    open midi "$T/big.mid" "600,000-note .mid" 3 &&
    open movie "$T/hd.mov" "10 s 720p .mov" 4 &&
    open video "$T/hd.mov" "the same .mov as video" 3 &&
    open midi "$T/song.mid" "3 s song" 1 &&
    press SCE6 "midi song: next" 2 &&
    press SCE2 "midi song: play" 1 &&
    press SCE7 "midi song: stop" 3 &&
    open media "$T/list1000.asx" "ASX of 1,000 .wav" 5 &&
    open media "$T/list200.asx" "ASX of 200 .wav" 4 &&
    open flash "$T/a.swf" "first Flash movie" 3 "$colour_a" &&
    open flash "$T/b.swf" "second Flash movie" 3 "$colour_b" &&
    press SCE7 "stop" 3 &&
    random_clicks
}

# One run: a fresh player, pinged from its window's appearance to its end.
run() {  # N
  marks=$T/marks.$1 frames=$T/frames.$1
  : >"$marks"; : >"$frames"
  local launched
  launched=$(now)
  (cd "$T" && exec setsid "$player") >"$T/player.$1.log" 2>&1 &
  pid=$!
  wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Corvane$' | head -1) || { say "no main window"; return 1; }
  echo "launch to window|$launched|$(now)" >>"$T/launch.$1"
  "${rt[@]}" "$ping" ping "$wid" "$T/pings.$1" 1800 &
  pinger=$!
  if [ "${STALL_BENCH_PERF:-0}" = 1 ]; then
    perf record -q -k monotonic -c 1 -e cpu-clock/period=1000000/ -e sched:sched_switch --call-graph dwarf,16384 -t "$pid" \
      -o "$T/perf.$1.data" >"$T/perf.$1.log" 2>&1 &
    recorder=$!
    "$ping" clocks >"$T/clocks.$1"
  fi
  eval "$(xdotool getwindowgeometry --shell "$wid" | sed 's/^/w/')"
  mb=$((wHEIGHT - 329)) wx=$wX wy=$wY
  begin "launch, idle"; sleep 2; end
  local ok=0
  session || ok=1
  kill "$pinger" 2>/dev/null; wait "$pinger" 2>/dev/null || true
  pinger=
  if [ -n "$recorder" ]; then kill -INT "$recorder" 2>/dev/null; wait "$recorder" 2>/dev/null || true; fi
  recorder=
  kill -0 "$pid" 2>/dev/null || { say "run $1: the player is gone"; ok=1; }
  kill -- -"$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL -- -"$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
  return $ok
}

# Per step: the longest round trip of the pings sent within its window, in ms
# (">" marks a ping never answered: its age at the end); and the pings.
stalls() {  # N
  sort -n -k2,2 "$T/pings.$1" | awk -v marks="$T/marks.$1" '
    BEGIN { FS = " "; while ((getline line < marks) > 0) { split(line, m, "|"); n++; name[n] = m[1]; b[n] = m[2]; e[n] = m[3] } k = 1 }
    { while (k <= n && $2 >= e[k]) k++
      if (k > n) exit
      if ($2 < b[k]) next
      v = ($3 == "-") ? $4 : $3
      c[k]++
      if (v > worst[k]) { worst[k] = v; open[k] = ($3 == "-"); at[k] = $2 } }
    END { for (i = 1; i <= n; i++) printf "%s|%s%.1f|%d|%.3f\n", name[i], open[i] ? ">" : "", worst[i] / 1000, c[i], at[i] / 1e9 }'
}

cpu_busy() { awk '/^cpu /{print $2+$3+$4+$7+$8, $5+$6}' /proc/stat; }
echo "-- GUI stalls from outside: _NET_WM_PING every 4 ms, PulseAudio null sink, $runs runs, $clicks random clicks (seed $seed)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for r in $(seq "$runs"); do
  read -r busy0 idle0 < <(cpu_busy)
  run "$r" || say "run $r stopped early; its steps so far are counted"
  read -r busy1 idle1 < <(cpu_busy)
  touch "$T/pings.$r" "$T/marks.$r" "$T/frames.$r"
  stalls "$r" >"$T/stalls.$r"
  awk -v b=$((busy1 - busy0)) -v i=$((idle1 - idle0)) -v r="$r" -v l="$(cut -d' ' -f1-3 /proc/loadavg)" \
    'BEGIN { printf "run %d: machine busy %.0f%% of both cores (the player included), load %s\n", r, 100 * b / (b + i), l }'
done

echo
echo "-- worst stall per step, ms (pings answered in the step)"
{
  printf 'step'; for r in $(seq "$runs"); do printf '|run %d' "$r"; done; printf '|worst\n'
  grep -vh '^random ' "$T"/stalls.* | cut -d'|' -f1 | awk '!seen[$0]++'
} >"$T/table.head"
{
  head -1 "$T/table.head"
  tail -n +2 "$T/table.head" | while IFS= read -r s; do
    line=$s worst=0
    for r in $(seq "$runs"); do
      v=$(awk -F'|' -v s="$s" '$1 == s { print $2 " (" $3 ")" }' "$T/stalls.$r")
      line+="|${v:-n/a}"
      worst=$(awk -v a="$worst" -v b="${v%% *}" 'BEGIN { sub(/>/, "", b); print (b + 0 > a + 0) ? b : a }')
    done
    echo "$line|$worst"
  done
  line="random clicks ($clicks), worst of all" worst=0
  for r in $(seq "$runs"); do
    v=$(awk -F'|' '/^random / { sub(/>/, "", $2); if ($2 + 0 > w) w = $2 + 0; n += $3 } END { if (NR) printf "%.1f (%d)", w, n }' "$T/stalls.$r")
    line+="|${v:-n/a}"
    worst=$(awk -v a="$worst" -v b="${v%% *}" 'BEGIN { print (b + 0 > a + 0) ? b : a }')
  done
  echo "$line|$worst"
} | column -t -s'|'

echo
echo "-- random clicks: actions over 50 ms, and the five worst (what was open, the three actions before)"
for r in $(seq "$runs"); do
  awk -F'|' -v r="$r" '/^random / { n++; a[n] = $1; w = $2; sub(/>/, "", w); v[n] = w + 0; ms[n] = $2; f[n] = file
      if (w + 0 > 50) over++; if ($1 ~ / open: /) { file = $1; sub(/.* open: /, "", file) } }
    END { printf "run %s: %d of %d actions over 50 ms\n", r, over, n
      for (k = 1; k <= 5; k++) { b = 0; for (i = 1; i <= n; i++) if (v[i] > v[b] || !b) b = i
        if (!b || v[b] <= 50) break
        printf "run %s: %s ms at %s (%s open) after %s; %s; %s\n", r, ms[b], a[b], f[b], a[b-1], a[b-2], a[b-3]; v[b] = -1 } }' "$T/stalls.$r"
done

echo
echo "-- Flash: Return in the dialog to the movie's colour on the screen, ms"
for r in $(seq "$runs"); do
  awk -F'|' -v r="$r" '{ printf "run %s: %s %s\n", r, $1, ($3 == "-") ? "not seen in 15 s" : sprintf("%.0f", ($3 - $2) / 1e6) }' "$T/frames.$r"
done
for r in $(seq "$runs"); do
  [ -s "$T/launch.$r" ] && awk -F'|' -v r="$r" '{ printf "run %s: launch to window %.0f ms\n", r, ($3 - $2) / 1e6 }' "$T/launch.$r"
done
if [ "${STALL_BENCH_PERF:-0}" = 1 ]; then
  echo
  echo "-- steps over 50 ms: the worst ping's span on the monotonic clock, for perf report --time"
  for r in $(seq "$runs"); do
    read -r real mono <"$T/clocks.$r"
    awk -F'|' -v r="$r" -v off=$(((real - mono) / 1000000)) '{ w = $2; sub(/>/, "", w) } w + 0 > 50 {
      t = $4 - off / 1000; printf "run %s: %s: %s ms, perf report -i perf.%s.data --time %.3f,%.3f\n", r, $1, $2, r, t, t + w / 1000 }' "$T/stalls.$r"
  done
fi
