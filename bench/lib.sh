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
