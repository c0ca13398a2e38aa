# Shared by the device benchmark scripts (sourced, from the top of the tree):
# the build's bench_device, null outputs, a temporary folder and ffmpeg.
source bench/lib.sh
BUILD=${CORVANE_BUILD_DIR:-$PWD/build-bench}
B=$BUILD/bench/device/bench_device
export QT_QPA_PLATFORM=offscreen
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
