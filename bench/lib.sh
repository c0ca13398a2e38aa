# Sourced by the benchmark scripts, from anywhere: the build they use and
# media they share.
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# bench_build DIR TYPE: sets `build` to CORVANE_BUILD_DIR, or else to DIR,
# configured as TYPE (a CMake build type) when it is not configured yet.
bench_build() {
  build=${CORVANE_BUILD_DIR:-$1}
  if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$bench_root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$2" >/dev/null
  fi
}

# write_wav_list DIR TONE N: DIR/listN.asx, an ASX list of N distinct .wav
# files (hard links of TONE in DIR/many, each probed on its own).
write_wav_list() {
  local dir=$1 tone=$2 n=$3 i
  mkdir -p "$dir/many"
  { echo '<asx version="3.0">'
    for i in $(seq 1 "$n"); do
      [ -e "$dir/many/t$i.wav" ] || ln "$tone" "$dir/many/t$i.wav"
      echo "<entry><ref href=\"many/t$i.wav\"/></entry>"
    done
    echo '</asx>'; } >"$dir/list$n.asx"
}

# bench_xvfb FIRST LAST [PREFIX...]: starts a private Xvfb on the first free
# display number from FIRST to LAST (run behind PREFIX, e.g. a real-time
# priority), exports DISPLAY and adds the server's pid to the array
# `services`; returns 1 when none answers. BENCH_SCREEN sets its screen
# (1280x1024x24 unless given).
bench_xvfb() {
  local first=$1 last=$2 n xvfb
  shift 2
  for n in $(seq "$first" "$last"); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    "$@" Xvfb :$n -screen 0 "${BENCH_SCREEN:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    if xdpyinfo >/dev/null 2>&1; then services+=("$xvfb"); return 0; fi
    kill "$xvfb" 2>/dev/null || true
    unset DISPLAY
  done
  return 1
}
