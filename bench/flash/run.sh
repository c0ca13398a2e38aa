#!/usr/bin/env bash
# Benchmarks of the Flash display area. scripts/bench.sh exports
# CORVANE_BUILD_DIR and an X DISPLAY; run alone, this builds its own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/bench/lib.sh"
bench_build "$root/build-bench" Release
cmake --build "$build" --target corvane flash_load_bench flash_launch_with flash_launch_without \
  flash_floor_bench flash_seen_bench >/dev/null
if [ -z "${DISPLAY:-}" ]; then source "$root/scripts/xvfb.sh"; fi
bin=$build/bench/flash
runs=${FLASH_BENCH_RUNS:-5}
launches=${FLASH_BENCH_LAUNCHES:-15} # short and noisy: more of them

median() { sort -n | awk '{a[NR]=$1} END {if (NR==0) print "n/a"; else if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }
field() { tr ' ' '\n' | sed -n "s/^$1=//p"; }

echo "-- launch to main window painted ($launches runs each, alternating)"
: > /tmp/flash-bench-with.$$; : > /tmp/flash-bench-without.$$
for i in $(seq "$launches"); do
  for variant in with without; do
    start=$(date +%s%N)
    line=$("$bin/flash_launch_$variant" 2>/dev/null | grep painted_ns || true)
    end=$(echo "$line" | field painted_ns)
    echo "$(( (end - start) / 1000 )) $(echo "$line" | field own_rss_kib)" >> /tmp/flash-bench-$variant.$$
  done
done
for variant in with without; do
  ms=$(awk '{print $1/1000}' /tmp/flash-bench-$variant.$$ | median)
  rss=$(awk '{print $2}' /tmp/flash-bench-$variant.$$ | median)
  echo "launch_to_painted_ms[$variant flash]=$ms rss_at_paint_kib[$variant flash]=$rss"
done
with=$(awk '{print $1/1000}' /tmp/flash-bench-with.$$ | median)
without=$(awk '{print $1/1000}' /tmp/flash-bench-without.$$ | median)
awk -v a="$with" -v b="$without" 'BEGIN {printf "launch_difference_percent=%.1f (target: within 10)\n", (a-b)*100/b}'
rm -f /tmp/flash-bench-with.$$ /tmp/flash-bench-without.$$

echo "-- movie handed over to first visible frame, its parts, GUI stalls; memory ($runs runs)"
: > /tmp/flash-bench-load.$$
for i in $(seq "$runs"); do
  { "$bin/flash_load_bench" 2>/dev/null || true; } | grep cold_ms >> /tmp/flash-bench-load.$$ || echo "run $i failed"
  { "$bin/flash_floor_bench" --self 2>/dev/null || true; } | grep floor_cold_ms >> /tmp/flash-bench-load.$$ || echo "floor run $i failed"
done
for key in cold_ms cold_engine_start_ms cold_page_ready_ms cold_movie_loaded_ms cold_stall_ms \
    warm_ms warm_stall_ms large_ms large_stall_ms large_stall_busy_ms floor_cold_ms floor_warm_ms own_rss_before_kib children_rss_before_kib \
    own_rss_playing_kib children_rss_playing_kib all_pss_before_kib all_pss_playing_kib; do
  echo "$key=$(field "$key" < /tmp/flash-bench-load.$$ | median)"
done
echo "(target: large_stall_ms at most 50; cold_ms and warm_ms at most 1.15 x floor_cold_ms and floor_warm_ms)"

echo "-- seen from outside: Return in the open dialog (up 1.5 s) to the movie in screen grabs every 10 ms,"
echo "   and the GUI thread's longest stalls by the window manager's ping ($runs runs each)"
: > /tmp/flash-bench-seen-player.$$; : > /tmp/flash-bench-seen-floor.$$
for i in $(seq "$runs"); do
  for who in player floor; do
    program=$build/corvane
    [ "$who" = floor ] && program=$bin/flash_floor_bench
    { "$bin/flash_seen_bench" "$who" "$program" 2>/dev/null || true; } | grep seen_cold_ms >> /tmp/flash-bench-seen-$who.$$ \
      || echo "$who run $i failed"
  done
done
for who in player floor; do
  for key in seen_cold_ms seen_warm_ms stall_dialog_cold_ms stall_dialog_warm_ms stall_open_cold_ms stall_open_warm_ms; do
    [ "$who" = floor ] && [ "${key#stall_dialog}" != "$key" ] && continue
    echo "$key[$who]=$(field "$key" < /tmp/flash-bench-seen-$who.$$ | median)"
  done
done
echo "(target: seen_cold_ms[player] at most 300 with the dialog up 1.5 s; every stall at most 50)"
for key in seen_cold_ms seen_warm_ms; do
  p=$(field "$key" < /tmp/flash-bench-seen-player.$$ | median)
  f=$(field "$key" < /tmp/flash-bench-seen-floor.$$ | median)
  awk -v p="$p" -v f="$f" -v k="$key" 'BEGIN {if (f > 0) printf "%s_ratio=%.2f (target: at most 1.15)\n", k, p / f}'
done
rm -f /tmp/flash-bench-load.$$ /tmp/flash-bench-seen-player.$$ /tmp/flash-bench-seen-floor.$$

bash "$here/kinds.sh"
