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
# Return to the movie's colour on the screen); the Flash helper killed and a
# third movie on its replacement; stop; then an evening's actions
# at random (seeded; see random_actions). Each run has a seed of its own, the
# first STALL_BENCH_SEED, then one more each run; the same seed gives the same
# actions. The GUI thread's time on a core and waiting for one is read for each
# ping, so a stall the machine's load made is told from one the player made.
#
#   STALL_BENCH_RUNS (3)  STALL_BENCH_CLICKS (300 random actions)  STALL_BENCH_SEED (21)
#   STALL_BENCH_USER=NAME run the player as that ordinary user (runuser; so the
#                         web engine's sandbox is on), the rest as now
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
user=${STALL_BENCH_USER:-}
if [ -n "$user" ] && ! id "$user" >/dev/null 2>&1; then echo "stall: no user $user" >&2; exit 1; fi
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
# The pinger, the watcher and the display server wait less for a core than the
# player: on a busy machine the display server would otherwise hold the pings
# back, a delay that is not the player's. Run one of these benchmarks at a
# time: another's display server would take the cores from this player.
rt=(chrt -f 10)
"${rt[@]}" true 2>/dev/null || rt=()
bench_xvfb 141 199 "${rt[@]}" || { say "no Xvfb display"; exit 1; }
mkdir -m 700 "$T/run" "$T/home"
export HOME=$T/home XDG_RUNTIME_DIR=$T/run
unset XDG_CURRENT_DESKTOP QT_QPA_PLATFORMTHEME PULSE_SERVER
# As an ordinary user, the player has a home, runtime folder and session bus
# of its own (a session bus takes only its own user); it reaches the media,
# the display and the sound server's socket, which asks for no cookie.
as_user=()
if [ -n "$user" ]; then
  chmod 755 "$T"
  mkdir -m 700 "$T/user-home" "$T/user-run"
  chown "$user:" "$T/user-home" "$T/user-run"
  as_user=(runuser -u "$user" -- env HOME="$T/user-home" XDG_RUNTIME_DIR="$T/user-run")
fi
"${as_user[@]}" dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$T/bus"
{ read -r DBUS_SESSION_BUS_ADDRESS; read -r bus; } <"$T/bus"
services+=("$bus")
export DBUS_SESSION_BUS_ADDRESS
mkdir -m 755 "$T/pulse"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --load=module-null-sink \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$T/pulse/native" >"$T/pulse.log" 2>&1 &
services+=("$!")
export PULSE_SERVER=unix:$T/pulse/native
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info 2>/dev/null | grep -q '^Default Sink: null' || { say "no PulseAudio server"; exit 1; }

# --- the media ----------------------------------------------------------------
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
ff -f lavfi -i sine=frequency=440:duration=60 "$T/long.wav"
ff -f lavfi -i sine=frequency=660:duration=2 "$T/tone.wav"
ff -f lavfi -i testsrc=size=1280x720:rate=30:duration=10 -f lavfi -i sine=duration=10 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$T/hd.mov"
ff -f lavfi -i testsrc=size=352x288:rate=25:duration=5 -f lavfi -i sine=frequency=550:duration=5 \
  -c:v mpeg1video -c:a mp2 -shortest "$T/clip.mpg"
ff -f lavfi -i testsrc=size=320x240:rate=25:duration=5 -f lavfi -i sine=frequency=770:duration=5 \
  -c:v wmv2 -c:a wmav2 -shortest "$T/clip.wmv"
ff -f lavfi -i sine=frequency=330:duration=5 -c:a libmp3lame "$T/song.mp3"
read -r colours < <("$build/bench/stall/stall_media" "$T")
: >"$T/empty.swf"                 # an empty movie
cp "$T/tone.wav" "$T/notswf.swf"  # and a sound renamed as one
# A 3 s song of six notes, and 600,000 notes of 1/60 s in running status.
QT_QPA_PLATFORM=offscreen "$build/bench/device/bench_device" writemidi "$T/song.mid"
QT_QPA_PLATFORM=offscreen "$build/bench/device/bench_device" writemidi "$T/big.mid" 600000
colour_a=$(sed -n 's/.*a=\([0-9a-f]*\).*/\1/p' <<<"$colours")
colour_b=$(sed -n 's/.*b=\([0-9a-f]*\).*/\1/p' <<<"$colours")
for n in 1000 200 3; do write_wav_list "$T" "$T/tone.wav" "$n"; done

# --- driving --------------------------------------------------------------------
# Places in the main window, in pixels from its top left corner below the
# menu bar (mb): the transport buttons' and check boxes' centres, the Flash area.
declare -A at=([SCE1]="20 84" [SCE2]="44 84" [SCE3]="68 84" [SCE4]="92 84" [SCE5]="116 84"
  [SCE6]="140 84" [SCE7]="168 88" [mute]="252 80" [repeat]="252 96")
declare -A key=([video]=ctrl+v [audio]=ctrl+a [midi]=ctrl+i [movie]=ctrl+m [media]=ctrl+w [flash]=ctrl+f)
x() { timeout 20 xdotool "$@"; }
step= begun= tag=
media_open=none flash_loaded=none
begin() { step=$1; begun=$(now); }
end() { echo "$step|$begun|$(now)|$media_open; Flash: $flash_loaded" >>"$marks"; }
click() { x mousemove --window "$wid" ${at[$1]% *} $((mb + ${at[$1]#* })) click 1; }

# A transport button or box: the step runs from the click for settle seconds.
press() {  # NAME STEP SETTLE
  begin "$2"; click "$1"; sleep "$3"; end
  [ "$1" != SCE7 ] || media_open=none
}

# The Flash helper killed, as the kernel's out-of-memory killer would; the
# player has a moment to notice before the next step.
kill_flash_helper() {
  begin "Flash helper killed"
  pkill -KILL -f -- "$build/src/controls/flash/corvane-flash-host" || say "no Flash helper to kill"
  sleep 2
  end
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
  sleep 0.6
  x key ctrl+a
  x type --delay 12 "$2"
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
  if [ "$1" = flash ]; then flash_loaded=$3; else media_open=$3; fi
  sleep "$4"
  end
  if xwininfo -id "$dialog" 2>/dev/null | grep -q 'IsViewable'; then
    say "the $1 dialog did not close"
    x key Escape || true
    return 1
  fi
}

# Puts the main window back in front: Escape on whatever is in front of it
# (a file dialog, the toolkit's file-not-found box above it), up to 4 times.
back_to_main() {
  local i
  for i in 1 2 3 4; do
    [ "$(x getwindowfocus)" = "$wid" ] && return 0
    x key Escape || true
    sleep 0.3
  done
  [ "$(x getwindowfocus)" = "$wid" ] || x windowfocus --sync "$wid" || true
}

# A kind's dialog, cancelled: one step from the key to the dialog's close.
cancel() {  # KIND
  x windowfocus --sync "$wid" || return 1
  begin "${tag}$1 dialog cancelled"
  x key "${key[$1]}"
  sleep 0.8
  x key Escape
  sleep 0.5
  end
  back_to_main
}

# A name that is not there, typed into a kind's dialog: the toolkit says so in
# a box of its own; that box and then the dialog are dismissed.
missing() {  # KIND
  x windowfocus --sync "$wid" || return 1
  begin "${tag}$1 dialog: a missing file"
  x key "${key[$1]}"
  sleep 0.8
  x key ctrl+a
  x type --delay 12 "$T/not-there-$RANDOM.wav"
  x key Return
  sleep 0.6
  end
  back_to_main
}

# What a person does in an evening, at random (seeded): the transport buttons
# and both boxes, whether they are on or not; opens of every kind, the bad
# movies among them; dialogs cancelled; a missing file typed; a three-track
# list played to its end and next pressed on its last track. A Flash movie,
# once opened, stays loaded whatever plays beside it; what the window holds
# goes with each step (the last file opened, the last movie).
random_actions() {
  local opens=("video $T/hd.mov hd.mov as video" "video $T/clip.mpg clip.mpg as video"
    "audio $T/long.wav 60 s .wav" "audio $T/tone.wav 2 s .wav" "audio $T/song.mp3 .mp3 as audio"
    "midi $T/song.mid 3 s .mid" "movie $T/hd.mov hd.mov" "movie $T/clip.mpg clip.mpg" "movie $T/song.mp3 song.mp3"
    "media $T/clip.wmv clip.wmv" "media $T/list3.asx list3.asx" "media $T/list200.asx list200.asx"
    "flash $T/a.swf a.swf" "flash $T/b.swf b.swf" "flash $T/empty.swf empty.swf (0 bytes)"
    "flash $T/notswf.swf notswf.swf (a .wav)")
  local kinds=(video audio midi movie media flash)
  local targets=(SCE1 SCE2 SCE3 SCE4 SCE5 SCE6 SCE7 mute repeat)
  local i a f k r
  RANDOM=$run_seed
  for ((i = 1; i <= clicks; i++)); do
    tag="random $i: "
    r=$((RANDOM % 100))
    if [ $r -lt 62 ]; then
      a=${targets[RANDOM % ${#targets[@]}]}
      begin "random $i: $a"
      click "$a"
      sleep "0.$((100 + RANDOM % 400))"
      end
      [ "$a" != SCE7 ] || media_open=none
    elif [ $r -lt 88 ]; then
      read -r -a f <<<"${opens[RANDOM % ${#opens[@]}]}"
      open "${f[0]}" "${f[1]}" "${f[*]:2}" "0.$((300 + RANDOM % 600))" || back_to_main
    elif [ $r -lt 93 ]; then
      cancel "${kinds[RANDOM % ${#kinds[@]}]}" || back_to_main
    elif [ $r -lt 97 ]; then
      missing "${kinds[RANDOM % ${#kinds[@]}]}" || back_to_main
    else
      open media "$T/list3.asx" "list3.asx, to play to its end" 0.3 || back_to_main
      for k in 1 2 3; do press SCE6 "random $i: next ($k of 3 in list3.asx)" 0.4; done
    fi
  done
  tag=
}

# A step that fails (a dialog that did not come or did not close on a busy
# machine) is said and left behind; the session goes on from the main window.
session() {
  local s
  for s in 'open audio "$T/long.wav" "60 s .wav" 3' 'open midi "$T/big.mid" "600,000-note .mid" 3' \
    'open movie "$T/hd.mov" "10 s 720p .mov" 4' 'open video "$T/hd.mov" "the same .mov as video" 3' \
    'open midi "$T/song.mid" "3 s song" 1' 'press SCE6 "midi song: next" 2' 'press SCE2 "midi song: play" 1' \
    'press SCE7 "midi song: stop" 3' 'open media "$T/list1000.asx" "ASX of 1,000 .wav" 5' \
    'open media "$T/list200.asx" "ASX of 200 .wav" 4' 'open flash "$T/a.swf" "first Flash movie" 3 "$colour_a"' \
    'open flash "$T/b.swf" "second Flash movie" 3 "$colour_b"' kill_flash_helper \
    'open flash "$T/a.swf" "Flash movie, its helper replaced" 3 "$colour_a"' 'press SCE7 "stop" 3'; do
    eval "$s" || back_to_main
  done
  random_actions
}

# One run: a fresh player, pinged from its window's appearance to its end.
run() {  # N
  marks=$T/marks.$1 frames=$T/frames.$1
  : >"$marks"; : >"$frames"
  media_open=none flash_loaded=none run_seed=$((seed + $1 - 1))
  echo "run $1: seed $run_seed$([ -z "$user" ] || echo ", the player as $user")"
  local launched
  launched=$(now)
  (cd "$T" && exec setsid "${as_user[@]}" env DISPLAY="$DISPLAY" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
    PULSE_SERVER="$PULSE_SERVER" "$player") >"$T/player.$1.log" 2>&1 &
  pid=$!
  wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Corvane$' | head -1) || { say "no main window"; return 1; }
  echo "launch to window|$launched|$(now)" >>"$T/launch.$1"
  gui=$(xdotool getwindowpid "$wid")  # the player itself, below runuser when there is one; its GUI thread has its id
  # The toolkit's thread that reads the display's events and wakes the GUI thread.
  reader=$(grep -lx QXcbEventQueue /proc/"$gui"/task/*/comm 2>/dev/null | head -1 | cut -d/ -f5) || true
  "${rt[@]}" "$ping" ping "$wid" "$T/pings.$1" 1800 "$gui" "$reader" &
  pinger=$!
  if [ "${STALL_BENCH_PERF:-0}" = 1 ]; then
    # Where it sleeps costs a smaller stack a switch: it switches at every ping.
    perf record -q -k monotonic -e cpu-clock/period=1000000,call-graph=dwarf,stack-size=16384/ \
      -e sched:sched_switch/call-graph=dwarf,stack-size=6144/ -t "$gui" \
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
# (">" marks a ping never answered: its age at the end), the pings, when the
# worst was sent, what the GUI thread did during it (ms on a core, ms runnable
# but waiting for one; -1 when not known), the ms the toolkit's event reader
# waited for a core meanwhile, and what the window held.
stalls() {  # N
  sort -n -k2,2 "$T/pings.$1" | awk -v marks="$T/marks.$1" '
    BEGIN { FS = " "; while ((getline line < marks) > 0) { split(line, m, "|"); n++; name[n] = m[1]; b[n] = m[2]; e[n] = m[3]; ctx[n] = m[4] } k = 1 }
    { while (k <= n && $2 >= e[k]) k++
      if (k > n) exit
      if ($2 < b[k]) next
      v = ($3 == "-") ? $4 : $3
      c[k]++
      if (v > worst[k]) { worst[k] = v; open[k] = ($3 == "-"); at[k] = $2; cpu[k] = ($3 == "-") ? -1 : $4; wq[k] = ($3 == "-") ? -1 : $5; rq[k] = ($3 == "-" || $6 == "") ? -1 : $6 } }
    END { for (i = 1; i <= n; i++) printf "%s|%s%.1f|%d|%.3f|%.1f|%.1f|%s|%.1f\n", name[i], open[i] ? ">" : "", worst[i] / 1000, c[i], at[i] / 1e9,
      cpu[i] < 0 ? -1 : cpu[i] / 1000, wq[i] < 0 ? -1 : wq[i] / 1000, ctx[i], rq[i] < 0 ? -1 : rq[i] / 1000 }'
}

cpu_busy() { awk '/^cpu /{print $2+$3+$4+$7+$8, $5+$6}' /proc/stat; }
echo "-- GUI stalls from outside: _NET_WM_PING every 4 ms, PulseAudio null sink, $runs runs of $clicks random actions"
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
echo "-- each run's worst stall, and every action over 50 ms: ms the GUI thread spent on a core / waiting for one /"
echo "   the toolkit's event reader waiting for one; what was open; the three actions before. A stall spent mostly"
echo "   waiting for a core is the machine's load, not the player's."
for r in $(seq "$runs"); do
  awk -F'|' -v r="$r" '{ n++; a[n] = $1; w = $2; sub(/>/, "", w); v[n] = w + 0; ms[n] = $2; cpu[n] = $5; wq[n] = $6; ctx[n] = $7; rq[n] = $8
      if ($1 ~ /^random / && w + 0 > 50) { over++; list[over] = n } if ($1 ~ /^random /) acts++ }
    function show(i, what) { printf "run %s: %s %s ms (%s on a core, %s waiting, reader %s waiting) at %s; open: %s; after: %s; %s; %s\n", r, what, ms[i], cpu[i], wq[i], rq[i], a[i], ctx[i], a[i-1], a[i-2], a[i-3] }
    END { b = 0; for (i = 1; i <= n; i++) if (!b || v[i] > v[b]) b = i
      if (b) show(b, "worst")
      printf "run %s: %d of %d random actions over 50 ms\n", r, over, acts
      for (k = 1; k <= over; k++) show(list[k], "over 50:") }' "$T/stalls.$r"
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
