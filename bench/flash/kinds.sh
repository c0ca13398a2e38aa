#!/usr/bin/env bash
# The first movie of a session against the same movie opened again, seen from
# outside (flash_seen_bench), for each kind of richer movie (AVM1, AVM2), as
# root and as an ordinary user (the web engine's sandbox then on): Return
# in the dialog after it was up 1.5 s, and after only 0.3 s. Prints medians,
# ranges, the ratio first/again and the GUI thread's longest stalls.
#
# Each with Ruffle's WebGL renderer, its canvas one (CORVANE_FLASH_RENDERER),
# and in the bare page (flash_floor_bench), with the processor time and
# memory of the movie playing on.
# FLASH_BENCH_RUNS (5), FLASH_BENCH_KINDS ("avm1 avm2"), FLASH_BENCH_USERS
# ("root user"), FLASH_BENCH_DIALOGS ("1500 300"), FLASH_BENCH_RENDERERS
# ("webgl canvas bare") narrow it down;
# CORVANE_BUILD_DIR names a build to use (FLASH_BENCH_NO_BUILD: as it is),
# FLASH_BENCH_PROGRAM a player program other than its corvane.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/bench/lib.sh"
bench_build "$root/build-bench" Release
[ -n "${FLASH_BENCH_NO_BUILD:-}" ] || cmake --build "$build" --target corvane flash_seen_bench flash_floor_bench >/dev/null
if [ -z "${DISPLAY:-}" ]; then source "$root/scripts/xvfb.sh"; fi
if [ -z "${PULSE_SERVER:-}" ]; then source "$root/scripts/session.sh"; fi
bin=$build/bench/flash
program=${FLASH_BENCH_PROGRAM:-$build/corvane}
runs=${FLASH_BENCH_RUNS:-5}
user=corvane-user
users=${FLASH_BENCH_USERS:-root user}
[ "$(id -u)" = 0 ] || users=self

# The ordinary user reaches the display (Xvfb lets local clients in), the
# sound server's socket and a runtime folder of its own; the session bus
# stays root's (the player goes without it).
user_env=()
if [[ " $users " == *" user "* ]]; then
  id "$user" >/dev/null 2>&1 || useradd -m "$user"
  runtime=$(mktemp -d)
  chown "$user" "$runtime"
  chmod 700 "$runtime"
  pulse_dir=${PULSE_SERVER#unix:}
  pulse_dir=${pulse_dir%/*}
  [ -d "$pulse_dir" ] && chmod o+x "$pulse_dir" "${pulse_dir%/*}"
  user_env=(runuser -u "$user" -- env DISPLAY="$DISPLAY" PULSE_SERVER="${PULSE_SERVER:-}" XDG_RUNTIME_DIR="$runtime"
    HOME="$(getent passwd "$user" | cut -d: -f6)")
fi

# Median (range) of the values; a movie never seen (-1) is left out and counted.
stats() { sort -n | awk '$1 < 0 {lost++; next} {a[++n]=$1} END {if (n==0) {print "n/a"; exit} m=(n%2)?a[(n+1)/2]:(a[n/2]+a[n/2+1])/2; printf "%.0f (%.0f-%.0f%s)\n", m, a[1], a[n], lost ? ", " lost " never seen" : ""}'; }
field() { tr ' ' '\n' | sed -n "s/^$1=//p"; }

echo "-- first movie of a session and the same movie again, Return to its first frame on screen ($runs runs each; load $(cut -d' ' -f1-3 /proc/loadavg))"
echo "   webgl: the player with Ruffle's WebGL renderer; canvas: with its canvas one; bare: the same page and Ruffle"
echo "   (WebGL) in a bare web view, no dialog. Then, the movie playing on: processor (one core 100) and memory."
for who in $users; do
  for kind in ${FLASH_BENCH_KINDS:-avm1 avm2}; do
    for dialog in ${FLASH_BENCH_DIALOGS:-1500 300}; do
      echo "[$kind $who dialog ${dialog}ms]"
      for renderer in ${FLASH_BENCH_RENDERERS:-webgl canvas bare}; do
        out=$(mktemp)
        for i in $(seq "$runs"); do
          case $renderer in
            bare) run=(env CORVANE_FLASH_RENDERER=webgl "$bin/flash_seen_bench" floor "$bin/flash_floor_bench" "$dialog" "$kind") ;;
            *) run=(env CORVANE_FLASH_RENDERER="$renderer" "$bin/flash_seen_bench" player "$program" "$dialog" "$kind") ;;
          esac
          [ "$who" = user ] && run=("${user_env[@]}" "${run[@]}")
          { "${run[@]}" 2>/dev/null || true; } | grep seen_cold_ms >> "$out" || echo "$kind $who $renderer run $i failed"
        done
        first=$(field seen_cold_ms < "$out" | stats)
        again=$(field seen_warm_ms < "$out" | stats)
        ratio=$(awk -v a="${first%% *}" -v b="${again%% *}" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "n/a"}')
        stall_dialog=$( (field stall_dialog_cold_ms < "$out"; field stall_dialog_warm_ms < "$out") | stats)
        stall_open=$( (field stall_open_cold_ms < "$out"; field stall_open_warm_ms < "$out") | stats)
        cpu=$(field playing_cpu_percent < "$out" | stats)
        pss=$(field playing_pss_kib < "$out" | awk '{print int($1 / 1024)}' | stats)
        printf '  %-7s first_ms=%s again_ms=%s ratio=%s stall_dialog_ms=%s stall_open_ms=%s playing_cpu_percent=%s playing_pss_mib=%s\n' \
          "$renderer" "$first" "$again" "$ratio" "$stall_dialog" "$stall_open" "$cpu" "$pss"
        rm -f "$out"
      done
    done
  done
done
echo "(target, dialog 1500 ms: ratio at most 1.5; every stall at most 50 ms. Dialog 300 ms: first no later than before.)"
